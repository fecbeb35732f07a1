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

// Where the features sit on a face of this shape and age (design units).
struct FaceMetrics {
  float chin;      // y of the chin
  float eyeX;      // each eye's centre from the middle
  float eyeY;      // the eyes' centre line
  float eyeScale;  // size of the eyes
  float noseY, mouthY;
};

FaceMetrics Metrics(const Character& who) {
  FaceMetrics m{68, 22, 6, 1.18f, 0, 0};
  switch (who.face) {
    case Character::Face::kRound:
      m.chin = 63;
      break;
    case Character::Face::kOval:
      m.chin = 68;
      break;
    case Character::Face::kHeart:
    case Character::Face::kSquare:
      m.chin = 70;
      break;
    case Character::Face::kLong:
      m.chin = 76;
      break;
  }
  switch (who.age) {
    case Character::Age::kChild:
      m.eyeY = 11, m.eyeScale = 1.32f, m.eyeX = 23;
      break;
    case Character::Age::kYoung:
      break;
    case Character::Age::kAdult:
      m.eyeY = 3, m.eyeScale = 1.0f, m.eyeX = 21;
      break;
    case Character::Age::kElder:
      m.eyeY = 2, m.eyeScale = 0.9f, m.eyeX = 21;
      break;
  }
  m.noseY = m.eyeY + (m.chin - m.eyeY) * 0.42f;
  m.mouthY = m.eyeY + (m.chin - m.eyeY) * 0.68f;
  return m;
}

Path FaceOutline(const Character& who) {
  switch (who.face) {
    case Character::Face::kRound:
      return Mirror(
          {{0, -70}, {37, -62}, {51, -30}, {53, 0}, {50, 22}, {40, 42}, {22, 58}, {0, 63}});
    case Character::Face::kOval:
      break;
    case Character::Face::kHeart:
      return Mirror(
          {{0, -70}, {37, -62}, {52, -30}, {52, 0}, {44, 26}, {28, 50}, {10, 66}, {0, 70}});
    case Character::Face::kSquare:
      return Mirror(
          {{0, -70}, {38, -62}, {53, -30}, {55, 0}, {54, 28}, {46, 52}, {24, 67}, {0, 70}});
    case Character::Face::kLong:
      return Mirror(
          {{0, -74}, {34, -64}, {48, -30}, {49, 6}, {45, 34}, {33, 58}, {15, 73}, {0, 76}});
  }
  return Mirror({{0, -70}, {35, -62}, {50, -30}, {52, 0}, {47, 24}, {34, 46}, {15, 62}, {0, 68}});
}

