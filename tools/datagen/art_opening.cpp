// The opening: four flicker frames, the door on the hill at dusk, the six
// metal letters and the title logo.
#include "tools/datagen/art.h"
#include "tools/datagen/quantize.h"
#include "tools/datagen/scenery.h"

namespace datagen {

using namespace look;

std::vector<Product> MakeTame(const Fonts&) {
  const int W = 640, H = 480;
  Canvas c(W, H);
  const float horizon = 330;
  PaintSky(c, horizon, DuskRamp(), 5, 0.05f);
  // Afterglow low on the left, where the sun went down.
  c.Glow({170, horizon}, 150, kAmber, 0.35f);
  c.Glow({170, horizon}, 60, kGold, 0.25f);
  Rng rng(1234);
  PaintStars(c, rng, 260, 250, 0.9f);
  PaintMoon(c, {520, 80}, 22, 0.55f);

  // Far ranges, paler with distance.
  Mask far = Fill(Ridge(0, W, 318, 60, H, 21, 0.55f, 140), W, H);
  c.PaintWith(far, [&](int, int y) {
    return Mix(Hex(0x6a5a9c), Hex(0x4a4486), Smooth(260, 330, float(y)));
  });
  Mask mid = Fill(Ridge(0, W, 338, 42, H, 22, 0.45f, 110), W, H);
  c.PaintWith(mid, [&](int, int y) {
    return Mix(Hex(0x3c3a78), Hex(0x2a2c60), Smooth(290, 350, float(y)));
  });
  // Mist between the ranges.
  for (int y = 300; y < 372; ++y)
    for (int x = 0; x < W; ++x) {
      float n = Fbm(float(x) / 90.0f, float(y) / 14.0f, 8, 4);
      float k = Smooth(300, 340, float(y)) * (1 - Smooth(345, 372, float(y))) * n * 0.45f;
      c.at(x, y) = Mix(c.at(x, y), Hex(0xb38aa6), k);
    }

  // The hill: a long slope rising to the right, the door on its crown.
  Path hill = SmoothOpen(
      {{-20, 420}, {120, 402}, {260, 378}, {380, 356}, {450, 352}, {540, 362}, {660, 384}}, 10);
  hill.push_back({660, H + 2});
  hill.push_back({-20, H + 2});
  Mask hillMask = Fill(hill, W, H);
  c.PaintWith(hillMask, [&](int x, int y) {
    float n = Fbm(float(x) / 40.0f, float(y) / 20.0f, 41, 4);
    Col base = Mix(Hex(0x151a3a), Hex(0x0b0e24), Smooth(350, 480, float(y)));
    return Mix(base, Hex(0x232a52), n * 0.5f);
  });
  // Rim of dusk light along the crest.
  Mask crest = Stroke(Path(hill.begin(), hill.end() - 2), 2.0f, false, W, H);
  IntersectWith(crest, hillMask);
  c.AddLight(crest, Hex(0x8a6a8a), 0.5f);

  // Grass blades along the crest.
  Mask grass(W, H);
  for (float x = -4; x < W + 4; x += 2.2f) {
    float y = PathYAt(hill, x);
    float tall = Hash01(int(x * 10), 3, 9);
    float hgt = 3 + 10 * tall * tall;
    float lean = (Hash01(int(x * 10), 4, 9) - 0.5f) * 7;
    Vec2 p{x, y + 2};
    UnionInto(grass,
              Fill(TaperedStroke(
                       SmoothOpen({p, p + Vec2{lean * 0.3f, -hgt * 0.6f}, p + Vec2{lean, -hgt}}, 4),
                       1.8f, 0.1f),
                   W, H));
  }
  c.Paint(grass, Hex(0x10142f));

  // A winding path up the hill, faintly lit.
  Path trail = SmoothOpen({{250, 480}, {300, 440}, {350, 410}, {380, 385}, {405, 362}}, 10);
  Mask trailMask = Blurred(Fill(TaperedStroke(trail, 40, 4), W, H), 1);
  c.PaintWith(
      trailMask,
      [&](int x, int y) {
        float n = Fbm(float(x) / 6.0f, float(y) / 6.0f, 52, 3);
        return Mix(Hex(0x26264a), Hex(0x3c3456), n);
      },
      0.7f);

  // The door on the crown of the hill, its light spilling over the grass.
  Vec2 base{420, 356};
  Path spill{{base.x + 14, base.y},
             {base.x + 150, base.y + 60},
             {base.x + 40, base.y + 70},
             {base.x - 10, base.y + 4}};
  c.AddLight(Blurred(Fill(spill, W, H), 10), kAmber, 0.35f);
  c.Glow({base.x + 10, base.y - 50}, 70, kAmber, 0.18f);
  PaintDoor(c, base, 56, 104, 1.0f);

  // A few sparks drifting from the door.
  for (int i = 0; i < 14; ++i) {
    Vec2 p{base.x + 30 + rng.Range(-10, 120), base.y - rng.Range(10, 140)};
    c.Glow(p, rng.Range(0.7f, 1.4f), kGold, rng.Range(0.4f, 1.0f));
  }
  return {MagProduct("door on the hill", c)};
}

}  // namespace datagen

