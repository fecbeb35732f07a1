// Portraits: Vennolu, Orine and Dova as full pictures with a caption, and the
// gallery of six people of the other lands in one shared frame (an arch like
// the door), each with a name plate.
#include "tools/datagen/art.h"
#include "tools/datagen/figures.h"
#include "tools/datagen/scenery.h"

namespace datagen {

using namespace look;

namespace {

// ---- The people ----

// Each face is their own: shape, eyes, brows, nose, mouth, fringe and age
// differ, in the one drawing style.
using C = Character;

Character Vennolu() {
  // Ageless and serene: a long face under the hood, half-closed gold eyes,
  // curtains of silver hair, the door's mark on her brow.
  Character c;
  c.skin = Hex(0xf2d6c2);
  c.hair = Hex(0xc8c0e0);
  c.eyes = Hex(0xe0a030);
  c.cloth = Hex(0x27306a);
  c.hair_style = C::Hair::kLong;
  c.fringe = C::Fringe::kParted;
  c.headwear = C::Headwear::kHood;
  c.outfit = C::Outfit::kCloak;
  c.face = C::Face::kLong;
  c.eyeShape = C::Eyes::kSleepy;
  c.brows = C::Brows::kThin;
  c.mouth = C::Mouth::kCalm;
  c.lashes = true;
  c.foreheadMark = true;
  c.keyPendant = true;
  return c;
}

Character Orine() {
  // A young scholar: heart-shaped face, wide eyes behind round glasses, a
  // lock swept across her brow, a small smile.
  Character c;
  c.hair = Hex(0x7a4424);
  c.eyes = Hex(0x2a9a8a);
  c.cloth = Hex(0x7a2438);
  c.hair_style = C::Hair::kBob;
  c.fringe = C::Fringe::kSwept;
  c.outfit = C::Outfit::kRobe;
  c.face = C::Face::kHeart;
  c.eyeShape = C::Eyes::kRound;
  c.nose = C::Nose::kButton;
  c.lashes = true;
  c.glasses = true;
  return c;
}

Character Dova() {
  // A grown knight: square jaw, narrow steady eyes under stern brows, hair
  // combed back, a scar on the cheek, a firm mouth.
  Character c;
  c.skin = Hex(0xe2b898);
  c.hair = Hex(0x262a4a);
  c.eyes = Hex(0x5a86c8);
  c.cloth = Hex(0x1e2a66);
  c.hair_style = C::Hair::kShort;
  c.fringe = C::Fringe::kBack;
  c.outfit = C::Outfit::kArmour;
  c.age = C::Age::kAdult;
  c.face = C::Face::kSquare;
  c.eyeShape = C::Eyes::kNarrow;
  c.brows = C::Brows::kStern;
  c.nose = C::Nose::kBridge;
  c.mouth = C::Mouth::kFirm;
  c.scar = true;
  c.rimLight = Hex(0xa8c4f0);  // the cold night around the castle, not a lamp's warmth
  return c;
}

Character Ubeko() {
  // A fox child of the forest: round face, big eyes, spiky hair, freckles,
  // a grin with a fang.
  Character c;
  c.hair = Hex(0xe07830);
  c.eyes = Hex(0xd08a20);
  c.cloth = Hex(0x2a6a4a);
  c.accent = Hex(0x3aa070);
  c.trim = Hex(0xf0c060);
  c.hair_style = C::Hair::kBob;
  c.fringe = C::Fringe::kSpiky;
  c.foxEars = true;
  c.outfit = C::Outfit::kCloak;
  c.age = C::Age::kChild;
  c.face = C::Face::kRound;
  c.eyeShape = C::Eyes::kRound;
  c.brows = C::Brows::kThin;
  c.nose = C::Nose::kButton;
  c.mouth = C::Mouth::kGrin;
  c.freckles = true;
  return c;
}

Character Fenari() {
  // The moon archer: an elf with a cool oval face, tilted almond eyes, a
  // straight-cut fringe and level brows, in a moonlit blue cloak with
  // silver trim, her quiver over her shoulder.
  Character c;
  c.skin = Hex(0xf6e0cc);
  c.hair = Hex(0xd8d080);
  c.eyes = Hex(0x4aa060);
  c.cloth = Hex(0x34507a);
  c.trim = Hex(0xd0dcec);
  c.accent = Hex(0x40c0a0);
  c.quiver = true;
  c.hair_style = C::Hair::kLong;
  c.fringe = C::Fringe::kBangs;
  c.headwear = C::Headwear::kCirclet;
  c.outfit = C::Outfit::kCloak;
  c.elfEars = true;
  c.face = C::Face::kOval;
  c.eyeShape = C::Eyes::kAlmond;
  c.brows = C::Brows::kStraight;
  c.mouth = C::Mouth::kCalm;
  c.lashes = true;
  return c;
}

Character Tamor() {
  // The old star-reader: a long face, small kind eyes under bushy white
  // brows, a long nose, lines, a beard to his chest.
  Character c;
  c.skin = Hex(0xeccab0);
  c.hair = Hex(0xe8e6f0);
  c.eyes = Hex(0x6a8ac0);
  c.cloth = Hex(0x3a2a6a);
  c.accent = Hex(0x2a3070);
  c.hair_style = C::Hair::kShort;
  c.fringe = C::Fringe::kParted;
  c.headwear = C::Headwear::kWizardHat;
  c.outfit = C::Outfit::kRobe;
  c.age = C::Age::kElder;
  c.face = C::Face::kLong;
  c.eyeShape = C::Eyes::kSleepy;
  c.brows = C::Brows::kBushy;
  c.nose = C::Nose::kBridge;
  c.beard = true;
  return c;
}

Character Brakendo() {
  // The master smith: a broad square face, eyes shut in a laugh, bushy
  // brows, a big nose, a grin in a braided beard.
  Character c;
  c.skin = Hex(0xd8a07a);
  c.hair = Hex(0xa8482a);
  c.eyes = Hex(0x6a4a2a);
  c.cloth = Hex(0x5a3a24);
  c.accent = Hex(0x9a2a2a);
  c.hair_style = C::Hair::kShort;
  c.fringe = C::Fringe::kSpiky;
  c.headwear = C::Headwear::kBandana;
  c.outfit = C::Outfit::kApron;
  c.age = C::Age::kAdult;
  c.face = C::Face::kSquare;
  c.eyeShape = C::Eyes::kLaughing;
  c.brows = C::Brows::kBushy;
  c.nose = C::Nose::kBridge;
  c.mouth = C::Mouth::kGrin;
  c.beard = true;
  return c;
}

Character Tobiran() {
  Character c;
  c.eyes = Hex(0x80e0ff);
  c.cloth = Hex(0x2a2060);
  c.trim = Hex(0xe8b050);
  c.hair_style = C::Hair::kNone;
  c.headwear = C::Headwear::kHood;
  c.outfit = C::Outfit::kCloak;
  c.faceless = true;
  c.rimLight = Hex(0x80c0ff);
  return c;
}

Character Hovane() {
  // The sea's songstress, singing: an oval face, eyes half closed, a lock
  // swept over her brow, a beauty mark, lips parted in song.
  Character c;
  c.skin = Hex(0xf6dcc8);
  c.hair = Hex(0x4a2a6a);
  c.eyes = Hex(0x9a5ad0);
  c.cloth = Hex(0x2a4a9a);
  c.accent = Hex(0x40a0e0);
  c.hair_style = C::Hair::kWavy;
  c.fringe = C::Fringe::kSwept;
  c.headwear = C::Headwear::kTiara;
  c.outfit = C::Outfit::kGown;
  c.face = C::Face::kOval;
  c.eyeShape = C::Eyes::kSleepy;
  c.brows = C::Brows::kThin;
  c.mouth = C::Mouth::kSinging;
  c.lashes = true;
  c.beautyMark = true;
  return c;
}

// ---- Their lands ----

void DoorLight(Canvas& c) {
  PaintSky(c, float(c.h), NightRamp(), 14, 0.05f);
  Vec2 base{float(c.w) * 0.62f, float(c.h) + 20};
  c.Paint(Fill(DoorArch(base, 360, 560), c.w, c.h), Hex(0x2a2a4a));
  Mask open = Fill(DoorArch(base, 300, 520), c.w, c.h);
  c.PaintWith(open,
              [&](int, int y) { return Mix(kCream, kAmber, Smooth(0, float(c.h), float(y))); });
  c.AddLight(Blurred(open, 20), kAmber, 0.5f);
  c.Paint(Stroke(DoorArch(base, 300, 520), 3, false, c.w, c.h), Hex(0x120e22));
  Rng rng(8);
  for (int i = 0; i < 40; ++i)
    c.Glow({rng.Range(0, float(c.w)), rng.Range(0, float(c.h))}, rng.Range(0.8f, 2.0f), kGold,
           rng.Range(0.3f, 0.9f));
}

void Library(Canvas& c) {
  c.Shade(
      [&](int, int y, Col) { return Mix(Hex(0x2a1a20), Hex(0x140c14), float(y) / float(c.h)); });
  Rng rng(21);
  // Shelves of books, warm in the candlelight.
  const Col spines[5] = {Hex(0x8a2a2a), Hex(0x2a4a7a), Hex(0x3a6a3a), Hex(0x9a7a3a), Hex(0x5a2a6a)};
  for (int row = 0; row < 6; ++row) {
    float y1 = 70 + float(row) * 80, y0 = y1 - 64;
    for (float x = 0; x < float(c.w);) {
      float w = rng.Range(8, 18), h = rng.Range(44, 62);
      Col col = spines[rng.Int(0, 4)] * rng.Range(0.6f, 1.0f);
      Mask book = Fill(Box(x, y1 - h, x + w - 1, y1), c.w, c.h);
      c.Paint(book, col);
      c.Paint(Fill(Box(x + 2, y1 - h + 8, x + w - 3, y1 - h + 11), c.w, c.h), kGold, 0.6f);
      x += w;
    }
    c.Paint(Fill(Box(0, y1, float(c.w), y1 + 12), c.w, c.h), Hex(0x3a2414));
    (void)y0;
  }
  // A round window with the night sky.
  Vec2 win{120, 130};
  Mask round = Fill(Circle(win, 70), c.w, c.h);
  c.Paint(round, kNight1);
  c.Paint(Stroke(Circle(win, 70), 10, true, c.w, c.h), Hex(0x3a2414));
  c.Paint(Stroke(Path{{win.x - 70, win.y}, {win.x + 70, win.y}}, 4, false, c.w, c.h),
          Hex(0x3a2414));
  c.Paint(Stroke(Path{{win.x, win.y - 70}, {win.x, win.y + 70}}, 4, false, c.w, c.h),
          Hex(0x3a2414));
  for (int i = 0; i < 30; ++i) {
    Vec2 s{win.x + rng.Range(-60, 60), win.y + rng.Range(-60, 60)};
    if (Length(s - win) < 60) c.Glow(s, 0.7f, kStar, rng.Range(0.4f, 1.0f));
  }
  // Candlelight from the lower left, and a soft vignette.
  c.Glow({60, 420}, 200, kAmber, 0.25f);
  c.Shade([&](int x, int y, Col k) {
    float d = Length(Vec2{float(x) - c.w * 0.6f, float(y) - c.h * 0.4f}) / float(c.w);
    return k * (1.0f - 0.6f * Smooth(0.3f, 0.8f, d));
  });
}

void Battlements(Canvas& c) {
  PaintSky(c, float(c.h) * 0.8f, DuskRamp(), 31, 0.05f);
  Rng rng(31);
  PaintStars(c, rng, 200, float(c.h) * 0.6f, 0.9f);
  PaintMoon(c, {float(c.w) * 0.2f, 110}, 46);
  // A tower and a wall with crenellations, banners in the wind.
  Path wall{{0, 360}};
  for (int i = 0; i < 16; ++i) {
    float x = float(i) * 44;
    wall.push_back({x, 360});
    wall.push_back({x, 336});
    wall.push_back({x + 24, 336});
    wall.push_back({x + 24, 360});
  }
  wall.push_back({float(c.w), 360});
  wall.push_back({float(c.w), float(c.h)});
  wall.push_back({0, float(c.h)});
  c.Paint(Fill(wall, c.w, c.h), Hex(0x141838));
  c.Paint(Fill(Box(40, 150, 130, 480), c.w, c.h), Hex(0x181c40));
  c.Paint(Fill(Path{{30, 152}, {85, 70}, {140, 152}}, c.w, c.h), Hex(0x1e1e48));
  c.Paint(Fill(Box(76, 200, 94, 230), c.w, c.h), kGold);
  for (float x : {200.0f, 560.0f}) {
    c.Paint(Fill(Box(x, 220, x + 3, 340), c.w, c.h), Hex(0x2a2a40));
    Path flag = SmoothClosed({{x + 3, 222},
                              {x + 40, 232},
                              {x + 70, 226},
                              {x + 62, 246},
                              {x + 70, 262},
                              {x + 36, 258},
                              {x + 3, 262}},
                             6);
    c.Paint(Fill(flag, c.w, c.h), Hex(0x8a2030));
    c.Paint(Fill(Star({x + 30, 244}, 8, 3, 5), c.w, c.h), kGold);
  }
}

void Forest(Canvas& c, uint32_t seed, Col glow) {
  PaintSky(c, float(c.h), NightRamp(), seed, 0.06f);
  Rng rng(seed);
  c.Glow({float(c.w) * 0.5f, float(c.h) * 0.35f}, 160, glow, 0.25f);
  // Three layers of trunks and crowns, darker towards us.
  for (int layer = 0; layer < 3; ++layer) {
    Col col = Mix(Hex(0x2a3a6a), Hex(0x0a1020), float(layer) / 2.0f);
    for (int i = 0; i < 7 - layer * 2; ++i) {
      float x = rng.Range(-40, float(c.w) + 40), w = 10 + float(layer) * 10;
      c.Paint(Fill(Box(x - w / 2, 100, x + w / 2, float(c.h)), c.w, c.h), col);
      Mask crown(c.w, c.h);
      for (int k = 0; k < 6; ++k)
        UnionInto(crown,
                  Fill(Circle({x + rng.Range(-60, 60), rng.Range(-20, 140)}, rng.Range(40, 80), 40),
                       c.w, c.h));
      c.Paint(crown, col);
    }
  }
  for (int i = 0; i < 50; ++i) {
    Vec2 p{rng.Range(0, float(c.w)), rng.Range(float(c.h) * 0.3f, float(c.h))};
    c.Glow(p, rng.Range(2, 4), Hex(0xc0f080), 0.5f);
    c.Glow(p, 0.8f, Hex(0xf0ffd0), 1.0f);
  }
}

void Observatory(Canvas& c) {
  c.Shade(
      [&](int, int y, Col) { return Mix(Hex(0x141a48), Hex(0x06081a), float(y) / float(c.h)); });
  Vec2 o{float(c.w) * 0.5f, float(c.h) * 0.3f};
  for (float r : {90.0f, 150.0f, 210.0f})
    c.AddLight(Stroke(Circle(o, r, 160), 1.4f, true, c.w, c.h), kGold, 0.35f);
  for (int i = 0; i < 12; ++i) {
    float a = 2 * kPi * float(i) / 12;
    c.AddLight(Stroke(Path{o + Vec2{std::cos(a), std::sin(a)} * 90,
                           o + Vec2{std::cos(a), std::sin(a)} * 260},
                      1.0f, false, c.w, c.h),
               kGold, 0.2f);
  }
  Rng rng(41);
  PaintStars(c, rng, 300, float(c.h), 1.0f);
  PaintRuneRing(c, o, 180, 14, 24, kAmber, 1.2f, 300);
}

void Forge(Canvas& c) {
  c.Shade([&](int x, int y, Col) {
    float d = Length(Vec2{float(x) - float(c.w) * 0.3f, float(y) - float(c.h) * 0.9f}) / float(c.w);
    return Mix(Hex(0xe06a20), Hex(0x1a0c10), Smooth(0.0f, 0.8f, d));
  });
  // Stone wall blocks, an anvil, sparks.
  for (int row = 0; row < 12; ++row)
    for (int col = 0; col < 12; ++col) {
      float x = float(col) * 64 + (row % 2 ? 32.0f : 0.0f), y = float(row) * 40;
      c.Paint(Stroke(Box(x, y, x + 62, y + 38), 2, true, c.w, c.h), Hex(0x0a0608), 0.5f);
    }
  Rng rng(51);
  for (int i = 0; i < 90; ++i) {
    Vec2 p{float(c.w) * 0.3f + rng.Range(-160, 260), rng.Range(40, float(c.h))};
    c.Glow(p, rng.Range(0.6f, 1.4f), Hex(0xffd080), rng.Range(0.5f, 1.2f));
  }
}

void Portal(Canvas& c) {
  Vec2 o{float(c.w) * 0.5f, float(c.h) * 0.4f};
  c.Shade([&](int x, int y, Col) {
    Vec2 d{float(x) - o.x, float(y) - o.y};
    float r = Length(d), a = std::atan2(d.y, d.x);
    float swirl = 0.5f + 0.5f * std::sin(a * 3 + r / 18.0f);
    Col base = Mix(Hex(0x2a2a80), Hex(0x080a20), Smooth(0, 300, r));
    return base + Hex(0x4a80d0) * (swirl * std::exp(-r / 160.0f) * 0.6f) +
           kAmber * (std::exp(-r / 40.0f) * 0.6f);
  });
  Rng rng(61);
  PaintStars(c, rng, 200, float(c.h), 0.8f);
}

void SeaBalcony(Canvas& c) {
  float horizon = float(c.h) * 0.6f;
  PaintSky(c, horizon, DuskRamp(), 71, 0.04f);
  Rng rng(71);
  PaintStars(c, rng, 160, horizon * 0.8f, 0.9f);
  PaintMoon(c, {float(c.w) * 0.75f, 90}, 30, 0.0f);
  for (int y = int(horizon); y < c.h; ++y)
    for (int x = 0; x < c.w; ++x) {
      float n = Fbm(float(x) / 40.0f, float(y) / 4.0f, 72, 3);
      float glint =
          std::exp(-std::pow((float(x) - float(c.w) * 0.75f) / (10 + (float(y) - horizon) * 0.8f),
                             2.0f)) *
          Smooth(0.55f, 0.7f, n);
      c.at(x, y) =
          Mix(Hex(0x2a3070), Hex(0x0c1030), Smooth(horizon, float(c.h), float(y))) + kGold * glint;
    }
  // The balustrade in front.
  float top = float(c.h) - 90;
  c.Paint(Fill(Box(0, top, float(c.w), top + 14), c.w, c.h), Hex(0xd8d0e8));
  for (float x = 10; x < float(c.w); x += 34) {
    Path post = SmoothClosed({{x, top + 14},
                              {x + 14, top + 14},
                              {x + 16, top + 40},
                              {x + 12, top + 60},
                              {x + 14, top + 90},
                              {x, top + 90},
                              {x + 2, top + 60},
                              {x - 2, top + 40}},
                             4);
    c.Paint(Fill(post, c.w, c.h), Hex(0xb0a8c8));
  }
}

// ---- Layouts ----

// A caption in the lower left of a story portrait: name, role and the
// Japanese line, on a dark band.
void Caption(Canvas& c, const Fonts& fonts, const char* name, const char* role,
             const char* japanese) {
  Mask band(c.w, c.h);
  for (int y = 370; y < c.h; ++y)
    for (int x = 0; x < c.w; ++x)
      band.at(x, y) = Smooth(370, 420, float(y)) * (1 - Smooth(260, 420, float(x))) * 0.7f;
  c.Paint(band, kNight0);
  Shape title = fonts.serifItalic->Outline(name, 40, {28, 428});
  c.Paint(Grown(Fill(title, c.w, c.h), 2), kInk);
  PaintMetalText(c, title, 2, 0, nullptr);
  c.Paint(Fill(fonts.serifItalic->Outline(role, 17, {32, 450}), c.w, c.h), kCream);
  c.Paint(Fill(fonts.mincho->Outline(japanese, 15, {32, 470}), c.w, c.h), kGold);
}

Canvas StoryPortrait(const Fonts& fonts, void (*land)(Canvas&), const Character& who,
                     const char* name, const char* role, const char* japanese) {
  Canvas c(640, 480);
  land(c);
  PaintBust(c, who, Affine::Translate(410, 190) * Affine::Scale(1.55f, 1.55f));
  Caption(c, fonts, name, role, japanese);
  return c;
}

// The gallery frame: an arched window in gold on a patterned night field, a
// name plate under it.
Canvas GalleryPortrait(const Fonts& fonts, const Character& who, void (*land)(Canvas&),
                       const char* name, const char* japanese) {
  const int W = 640, H = 480;
  Canvas c(W, H);
  // The field: deep blue with a fine lattice of gold and scattered stars.
  c.Shade([&](int x, int y, Col) {
    float u = float(x + y) / 24.0f, v = float(x - y) / 24.0f;
    float du = std::fabs(u - std::round(u)), dv = std::fabs(v - std::round(v));
    float line = Smooth(0.06f, 0.0f, std::min(du, dv));
    float r = Length(Vec2{float(x) - 320, float(y) - 220}) / 400.0f;
    return Mix(Hex(0x141c4a), kNight0, Smooth(0.2f, 1.0f, r)) + Hex(0x5a4a30) * (line * 0.35f);
  });
  // The window: the person's land and the person, cut to the arch.
  const Vec2 base{320, 392};
  const float aw = 280, ah = 372;
  Canvas inside(W, H);
  land(inside);
  PaintBust(inside, who, Affine::Translate(320, 178) * Affine::Scale(1.12f, 1.12f));
  Mask window = Fill(DoorArch(base, aw, ah), W, H);
  c.PaintWith(window, [&](int x, int y) { return inside.at(x, y); });
  // The gold moulding, a keystone gem, small stars along the arch.
  Path arch = DoorArch(base, aw + 14, ah + 7);
  Mask moulding = Stroke(arch, 14, false, W, H);
  SubtractFrom(moulding, window);
  c.PaintWith(moulding, [&](int x, int y) {
    float d = Length(Vec2{float(x) - 320, float(y) - (base.y - ah + aw / 2)});
    float t = std::fabs(std::fmod(d, 14.0f) / 14.0f - 0.5f) * 2;
    return Mix(kGold, Hex(0x8a5420), t * 0.6f + float(y) / float(H) * 0.3f);
  });
  c.Paint(Stroke(DoorArch(base, aw + 28, ah + 14), 2, false, W, H), kInk);
  c.Paint(Stroke(DoorArch(base, aw, ah), 2, false, W, H), kInk);
  Vec2 key{320, base.y - ah - 4};
  Path gem{{key.x, key.y - 14}, {key.x + 11, key.y}, {key.x, key.y + 14}, {key.x - 11, key.y}};
  c.Paint(Fill(gem, W, H), kEmber);
  c.Paint(Stroke(gem, 2, true, W, H), kInk);
  c.Glow(key + Vec2{-3, -4}, 2, kCream, 1.0f);
  for (float a : {0.15f, 0.3f, 0.7f, 0.85f}) {
    float ang = kPi + kPi * a;
    Vec2 p{320 + (aw / 2 + 7) * std::cos(ang), base.y - ah + aw / 2 + (aw / 2 + 7) * std::sin(ang)};
    c.Paint(Fill(Star(p, 6, 2.5f, 4), W, H), kCream);
  }
  // Pillars' feet and the name plate.
  Path plate =
      SmoothClosed({{190, 404}, {450, 404}, {462, 430}, {450, 456}, {190, 456}, {178, 430}}, 4);
  Mask plateMask = Fill(plate, W, H);
  c.PaintWith(plateMask, [&](int, int y) {
    return Mix(Hex(0x2a2050), Hex(0x140f30), Smooth(404, 456, float(y)));
  });
  c.Paint(Stroke(plate, 3, true, W, H), kGold);
  c.Paint(Stroke(plate, 1, true, W, H), kInk);
  Shape label = CentredText(*fonts.serifBold, name, 24, 320, 430, 3);
  c.Paint(Grown(Fill(label, W, H), 1.5f), kInk);
  PaintMetalText(c, label, 1.5f, 0, nullptr);
  c.Paint(Fill(CentredText(*fonts.gothic, japanese, 13, 320, 449), W, H), kCream);
  return c;
}

}  // namespace

std::vector<Product> MakeStoryPortraits(const Fonts& fonts) {
  return {BmpProduct("Vennolu at the door",
                     StoryPortrait(fonts, DoorLight, Vennolu(), "Vennolu", "keeper of the door",
                                   "扉の番人　ヴェンノル")),
          BmpProduct("Orine in the library",
                     StoryPortrait(fonts, Library, Orine(), "Orine", "scholar of Pelia",
                                   "ペリアの学者　オリーネ")),
          BmpProduct("Dova on the battlements",
                     StoryPortrait(fonts, Battlements, Dova(), "Dova", "knight of the comet",
                                   "彗星の騎士　ドーヴァ"))};
}

std::vector<Product> MakeGallery(const Fonts& fonts) {
  auto forestGreen = [](Canvas& c) { Forest(c, 81, Hex(0x60c080)); };
  auto forestMoon = [](Canvas& c) { Forest(c, 91, Hex(0x8090e0)); };
  return {BmpProduct("Ubeko",
                     GalleryPortrait(fonts, Ubeko(), forestGreen, "UBEKO", "ウベコ　森の案内人")),
          BmpProduct("Fenari",
                     GalleryPortrait(fonts, Fenari(), forestMoon, "FENARI", "フェナリ　月の射手")),
          BmpProduct("Tamor", GalleryPortrait(fonts, Tamor(), Observatory, "TAMOR",
                                              "タモール　星読みの賢者")),
          BmpProduct("Brakendo", GalleryPortrait(fonts, Brakendo(), Forge, "BRAKENDO",
                                                 "ブラケンド　鍛冶の親方")),
          BmpProduct("Tobiran",
                     GalleryPortrait(fonts, Tobiran(), Portal, "TOBIRAN", "トビラン　扉の精")),
          BmpProduct("Hovane",
                     GalleryPortrait(fonts, Hovane(), SeaBalcony, "HOVANE", "ホヴァネ　海の歌姫"))};
}

}  // namespace datagen
