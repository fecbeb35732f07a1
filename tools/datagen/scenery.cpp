#include "tools/datagen/scenery.h"

namespace datagen {

using namespace look;

Ramp DuskRamp() {
  return {{{0.0f, kNight0},
           {0.35f, kNight1},
           {0.6f, kNight2},
           {0.78f, kDusk},
           {0.9f, kRose},
           {1.0f, kAmber}}};
}

Ramp NightRamp() {
  return {{{0.0f, kNight0}, {0.45f, kNight1}, {0.8f, kNight2}, {1.0f, Hex(0x4a5ea8)}}};
}

void PaintSky(Canvas& c, float horizon, const Ramp& ramp, uint32_t seed, float cloud) {
  for (int y = 0; y < c.h; ++y)
    for (int x = 0; x < c.w; ++x) {
      float t = std::min(1.0f, (float(y) + 0.5f) / horizon);
      float n = Fbm(float(x) / 180.0f, float(y) / 60.0f, seed, 4) - 0.5f;
      c.at(x, y) = ramp(Clamp01(t + n * cloud * 2.0f));
    }
}

void Sparkle(Canvas& c, Vec2 at, float size, Col col, float strength) {
  c.Glow(at, size * 0.18f, col, strength);
  int r = int(std::ceil(size));
  for (int y = int(at.y) - r; y <= int(at.y) + r; ++y)
    for (int x = int(at.x) - r; x <= int(at.x) + r; ++x) {
      if (x < 0 || y < 0 || x >= c.w || y >= c.h) continue;
      float dx = std::fabs(float(x) + 0.5f - at.x), dy = std::fabs(float(y) + 0.5f - at.y);
      float arm = 0;
      if (dx < size) arm += std::exp(-dy * dy / 0.5f) * std::pow(1 - dx / size, 2.0f);
      if (dy < size) arm += std::exp(-dx * dx / 0.5f) * std::pow(1 - dy / size, 2.0f);
      c.at(x, y) = c.at(x, y) + col * (arm * strength * 0.8f);
    }
}

void PaintStars(Canvas& c, Rng& rng, int count, float yMax, float brightness) {
  const Col tints[3] = {kStar, Hex(0xffe2a8), Hex(0xc8d8ff)};
  for (int i = 0; i < count; ++i) {
    float x = rng.Range(0, float(c.w));
    float y = yMax * std::pow(rng.Uniform(), 1.25f);
    float fade = std::sqrt(std::max(0.0f, 1 - y / yMax));
    float b = rng.Range(0.25f, 1.0f) * fade * brightness;
    Col tint = tints[rng.Int(0, 2)];
    float kind = rng.Uniform();
    if (kind < 0.025f) {
      Sparkle(c, {x, y}, rng.Range(5, 9), tint, b);
    } else if (kind < 0.15f) {
      c.Glow({x, y}, rng.Range(0.8f, 1.3f), tint, b * 1.2f);
    } else {
      c.Glow({x, y}, 0.55f, tint, b * 0.9f);
    }
  }
}

Path Ridge(float x0, float x1, float baseY, float height, float bottom, uint32_t seed,
           float roughness, float scale) {
  Path p;
  for (float x = x0; x <= x1 + 0.01f; x += 2.0f) {
    float broad = Fbm(x / scale, 0.5f, seed, 3);
    float fine = Fbm(x / (scale * 0.18f), 3.5f, seed + 7, 3);
    float ridge = 1 - std::fabs(fine * 2 - 1);
    p.push_back({x, baseY - height * (broad * (1 - roughness) + ridge * roughness * broad * 1.4f)});
  }
  p.push_back({x1, bottom});
  p.push_back({x0, bottom});
  return p;
}

void PaintMoon(Canvas& c, Vec2 centre, float r, float phase) {
  c.Glow(centre, r * 2.2f, Hex(0x3a4a90), 0.35f);
  c.Glow(centre, r * 1.1f, Hex(0xffe6b0), 0.25f);
  Mask disk = Fill(Circle(centre, r), c.w, c.h);
  if (phase > 0)
    SubtractFrom(disk, Fill(Circle(centre + Vec2{r * phase, -r * 0.25f}, r * 0.95f), c.w, c.h));
  c.PaintWith(disk, [&](int x, int y) {
    float n = Fbm(float(x) / (r * 0.35f), float(y) / (r * 0.35f), 77, 4);
    float limb = Clamp01(1 - Length(Vec2{float(x), float(y)} - centre) / r);
    return Mix(Hex(0xe8c890), Hex(0xfff4dc), Clamp01(n * 0.8f + limb * 0.6f));
  });
}

Path DoorArch(Vec2 base, float w, float h) {
  float half = w / 2;
  float springY = base.y - h + half;
  Path p{{base.x - half, base.y}};
  Path arc = Arc({base.x, springY}, half, kPi, 2 * kPi, 40);
  p.insert(p.end(), arc.begin(), arc.end());
  p.push_back({base.x + half, base.y});
  return p;
}

void PaintDoor(Canvas& c, Vec2 base, float w, float h, float light) {
  int W = c.w, H = c.h;
  float frame = w * 0.14f;
  Mask outer = Fill(DoorArch(base, w + 2 * frame, h + frame), W, H);
  Mask panel = Fill(DoorArch(base, w, h), W, H);
  // Stone frame: cool blue-grey blocks lit warm from the inside edge.
  c.PaintWith(outer, [&](int x, int y) {
    float n = Fbm(float(x) / 9.0f, float(y) / 9.0f, 31, 3);
    float block = std::fmod(float(y) - base.y + 1000.0f, frame * 1.1f) < 1.5f ? 0.6f : 1.0f;
    return Mix(Hex(0x22263e), Hex(0x3a3e5e), n) * block;
  });
  // Wooden planks.
  c.PaintWith(panel, [&](int x, int y) {
    float u = (float(x) - (base.x - w / 2)) / w;
    float plank = std::fmod(u * 5.0f, 1.0f);
    float grain = Fbm(float(x) / 3.0f, float(y) / 40.0f, 11, 3);
    Col wood = Mix(Hex(0x3a2218), Hex(0x6e4026), grain);
    if (plank < 0.06f) wood = wood * 0.55f;
    // Dusk: the face of the door is in shadow, lit a little from the gap.
    float shade = 0.5f + 0.2f * (1 - u) + 0.35f * Smooth(0.7f, 1.0f, u);
    return wood * shade;
  });
  // Iron bands with rivets.
  for (float f : {0.22f, 0.72f}) {
    float y = base.y - h * f;
    Mask band = Fill(Box(base.x - w / 2, y - w * 0.035f, base.x + w / 2, y + w * 0.035f), W, H);
    IntersectWith(band, panel);
    c.Paint(band, Hex(0x23243a));
    for (int i = 0; i < 5; ++i) {
      Vec2 r{base.x - w / 2 + w * (0.1f + 0.2f * float(i)), y};
      c.Paint(Fill(Circle(r, w * 0.022f, 16), W, H), Hex(0x8a7a68));
    }
  }
  // Ring handle.
  Vec2 ring{base.x + w * 0.28f, base.y - h * 0.45f};
  c.Paint(Stroke(Circle(ring, w * 0.06f, 24), w * 0.022f, true, W, H), Hex(0xb08040));
  c.Paint(Stroke(Arc(ring, w * 0.06f, kPi * 1.1f, kPi * 1.6f, 8), w * 0.012f, false, W, H),
          Hex(0xffe0a0), 0.8f);
  // Light from the gap along the right edge.
  if (light > 0) {
    Path gap = DoorArch(base, w, h);
    Mask edge = Stroke(Path(gap.begin() + 24, gap.end()), 2.5f, false, W, H);
    IntersectWith(edge, outer);
    c.AddLight(edge, kCream, light);
    c.AddLight(Blurred(edge, 4), kAmber, light * 2.5f);
    c.AddLight(Blurred(edge, 14), kAmber, light * 1.2f);
  }
  c.Paint(Stroke(DoorArch(base, w + 2 * frame, h + frame), 2.0f, false, W, H), kInk);
  c.Paint(Stroke(DoorArch(base, w, h), 1.5f, false, W, H), kInk, 0.8f);
}

std::vector<Path> Rune(int id, Vec2 centre, float size) {
  // A stave and two or three branches between points of a 3 × 4 grid.
  Rng rng(uint64_t(id) * 7919u + 13u);
  auto grid = [&](int gx, int gy) {
    return Vec2{centre.x + (float(gx) - 1) * size * 0.32f,
                centre.y + (float(gy) - 1.5f) * size * 0.3f};
  };
  std::vector<Path> strokes;
  int stave = rng.Int(0, 2) == 0 ? 0 : 1;
  strokes.push_back({grid(stave, 0), grid(stave, 3)});
  int branches = rng.Int(2, 3);
  for (int i = 0; i < branches; ++i) {
    int y0 = rng.Int(0, 3);
    int y1 = std::clamp(y0 + rng.Int(-1, 1), 0, 3);
    int x1 = stave == 0 ? rng.Int(1, 2) : (rng.Chance(0.5f) ? 0 : 2);
    strokes.push_back({grid(stave, y0), grid(x1, y1)});
    if (rng.Chance(0.3f)) strokes.back().push_back(grid(x1, std::clamp(y1 + 1, 0, 3)));
  }
  return strokes;
}

void PaintRuneRing(Canvas& c, Vec2 centre, float radius, float size, int count, Col col,
                   float width, int firstId) {
  Mask m(c.w, c.h);
  for (int i = 0; i < count; ++i) {
    float a = 2 * kPi * float(i) / float(count);
    Vec2 at{centre.x + radius * std::cos(a), centre.y + radius * std::sin(a)};
    Affine place = Affine::Translate(at.x, at.y) * Affine::Rotate(a + kPi / 2) *
                   Affine::Translate(-at.x, -at.y);
    for (const Path& s : Rune(firstId + i, at, size))
      UnionInto(m, Stroke(Transformed(s, place), width, false, c.w, c.h));
  }
  c.AddLight(Blurred(m, int(width * 2 + 1)), col, 0.9f);
  c.Paint(m, Mix(col, kCream, 0.5f));
}

void PaintFrame(Canvas& c, float x0, float y0, float x1, float y1, float t) {
  int W = c.w, H = c.h;
  Mask outer = Fill(Box(x0, y0, x1, y1), W, H);
  SubtractFrom(outer, Fill(Box(x0 + t, y0 + t, x1 - t, y1 - t), W, H));
  c.PaintWith(outer, [&](int x, int y) {
    float dx = std::min(float(x) - x0, x1 - float(x)), dy = std::min(float(y) - y0, y1 - float(y));
    float d = std::min(dx, dy) / t;  // 0 at the outer edge, 1 at the inner
    float bevel = std::fabs(d - 0.5f) * 2;
    return Mix(kGold, Hex(0x8a5420), bevel * 0.8f);
  });
  c.Paint(Stroke(Box(x0 + t * 1.6f, y0 + t * 1.6f, x1 - t * 1.6f, y1 - t * 1.6f), 1.2f, true, W, H),
          kAmber);
  c.Paint(Stroke(Box(x0, y0, x1, y1), 1.5f, true, W, H), kInk);
  c.Paint(Stroke(Box(x0 + t, y0 + t, x1 - t, y1 - t), 1.5f, true, W, H), kInk);
  for (Vec2 k : {Vec2{x0, y0}, Vec2{x1, y0}, Vec2{x0, y1}, Vec2{x1, y1}}) {
    Vec2 m = k + Vec2{k.x < (x0 + x1) / 2 ? t / 2 : -t / 2, k.y < (y0 + y1) / 2 ? t / 2 : -t / 2};
    Path diamond{
        {m.x, m.y - t * 1.3f}, {m.x + t * 1.3f, m.y}, {m.x, m.y + t * 1.3f}, {m.x - t * 1.3f, m.y}};
    c.Paint(Fill(diamond, W, H), kGold);
    c.Paint(Stroke(diamond, 1.5f, true, W, H), kInk);
    c.Paint(Fill(Circle(m, t * 0.35f, 16), W, H), kEmber);
  }
}

}  // namespace datagen