void BackHair(Pen& p, const Character& who) {
  Col shade = Darker(who.hair, 0.7f);
  switch (who.hair_style) {
    case Character::Hair::kLong:
      p.Graded(Mirror({{0, -76},
                       {46, -66},
                       {72, -30},
                       {76, 30},
                       {84, 110},
                       {80, 170},
                       {40, 176},
                       {0, 150}}),
               who.hair, shade, -80, 170);
      break;
    case Character::Hair::kWavy: {
      Path k{{0, -76}, {46, -66}, {74, -30}};
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
      p.Graded(Mirror({{0, -76}, {46, -66}, {70, -30}, {72, 20}, {66, 60}, {44, 70}, {0, 60}}),
               who.hair, shade, -80, 70);
      break;
    case Character::Hair::kShort:  // all of it is in the front hair's crown
    case Character::Hair::kNone:
      break;
  }
}

// An archer's quiver on the back: its leather mouth and three fletched arrows
// show over the left shoulder (the viewer's right); the body hides the rest.
void QuiverBehind(Pen& p, const Character& who) {
  if (!who.quiver) return;
  const Col leather = Hex(0x6a4026), wood = Hex(0x9a7448);
  const Affine lean = Affine::Translate(86, 190) * Affine::Rotate(0.08f);
  for (float dx : {-6.0f, 0.0f, 6.0f}) {
    float top = -150 - std::fabs(dx) + (dx > 0 ? 8 : 0);
    p.Solid(Transformed(Box(dx - 1.6f, top + 20, dx + 1.6f, -100), lean), wood, 1.0f);
    // Two vanes either side of the shaft's end, and its nock.
    for (float side : {-1.0f, 1.0f}) {
      Path vane{{dx, top + 2}, {dx + side * 5, top + 8}, {dx + side * 5, top + 24}, {dx, top + 20}};
      p.Solid(Transformed(side > 0 ? vane : Reversed(vane), lean),
              side > 0 ? look::kCream : who.accent, 1.0f);
    }
  }
  p.Graded(Transformed(RoundedBox(-12, -116, 12, 40, 5, 4), lean), Lighter(leather, 0.15f),
           Darker(leather, 0.6f), 20, 140);
  p.c.Paint(p.Line(Transformed(Path{{-12, -106}, {12, -106}}, lean), 3.0f), who.trim);
}

// The quiver's strap from the left shoulder down across the chest.
void QuiverStrap(Pen& p, const Character& who) {
  if (!who.quiver) return;
  Path strap{{48, 92}, {72, 98}, {-92, 272}, {-126, 272}};
  p.Graded(strap, Hex(0x7a4c2c), Hex(0x4a2c18), 92, 272, 1.5f);
  p.c.Paint(p.Line(Path{{58, 100}, {-106, 272}}, 0.8f), Lighter(Hex(0x7a4c2c), 0.35f), 0.7f);
  Path buckle = Transformed(RoundedBox(-11, -9, 11, 9, 2, 2),
                            Affine::Translate(-30, 196) * Affine::Rotate(-0.81f));
  p.Solid(buckle, who.trim, 1.5f);
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
        // A steel cap that follows the shoulder's line and two lames under
        // it, each a little narrower; the cap rimmed in gold, with rivets.
        auto sided = [&](Path k) {
          for (Vec2& v : k)
            v.x *= side;
          return side > 0 ? k : Reversed(k);
        };
        for (int k = 2; k >= 0; --k) {
          float f = float(k), drop = f * 11;
          Path plate = SmoothClosed(sided({{70 + f * 8, 104 + drop},
                                           {102, 98 + drop},
                                           {134, 108 + drop},
                                           {154 - f * 2, 132 + drop},
                                           {150 - f * 4, 146 + drop},
                                           {122, 134 + drop},
                                           {90 + f * 4, 124 + drop}}),
                                    6);
          p.Graded(plate, Hex(0xb8c2d6), Hex(0x46506c), 98 + drop, 146 + drop);
          if (k == 0) {
            p.c.Paint(p.Line(plate, 2.2f, true), who.trim);
            p.c.Paint(p.Line(plate, 1.0f, true), kLine);
            for (float x : {96.0f, 124.0f})
              p.Solid(Circle({side * x, 112 + (x - 96) * 0.25f}, 2.2f, 12), who.trim, 0.8f);
          }
        }
      }
      p.Solid(Star({0, 200}, 22, 9, 5), who.trim, 1.5f);
      break;
    }
    case Character::Outfit::kCloak: {
      p.Graded(body, who.cloth, shade, 100, 260);
      QuiverStrap(p, who);
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
    // Beside the face at its widest.
    float x = who.face == Character::Face::kSquare ? 56.0f
              : who.face == Character::Face::kLong ? 51.0f
                                                   : 53.0f;
    for (float side : {-1.0f, 1.0f}) {
      p.Solid(Ellipse({side * x, 6}, 8, 13, 24), who.skin, 1.8f);
      p.c.Paint(
          p.Line(SmoothOpen({{side * (x + 1), -2}, {side * (x + 4), 6}, {side * x, 13}}, 6), 1.1f),
          Darker(who.skin, 0.7f));
    }
  }
}

