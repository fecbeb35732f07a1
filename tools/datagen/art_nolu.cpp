// Nolu's card, the pattern that fades in from white and slides to the left:
// Nolu with her lantern in an arched window onto the hill of the door at
// dusk, a gold moulding and her name plate, like the other people's
// portraits. Outside the card the canvas keeps one colour, entry 255 of the
// archive's table.
#include "tools/datagen/art.h"
#include "tools/datagen/figures.h"
#include "tools/datagen/font.h"
#include "tools/datagen/quantize.h"
#include "tools/datagen/scenery.h"

namespace datagen {

using namespace look;

namespace {

// The colour the canvas fades to around the card: index 255 of the table.
constexpr Col kBackground = Hex(0x141a42);
// Background pixels added to the right of every row: the slide moves 8
// pixels a step without clearing, so each row wipes its own previous place.
constexpr int kTrail = 8;
// The card in the pattern's own coordinates: an arch `kHalf` × 2 wide whose
// foot is at `kFoot`, its top at `kTop`, the plate over its foot.
constexpr float kCardX = 160, kHalf = 150, kTop = 20, kFoot = 426;

// The hill of the door at dusk, Nolu standing on the path in front.
Canvas HillAtDusk(int w, int h) {
  Canvas c(w, h);
  const float horizon = 300;
  PaintSky(c, horizon, DuskRamp(), 23, 0.05f);
  c.Glow({60, horizon}, 120, kAmber, 0.3f);
  Rng rng(23);
  PaintStars(c, rng, 90, 200, 0.9f);
  PaintMoon(c, {236, 70}, 15, 0.55f);
  c.PaintWith(Fill(Ridge(0, float(w), 292, 40, float(h), 24, 0.5f, 90), w, h), [&](int, int y) {
    return Mix(Hex(0x5a4a8c), Hex(0x3a3676), Smooth(250, 300, float(y)));
  });
  // The hill rising to the right, the door standing small on its crown.
  Path hill = SmoothOpen({{-10, 360}, {80, 338}, {170, 316}, {240, 304}, {330, 310}}, 10);
  hill.push_back({330, float(h) + 2});
  hill.push_back({-10, float(h) + 2});
  c.PaintWith(Fill(hill, w, h), [&](int x, int y) {
    float n = Fbm(float(x) / 30.0f, float(y) / 16.0f, 25, 4);
    return Mix(Mix(Hex(0x1c2250), Hex(0x0c1028), Smooth(300, 460, float(y))), Hex(0x2a3260),
               n * 0.4f);
  });
  c.AddLight(Stroke(hill, 1.5f, false, w, h), Hex(0xd88a5a), 0.35f);
  PaintDoor(c, {246, 306}, 18, 34, 0.9f);
  c.Glow({252, 294}, 26, kAmber, 0.3f);
  // The path from the foreground up to the door.
  Path path = SmoothClosed({{90, float(h) + 4},
                            {150, 400},
                            {214, 336},
                            {244, 308},
                            {250, 308},
                            {228, 340},
                            {200, 410},
                            {190, float(h) + 4}},
                           8);
  c.PaintWith(Fill(path, w, h), [&](int, int y) {
    return Mix(Hex(0x4a3a5a), Hex(0x241c34), Smooth(300, 460, float(y)));
  });
  // Grass tufts along the way.
  for (int i = 0; i < 40; ++i) {
    Vec2 p{rng.Range(0, float(w)), rng.Range(360, float(h))};
    for (int b = -1; b <= 1; ++b)
      c.Paint(Stroke(Path{p, p + Vec2{float(b) * 2.5f, -rng.Range(5, 9)}}, 1.0f, false, w, h),
              Hex(0x2a3a4a), 0.8f);
  }
  return c;
}

}  // namespace

std::vector<Product> MakeNolu(const Fonts& fonts) {
  // Wide enough for the card, its shadow and the trail after them.
  const int W = int(kCardX + kHalf) + 40 + kTrail, H = 480;
  Canvas c(W, H, kBackground);
  Mask drawn(W, H);
  // A soft shadow of the card on the field, down and to the right.
  Path outline = DoorArch({kCardX, kFoot + 26}, 2 * kHalf + 14, kFoot + 26 - kTop + 7);
  Mask shadow = Blurred(Fill(Transformed(outline, Affine::Translate(6, 6)), W, H), 4);
  c.Paint(shadow, Hex(0x070a20), 0.7f);
  for (size_t i = 0; i < shadow.a.size(); ++i)
    drawn.a[i] = shadow.a[i] > 0.15f ? 1.0f : 0.0f;
  // The window onto the hill, Nolu in front.
  Canvas inside = HillAtDusk(W, H);
  PaintNolu(inside, {kCardX - 14, 418}, 360);
  Mask window = Fill(DoorArch({kCardX, kFoot}, 2 * kHalf, kFoot - kTop), W, H);
  c.PaintWith(window, [&](int x, int y) { return inside.at(x, y); });
  UnionInto(drawn, window);
  // The gold moulding round the arch, a keystone gem, small stars.
  Mask moulding =
      Stroke(DoorArch({kCardX, kFoot + 4}, 2 * kHalf + 14, kFoot + 4 - kTop + 7), 14, false, W, H);
  SubtractFrom(moulding, window);
  const float springY = kTop + kHalf;
  c.PaintWith(moulding, [&](int x, int y) {
    float d = Length(Vec2{float(x) - kCardX, float(y) - springY});
    float t = std::fabs(std::fmod(d, 14.0f) / 14.0f - 0.5f) * 2;
    return Mix(kGold, Hex(0x8a5420), t * 0.6f + float(y) / float(H) * 0.3f);
  });
  UnionInto(drawn, moulding);
  c.Paint(
      Stroke(DoorArch({kCardX, kFoot + 4}, 2 * kHalf + 28, kFoot + 4 - kTop + 14), 2, false, W, H),
      kInk);
  c.Paint(Stroke(DoorArch({kCardX, kFoot}, 2 * kHalf, kFoot - kTop), 2, false, W, H), kInk);
  Vec2 key{kCardX, kTop - 2};
  Path gem{
      {key.x, key.y - 10}, {key.x + 9, key.y + 2}, {key.x, key.y + 14}, {key.x - 9, key.y + 2}};
  c.Paint(Fill(gem, W, H), kEmber);
  c.Paint(Stroke(gem, 2, true, W, H), kInk);
  UnionInto(drawn, Fill(gem, W, H));
  for (float a : {0.15f, 0.3f, 0.7f, 0.85f}) {
    float ang = kPi + kPi * a;
    Vec2 p{kCardX + (kHalf + 7) * std::cos(ang), springY + (kHalf + 7) * std::sin(ang)};
    c.Paint(Fill(Star(p, 6, 2.5f, 4), W, H), kCream);
  }
  // The name plate over the arch's foot.
  Path plate = SmoothClosed({{kCardX - 128, kFoot - 10},
                             {kCardX + 128, kFoot - 10},
                             {kCardX + 142, kFoot + 16},
                             {kCardX + 128, kFoot + 42},
                             {kCardX - 128, kFoot + 42},
                             {kCardX - 142, kFoot + 16}},
                            4);
  Mask plateMask = Fill(plate, W, H);
  c.PaintWith(plateMask, [&](int, int y) {
    return Mix(Hex(0x2a2050), Hex(0x140f30), Smooth(kFoot - 10, kFoot + 42, float(y)));
  });
  c.Paint(Stroke(plate, 3, true, W, H), kGold);
  c.Paint(Stroke(plate, 1, true, W, H), kInk);
  UnionInto(drawn, Grown(plateMask, 1.5f));
  Shape label = CentredText(*fonts.serifBold, "NOLU", 24, kCardX, kFoot + 16, 4);
  c.Paint(Grown(Fill(label, W, H), 1.5f), kInk);
  PaintMetalText(c, label, 1.5f, 0, nullptr);
  c.Paint(Fill(CentredText(*fonts.gothic, "ノル　扉をみつけた少女", 13, kCardX, kFoot + 35), W, H),
          kCream);

  Palette palette = BuildPalette({{&c, &drawn, 1.0f}}, 256, {kBackground});
  image::DarPattern pattern = QuantizePattern(c, drawn, palette, 0, 0, W, H, Dither::kDiffusion);
  // Each row is drawn from its first pixel to its last plus the trail, with
  // the background entry in its gaps and the trail.
  const int background = int(palette.size()) - 1;
  for (int y = 0; y < H; ++y) {
    int16_t* row = &pattern.pixels[size_t(y) * W];
    int first = -1, last = -1;
    for (int x = 0; x < W; ++x)
      if (row[x] >= 0) {
        if (first < 0) first = x;
        last = x;
      }
    for (int x = first; first >= 0 && x <= std::min(last + kTrail, W - 1); ++x)
      if (row[x] < 0) row[x] = int16_t(background);
  }
  Product p;
  p.art = "Nolu";
  p.kind = Product::Kind::kDar;
  for (size_t i = 0; i < palette.size(); ++i) {
    p.archive.colorTable[i * 4] = palette[i].b;
    p.archive.colorTable[i * 4 + 1] = palette[i].g;
    p.archive.colorTable[i * 4 + 2] = palette[i].r;
  }
  p.archive.patterns.push_back(pattern);
  return {p};
}

}  // namespace datagen