namespace datagen {

void PaintMetalText(Canvas& c, const Shape& glyphs, float bevel, float outline, Mask* coverage) {
  int W = c.w, H = c.h;
  Mask m = Fill(glyphs, W, H);
  Mask rim = Grown(m, outline);
  std::vector<float> inside = InsideDistance(m);
  float top = 1e9f, bottom = -1e9f;
  for (const Path& p : glyphs)
    for (Vec2 v : p) {
      top = std::min(top, v.y);
      bottom = std::max(bottom, v.y);
    }
  auto height = [&](int x, int y) {
    x = std::clamp(x, 0, W - 1);
    y = std::clamp(y, 0, H - 1);
    return Smooth(0, bevel, inside[size_t(y) * W + x]);
  };
  // Chrome-gold: pale sky above a dark horizon line, warm gold below.
  Ramp metal{{{0.0f, Hex(0xfff6dc)},
              {0.45f, Hex(0xe0a850)},
              {0.52f, Hex(0x5a2c10)},
              {0.56f, Hex(0xa05a1c)},
              {0.8f, Hex(0xf0b848)},
              {1.0f, Hex(0xfff0b0)}}};
  c.Paint(rim, look::kInk);
  c.PaintWith(m, [&](int x, int y) {
    float t = (float(y) + 0.5f - top) / std::max(1.0f, bottom - top);
    float gx = height(x + 1, y) - height(x - 1, y), gy = height(x, y + 1) - height(x, y - 1);
    // Normal of the bevel; light from the upper left.
    float nx = -gx * 1.6f, ny = -gy * 1.6f, nz = 1.0f;
    float len = std::sqrt(nx * nx + ny * ny + nz * nz);
    float lx = -0.5f, ly = -0.6f, lz = 0.62f;
    float diffuse = (nx * lx + ny * ly + nz * lz) / len;
    // The bevel reflects the sky ramp at a shifted position.
    float shift = (gy * 0.5f + gx * 0.2f);
    Col base = metal(Clamp01(t + shift));
    float shine = std::pow(Clamp01(diffuse), 12.0f);
    return base * (0.55f + 0.55f * diffuse) + Hex(0xfffaf0) * (shine * 0.6f);
  });
  if (coverage) *coverage = rim;
}

}  // namespace datagen