void Eye(Pen& outer, const Character& who, const FaceMetrics& fm, float side) {
  // Drawn in the eye's own units about its centre, designed for the right
  // eye (side 1); the left is its mirror image.
  Pen p(outer.c, outer.t * Affine::Translate(side * fm.eyeX, fm.eyeY) *
                     Affine::Scale(fm.eyeScale, fm.eyeScale));
  auto m = [&](Path path) {
    if (side < 0) path = Flipped(path);
    return path;
  };
  if (who.eyeShape == Character::Eyes::kLaughing) {
    // Shut in a laugh: a thick arc, a crease under it.
    p.c.Paint(
        p.Area(m(TaperedStroke(SmoothOpen({{-12, 2}, {-5, -6}, {5, -6}, {12, 1}}, 8), 2.2f, 3.2f))),
        kLine);
    p.c.Paint(p.Line(m(SmoothOpen({{-7, 8}, {0, 10}, {7, 8}}, 6)), 1.0f), Darker(who.skin, 0.7f));
    return;
  }
  // The opening: half width, half height, lift of the outer corner, how far
  // the upper lid has come down, and the iris's radius.
  float w = 13, h = 9.5f, tilt = 1, lid = 0, r = 8.4f;
  switch (who.eyeShape) {
    case Character::Eyes::kRound:
      h = 10.5f, r = 8.8f;
      break;
    case Character::Eyes::kAlmond:
      w = 14, h = 7.5f, tilt = 4.5f, r = 7.2f;
      break;
    case Character::Eyes::kNarrow:
      w = 13, h = 5.5f, tilt = 2.5f, r = 6.2f;
      break;
    case Character::Eyes::kSleepy:
      h = 9, lid = 5.5f, r = 7.6f;
      break;
    case Character::Eyes::kLaughing:
      break;
  }
  Path upper = SmoothOpen(
      {{-w, 1}, {-w * 0.4f, -h + lid}, {w * 0.45f, -h + lid - tilt * 0.4f}, {w, -tilt}}, 8);
  Path lower = SmoothOpen({{w, -tilt}, {w * 0.5f, h * 0.62f}, {-w * 0.45f, h * 0.66f}, {-w, 1}}, 8);
  Path opening = upper;
  opening.insert(opening.end(), lower.begin() + 1, lower.end());
  opening = m(opening);
  Mask white = p.Area(opening);
  p.c.Paint(white, Hex(0xfbf6f0));
  // Iris with a darker top, pupil, two highlights; clipped to the opening.
  Vec2 ic{side * 1.0f, 1 + lid * 0.35f};
  Mask iris = p.Area(Circle(ic, r, 40));
  IntersectWith(iris, white);
  float top = p.t({0, ic.y - r}).y, bottom = p.t({0, ic.y + r}).y;
  p.c.PaintWith(iris, [&](int, int y) {
    return Mix(Darker(who.eyes, 0.45f), Lighter(who.eyes, 0.25f), Smooth(top, bottom, float(y)));
  });
  Mask pupil = p.Area(Circle(ic, r * 0.45f, 24));
  IntersectWith(pupil, white);
  p.c.Paint(pupil, Darker(who.eyes, 0.2f));
  Mask shine = p.Area(Circle(ic + Vec2{-r * 0.35f, -r * 0.35f + lid * 0.5f}, r * 0.28f, 16));
  UnionInto(shine, p.Area(Circle(ic + Vec2{r * 0.35f, r * 0.45f}, r * 0.13f, 12)));
  IntersectWith(shine, white);
  p.c.Paint(shine, Hex(0xffffff));
  // Lid shadow on the white, then the lash line and the lower lid.
  Mask lidShade = p.Line(m(upper), 5.0f);
  IntersectWith(lidShade, white);
  p.c.Paint(lidShade, Darker(who.skin, 0.6f), 0.5f);
  p.c.Paint(p.Area(m(TaperedStroke(upper, 1.2f, who.lashes ? 3.6f : 2.4f))), kLine);
  if (who.lashes) {
    for (int k = 0; k < 2; ++k) {
      float lift = float(k) * 3;
      p.c.Paint(p.Area(m(TaperedStroke({{w - 2 - lift, -tilt - 1 - lift * 0.6f},
                                        {w + 3 - lift * 0.6f, -tilt - 4 - lift},
                                        {w + 5 - lift * 0.5f, -tilt - 7 - lift * 1.2f}},
                                       2.0f, 0.3f))),
                kLine);
    }
  }
  p.c.Paint(
      p.Line(m(SmoothOpen({{w * 0.75f, h * 0.45f}, {0, h * 0.72f}, {-w * 0.6f, h * 0.6f}}, 6)),
             0.9f),
      Darker(who.skin, 0.55f));
  if (who.age == Character::Age::kElder)
    for (int k = -1; k <= 1; ++k)
      p.c.Paint(p.Line(m(Path{{w + 3, float(k) * 3}, {w + 8, float(k) * 4.5f}}), 0.8f),
                Darker(who.skin, 0.7f));
}

