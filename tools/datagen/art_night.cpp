// The night group: the sea horizon behind the swaying title, the mountain sky
// of the comet scene, the title lettering and the three rising shapes. They
// share one palette, because the patterns are drawn into both pictures and
// shown in their colours.
#include "tools/datagen/art.h"
#include "tools/datagen/quantize.h"
#include "tools/datagen/scenery.h"

namespace datagen {

using namespace look;

namespace {

constexpr int kW = 640;

// The sea under the stars, 640 × 448, made for the title's sway: every row
// slides sideways by up to 8 pixels, by a different amount from its
// neighbours, so nothing here has a tall sharp edge or a thin upright line.
// The sky is a vertical gradient with long level streaks of cloud; the stars
// are single-row glints that twinkle as they slide; the moon stands above the
// picture and shows as its glow and as its broken reflection on the sea, where
// sliding slivers read as moving water. Its left and right edges match, since
// the sway carries a few pixels of one edge over to the other.
Canvas SeaHorizon() {
  const int H = 448;
  const float horizon = 304;
  Canvas c(kW, H);
  auto wrap = [](int x) { return ((x % kW) + kW) % kW; };
  // A light spread along one row only: a glint that keeps its shape when rows slide.
  auto glint = [&](float cx, int y, float half, Col col, float strength) {
    if (y < 0 || y >= H) return;
    int reach = int(std::ceil(half * 3));
    for (int dx = -reach; dx <= reach; ++dx) {
      float u = (float(dx) + 0.5f - (cx - std::floor(cx))) / half;
      int x = wrap(int(std::floor(cx)) + dx);
      c.at(x, y) = c.at(x, y) + col * (strength * std::exp(-u * u));
    }
  };
  // Noise that repeats across the width: two copies a width apart, crossfaded.
  auto loopNoise = [](float x, float y, float scale, uint32_t seed, int octaves) {
    float w = x / float(kW);
    return Fbm(x / scale, y, seed, octaves) * (1 - w) +
           Fbm((x - float(kW)) / scale, y, seed, octaves) * w;
  };
  const Vec2 moon{470, -70};  // above the picture
  // Offset from the moon with x measured round the loop of the width, so
  // that its light matches at both edges.
  auto fromMoon = [&](int x, int y) {
    float dx = std::fabs(float(x) + 0.5f - moon.x);
    return Vec2{std::min(dx, float(kW) - dx), float(y) + 0.5f - moon.y};
  };
  // The sky: night blue, lighter towards the horizon and under the moon.
  for (int y = 0; y < int(horizon); ++y) {
    float t = (float(y) + 0.5f) / horizon;
    for (int x = 0; x < kW; ++x)
      c.at(x, y) = NightRamp()(t * 0.92f);
  }
  c.Shade([&](int x, int y, Col k) {
    float d2 = Dot(fromMoon(x, y), fromMoon(x, y));
    return k + Hex(0x3c4c9a) * (0.6f * std::exp(-d2 / (2 * 230 * 230))) +
           Hex(0xb0a8d8) * (0.5f * std::exp(-d2 / (2 * 120 * 120))) +
           Hex(0xfff0d0) * (0.6f * std::exp(-d2 / (2 * 70 * 70)));
  });
  for (int y = 0; y < int(horizon); ++y) {
    float haze = std::exp(-(horizon - float(y)) / 26.0f);
    for (int x = 0; x < kW; ++x)
      c.at(x, y) = c.at(x, y) + Mix(Hex(0x5a4a96), Hex(0x7a5a9a), 0.5f) * (haze * 0.45f);
  }
  // Level streaks of cloud, lit from above by the moon, rose-tinted low down.
  for (int y = 30; y < int(horizon) - 6; ++y)
    for (int x = 0; x < kW; ++x) {
      float n = loopNoise(float(x), float(y) / 7.0f, 150.0f, 63, 4);
      float band = Smooth(0.5f, 0.7f, n) * Smooth(30, 90, float(y)) *
                   (1 - Smooth(horizon - 40, horizon - 6, float(y)));
      if (band <= 0) continue;
      Vec2 d = fromMoon(x, y);
      float lit = std::exp(-Length(Vec2{d.x, d.y * 1.6f}) / 260.0f);
      Col cloud = Mix(Hex(0x2a2e6a), Hex(0x9c98d0), lit);
      cloud = Mix(cloud, Hex(0x8a5a8a), Smooth(160, horizon, float(y)) * 0.6f);
      c.at(x, y) = Mix(c.at(x, y), cloud, band * 0.7f);
    }
  // Stars: glints of one row, fewer and dimmer towards the haze.
  Rng rng(61);
  const Col tints[3] = {kStar, Hex(0xffe2a8), Hex(0xc8d8ff)};
  for (int i = 0; i < 460; ++i) {
    float x = rng.Range(0, float(kW));
    int y = int((horizon - 24) * std::pow(rng.Uniform(), 1.3f));
    float b = rng.Range(0.45f, 1.3f) * std::sqrt(1 - float(y) / horizon);
    Col tint = tints[rng.Int(0, 2)];
    float kind = rng.Uniform();
    if (kind < 0.06f) {  // a bright one with level rays
      glint(x, y, 1.0f, tint, b * 2.0f);
      glint(x, y, 6.0f, tint, b * 0.3f);
    } else {
      glint(x, y, kind < 0.2f ? 0.8f : 0.55f, tint, b * (kind < 0.2f ? 1.1f : 0.8f));
    }
  }
  // The far shore of the other land: a low dark strip with harbour lights,
  // and a lighthouse's light flaring level along the horizon.
  for (int x = 30; x <= 262; ++x) {
    float u = float(x - 30) / 232.0f;
    float top = horizon - 1 - 4.5f * std::sqrt(std::max(0.0f, std::sin(u * kPi))) -
                1.5f * Fbm(float(x) / 14.0f, 2, 7, 2);
    for (int y = int(top); y < int(horizon); ++y)
      c.at(x, y) = Mix(c.at(x, y), Hex(0x141638), Clamp01(float(y) + 1 - top));
  }
  for (int i = 0; i < 14; ++i) {
    float x = 60 + float(i) * 13 + rng.Range(-4, 4);
    glint(x, int(horizon) - 2 - (i % 3 == 0), 0.7f, Mix(kAmber, kGold, rng.Uniform()),
          rng.Range(0.5f, 1.0f));
  }
  const float beacon = 150;
  glint(beacon, int(horizon) - 6, 1.8f, kCream, 2.6f);
  glint(beacon, int(horizon) - 6, 60.0f, kAmber, 0.3f);
  glint(beacon, int(horizon) - 6, 14.0f, kGold, 0.45f);
  glint(beacon, int(horizon) - 7, 2.6f, kGold, 0.9f);
  glint(beacon, int(horizon) - 5, 2.6f, kGold, 0.9f);
  glint(beacon, int(horizon) - 8, 1.6f, kAmber, 0.5f);
  glint(beacon, int(horizon) - 4, 1.6f, kAmber, 0.5f);
  // The sea: long level swells, brighter towards the horizon.
  for (int y = int(horizon); y < H; ++y) {
    float depth = (float(y) - horizon) / (float(H) - horizon);
    for (int x = 0; x < kW; ++x) {
      float n = loopNoise(float(x), float(y) / (2.5f + depth * 9), 70.0f - depth * 30, 91, 4);
      Col water = Mix(Hex(0x2a3472), Hex(0x0a0f2c), Smooth(0, 0.6f, depth));
      water = Mix(water, Hex(0x3c4c92), Clamp01((n - 0.48f) * 1.6f) * (1 - depth * 0.5f));
      c.at(x, y) = water;
    }
  }
  // The moon's path: glints in a column under it, widening towards us, and
  // its broken image low on the water: level slivers that slide as the rows sway.
  for (int y = int(horizon) + 1; y < H; ++y) {
    float depth = (float(y) - horizon) / (float(H) - horizon);
    int count = 2 + int(depth * 7);
    for (int k = 0; k < count; ++k) {
      float spread = 10 + depth * 70;
      float x = moon.x + spread * (rng.Uniform() + rng.Uniform() + rng.Uniform() - 1.5f) * 1.2f;
      float b = rng.Range(0.25f, 0.9f) * (0.5f + 0.5f * depth);
      glint(x, y, rng.Range(1.5f, 3.5f + depth * 8), Mix(kGold, kCream, 0.5f), b);
    }
  }
  const Vec2 image{moon.x, 396};
  for (int y = int(image.y) - 22; y <= int(image.y) + 22; ++y) {
    float v = (float(y) - image.y) / 22.0f;
    float half = 40 * std::sqrt(std::max(0.0f, 1 - v * v));
    if (half < 2) continue;
    // Every other row or so is a sliver, each shifted a little, as by a wave.
    float wave = std::sin(float(y) * 1.7f) + 0.6f * std::sin(float(y) * 0.63f + 1);
    if (wave < -0.35f) continue;
    float shift = 6 * std::sin(float(y) * 0.9f);
    float strength = 0.55f + 0.35f * Clamp01(wave);
    for (int dx = -int(half) - 3; dx <= int(half) + 3; ++dx) {
      float edge = Smooth(half + 3, half - 3, std::fabs(float(dx)));
      int x = wrap(int(image.x + shift) + dx);
      c.at(x, y) =
          Mix(c.at(x, y), Mix(kCream, kGold, 0.25f + 0.3f * std::fabs(v)), edge * strength);
    }
  }
  // The lighthouse's light on the water: short amber glints under it.
  for (int y = int(horizon) + 1; y < int(horizon) + 70; ++y) {
    float depth = (float(y) - horizon) / 70.0f;
    if (rng.Chance(0.45f))
      glint(beacon + rng.Range(-3, 3) * (1 + depth * 3), y, rng.Range(1.2f, 3.0f), kAmber,
            0.6f * (1 - depth));
  }
  // The horizon itself: one level line of light.
  for (int x = 0; x < kW; ++x) {
    int y = int(horizon);
    c.at(x, y) = Mix(c.at(x, y), Hex(0x8a90c8), 0.45f);
  }
  return c;
}

// The night sky over snowy mountains, 640 × 480; a village glows at their foot.
Canvas MountainSky() {
  const int H = 480;
  Canvas c(kW, H);
  PaintSky(c, 380, NightRamp(), 71, 0.06f);
  // A faint aurora in violet and teal across the upper sky.
  for (int y = 0; y < 260; ++y)
    for (int x = 0; x < kW; ++x) {
      float fx = float(x);
      float centre = 90 + 40 * std::sin(fx / 110.0f) + 20 * std::sin(fx / 47.0f + 1);
      float d = (float(y) - centre) / 38.0f;
      float curtain = Fbm(fx / 14.0f, 0.3f, 5, 3);
      float k = std::exp(-d * d) * (0.3f + 0.7f * curtain) * 0.28f;
      c.at(x, y) = c.at(x, y) + Mix(Hex(0x2a8a8a), Hex(0x7a4aa8), Smooth(-1, 1, d)) * k;
    }
  Rng rng(71);
  PaintStars(c, rng, 380, 360, 1.0f);
  // Two ranges, far and pale, then near with snow lit by the moon; a dark foreground.
  PaintMountains(c, 0, kW, 372, 110, 3, Hex(0x1e2656), Hex(0x2a3468), Hex(0x5e6ca8), 0.35f, 90);
  for (int y = 250; y < 400; ++y)
    for (int x = 0; x < kW; ++x) {
      float k = Smooth(300, 380, float(y)) * (1 - Smooth(380, 400, float(y))) *
                Fbm(float(x) / 60.0f, float(y) / 10.0f, 6, 3);
      c.at(x, y) = Mix(c.at(x, y), Hex(0x4a5290), k * 0.5f);
    }
  PaintMountains(c, 0, kW, 430, 130, 8, Hex(0x151b42), Hex(0x28336a), Hex(0xd8e0ff), 0.3f, 140);
  c.PaintWith(Fill(Ridge(0, kW, 466, 22, H, 15, 0.3f, 90), kW, H), [&](int x, int y) {
    return Mix(Hex(0x0e1230), Hex(0x080a1e),
               Smooth(440, 480, float(y)) * (0.6f + 0.4f * Fbm(float(x) / 20.0f, 1, 16, 2)));
  });
  // The village: warm windows at the foot of the mountains.
  for (int i = 0; i < 16; ++i) {
    float x = rng.Range(380, 560), y = 448 + rng.Range(-6, 14);
    c.Paint(Fill(Path{{x - 7, y - 6}, {x, y - 13}, {x + 7, y - 6}, {x + 7, y + 6}, {x - 7, y + 6}},
                 kW, H),
            Hex(0x0a0c22));
    c.Paint(Fill(Box(x - 2, y - 2, x + 1, y + 2), kW, H), kGold);
    c.Glow({x, y}, 8, kAmber, 0.15f);
  }
  return c;
}

// Pattern rows [0, 256) of a shape that rests at `restY`: the light is baked
// over the background where the shape comes to rest, and its outer glow is
// scattered into transparency.
struct ShapeLayer {
  Canvas colour;
  Mask alpha;
};

ShapeLayer NewLayer(const Canvas& background, int restY) {
  ShapeLayer l{Canvas(kW, 256), Mask(kW, 256)};
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < kW; ++x)
      l.colour.at(x, y) = background.at(x, std::min(restY + y, background.h - 1));
  return l;
}

// Adds light (colour × coverage) and makes it visible where it is strong enough.
void AddShapeLight(ShapeLayer& l, const Mask& m, Col c, float strength, float reach = 3.0f) {
  l.colour.AddLight(m, c, strength);
  for (size_t i = 0; i < m.a.size(); ++i)
    l.alpha.a[i] = std::max(l.alpha.a[i], Clamp01(m.a[i] * strength * reach));
}

ShapeLayer Comet(const Canvas& sky) {
  ShapeLayer l = NewLayer(sky, 32);
  const int H = 256;
  Vec2 head{196, 44};
  // The tail: curving down and a little to the left, widening and fading.
  Path spine = SmoothOpen({head, {190, 80}, {178, 120}, {160, 158}}, 16);
  Mask tail(kW, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < kW; ++x) {
      float t = Clamp01((float(y) - head.y) / 125.0f);
      if (float(y) < head.y - 10 || t >= 1) continue;
      // Centre of the tail at this row.
      float centre = head.x;
      for (size_t i = 0; i + 1 < spine.size(); ++i)
        if (float(y) >= spine[i].y && float(y) <= spine[i + 1].y) {
          float f = (float(y) - spine[i].y) / std::max(0.01f, spine[i + 1].y - spine[i].y);
          centre = spine[i].x + (spine[i + 1].x - spine[i].x) * f;
        }
      float width = 7 + t * 34;
      float d = (float(x) - centre) / width;
      float streak = 0.75f + 0.25f * Fbm(float(x) / 2.0f, float(y) / 30.0f, 33, 3);
      tail.at(x, y) = std::exp(-d * d * 2) * std::pow(1 - t, 1.3f) * streak *
                      Smooth(head.y - 10, head.y + 4, float(y));
    }
  // Gold near the head, rose and violet towards the end.
  l.colour.PaintWith(tail, [&](int, int y) {
    float t = Clamp01((float(y) - head.y) / 125.0f);
    return Mix(Mix(kGold, kAmber, Smooth(0, 0.4f, t)), kRose, Smooth(0.4f, 1, t));
  });
  for (size_t i = 0; i < tail.a.size(); ++i)
    l.alpha.a[i] = std::max(l.alpha.a[i], Clamp01(tail.a[i] * 3.5f));
  Mask core(kW, H);
  core.at(int(head.x), int(head.y)) = 1;
  Mask glow = Blurred(Fill(Circle(head, 7), kW, H), 8);
  AddShapeLight(l, glow, kAmber, 1.2f);
  Mask disk = Fill(Circle(head, 6.5f), kW, H);
  l.colour.Paint(disk, kCream);
  UnionInto(l.alpha, disk);
  Sparkle(l.colour, head, 22, kCream, 1.0f);
  Mask arms = Stroke(Path{{head.x - 22, head.y}, {head.x + 22, head.y}}, 1.5f, false, kW, H);
  UnionInto(arms, Stroke(Path{{head.x, head.y - 22}, {head.x, head.y + 22}}, 1.5f, false, kW, H));
  UnionInto(l.alpha, arms);
  Rng rng(5);
  for (int i = 0; i < 26; ++i) {
    float t = rng.Uniform();
    Vec2 p{head.x - t * 40 + rng.Range(-18, 18) * t, head.y + 12 + t * 110};
    Mask dot = Fill(Circle(p, rng.Range(0.8f, 1.6f), 12), kW, H);
    l.colour.Paint(dot, kGold);
    UnionInto(l.alpha, dot);
  }
  return l;
}

ShapeLayer ShootingStar(const Canvas& sky) {
  ShapeLayer l = NewLayer(sky, 80);
  Vec2 head{476, 26};
  Path streak = TaperedStroke({head, {482, 60}, {492, 100}}, 5.0f, 0.5f);
  Mask m = Fill(streak, kW, 256);
  AddShapeLight(l, Blurred(m, 3), Hex(0x9ab8ff), 1.0f);
  l.colour.Paint(m, Hex(0xe8f0ff));
  UnionInto(l.alpha, m);
  Mask glow = Blurred(Fill(Circle(head, 4), kW, 256), 5);
  AddShapeLight(l, glow, Hex(0xc8d8ff), 1.3f);
  Sparkle(l.colour, head, 14, kStar, 1.0f);
  Mask arms = Stroke(Path{{head.x - 13, head.y}, {head.x + 13, head.y}}, 1.2f, false, kW, 256);
  UnionInto(arms, Stroke(Path{{head.x, head.y - 13}, {head.x, head.y + 13}}, 1.2f, false, kW, 256));
  UnionInto(l.alpha, arms);
  return l;
}

ShapeLayer LightBird(const Canvas& sky) {
  ShapeLayer l = NewLayer(sky, 128);
  // A dove of light seen from the side, flying up to the right, wings raised.
  // Drawn in its own frame (about 130 × 95) and scaled into the 70 rows above the title.
  Affine place = Affine::Translate(326, 50) * Affine::Rotate(-0.25f) * Affine::Scale(0.72f, 0.72f);
  auto shape = [&](const Path& k) { return Transformed(SmoothClosed(k, 8), place); };
  Path body = Transformed(Ellipse({0, 0}, 24, 9, 48), place * Affine::Rotate(-0.15f));
  Path head = Transformed(Circle({25, -9}, 7.5f, 32), place);
  Path beak = Transformed(Path{{31, -12}, {40, -9}, {31, -6}}, place);
  Path tail = shape({{-8, 0},
                     {-44, 4},
                     {-66, 0},
                     {-58, 8},
                     {-68, 14},
                     {-54, 16},
                     {-60, 24},
                     {-40, 16},
                     {-16, 8}});
  // A raised wing: the leading edge up to the tip, then five feather tips with
  // notches between them back down to the body.
  auto wing = [&](float lift) {
    Path k{{8, -4},
           {10, -22 - lift * 0.3f},
           {6, -42 - lift * 0.7f},
           {-4, -58 - lift},
           {-12, -67 - lift}};
    const Vec2 tips[5] = {{-22, -58}, {-28, -46}, {-30, -34}, {-27, -22}, {-19, -10}};
    const Vec2 notches[4] = {{-17, -52}, {-22, -41}, {-23, -29}, {-19, -18}};
    for (int f = 0; f < 5; ++f) {
      k.push_back(tips[f] + Vec2{0, -lift * (1 - float(f) / 5)});
      if (f < 4) k.push_back(notches[f] + Vec2{0, -lift * (1 - float(f) / 5)});
    }
    k.push_back({-6, -2});
    return Transformed(k, place);
  };
  Mask back = Fill(Transformed(wing(-8), Affine::Translate(9, 2)), kW, 256);
  Mask front = Fill(Shape{wing(0), body, head, beak, tail}, kW, 256);
  Mask all = back;
  UnionInto(all, front);
  AddShapeLight(l, Blurred(Grown(all, 1), 5), kAmber, 0.8f, 1.4f);
  l.colour.Paint(back, Mix(kGold, kAmber, 0.6f));
  Vec2 centre = place({0, -10});
  l.colour.PaintWith(front, [&](int x, int y) {
    float t = Clamp01(Length(Vec2{float(x), float(y)} - centre) / 70.0f);
    return Mix(kCream, kGold, t);
  });
  UnionInto(l.alpha, all);
  // Feather lines on the front wing and the tail.
  Mask lines(kW, 256);
  for (int f = 0; f < 4; ++f) {
    float u = (float(f) + 0.5f) / 4.0f;
    UnionInto(lines, Stroke(Transformed(Path{{0, -8}, {-20 - u * 4, -50 + u * 36}}, place), 1.0f,
                            false, kW, 256));
    UnionInto(lines, Stroke(Transformed(Path{{-18, 6}, {-60 + u * 4, 2 + u * 18}}, place), 1.0f,
                            false, kW, 256));
  }
  IntersectWith(lines, front);
  l.colour.Paint(lines, kAmber, 0.7f);
  l.colour.Paint(Fill(Circle(place({27, -10}), 1.1f, 12), kW, 256), Hex(0x8a4a20));
  return l;
}

// The pattern of a layer: rows of the whole 640-wide band, `rows` high.
image::DarPattern LayerPattern(const ShapeLayer& l, const Palette& palette, int rows) {
  return QuantizePattern(l.colour, l.alpha, palette, 0, 0, kW, rows, Dither::kDiffusion, true);
}

std::array<uint8_t, 1024> ColourTable(const Palette& p) {
  std::array<uint8_t, 1024> t{};
  for (size_t i = 0; i < p.size() && i < 256; ++i) {
    t[i * 4] = p[i].b;
    t[i * 4 + 1] = p[i].g;
    t[i * 4 + 2] = p[i].r;
  }
  return t;
}

}  // namespace

