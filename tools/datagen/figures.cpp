#include "tools/datagen/figures.h"

#include "tools/datagen/geometry.h"
#include "tools/datagen/noise.h"
#include "tools/datagen/scenery.h"

namespace datagen {

namespace {

constexpr Col kLine = Hex(0x1c1228);  // outline ink, a warm near-black

// Draws shapes given in design coordinates onto the canvas.
struct Pen {
  Canvas& c;
  Affine t;
  float s;  // design units to pixels
  Pen(Canvas& canvas, const Affine& place)
      : c(canvas), t(place), s(std::sqrt(std::fabs(place.a * place.d - place.b * place.c))) {}

  Mask Area(const Path& p) const { return Fill(Transformed(p, t), c.w, c.h); }
  Mask Area(const Shape& p) const { return Fill(Transformed(p, t), c.w, c.h); }
  Mask Line(const Path& p, float width, bool closed = false) const {
    return Stroke(Transformed(p, t), std::max(0.8f, width * s), closed, c.w, c.h);
  }
  // Fill with a colour and outline the path.
  Mask Solid(const Path& p, Col fill, float outline = 2.0f) {
    Mask m = Area(p);
    c.Paint(m, fill);
    if (outline > 0) c.Paint(Line(p, outline, true), kLine);
    return m;
  }
  // Fill with a vertical gradient (top colour at design y0, bottom at y1).
  Mask Graded(const Path& p, Col top, Col bottom, float y0, float y1, float outline = 2.0f) {
    Mask m = Area(p);
    float py0 = t({0, y0}).y, py1 = t({0, y1}).y;
    c.PaintWith(m, [&](int, int y) { return Mix(top, bottom, Smooth(py0, py1, float(y))); });
    if (outline > 0) c.Paint(Line(p, outline, true), kLine);
    return m;
  }
  void Shadow(const Mask& where, const Mask& shadow, Col tint, float strength) {
    Mask k = shadow;
    IntersectWith(k, where);
    c.Paint(k, tint, strength);
  }
};

// A closed outline from the right half (top to bottom), mirrored about x = 0.
Path Mirror(const Path& rightHalf, int steps = 8) {
  Path full = rightHalf;
  for (size_t i = rightHalf.size(); i-- > 0;)
    if (rightHalf[i].x != 0) full.push_back({-rightHalf[i].x, rightHalf[i].y});
  return SmoothClosed(full, steps);
}

Path Flipped(const Path& p) {
  Path out;
  for (size_t i = p.size(); i-- > 0;)
    out.push_back({-p[i].x, p[i].y});
  return out;
}

Col Darker(Col c, float k) {
  return c * k;
}
Col Lighter(Col c, float k) {
  return Mix(c, Hex(0xffffff), k);
}

Path FaceOutline(const Character& who) {
  if (who.strongJaw)
    return Mirror({{0, -70}, {36, -62}, {51, -30}, {53, 0}, {51, 24}, {42, 48}, {22, 64}, {0, 68}});
  return Mirror({{0, -70}, {35, -62}, {50, -30}, {52, 0}, {47, 24}, {34, 46}, {15, 62}, {0, 68}});
}

void BackHair(Pen& p, const Character& who) {
  Col shade = Darker(who.hair, 0.7f);
  switch (who.hair_style) {
    case Character::Hair::kLong:
      p.Graded(Mirror({{0, -88},
                       {58, -78},
                       {74, -36},
                       {76, 30},
                       {84, 110},
                       {80, 170},
                       {40, 176},
                       {0, 150}}),
               who.hair, shade, -80, 170);
      break;
    case Character::Hair::kWavy: {
      Path k{{0, -88}, {60, -78}, {76, -36}};
      for (int i = 0; i < 6; ++i) {
        float y = -10 + float(i) * 34;
        k.push_back({82 + (i % 2 ? 12.0f : -2.0f), y});
      }
      k.push_back({50, 200});
      k.push_back({0, 160});
      p.Graded(Mirror(k), who.hair, shade, -80, 200);
      break;
    }
    case Character::Hair::kBob:
      p.Graded(Mirror({{0, -88}, {60, -76}, {74, -36}, {74, 20}, {66, 60}, {44, 70}, {0, 60}}),
               who.hair, shade, -80, 70);
      break;
    case Character::Hair::kShort:
      p.Graded(Mirror({{0, -86}, {56, -74}, {62, -36}, {60, 0}, {50, 20}, {0, 10}}), who.hair,
               shade, -80, 20);
      break;
    case Character::Hair::kNone:
      break;
  }
}

void Torso(Pen& p, const Character& who) {
  Col shade = Darker(who.cloth, 0.65f);
  // Neck, shaded under the chin.
  Path neck = Box(-19, 40, 19, 100);
  Mask neckMask = p.Solid(neck, who.skin, 2.0f);
  p.c.Paint(neckMask, Darker(who.skin, 0.8f), 0.5f);
  Path body = Mirror(
      {{0, 86}, {24, 88}, {60, 98}, {100, 110}, {136, 130}, {156, 170}, {166, 270}, {0, 270}}, 6);
  switch (who.outfit) {
    case Character::Outfit::kGown: {
      // Bare shoulders, a gown with a curved neckline, a necklace.
      p.Graded(Mirror({{0, 86},
                       {24, 88},
                       {60, 98},
                       {100, 110},
                       {136, 130},
                       {156, 170},
                       {166, 270},
                       {0, 270}},
                      6),
               who.skin, Darker(who.skin, 0.85f), 100, 200);
      Path gown =
          Mirror({{0, 150}, {40, 142}, {80, 132}, {120, 136}, {150, 170}, {166, 270}, {0, 270}}, 6);
      p.Graded(gown, who.cloth, shade, 130, 260);
      p.c.Paint(
          p.Line(
              SmoothOpen(
                  {{-120, 137}, {-80, 133}, {-40, 143}, {0, 151}, {40, 143}, {80, 133}, {120, 137}},
                  8),
              3.0f),
          who.trim);
      // Puffed sleeves off the shoulders.
      for (float side : {-1.0f, 1.0f})
        p.Graded(Transformed(Ellipse({0, 0}, 34, 22, 32),
                             Affine::Translate(side * 128, 150) * Affine::Rotate(side * 0.5f)),
                 Lighter(who.cloth, 0.2f), who.cloth, 128, 172);
      auto necklace = [](float x) { return Vec2{x, 116 - 0.006f * x * x}; };
      p.c.Paint(
          p.Line(SmoothOpen({necklace(-52), necklace(-26), necklace(0), necklace(26), necklace(52)},
                            8),
                 1.2f),
          who.trim);
      for (int i = -3; i <= 3; ++i) {
        Vec2 bead = necklace(float(i) * 12) + Vec2{0, 3};
        p.Solid(Circle(bead, i == 0 ? 6.0f : 3.0f, 16), i == 0 ? who.accent : who.trim, 1.2f);
      }
      break;
    }
    case Character::Outfit::kArmour: {
      p.Graded(body, who.cloth, shade, 100, 260);
      // Gorget and pauldrons in steel with gold rims, a star on the tabard.
      Path gorget = Mirror({{0, 84}, {30, 86}, {50, 104}, {34, 122}, {0, 126}}, 6);
      p.Graded(gorget, Hex(0xc8d0e0), Hex(0x6a7490), 84, 126);
      for (float side : {-1.0f, 1.0f}) {
        // Three overlapping plates over the shoulder, the top one rimmed in gold.
        for (int k = 2; k >= 0; --k) {
          float f = float(k);
          Path plate = Transformed(
              Ellipse({0, 0}, 46 - f * 4, 26, 40),
              Affine::Translate(side * (94 + f * 8), 116 + f * 16) * Affine::Rotate(side * 0.3f));
          p.Graded(plate, Hex(0xdde4f0), Hex(0x5a6484), 100 + f * 18, 146 + f * 18);
          if (k == 0) {
            p.c.Paint(p.Line(plate, 3.0f, true), who.trim);
            p.c.Paint(p.Line(plate, 1.2f, true), kLine);
          }
        }
      }
      p.Solid(Star({0, 200}, 22, 9, 5), who.trim, 1.5f);
      break;
    }
    case Character::Outfit::kCloak: {
      p.Graded(body, who.cloth, shade, 100, 260);
      // The cloak's collar, closed by a brooch.
      for (float side : {-1.0f, 1.0f}) {
        Path collar{
            {side * 4, 118}, {side * 30, 92}, {side * 70, 100}, {side * 96, 136}, {side * 40, 150}};
        p.Graded(SmoothClosed(side > 0 ? collar : Reversed(collar), 6), Lighter(who.cloth, 0.15f),
                 who.cloth, 90, 150);
        p.c.Paint(
            p.Line(SmoothOpen({{side * 30, 94}, {side * 72, 104}, {side * 94, 134}}, 6), 2.0f),
            who.trim);
      }
      p.Solid(Circle({0, 124}, 9, 24), who.trim, 1.5f);
      p.Solid(Circle({0, 124}, 4.5f, 16), who.accent, 1.0f);
      break;
    }
    case Character::Outfit::kApron: {
      p.Graded(body, Hex(0x8a6a50), Hex(0x5a402c), 100, 260);
      Path apron = Mirror({{0, 150}, {60, 150}, {70, 270}, {0, 270}}, 4);
      p.Graded(apron, who.cloth, shade, 150, 260);
      for (float side : {-1.0f, 1.0f})
        p.Solid(Path{{side * 40, 98}, {side * 54, 104}, {side * 66, 152}, {side * 52, 152}},
                Darker(who.cloth, 0.8f), 1.5f);
      break;
    }
    case Character::Outfit::kRobe: {
      p.Graded(body, who.cloth, shade, 100, 260);
      // A high collar opening in a V over an inner shirt, trimmed in gold.
      Path inner = Path{{-22, 96}, {22, 96}, {0, 160}};
      p.Solid(inner, Hex(0xf0e6d0), 1.5f);
      for (float side : {-1.0f, 1.0f}) {
        Path lapel{{side * 2, 162}, {side * 24, 92}, {side * 36, 96}, {side * 12, 176}};
        p.Solid(side > 0 ? lapel : Reversed(lapel), who.trim, 1.5f);
      }
      break;
    }
  }
}

void Ears(Pen& p, const Character& who) {
  if (who.elfEars) {
    for (float side : {-1.0f, 1.0f}) {
      Path ear{{side * 44, -10}, {side * 92, -52}, {side * 58, 12}, {side * 46, 20}};
      p.Solid(SmoothClosed(side > 0 ? ear : Reversed(ear), 6), who.skin, 1.8f);
      p.c.Paint(p.Line(SmoothOpen({{side * 52, 0}, {side * 76, -34}}, 6), 1.2f),
                Darker(who.skin, 0.75f));
    }
  } else if (who.hair_style == Character::Hair::kShort ||
             who.hair_style == Character::Hair::kNone) {
    for (float side : {-1.0f, 1.0f}) {
      p.Solid(Ellipse({side * 50, 8}, 8, 13, 24), who.skin, 1.8f);
    }
  }
}

void Eye(Pen& outer, const Character& who, float side) {
  // Designed for the right eye (side 1); the left is its mirror image. Drawn
  // a little larger than designed, about its own centre.
  Pen p(outer.c, outer.t * Affine::Translate(side * 22, 8) * Affine::Scale(1.22f, 1.22f) *
                     Affine::Translate(-side * 22, -6));
  auto m = [&](Path path) {
    if (side < 0) path = Flipped(path);
    return path;
  };
  float lid = who.sleepyEyes ? 6.0f : 0.0f;
  float ex = 22, ey = 6;
  Path upper = SmoothOpen(
      {{ex - 13, ey + 1}, {ex - 4, ey - 9 + lid}, {ex + 8, ey - 9 + lid}, {ex + 14, ey - 2}}, 8);
  Path lower =
      SmoothOpen({{ex + 14, ey - 2}, {ex + 6, ey + 8}, {ex - 6, ey + 8}, {ex - 13, ey + 1}}, 8);
  Path opening = upper;
  opening.insert(opening.end(), lower.begin() + 1, lower.end());
  opening = m(opening);
  Mask white = p.Area(opening);
  p.c.Paint(white, Hex(0xfbf6f0));
  // Iris with a darker top, pupil, two highlights; clipped to the opening.
  Vec2 ic{side * (ex + 1), ey + 1};
  Mask iris = p.Area(Circle(ic, 8.2f, 40));
  IntersectWith(iris, white);
  float top = p.t({0, ey - 8}).y, bottom = p.t({0, ey + 9}).y;
  p.c.PaintWith(iris, [&](int, int y) {
    return Mix(Darker(who.eyes, 0.45f), Lighter(who.eyes, 0.25f), Smooth(top, bottom, float(y)));
  });
  Mask pupil = p.Area(Circle(ic, 3.8f, 24));
  IntersectWith(pupil, white);
  p.c.Paint(pupil, Darker(who.eyes, 0.2f));
  Mask shine = p.Area(Circle(ic + Vec2{-3, -3 + lid * 0.6f}, 2.4f, 16));
  UnionInto(shine, p.Area(Circle(ic + Vec2{3, 4}, 1.1f, 12)));
  IntersectWith(shine, white);
  p.c.Paint(shine, Hex(0xffffff));
  // Lid shadow on the white, then the lash line and the lower lid.
  Mask lidShade = p.Line(m(upper), 5.0f);
  IntersectWith(lidShade, white);
  p.c.Paint(lidShade, Darker(who.skin, 0.6f), 0.5f);
  p.c.Paint(p.Area(m(TaperedStroke(upper, 1.6f, 3.6f))), kLine);
  p.c.Paint(p.Area(m(TaperedStroke({{ex + 12, ey - 3}, {ex + 17, ey - 6}, {ex + 19, ey - 9}}, 2.4f,
                                   0.4f))),
            kLine);
  p.c.Paint(p.Line(m(SmoothOpen({{ex + 10, ey + 5}, {ex, ey + 8}, {ex - 8, ey + 6}}, 6)), 1.0f),
            Darker(who.skin, 0.55f));
  // The brow.
  Col brow = who.old ? Hex(0xe8e4f0) : Darker(who.hair, 0.6f);
  float bw = who.old ? 4.0f : who.strongJaw ? 3.2f : 2.2f;
  p.c.Paint(p.Area(m(TaperedStroke(SmoothOpen({{ex - 12, ey - 18 + lid * 0.3f},
                                               {ex, ey - 21 + lid * 0.3f},
                                               {ex + 13, ey - 17 + lid * 0.3f}},
                                              6),
                                   bw, bw * 0.4f))),
            brow);
}

void Face(Pen& p, const Character& who) {
  Path face = FaceOutline(who);
  Mask skin = p.Area(face);
  float top = p.t({0, -70}).y, bottom = p.t({0, 68}).y;
  p.c.PaintWith(skin, [&](int, int y) {
    return Mix(Lighter(who.skin, 0.08f), who.skin, Smooth(top, bottom, float(y)));
  });
  // Shade on the cheek away from the light, and blush.
  Mask shade = p.Area(Ellipse({-44, 20}, 22, 52, 40));
  IntersectWith(shade, skin);
  p.c.Paint(Blurred(shade, int(6 * p.s)), Darker(who.skin, 0.82f), 0.6f);
  for (float s : {-1.0f, 1.0f}) {
    Mask blush = Blurred(p.Area(Ellipse({s * 30, 30}, 11, 6, 24)), int(3 * p.s + 1));
    p.c.Paint(blush, Hex(0xf08a8a), 0.35f);
  }
  if (!who.faceless) {
    Eye(p, who, 1);
    Eye(p, who, -1);
    // Nose: a small shaded stroke; mouth: a soft curve.
    p.c.Paint(p.Line(SmoothOpen({{3, 24}, {5, 30}, {1, 32}}, 6), 1.4f), Darker(who.skin, 0.65f));
    p.c.Paint(p.Line(SmoothOpen({{-8, 45}, {0, 48}, {8, 45}}, 8), 1.6f), Hex(0x8a3a3a));
    if (who.old) {
      for (float s : {-1.0f, 1.0f}) {
        p.c.Paint(p.Line(Flipped(SmoothOpen({{s * 34, 16}, {s * 39, 20}, {s * 42, 16}}, 4)), 1.0f),
                  Darker(who.skin, 0.7f));
        p.c.Paint(p.Line(SmoothOpen({{s * 16, 34}, {s * 22, 44}, {s * 20, 52}}, 4), 1.0f),
                  Darker(who.skin, 0.75f));
      }
    }
  }
  p.c.Paint(p.Line(face, 2.2f, true), kLine);
}

void Beard(Pen& p, const Character& who) {
  Col beard = who.old ? Hex(0xf0eef8) : who.hair;
  Col shade = Darker(beard, who.old ? 0.8f : 0.7f);
  Path shape =
      Mirror({{0, 30}, {30, 34}, {50, 8}, {54, 40}, {46, 90}, {30, 150}, {10, 190}, {0, 200}}, 8);
  if (!who.old)
    shape = Mirror({{0, 30}, {30, 34}, {50, 8}, {56, 44}, {50, 90}, {36, 120}, {0, 130}}, 8);
  p.Graded(shape, beard, shade, 30, who.old ? 200.0f : 130.0f);
  // Strands, then the moustache over the mouth.
  for (int i = -3; i <= 3; ++i) {
    float x = float(i) * 11;
    p.c.Paint(
        p.Line(SmoothOpen({{x, 50}, {x * 1.1f + 3, 90}, {x * 0.6f, who.old ? 170.0f : 115.0f}}, 8),
               1.0f),
        shade);
  }
  if (!who.old) {
    // Two braids with gold rings.
    for (float s : {-1.0f, 1.0f}) {
      p.Solid(Box(s * 20 - 5, 116, s * 20 + 5, 150), beard, 1.5f);
      p.Solid(Box(s * 20 - 7, 128, s * 20 + 7, 136), who.trim, 1.2f);
    }
  }
  Path moustache = Mirror({{0, 38}, {14, 34}, {34, 44}, {40, 56}, {26, 48}, {0, 46}}, 6);
  p.Solid(moustache, Lighter(beard, 0.1f), 1.5f);
}

void FrontHair(Pen& p, const Character& who) {
  if (who.hair_style == Character::Hair::kNone) return;
  bool longSides = who.hair_style != Character::Hair::kShort;
  float sideY = longSides ? 40.0f : 4.0f;
  // Outer edge over the crown, then the fringe back from right to left.
  Path k{{-56, sideY}, {-60, -20}, {-56, -56}, {-34, -82}, {0, -90},
         {34, -82},    {56, -56},  {60, -20},  {56, sideY}};
  k.push_back({48, sideY - 24});
  k.push_back({44, -10});
  const float tips[5][2] = {{36, -10}, {18, -6}, {-2, -14}, {-20, -6}, {-38, -10}};
  const float notches[4][2] = {{28, -30}, {8, -30}, {-10, -28}, {-28, -30}};
  for (int i = 0; i < 5; ++i) {
    k.push_back({tips[i][0], tips[i][1]});
    if (i < 4) k.push_back({notches[i][0], notches[i][1]});
  }
  k.push_back({-44, -10});
  k.push_back({-48, sideY - 24});
  Path fringe = SmoothClosed(k, 6);
  Mask m = p.Area(fringe);
  float top = p.t({0, -90}).y, bottom = p.t({0, sideY}).y;
  Col shade = Darker(who.hair, 0.72f), light = Lighter(who.hair, 0.35f);
  p.c.PaintWith(m, [&](int, int y) { return Mix(who.hair, shade, Smooth(top, bottom, float(y))); });
  // The shine: a band across the crown, broken into strands.
  Mask band = p.Line(Arc({0, -20}, 56, kPi * 1.2f, kPi * 1.8f, 24), 7.0f);
  for (int i = 0; i < 7; ++i) {
    float a = kPi * (1.22f + 0.08f * float(i));
    Vec2 d{std::cos(a), std::sin(a)};
    SubtractFrom(band, p.Line(Path{Vec2{0, -20} + d * 48, Vec2{0, -20} + d * 64}, 1.6f));
  }
  IntersectWith(band, m);
  p.c.Paint(Blurred(band, 1), light, 0.8f);
  // Strand lines from the crown towards each tip.
  for (int i = 0; i < 5; ++i) {
    Path strand = SmoothOpen(
        {{tips[i][0] * 0.2f, -84}, {tips[i][0] * 0.8f, -50}, {tips[i][0] * 0.95f, tips[i][1] - 10}},
        8);
    p.c.Paint(p.Line(strand, 1.0f), shade);
  }
  p.c.Paint(p.Line(fringe, 2.2f, true), kLine);
  // Shadow of the fringe on the forehead.
  Mask face = p.Area(FaceOutline(who));
  Mask cast = p.Area(Transformed(fringe, Affine::Translate(2, 5)));
  SubtractFrom(cast, m);
  IntersectWith(cast, face);
  p.c.Paint(Blurred(cast, 1), Darker(who.skin, 0.75f), 0.6f);
}

void Headwear(Pen& p, const Character& who) {
  switch (who.headwear) {
    case Character::Headwear::kCirclet: {
      p.c.Paint(p.Area(TaperedStroke(SmoothOpen({{-58, -38}, {0, -52}, {58, -38}}, 12), 5, 5)),
                who.trim);
      p.c.Paint(p.Line(SmoothOpen({{-58, -36}, {0, -50}, {58, -36}}, 12), 1.0f), kLine);
      p.Solid(Path{{0, -62}, {8, -50}, {0, -38}, {-8, -50}}, who.accent, 1.5f);
      p.c.Glow(p.t({-2, -52}), 2 * p.s, Hex(0xffffff), 0.8f);
      break;
    }
    case Character::Headwear::kTiara: {
      Path crown{{-36, -70}, {-28, -92}, {-16, -78}, {0, -104},
                 {16, -78},  {28, -92},  {36, -70},  {0, -78}};
      p.Graded(crown, Hex(0xfff0b0), Hex(0xc08830), -104, -70, 1.5f);
      p.Solid(Circle({0, -86}, 4.5f, 16), who.accent, 1.0f);
      break;
    }
    case Character::Headwear::kBandana: {
      Path band =
          SmoothClosed({{-58, -28}, {0, -50}, {58, -28}, {60, -14}, {0, -34}, {-60, -14}}, 6);
      p.Solid(band, who.accent, 1.8f);
      for (float s : {-1.0f, 1.0f}) {
        p.Solid(Circle({s * 20, -56}, 13, 32), Hex(0x5a4a3a), 1.8f);
        p.Graded(Circle({s * 20, -56}, 9, 32), Hex(0xa8e0f0), Hex(0x3a7a9a), -65, -47, 1.0f);
        p.c.Glow(p.t({s * 20 - 3, -59}), 1.6f * p.s, Hex(0xffffff), 0.8f);
      }
      p.Solid(Box(-8, -60, 8, -52), Hex(0x5a4a3a), 1.2f);
      break;
    }
    case Character::Headwear::kRibbon: {
      for (float s : {-1.0f, 1.0f}) {
        Path loop{{50, -66}, {50 + s * 24, -90}, {50 + s * 30, -70}, {50 + s * 6, -60}};
        p.Solid(SmoothClosed(loop, 6), who.accent, 1.8f);
      }
      p.Solid(Circle({50, -66}, 6, 16), Darker(who.accent, 0.8f), 1.5f);
      break;
    }
    case Character::Headwear::kWizardHat: {
      Path cone = SmoothClosed(
          {{-56, -62}, {-20, -120}, {10, -176}, {56, -206}, {34, -160}, {40, -110}, {58, -62}}, 8);
      Mask m = p.Graded(cone, Darker(who.accent, 0.9f), who.accent, -200, -60, 2.0f);
      for (int i = 0; i < 6; ++i) {
        Vec2 at{-28 + float(i % 3) * 26 + float(i / 3) * 10,
                -86 - float(i / 3) * 44 + float(i % 2) * 8};
        Mask star = p.Area(Star(at, 5, 2, 5));
        IntersectWith(star, m);
        p.c.Paint(star, who.trim);
      }
      Path brim = Ellipse({0, -60}, 96, 20, 64);
      p.Graded(brim, who.accent, Darker(who.accent, 0.6f), -80, -40, 2.0f);
      p.c.Paint(p.Area(TaperedStroke(SmoothOpen({{-56, -66}, {0, -74}, {56, -66}}, 8), 6, 6)),
                who.trim);
      break;
    }
    case Character::Headwear::kHood:
    case Character::Headwear::kNone:
      break;
  }
}

void HoodBack(Pen& p, const Character& who) {
  if (who.headwear != Character::Headwear::kHood) return;
  p.Graded(Mirror({{0, -118}, {70, -100}, {96, -30}, {100, 60}, {130, 130}, {0, 140}}, 8),
           who.cloth, Darker(who.cloth, 0.6f), -118, 140);
  // The shadowed lining inside, where the hair would otherwise show.
  p.Graded(Mirror({{0, -94}, {58, -80}, {70, -20}, {66, 50}, {46, 100}, {0, 110}}, 8),
           Darker(who.cloth, 0.35f), Darker(who.cloth, 0.55f), -94, 110, 0);
}

void HoodFront(Pen& p, const Character& who) {
  if (who.headwear != Character::Headwear::kHood) return;
  // The rim of the hood around the face, trimmed in gold.
  Path outer =
      Mirror({{0, -118}, {70, -100}, {96, -30}, {98, 60}, {116, 130}, {60, 156}, {0, 176}}, 8);
  Path inner =
      Mirror({{0, -94}, {58, -80}, {70, -20}, {66, 50}, {46, 100}, {20, 140}, {0, 152}}, 8);
  Mask m = p.Area(Shape{outer, Reversed(inner)});
  float top = p.t({0, -118}).y, bottom = p.t({0, 120}).y;
  p.c.PaintWith(m, [&](int, int y) {
    return Mix(Lighter(who.cloth, 0.12f), Darker(who.cloth, 0.8f), Smooth(top, bottom, float(y)));
  });
  p.c.Paint(p.Line(inner, 4.0f, true), who.trim);
  p.c.Paint(p.Line(inner, 1.2f, true), kLine);
  p.c.Paint(p.Line(outer, 2.2f, true), kLine);
  if (who.faceless) {
    // The depth of the hood: dark, with two eyes of light.
    Mask dark = p.Area(inner);
    p.c.Paint(dark, Hex(0x080816));
    for (float s : {-1.0f, 1.0f}) {
      Vec2 e = p.t({s * 20, 10});
      p.c.Glow(e, 9 * p.s, who.eyes, 0.6f);
      p.c.Paint(p.Area(Ellipse({s * 20, 10}, 7, 3.5f, 24)), Lighter(who.eyes, 0.6f));
    }
    // Runes faintly lit inside.
    for (int i = 0; i < 3; ++i) {
      for (const Path& s : Rune(200 + i, {float(i - 1) * 22, 52}, 14))
        p.c.Paint(p.Line(s, 1.4f), Darker(who.eyes, 0.8f), 0.8f);
    }
  }
}

void FoxEars(Pen& p, const Character& who) {
  if (!who.foxEars) return;
  for (float s : {-1.0f, 1.0f}) {
    Path ear{{s * 22, -80}, {s * 62, -134}, {s * 60, -62}};
    p.Solid(s > 0 ? ear : Reversed(ear), who.hair, 2.0f);
    Path inner{{s * 32, -80}, {s * 58, -120}, {s * 56, -70}};
    p.Solid(s > 0 ? inner : Reversed(inner), Hex(0xf8e0d0), 0);
    p.Solid(Path{{s * 56, -118}, {s * 62, -134}, {s * 50, -124}}, Hex(0xfff4e8), 0);
  }
}

void Glasses(Pen& p, const Character& who) {
  if (!who.glasses) return;
  for (float s : {-1.0f, 1.0f}) {
    Mask lens = p.Area(Circle({s * 22, 6}, 14, 40));
    p.c.AddLight(lens, Hex(0x406080), 0.08f);
    p.c.Paint(p.Line(Arc({s * 22, 6}, 10, kPi * 1.1f, kPi * 1.4f, 8), 1.6f), Hex(0xffffff), 0.6f);
    p.c.Paint(p.Line(Circle({s * 22, 6}, 14, 40), 2.4f, true), Hex(0x6a4a20));
  }
  p.c.Paint(p.Line(SmoothOpen({{-8, 4}, {0, 0}, {8, 4}}, 6), 2.0f), Hex(0x6a4a20));
}

void KeyPendant(Pen& p, const Character& who) {
  if (!who.keyPendant) return;
  p.c.Paint(p.Line(SmoothOpen({{-30, 100}, {0, 150}, {30, 100}}, 8), 1.4f), who.trim);
  Vec2 k = p.t({0, 176});
  p.c.Glow(k, 22 * p.s, Hex(0xf0a040), 0.5f);
  p.Solid(Circle({0, 158}, 8, 24), who.trim, 1.6f);
  p.Solid(Circle({0, 158}, 3.5f, 16), Hex(0x2a2040), 0);
  p.Solid(Box(-2.5f, 164, 2.5f, 200), who.trim, 1.4f);
  p.Solid(Box(2.5f, 186, 10, 191), who.trim, 1.2f);
  p.Solid(Box(2.5f, 194, 8, 199), who.trim, 1.2f);
}

}  // namespace

void PaintBust(Canvas& c, const Character& who, const Affine& place) {
  Canvas layer = c;  // drawn on a copy, so the rim light can find the silhouette
  Pen p(layer, place);
  HoodBack(p, who);
  if (who.headwear != Character::Headwear::kHood) BackHair(p, who);
  Torso(p, who);
  Ears(p, who);
  if (!who.faceless) {
    Face(p, who);
    if (who.beard) Beard(p, who);
    FrontHair(p, who);
  }
  FoxEars(p, who);
  Headwear(p, who);
  HoodFront(p, who);
  Glasses(p, who);
  KeyPendant(p, who);
  // Rim light: pixels the figure changed whose neighbours to the right it did not.
  int off = std::max(2, int(3 * p.s));
  for (int y = 0; y < c.h; ++y)
    for (int x = 0; x < c.w; ++x) {
      auto changed = [&](int xx, int yy) {
        if (xx < 0 || xx >= c.w) return false;
        Col a = layer.at(xx, yy), b = c.at(xx, yy);
        return std::fabs(a.r - b.r) + std::fabs(a.g - b.g) + std::fabs(a.b - b.b) > 0.001f;
      };
      if (changed(x, y) && !changed(x + off, y) && !changed(x + off / 2, y)) {
        layer.at(x, y) = Mix(layer.at(x, y), who.rimLight, 0.45f);
      }
    }
  c = std::move(layer);
}

Mask PaintNolu(Canvas& c, Vec2 feet, float height) {
  Character nolu;
  nolu.skin = Hex(0xf6d8bc);
  nolu.hair = Hex(0xa8582a);
  nolu.eyes = Hex(0x3a8ad0);
  nolu.cloth = Hex(0x2e6a9a);
  nolu.accent = Hex(0xe04848);
  nolu.trim = Hex(0xf0c060);
  nolu.hair_style = Character::Hair::kBob;
  nolu.headwear = Character::Headwear::kRibbon;
  // Design units: head centre (0, 0), feet at y 670.
  float s = height / 765.0f;
  Canvas layer = c;
  Pen p(layer, Affine::Translate(feet.x, feet.y - 670 * s) * Affine::Scale(s, s));
  const Col cloak = Hex(0xb0542a), cloakShade = Hex(0x6a2a1a), lining = Hex(0xe8b060);
  // The cloak behind her, to below the knees.
  p.Graded(Mirror({{0, 90}, {70, 100}, {120, 180}, {152, 350}, {172, 530}, {0, 550}}, 8),
           cloakShade, Hex(0x4a1a14), 90, 550);
  BackHair(p, nolu);
  // Legs in dark stockings, boots.
  for (float side : {-1.0f, 1.0f}) {
    p.Graded(Box(side * 30 - 15, 400, side * 30 + 15, 610), Hex(0x2a2440), Hex(0x1a1630), 400, 610);
    Path boot = SmoothClosed({{side * 30 - 18, 590},
                              {side * 30 + 18, 590},
                              {side * 30 + 20, 650},
                              {side * 30 + side * 34, 660},
                              {side * 30 + side * 34, 672},
                              {side * 30 - 20, 672}},
                             4);
    p.Graded(side > 0 ? boot : Reversed(boot), Hex(0x8a5a34), Hex(0x4a2c1a), 590, 672);
    p.c.Paint(p.Line(Path{{side * 30 - 18, 602}, {side * 30 + 18, 602}}, 3), nolu.trim);
  }
  // The dress: a fitted bodice and a flared skirt with a hem band.
  Path dress = Mirror(
      {{0, 92}, {40, 96}, {64, 120}, {58, 200}, {50, 236}, {98, 350}, {128, 466}, {0, 476}}, 8);
  p.Graded(dress, Lighter(nolu.cloth, 0.1f), Darker(nolu.cloth, 0.6f), 100, 476);
  p.c.Paint(p.Line(SmoothOpen({{-126, 450}, {-60, 460}, {0, 462}, {60, 460}, {126, 450}}, 8), 5.0f),
            nolu.trim);
  p.c.Paint(p.Line(SmoothOpen({{-52, 236}, {0, 242}, {52, 236}}, 8), 7.0f), Hex(0x6a3a24));
  p.Solid(Box(-9, 230, 9, 248), nolu.trim, 1.5f);
  // Folds in the skirt.
  for (float x : {-60.0f, -20.0f, 24.0f, 66.0f})
    p.c.Paint(p.Line(SmoothOpen({{x * 0.5f, 260}, {x * 0.8f, 350}, {x, 440}}, 6), 1.5f),
              Darker(nolu.cloth, 0.55f));
  // Her left arm (on the right of the picture) holds the lantern out.
  Path armL = SmoothOpen({{58, 120}, {84, 190}, {110, 250}, {132, 262}}, 8);
  p.c.Paint(p.Area(TaperedStroke(armL, 34, 26)), nolu.cloth);
  p.c.Paint(p.Line(TaperedStroke(armL, 34, 26), 2.0f, true), kLine);
  p.Solid(Circle({136, 262}, 13, 24), nolu.skin, 2.0f);
  // The other arm hangs down, holding the cloak's edge.
  Path armR = SmoothOpen({{-58, 120}, {-74, 200}, {-80, 280}}, 8);
  p.c.Paint(p.Area(TaperedStroke(armR, 34, 26)), nolu.cloth);
  p.c.Paint(p.Line(TaperedStroke(armR, 34, 26), 2.0f, true), kLine);
  // The cloak's front edges over the shoulders, lined in gold.
  for (float side : {-1.0f, 1.0f}) {
    Path panel{{side * 30, 92},  {side * 78, 100}, {side * 112, 170}, {side * 122, 300},
               {side * 98, 300}, {side * 78, 180}, {side * 52, 120}};
    if (side < 0) panel.push_back({-84, 284});
    Mask m =
        p.Graded(SmoothClosed(side > 0 ? panel : Reversed(panel), 6), cloak, cloakShade, 92, 300);
    (void)m;
    p.c.Paint(p.Line(SmoothOpen({{side * 52, 120}, {side * 78, 180}, {side * 98, 298}}, 6), 3.0f),
              lining);
  }
  p.Solid(Circle({-82, 288}, 12, 24), nolu.skin, 2.0f);
  // Hood lying on the shoulders, collar, clasp.
  p.Graded(Mirror({{0, 84}, {40, 80}, {80, 96}, {70, 118}, {30, 112}, {0, 118}}, 6), cloak,
           cloakShade, 80, 118);
  p.Solid(Circle({0, 108}, 8, 20), nolu.trim, 1.5f);
  // Neck, face, hair and ribbon (the bust's own parts).
  p.Solid(Box(-15, 40, 15, 96), nolu.skin, 2.0f);
  Face(p, nolu);
  FrontHair(p, nolu);
  Headwear(p, nolu);
  // The lantern: a ring, a hood, glass with the flame, a frame.
  Vec2 lc{140, 330};
  p.c.Paint(p.Line(Path{{136, 266}, lc + Vec2{0, -44}}, 2.0f), Hex(0x3a2a20));
  p.Solid(Circle(lc + Vec2{0, -48}, 6, 16), Hex(0x8a6a3a), 1.5f);
  p.Graded(Path{lc + Vec2{-16, -40}, lc + Vec2{16, -40}, lc + Vec2{22, -30}, lc + Vec2{-22, -30}},
           Hex(0xa07a40), Hex(0x5a3a20), lc.y - 40, lc.y - 30, 1.5f);
  p.Graded(RoundedBox(lc.x - 18, lc.y - 30, lc.x + 18, lc.y + 26, 4, 4), Hex(0xfff0c0),
           Hex(0xf0a040), lc.y - 30, lc.y + 26, 1.5f);
  p.Solid(Ellipse(lc + Vec2{0, 2}, 5, 11, 20), Hex(0xffffff), 0);
  for (float x : {-18.0f, 0.0f, 18.0f})
    p.c.Paint(p.Line(Path{lc + Vec2{x, -30}, lc + Vec2{x, 26}}, 2.0f), Hex(0x5a3a20));
  p.Graded(Path{lc + Vec2{-22, 26}, lc + Vec2{22, 26}, lc + Vec2{16, 36}, lc + Vec2{-16, 36}},
           Hex(0xa07a40), Hex(0x5a3a20), lc.y + 26, lc.y + 36, 1.5f);

  // Coverage: everything the figure changed.
  Mask cover(c.w, c.h);
  for (size_t i = 0; i < c.px.size(); ++i) {
    Col a = layer.px[i], b = c.px[i];
    cover.a[i] =
        std::fabs(a.r - b.r) + std::fabs(a.g - b.g) + std::fabs(a.b - b.b) > 0.001f ? 1.0f : 0.0f;
  }
  // Rim light from the lantern side, and the lantern's glow over her and around.
  Vec2 glow = p.t(lc);
  int off = std::max(2, int(3 * s));
  for (int y = 0; y < c.h; ++y)
    for (int x = 0; x + off < c.w; ++x)
      if (cover.at(x, y) > 0 && cover.at(x + off, y) == 0)
        layer.at(x, y) =
            Mix(layer.at(x, y), nolu.rimLight,
                0.45f * Smooth(300 * s * 2, 0, Length(Vec2{float(x), float(y)} - glow)) + 0.15f);
  layer.Glow(glow, 90 * s, Hex(0xf0a040), 0.45f);
  layer.Glow(glow, 30 * s, Hex(0xffe0a0), 0.6f);
  Mask halo(c.w, c.h);
  for (int y = 0; y < c.h; ++y)
    for (int x = 0; x < c.w; ++x) {
      float d = Length(Vec2{float(x), float(y)} - glow) / (90 * s);
      halo.at(x, y) = std::exp(-d * d * 0.5f);
    }
  for (size_t i = 0; i < cover.a.size(); ++i)
    cover.a[i] = std::max(cover.a[i], Clamp01(halo.a[i] * 12.0f));
  c = std::move(layer);
  return cover;
}

}  // namespace datagen