void Brow(Pen& p, const Character& who, const FaceMetrics& fm, float side) {
  auto m = [&](Path path) {
    if (side < 0) path = Flipped(path);
    return path;
  };
  float ex = fm.eyeX, by = fm.eyeY - 12 * fm.eyeScale - 6;
  if (who.age == Character::Age::kChild) by -= 3;
  Col brow = who.age == Character::Age::kElder ? Hex(0xe8e4f0) : Darker(who.hair, 0.6f);
  switch (who.brows) {
    case Character::Brows::kThin:
      p.c.Paint(
          p.Area(m(TaperedStroke(
              SmoothOpen({{ex - 12, by + 2}, {ex, by - 2.5f}, {ex + 13, by + 1}}, 6), 2.0f, 0.6f))),
          brow);
      break;
    case Character::Brows::kStraight:
      p.c.Paint(p.Area(m(TaperedStroke(
                    SmoothOpen({{ex - 13, by + 1}, {ex, by - 1}, {ex + 13, by}}, 6), 3.0f, 1.1f))),
                brow);
      break;
    case Character::Brows::kStern:
      p.c.Paint(
          p.Area(m(TaperedStroke(
              SmoothOpen({{ex - 14, by + 5}, {ex - 2, by}, {ex + 13, by - 3}}, 6), 4.2f, 1.6f))),
          brow);
      break;
    case Character::Brows::kBushy:
      for (int k = 0; k < 3; ++k) {
        float o = float(k) * 1.6f;
        p.c.Paint(p.Area(m(TaperedStroke(SmoothOpen({{ex - 14, by + 2 + o},
                                                     {ex, by - 2 + o},
                                                     {ex + 14, by + o * 0.5f},
                                                     {ex + 19, by + 5 + o}},
                                                    6),
                                         3.4f, 1.4f))),
                  k == 1 ? Darker(brow, 0.85f) : brow);
      }
      break;
  }
}

void Nose(Pen& p, const Character& who, const FaceMetrics& fm) {
  float y = fm.noseY;
  Col shade = Darker(who.skin, 0.65f);
  switch (who.nose) {
    case Character::Nose::kButton:
      p.c.Paint(p.Line(SmoothOpen({{1, y - 1}, {3, y + 1.5f}, {0, y + 2.5f}}, 6), 1.3f), shade);
      p.c.Paint(p.Area(Circle({-0.5f, y - 2.5f}, 1.2f, 10)), Lighter(who.skin, 0.5f), 0.7f);
      break;
    case Character::Nose::kLine:
      p.c.Paint(p.Line(SmoothOpen({{3, y - 6}, {5, y}, {1, y + 2}}, 6), 1.4f), shade);
      break;
    case Character::Nose::kBridge:
      p.c.Paint(p.Line(SmoothOpen({{4, y - 20}, {6, y - 6}, {8, y + 1}, {2, y + 4}}, 8), 1.5f),
                shade);
      p.c.Paint(p.Line(SmoothOpen({{-4, y + 2}, {-2, y + 4}, {0, y + 4}}, 4), 1.2f), shade);
      break;
  }
}