#include "tools/datagen/font.h"

namespace datagen {

Mask PaintLogo(Canvas& c, const Font& font, int w, int h) {
  float size = 70;
  float width = font.Width("Vorna!", size, 1);
  size *= std::min(1.0f, float(w - 24) / width);
  float baseline = float(h) * 0.70f;
  Shape glyphs = CentredText(font, "Vorna!", size, float(w) / 2, baseline, 1);
  // The flourish: a tapered swash under the word, a diamond at its centre.
  float cx = float(w) / 2, fy = baseline + 8;
  Path left =
      SmoothOpen({{cx - 6, fy}, {cx - 50, fy + 3}, {cx - 100, fy + 1}, {cx - 122, fy - 4}}, 10);
  Path right =
      SmoothOpen({{cx + 6, fy}, {cx + 50, fy + 3}, {cx + 100, fy + 1}, {cx + 122, fy - 4}}, 10);
  Shape flourish{TaperedStroke(left, 3.2f, 0.6f), TaperedStroke(right, 3.2f, 0.6f),
                 Path{{cx, fy - 6}, {cx + 6, fy}, {cx, fy + 6}, {cx - 6, fy}}};
  Mask cover(c.w, c.h);
  Mask fm;
  PaintMetalText(c, flourish, 1.5f, 1.2f, &fm);
  UnionInto(cover, fm);
  Mask gm;
  PaintMetalText(c, glyphs, 4.0f, 2.0f, &gm);
  UnionInto(cover, gm);
  return cover;
}

}  // namespace datagen