std::vector<Product> MakeNightGroup(const Fonts& fonts) {
  Canvas sea = SeaHorizon();
  Canvas sky = MountainSky();
  // The title lettering, as in title.mag, on its own transparent layer.
  Canvas logo(272, 84);
  Mask logoMask = PaintLogo(logo, *fonts.serifBold, 272, 84);
  ShapeLayer shapes[3] = {Comet(sky), ShootingStar(sky), LightBird(sky)};

  Palette palette = BuildPalette({{&sea, nullptr, 1.0f},
                                  {&sky, nullptr, 1.0f},
                                  {&logo, &logoMask, 8.0f},
                                  {&shapes[0].colour, &shapes[0].alpha, 6.0f},
                                  {&shapes[1].colour, &shapes[1].alpha, 6.0f},
                                  {&shapes[2].colour, &shapes[2].alpha, 6.0f}},
                                 256);
  std::vector<Product> out;
  Product back;
  back.art = "sea horizon";
  back.picture = Quantize(sea, palette, 256, Dither::kDiffusion);
  out.push_back(back);
  back.art = "mountain sky";
  back.picture = Quantize(sky, palette, 256, Dither::kDiffusion);
  out.push_back(back);

  Product title;
  title.art = "title lettering";
  title.kind = Product::Kind::kDar;
  title.archive.colorTable = ColourTable(palette);
  title.archive.patterns.push_back(
      QuantizePattern(logo, logoMask, palette, 0, 0, 272, 84, Dither::kDiffusion));
  out.push_back(title);

  Product comet;
  comet.art = "comet shapes";
  comet.kind = Product::Kind::kDar;
  comet.archive.colorTable = ColourTable(palette);
  // Heights: each shape ends above the title band (rows 198 … 281) at rest.
  const int rows[3] = {166, 118, 70};
  for (int i = 0; i < 3; ++i)
    comet.archive.patterns.push_back(LayerPattern(shapes[i], palette, rows[i]));
  out.push_back(comet);
  return out;
}

}  // namespace datagen