void Mouth(Pen& p, const Character& who, const FaceMetrics& fm) {
  float y = fm.mouthY;
  const Col lip = Hex(0x8a3a3a), inside = Hex(0x6a1e26);
  switch (who.mouth) {
    case Character::Mouth::kSmile:
      p.c.Paint(p.Line(SmoothOpen({{-9, y - 2}, {0, y + 1.5f}, {9, y - 2}}, 8), 1.6f), lip);
      p.c.Paint(p.Line(SmoothOpen({{-3, y + 4.5f}, {0, y + 5}, {3, y + 4.5f}}, 4), 1.0f),
                Darker(who.skin, 0.8f));
      break;
    case Character::Mouth::kGrin: {
      Path open = SmoothClosed(
          {{-12, y - 3}, {0, y - 1.5f}, {12, y - 3}, {7, y + 5}, {0, y + 7}, {-7, y + 5}}, 6);
      Mask m = p.Area(open);
      p.c.Paint(m, inside);
      Mask teeth = p.Area(Box(-10, y - 4, 10, y + 0.5f));
      IntersectWith(teeth, m);
      p.c.Paint(teeth, Hex(0xfff8f0));
      Mask tongue = p.Area(Ellipse({0, y + 6}, 5, 2.6f, 16));
      IntersectWith(tongue, m);
      p.c.Paint(tongue, Hex(0xe07080));
      p.c.Paint(p.Line(open, 1.4f, true), kLine);
      if (who.foxEars)  // a small fang
        p.Solid(Path{{5, y - 1.5f}, {8, y - 1.8f}, {6.5f, y + 2.5f}}, Hex(0xffffff), 0.8f);
      break;
    }
    case Character::Mouth::kCalm:
      p.c.Paint(p.Line(SmoothOpen({{-6, y}, {0, y + 0.8f}, {6, y}}, 6), 1.3f), lip);
      p.c.Paint(p.Area(Ellipse({0, y + 4}, 3, 1.2f, 12)), Darker(who.skin, 0.85f), 0.8f);
      break;
    case Character::Mouth::kFirm:
      p.c.Paint(p.Line(SmoothOpen({{-11, y + 1}, {-4, y}, {4, y}, {11, y + 1.2f}}, 6), 1.8f),
                Darker(lip, 0.8f));
      p.c.Paint(p.Line(SmoothOpen({{-4, y + 6}, {0, y + 6.5f}, {4, y + 6}}, 4), 1.1f),
                Darker(who.skin, 0.75f));
      break;
    case Character::Mouth::kSinging: {
      Path open = Ellipse({0, y + 2}, 5, 6.5f, 24);
      p.c.Paint(p.Area(open), inside);
      Mask tongue = p.Area(Ellipse({0, y + 6}, 3.5f, 2.2f, 16));
      IntersectWith(tongue, p.Area(open));
      p.c.Paint(tongue, Hex(0xe07080));
      p.c.Paint(p.Line(open, 1.3f, true), lip);
      break;
    }
  }
}

void Face(Pen& p, const Character& who) {
  FaceMetrics fm = Metrics(who);
  Path face = FaceOutline(who);
  Mask skin = p.Area(face);
  float top = p.t({0, -70}).y, bottom = p.t({0, fm.chin}).y;
  p.c.PaintWith(skin, [&](int, int y) {
    return Mix(Lighter(who.skin, 0.08f), who.skin, Smooth(top, bottom, float(y)));
  });
  // Shade on the cheek away from the light; a square jaw has its own shadow.
  Mask shade = p.Area(Ellipse({-44, 20}, 22, 52, 40));
  if (who.face == Character::Face::kSquare) UnionInto(shade, p.Area(Ellipse({0, fm.chin}, 40, 10)));
  shade = Blurred(shade, int(6 * p.s));
  IntersectWith(shade, skin);  // after the blur, so no shade falls outside the face
  p.c.Paint(shade, Darker(who.skin, 0.82f), 0.6f);
  if (who.age == Character::Age::kChild || who.age == Character::Age::kYoung)
    for (float s : {-1.0f, 1.0f}) {
      Mask blush = Blurred(p.Area(Ellipse({s * 30, fm.eyeY + 22}, 11, 6, 24)), int(3 * p.s + 1));
      p.c.Paint(blush, Hex(0xf08a8a), who.age == Character::Age::kChild ? 0.45f : 0.3f);
    }
  if (!who.faceless) {
    Eye(p, who, fm, 1);
    Eye(p, who, fm, -1);
    Brow(p, who, fm, 1);
    Brow(p, who, fm, -1);
    Nose(p, who, fm);
    if (!who.beard) Mouth(p, who, fm);
    if (who.freckles) {
      Rng rng(17);
      for (float s : {-1.0f, 1.0f})
        for (int i = 0; i < 5; ++i)
          p.c.Paint(p.Area(Circle({s * rng.Range(12, 30), fm.noseY + rng.Range(-7, 2)}, 1.1f, 8)),
                    Darker(who.skin, 0.72f), 0.8f);
    }
    if (who.beautyMark)
      p.c.Paint(p.Area(Circle({-fm.eyeX - 6, fm.eyeY + 17}, 1.5f, 10)), Hex(0x4a2a2a));
    if (who.scar) {
      Path scar = SmoothOpen({{-38, fm.eyeY + 8}, {-31, fm.eyeY + 18}, {-24, fm.eyeY + 27}}, 6);
      p.c.Paint(p.Line(scar, 2.4f), Darker(who.skin, 0.8f));
      p.c.Paint(p.Line(scar, 1.0f), Hex(0xf0c0b0));
    }
    if (who.foreheadMark) {
      Vec2 k{0, fm.eyeY - 28};
      p.Solid(Path{k + Vec2{0, -5}, k + Vec2{3, 0}, k + Vec2{0, 5}, k + Vec2{-3, 0}}, who.trim,
              0.8f);
    }
    if (who.age == Character::Age::kElder) {
      for (float s : {-1.0f, 1.0f})
        p.c.Paint(
            p.Line(SmoothOpen(
                       {{s * 14, fm.noseY}, {s * 20, fm.mouthY - 4}, {s * 19, fm.mouthY + 6}}, 4),
                   1.0f),
            Darker(who.skin, 0.75f));
    }
  }
  p.c.Paint(p.Line(face, 2.2f, true), kLine);
}