namespace datagen {

using namespace look;

namespace {

// Light burst: rays around a white-gold core.
Canvas Burst() {
  const int W = 640, H = 480;
  Canvas c(W, H);
  Vec2 o{320, 240};
  c.Shade([&](int x, int y, Col) {
    Vec2 d{float(x) + 0.5f - o.x, float(y) + 0.5f - o.y};
    float r = Length(d), a = std::atan2(d.y, d.x);
    float rays = std::pow(0.5f + 0.5f * std::cos(a * 18 + 2.0f * std::sin(a * 5)), 6.0f);
    float thin = std::pow(0.5f + 0.5f * std::cos(a * 46 + 1.3f), 24.0f);
    float fall = std::exp(-r / 260.0f);
    Col base = Mix(kNight1, kNight0, Smooth(0, 420, r));
    Col light = Mix(kAmber, kGold, fall);
    return base + light * ((rays * 0.9f + thin * 0.5f) * fall * 1.3f) +
           kEmber * (0.25f * std::exp(-r / 120.0f));
  });
  for (float ring : {70.0f, 130.0f, 205.0f}) {
    Mask m = Stroke(Circle(o, ring, 160), 2.0f, true, W, H);
    c.AddLight(Blurred(m, 3), kAmber, 0.9f);
    c.AddLight(m, kCream, 0.35f);
  }
  c.Glow(o, 60, kGold, 0.9f);
  c.Glow(o, 22, kCream, 1.2f);
  Rng rng(404);
  for (int i = 0; i < 40; ++i) {
    float a = rng.Range(0, 2 * kPi), r = rng.Range(40, 330);
    Sparkle(c, {o.x + r * std::cos(a), o.y + r * std::sin(a)}, rng.Range(3, 10), kGold,
            rng.Range(0.4f, 1.0f));
  }
  return c;
}

// The door's outline: nested glowing arches, runes along the largest.
Canvas DoorOutline() {
  const int W = 640, H = 480;
  Canvas c(W, H);
  c.Shade([&](int x, int y, Col) {
    float r = Length(Vec2{float(x) - 320, (float(y) - 300) * 1.2f});
    return Mix(Hex(0x161c4a), kNight0, Smooth(0, 380, r));
  });
  Vec2 base{320, 440};
  for (int i = 0; i < 5; ++i) {
    float k = float(i);
    Path arch = DoorArch(base, 150 + k * 56, 300 + k * 38);
    Mask line = Stroke(Path(arch.begin(), arch.end()), i == 0 ? 4.0f : 2.0f, false, W, H);
    float strength = 1.0f - k * 0.18f;
    c.AddLight(Blurred(line, 6), kAmber, 1.4f * strength);
    c.AddLight(line, i == 0 ? kCream : kGold, strength);
  }
  // Light pouring out of the innermost arch.
  Mask inner = Fill(DoorArch(base, 146, 296), W, H);
  c.PaintWith(inner,
              [&](int, int y) { return Mix(kCream, kAmber, Smooth(140, 440, float(y))) * 0.85f; });
  c.AddLight(Blurred(inner, 18), kAmber, 0.7f);
  // Ground line and the door's shadow bands.
  Mask ground = Stroke(Path{{0, 440}, {640, 440}}, 2.0f, false, W, H);
  c.AddLight(Blurred(ground, 4), kAmber, 1.2f);
  c.AddLight(ground, kGold, 0.8f);
  for (int i = 0; i < 9; ++i) {
    float x0 = 320 - 73 + float(i) * 18.25f;
    Path beam{{x0, 442},
              {x0 + 14, 442},
              {320 + (x0 + 14 - 320) * 3.2f, 480},
              {320 + (x0 - 320) * 3.2f, 480}};
    c.AddLight(Fill(beam, W, H), kAmber, 0.25f);
  }
  Mask runes(W, H);
  for (int i = 0; i < 14; ++i) {
    float a = kPi + kPi * (float(i) + 0.5f) / 14.0f;
    Vec2 at{320 + 130 * std::cos(a), 440 - 300 + 75 + 130 * std::sin(a)};
    for (const Path& s : Rune(i + 3, at, 16))
      UnionInto(runes, Stroke(s, 2.0f, false, W, H));
  }
  c.AddLight(Blurred(runes, 3), kAmber, 1.0f);
  c.AddLight(runes, kCream, 0.9f);
  return c;
}

// A rune circle: rings, a seven-pointed star, runes and glyph marks.
Canvas RuneCircle() {
  const int W = 640, H = 480;
  Canvas c(W, H);
  Vec2 o{320, 240};
  c.Shade([&](int x, int y, Col) {
    float r = Length(Vec2{float(x) + 0.5f - o.x, float(y) + 0.5f - o.y});
    return Mix(Hex(0x1a1450), kNight0, Smooth(60, 360, r));
  });
  Mask lines(W, H);
  for (float r : {224.0f, 214.0f, 170.0f, 160.0f, 96.0f, 40.0f})
    UnionInto(lines, Stroke(Circle(o, r, 200), r == 224 || r == 96 ? 3.0f : 1.6f, true, W, H));
  Path star;
  for (int i = 0; i < 7; ++i) {
    float a = -kPi / 2 + 2 * kPi * float(i * 3 % 7) / 7;
    star.push_back({o.x + 160 * std::cos(a), o.y + 160 * std::sin(a)});
  }
  UnionInto(lines, Stroke(star, 2.2f, true, W, H));
  for (int i = 0; i < 7; ++i) {
    float a = -kPi / 2 + 2 * kPi * float(i) / 7;
    Vec2 p{o.x + 192 * std::cos(a), o.y + 192 * std::sin(a)};
    UnionInto(lines, Stroke(Circle(p, 13, 40), 1.6f, true, W, H));
    for (const Path& s : Rune(40 + i, p, 16))
      UnionInto(lines, Stroke(s, 1.8f, false, W, H));
  }
  for (int i = 0; i < 72; ++i) {
    float a = 2 * kPi * float(i) / 72;
    float r0 = i % 6 == 0 ? 224 : 228;
    Vec2 u{std::cos(a), std::sin(a)};
    UnionInto(lines, Stroke(Path{o + u * r0, o + u * 238}, 1.4f, false, W, H));
  }
  c.AddLight(Blurred(lines, 5), kAmber, 1.3f);
  c.AddLight(Blurred(lines, 1), kGold, 0.6f);
  c.AddLight(lines, kCream, 0.75f);
  PaintRuneRing(c, o, 128, 18, 16, kGold, 1.8f, 100);
  c.Glow(o, 30, kAmber, 0.8f);
  c.Glow(o, 10, kCream, 1.0f);
  Rng rng(77);
  PaintStars(c, rng, 120, 480, 0.5f);
  return c;
}

// Stars: a band of the sky's river and a constellation drawn in gold.
Canvas Constellation() {
  const int W = 640, H = 480;
  Canvas c(W, H);
  c.Shade([&](int x, int y, Col) {
    // A diagonal band of faint light.
    float d = (float(x) * 0.6f - float(y) + 60) / 110.0f;
    float n = Fbm(float(x) / 70.0f, float(y) / 70.0f, 12, 5);
    float band = std::exp(-d * d) * (0.4f + 0.8f * n);
    return Mix(kNight0, Hex(0x1c2260), 0.4f + 0.3f * n) + Hex(0x4a3c7a) * (band * 0.6f);
  });
  Rng rng(2024);
  for (int i = 0; i < 900; ++i) {
    float x = rng.Range(0, W), y = rng.Range(0, H);
    float d = (x * 0.6f - y + 60) / 110.0f;
    if (rng.Uniform() > 0.35f + std::exp(-d * d)) continue;
    c.Glow({x, y}, rng.Range(0.5f, 0.9f), kStar, rng.Range(0.3f, 1.0f));
  }
  // The constellation: the door's key.
  Path key{{150, 130}, {215, 105}, {270, 150}, {230, 200}, {300, 250},
           {380, 275}, {455, 300}, {500, 360}, {470, 392}, {455, 300}};
  Mask lines(W, H);
  for (size_t i = 0; i + 1 < key.size(); ++i)
    UnionInto(lines, Stroke(Path{key[i], key[i + 1]}, 1.6f, false, W, H));
  UnionInto(lines, Stroke(Path{key[3], key[0]}, 1.6f, false, W, H));
  c.AddLight(Blurred(lines, 3), kAmber, 0.7f);
  c.AddLight(lines, kGold, 0.7f);
  for (size_t i = 0; i < key.size(); ++i) {
    c.Glow(key[i], 6, kAmber, 0.5f);
    Sparkle(c, key[i], 12, kCream, 1.0f);
  }
  Sparkle(c, {560, 90}, 20, Hex(0xc8d8ff), 1.0f);
  Sparkle(c, {90, 380}, 16, kGold, 0.9f);
  return c;
}

}  // namespace

std::vector<Product> MakeFlickerFrames(const Fonts&) {
  return {MagProduct("burst", Burst()), MagProduct("door outline", DoorOutline()),
          MagProduct("rune circle", RuneCircle()), MagProduct("constellation", Constellation())};
}

}  // namespace datagen