namespace datagen {

Mask PaintMountains(Canvas& c, float x0, float x1, float baseY, float height, uint32_t seed,
                    Col rock, Col lit, Col snow, float snowLine, float spacing) {
  // Single peaks, the tallest (farthest) first, each nearer one in front of
  // those behind it; each lit on its right face, snow-capped above its line.
  Rng rng(seed);
  struct Peak {
    float x, h, slopeL, slopeR, skew, depth;
  };
  std::vector<Peak> peaks;
  for (float x = x0 - spacing * 0.5f; x < x1 + spacing; x += spacing * rng.Range(0.55f, 1.1f))
    peaks.push_back({x, height * rng.Range(0.45f, 1.0f), rng.Range(0.75f, 1.25f),
                     rng.Range(0.75f, 1.25f), rng.Range(-0.3f, 0.3f), 0});
  std::stable_sort(peaks.begin(), peaks.end(),
                   [](const Peak& a, const Peak& b) { return a.h > b.h; });
  for (size_t i = 0; i < peaks.size(); ++i)
    peaks[i].depth = float(i) / float(peaks.size());
  Mask all(c.w, c.h);
  for (size_t i = 0; i < peaks.size(); ++i) {
    const Peak& p = peaks[i];
    uint32_t ps = seed * 31u + uint32_t(i);
    // Outline: rough slopes from the summit to the foot on both sides.
    Path outline;
    float footL = p.x - p.h / p.slopeL, footR = p.x + p.h / p.slopeR;
    for (float x = footL; x <= footR + 0.01f; x += 1.5f) {
      float slope = x < p.x ? p.slopeL : p.slopeR;
      float y = baseY - (p.h - std::fabs(x - p.x) * slope);
      y +=
          (Fbm(x / 7.0f, float(i), ps, 3) - 0.5f) * p.h * 0.12f * Smooth(0, 20, std::fabs(x - p.x));
      outline.push_back({x, std::min(y, baseY)});
    }
    outline.push_back({footR, float(c.h) + 2});
    outline.push_back({footL, float(c.h) + 2});
    Mask m = Fill(outline, c.w, c.h);
    float haze = 0.25f * (1 - p.depth);  // the farthest peaks are the palest
    c.PaintWith(m, [&](int px, int py) {
      float x = float(px) + 0.5f, up = baseY - (float(py) + 0.5f);
      float below = std::max(0.0f, p.h - up);
      float gully = Fbm((x - p.x) / 6.0f + below * 0.3f * (x < p.x ? -1.0f : 1.0f) / 6.0f,
                        up / 30.0f, ps + 3, 4);
      float ridge = p.x + below * p.skew + (gully - 0.5f) * (4 + below * 0.25f);
      float litness = Smooth(-1.5f, 1.5f, x - ridge);
      Col face = Mix(rock, lit, litness) * (0.82f + 0.36f * gully);
      float snowStart = p.h * (1 - snowLine) + (gully - 0.5f) * p.h * 0.4f;
      float cover = Smooth(snowStart - 1.5f, snowStart + 1.5f, up);
      Col snowCol = Mix(Mix(snow, rock, 0.5f), snow, litness);
      Col out = Mix(face, snowCol, cover);
      // Haze: with distance, and towards the foot.
      out = Mix(out, Mix(rock, lit, 0.5f) * 1.1f, haze);
      return Mix(out, rock * 0.8f, Smooth(p.h * 0.45f, -p.h * 0.2f, up) * 0.75f);
    });
    UnionInto(all, m);
  }
  return all;
}

}  // namespace datagen