void Beard(Pen& p, const Character& who) {
  bool elder = who.age == Character::Age::kElder;
  Col beard = elder ? Hex(0xf0eef8) : who.hair;
  Col shade = Darker(beard, elder ? 0.8f : 0.7f);
  Path shape =
      Mirror({{0, 30}, {30, 34}, {50, 8}, {54, 40}, {46, 90}, {30, 150}, {10, 190}, {0, 200}}, 8);
  if (!elder)
    shape = Mirror({{0, 30}, {30, 34}, {50, 8}, {56, 44}, {50, 90}, {36, 120}, {0, 130}}, 8);
  p.Graded(shape, beard, shade, 30, elder ? 200.0f : 130.0f);
  // Strands, a laugh showing through, then the moustache over the mouth.
  for (int i = -3; i <= 3; ++i) {
    float x = float(i) * 11;
    p.c.Paint(
        p.Line(SmoothOpen({{x, 58}, {x * 1.1f + 3, 90}, {x * 0.6f, elder ? 170.0f : 115.0f}}, 8),
               1.0f),
        shade);
  }
  if (!elder) {
    // Two braids with gold rings.
    for (float s : {-1.0f, 1.0f}) {
      p.Solid(Box(s * 20 - 5, 116, s * 20 + 5, 150), beard, 1.5f);
      p.Solid(Box(s * 20 - 7, 128, s * 20 + 7, 136), who.trim, 1.2f);
    }
  }
  if (who.mouth == Character::Mouth::kGrin) Mouth(p, who, Metrics(who));
  // The sage's moustache curls up at its ends; the smith's hangs heavy.
  Path moustache =
      elder ? Mirror({{0, 40}, {14, 35}, {30, 38}, {44, 30}, {42, 40}, {28, 48}, {0, 47}}, 6)
            : Mirror({{0, 38}, {14, 34}, {34, 44}, {40, 56}, {26, 48}, {0, 46}}, 6);
  p.Solid(moustache, Lighter(beard, 0.1f), 1.5f);
}