namespace datagen {

using namespace look;

std::vector<Product> MakeLetters(const Fonts& fonts) {
  const int S = 128;
  const char* letters[] = {"V", "o", "r", "n", "a", "!"};
  std::vector<Product> out;
  for (int i = 0; i < 6; ++i) {
    Canvas c(S, S);
    const float size = 124, baseline = 104;
    Shape glyph = CentredText(*fonts.serifBold, letters[i], size, S / 2.0f, baseline);
    // A soft amber halo, fading to pure black well inside the edges.
    Mask m = Fill(glyph, S, S);
    Mask halo = Blurred(Grown(m, 3), 7);
    for (int y = 0; y < S; ++y)
      for (int x = 0; x < S; ++x) {
        float edge = std::min(std::min(x, S - 1 - x), std::min(y, S - 1 - y));
        halo.at(x, y) *= Smooth(2, 14, edge);
      }
    c.AddLight(halo, kEmber, 0.55f);
    PaintMetalText(c, glyph, 5.0f, 2.0f, nullptr);
    // A glint on the upper left of each letter.
    float gx = 1e9f, gy = 1e9f;
    for (const Path& p : glyph)
      for (Vec2 v : p)
        if (v.x + v.y < gx + gy) {
          gx = v.x;
          gy = v.y;
        }
    Sparkle(c, {gx + 4, gy + 4}, 11, kCream, 0.9f);
    out.push_back(MagProduct(std::string("letter ") + letters[i], c));
  }
  return out;
}

}  // namespace datagen

namespace datagen {

std::vector<Product> MakeTitle(const Fonts& fonts) {
  Canvas c(272, 84);
  Mask cover = PaintLogo(c, *fonts.serifBold, 272, 84);
  Mask halo = Blurred(Grown(cover, 2), 6);
  for (int y = 0; y < c.h; ++y)
    for (int x = 0; x < c.w; ++x) {
      float edge = std::min(std::min(x, c.w - 1 - x), std::min(y, c.h - 1 - y));
      halo.at(x, y) *= Smooth(1, 8, edge) * (1 - cover.at(x, y));
    }
  c.AddLight(halo, look::kEmber, 0.45f);
  Sparkle(c, {60, 16}, 12, look::kCream, 1.0f);
  return {MagProduct("title logo", c)};
}

}  // namespace datagen