void FrontHair(Pen& p, const Character& who) {
  if (who.hair_style == Character::Hair::kNone) return;
  bool longSides = who.hair_style != Character::Hair::kShort;
  float sideY = longSides ? 40.0f : 4.0f;
  // Outer edge over the crown, then the fringe's edge back from right to left.
  Path k{{-56, sideY}, {-60, -20}, {-56, -56}, {-34, -82}, {0, -90},
         {34, -82},    {56, -56},  {60, -20},  {56, sideY}};
  Path edge;
  switch (who.fringe) {
    case Character::Fringe::kBangs:
      edge = {{48, sideY - 24}, {46, -8},  {38, -11},  {30, -8},   {22, -12},
              {14, -8},         {6, -12},  {-2, -8},   {-10, -12}, {-18, -8},
              {-26, -12},       {-34, -8}, {-40, -11}, {-46, -8},  {-48, sideY - 24}};
      break;
    case Character::Fringe::kSwept:
      edge = {{48, sideY - 24}, {46, -4},   {32, -6},   {20, -12},  {10, -22},  {0, -30},
              {-10, -27},       {-20, -36}, {-30, -31}, {-40, -38}, {-46, -20}, {-48, sideY - 24}};
      break;
    case Character::Fringe::kParted:
      edge = {{48, sideY - 24}, {46, -2},   {40, -18},  {28, -36}, {14, -50},        {0, -60},
              {-14, -50},       {-28, -36}, {-40, -18}, {-46, -2}, {-48, sideY - 24}};
      break;
    case Character::Fringe::kSpiky:
      edge = {{48, sideY - 24}, {44, -8},   {34, -3},         {30, -26}, {20, 1},
              {10, -28},        {0, -7},    {-8, -30},        {-18, -2}, {-26, -26},
              {-36, -5},        {-42, -16}, {-48, sideY - 24}};
      break;
    case Character::Fringe::kBack:  // short, parted on one side, off the brow
      edge = {{52, sideY - 8}, {50, -22},  {40, -34},  {24, -38},  {10, -36},       {-2, -43},
              {-10, -38},      {-26, -35}, {-40, -30}, {-50, -18}, {-52, sideY - 8}};
      break;
  }
  k.insert(k.end(), edge.begin(), edge.end());
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
  // Strand lines from the crown towards each tip of the fringe.
  for (size_t i = 1; i + 1 < edge.size(); ++i) {
    if (edge[i].y < edge[i - 1].y || edge[i].y < edge[i + 1].y) continue;
    Vec2 tip = edge[i];
    Path strand = SmoothOpen({{tip.x * 0.2f, -84},
                              {tip.x * 0.8f, -50 + (tip.y + 10) * 0.3f},
                              {tip.x * 0.95f, tip.y - 8}},
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

// Everything a figure drawn into `after` changed from `before`.
Mask Coverage(const Canvas& after, const Canvas& before) {
  Mask cover(after.w, after.h);
  for (size_t i = 0; i < after.px.size(); ++i) {
    Col a = after.px[i], b = before.px[i];
    cover.a[i] =
        std::fabs(a.r - b.r) + std::fabs(a.g - b.g) + std::fabs(a.b - b.b) > 0.001f ? 1.0f : 0.0f;
  }
  return cover;
}

// Rim light from the right: a band of the fill just inside the figure's right
// outline, so the ink line stays on the edge of the hair or cloth it belongs
// to and the light lies on the surface. `s` is the figure's scale (its ink is
// 2 units wide); `strength(x, y)` is how much of the light a pixel takes.
template <typename Strength>
void RimLight(Canvas& layer, const Mask& cover, float s, Col light, Strength strength) {
  int ink = int(std::ceil(2 * s));
  int band = std::max(2, int(3 * s));
  for (int y = 0; y < layer.h; ++y) {
    int run = 0;  // covered pixels from x to the figure's edge on the right
    for (int x = layer.w - 1; x >= 0; --x) {
      run = cover.at(x, y) > 0 ? run + 1 : 0;
      if (run > ink && run <= ink + band) {
        float fade = 1.0f - float(run - ink - 1) / float(band);  // brightest next to the ink
        layer.at(x, y) = Mix(layer.at(x, y), light, strength(x, y) * (0.5f + 0.5f * fade));
      }
    }
  }
}

}  // namespace

void PaintBust(Canvas& c, const Character& who, const Affine& place) {
  Canvas layer = c;  // drawn on a copy, so the rim light can find the silhouette
  Pen p(layer, place);
  HoodBack(p, who);
  QuiverBehind(p, who);
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
  RimLight(layer, Coverage(layer, c), p.s, who.rimLight, [](int, int) { return 0.45f; });
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
  nolu.fringe = Character::Fringe::kBangs;
  nolu.headwear = Character::Headwear::kRibbon;
  nolu.age = Character::Age::kChild;
  nolu.face = Character::Face::kRound;
  nolu.eyeShape = Character::Eyes::kRound;
  nolu.nose = Character::Nose::kButton;
  nolu.lashes = true;
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

  // Rim light from the lantern side, and the lantern's glow over her and around.
  Mask cover = Coverage(layer, c);
  Vec2 glow = p.t(lc);
  RimLight(layer, cover, s, nolu.rimLight, [&](int x, int y) {
    return 0.45f * Smooth(300 * s * 2, 0, Length(Vec2{float(x), float(y)} - glow)) + 0.15f;
  });
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
