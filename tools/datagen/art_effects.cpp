// The pictures the pixel effects work on: the plasma's palette with its
// message windows, Pelia's map under the lens, the star chart that turns and
// the pond that ripples.
#include "tools/datagen/art.h"
#include "tools/datagen/font.h"
#include "tools/datagen/quantize.h"
#include "tools/datagen/scenery.h"

namespace datagen {

using namespace look;

namespace {

std::array<uint8_t, 1024> ColourTableOf(const Palette& p) {
  std::array<uint8_t, 1024> t{};
  for (size_t i = 0; i < p.size() && i < 256; ++i) {
    t[i * 4] = p[i].b;
    t[i * 4 + 1] = p[i].g;
    t[i * 4 + 2] = p[i].r;
  }
  return t;
}

// The plasma's colour cycle: the effect adds four wave values into an index,
// so neighbouring entries must be neighbouring colours all the way round.
// Sixteen key colours, one every 16 entries, joined by a closed Catmull-Rom
// curve (smooth, without the kinks of straight ramps that show as hard
// contour lines in the flowing bands). The sums cluster around 126: the
// common middle is violet and rose, gold and cream come only near the crests
// (the upper tenth), and the rarely reached top turns through a pale lilac
// back to the night blue of entry 0, so the highest crests glow as rings
// round a soft violet heart rather than a dark hole.
const Col kPlasmaKeys[16] = {Hex(0x100d36), Hex(0x0b0f3c), Hex(0x111752), Hex(0x1a1e66),
                             Hex(0x262478), Hex(0x362a86), Hex(0x4a2e8e), Hex(0x622f90),
                             Hex(0x7e328a), Hex(0xa03a7a), Hex(0xc44c64), Hex(0xe06c52),
                             Hex(0xf29a50), Hex(0xffc874), Hex(0xffecc8), Hex(0xd8a8c0)};

Palette PlasmaPalette() {
  Palette p;
  for (int i = 0; i < 256; ++i) {
    int k = i / 16;
    float t = float(i % 16) / 16.0f;
    Col p0 = kPlasmaKeys[(k + 15) % 16], p1 = kPlasmaKeys[k], p2 = kPlasmaKeys[(k + 1) % 16],
        p3 = kPlasmaKeys[(k + 2) % 16];
    Col c = (p1 * 2 + (p2 - p0) * t + (p0 * 2 - p1 * 5 + p2 * 4 - p3) * (t * t) +
             (p1 * 3 - p0 - p2 * 3 + p3) * (t * t * t)) *
            0.5f;
    p.push_back(ToRgb(c));
  }
  return p;
}

// One frame of the plasma as the effect computes it, as the picture's own pixels.
image::IndexedPicture PlasmaFrame(const Palette& palette) {
  image::IndexedPicture pic;
  pic.width = 320;
  pic.height = 240;
  pic.palette = palette;
  uint8_t wave[256];
  for (int i = 0; i < 256; ++i)
    wave[i] = uint8_t((std::sin(i * 3.14 / 32) + 1) * 32);
  const int n = 40;
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x) {
      // Buffer row r is picture row 239 − y.
      int r = 239 - y;
      int v = wave[(3 * x - 4 * n) & 255] + wave[(x + 3 * n) & 255] + wave[(r - 2 * n) & 255] +
              wave[(2 * r + n) & 255];
      pic.pixels.push_back(uint8_t(v));
    }
  return pic;
}

// A message window: a framed box with two lines of text, on a transparent
// 320 × 144 band.
image::DarPattern MessageWindow(const Fonts& fonts, const Palette& palette, const char* line1,
                                const char* line2) {
  const int W = 320, H = 144;
  Canvas c(W, H);
  const float x0 = 8, y0 = 50, x1 = 312, y1 = 138;
  Path box = RoundedBox(x0, y0, x1, y1, 6, 4);
  Mask window = Fill(box, W, H);
  const Col night = kPlasmaKeys[1], gold = kPlasmaKeys[13], cream = kPlasmaKeys[14],
            rose = kPlasmaKeys[10];
  c.Paint(window, night);
  c.Paint(Stroke(RoundedBox(x0 + 1.5f, y0 + 1.5f, x1 - 1.5f, y1 - 1.5f, 5, 4), 2, true, W, H),
          gold);
  c.Paint(Stroke(RoundedBox(x0 + 5, y0 + 5, x1 - 5, y1 - 5, 3, 4), 1, true, W, H), rose);
  for (Vec2 k :
       {Vec2{x0 + 2, y0 + 2}, Vec2{x1 - 2, y0 + 2}, Vec2{x0 + 2, y1 - 2}, Vec2{x1 - 2, y1 - 2}}) {
    Path d{{k.x, k.y - 5}, {k.x + 5, k.y}, {k.x, k.y + 5}, {k.x - 5, k.y}};
    Mask m = Fill(d, W, H);
    UnionInto(window, m);
    c.Paint(m, cream);
  }
  // A small star before the text, then the lines in crisp hinted glyphs.
  c.Paint(Fill(Star({26, 78}, 6, 2.5f, 4), W, H), gold);
  c.Paint(fonts.gothic->Render(line1, 14, 38, 84, W, H), cream);
  c.Paint(fonts.gothic->Render(line2, 14, 38, 110, W, H), cream);
  // The page marker at the lower right.
  c.Paint(Fill(Path{{292, 122}, {302, 122}, {297, 129}}, W, H), kPlasmaKeys[12]);
  return QuantizePattern(c, window, palette, 0, 0, W, H, Dither::kNone);
}

}  // namespace

std::vector<Product> MakePlasmaGroup(const Fonts& fonts) {
  Palette palette = PlasmaPalette();
  Product red;
  red.art = "plasma field";
  red.picture = PlasmaFrame(palette);
  Product msg;
  msg.art = "plasma messages";
  msg.kind = Product::Kind::kDar;
  msg.archive.colorTable = ColourTableOf(palette);
  msg.archive.patterns = {
      MessageWindow(fonts, palette, "扉の向こうに、もうひとつの空がある。",
                    "番人ヴェンノルは、そう言った。"),
      MessageWindow(fonts, palette, "ノルは　小さな鍵を　にぎりしめた。",
                    "星の音が、遠くで鳴っている。"),
      MessageWindow(fonts, palette, "さあ、行こう。", "ほうき星が　のぼってくるまえに。")};
  return {red, msg};
}

namespace {

// Pelia's map room: a parchment chart of the land on a dark desk, drawn for
// the lens that glides over it: bold shapes whose bending under the glass the
// eye can follow. A grid of meridians and parallels and the compass rose's
// rays cross the whole sheet in straight lines; the coast is a heavy line
// with engraved ripples beside it; the land's name, the sea's and the towns'
// are set large; and there are big icons: peaks, woods, towns, the door, a
// ship.
Canvas MapRoom(const Fonts& fonts) {
  const int W = 320, H = 240;
  const Col ink = Hex(0x3a2010), brown = Hex(0x6a3a1a), red = Hex(0xa02a1a),
            paperLight = Hex(0xf4e0b0);
  Canvas c(W, H);
  // The desk: dark blue-black wood grain.
  c.Shade([&](int x, int y, Col) {
    float grain = Fbm(float(x) / 40.0f, float(y) / 3.0f, 101, 4);
    return Mix(Hex(0x10142a), Hex(0x262038), grain);
  });
  // The parchment, its edges slightly ragged, darker towards them.
  Path sheet;
  for (int i = 0; i < 120; ++i) {
    float t = float(i) / 120.0f;
    Vec2 p;
    if (t < 0.25f)
      p = {10 + t * 4 * 300, 8};
    else if (t < 0.5f)
      p = {310, 8 + (t - 0.25f) * 4 * 224};
    else if (t < 0.75f)
      p = {310 - (t - 0.5f) * 4 * 300, 232};
    else
      p = {10, 232 - (t - 0.75f) * 4 * 224};
    p = p + Vec2{Hash01(i, 1, 5) - 0.5f, Hash01(i, 2, 5) - 0.5f} * 2.5f;
    sheet.push_back(p);
  }
  c.Paint(Blurred(Fill(Transformed(sheet, Affine::Translate(3, 4)), W, H), 3), Hex(0x05060c), 0.7f);
  Mask paper = Fill(sheet, W, H);
  auto edge = [&](int x, int y) {
    float d =
        std::min(std::min(float(x) - 10, 310 - float(x)), std::min(float(y) - 8, 232 - float(y)));
    return Smooth(0, 16, d);
  };
  c.PaintWith(paper, [&](int x, int y) {
    float n = Fbm(float(x) / 18.0f, float(y) / 18.0f, 102, 4);
    Col base = Mix(Hex(0xdcb87c), paperLight, n);
    return Mix(Hex(0x9a6a34), base, 0.35f + 0.65f * edge(x, y));
  });
  // The land: one island from a noise field; the sea tinted blue-green.
  auto land = [&](float x, float y) {
    float dx = (x - 150) / 118.0f, dy = (y - 124) / 86.0f;
    return Fbm(x / 56.0f, y / 56.0f, 103, 4) + 0.6f - (dx * dx + dy * dy) * 0.6f;
  };
  Mask ground(W, H), sea(W, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      ground.at(x, y) =
          Clamp01((land(float(x) + 0.5f, float(y) + 0.5f) - 0.74f) * 10) * paper.at(x, y);
      sea.at(x, y) = (1 - ground.at(x, y)) * paper.at(x, y);
    }
  c.PaintWith(sea, [&](int x, int y) { return Mix(c.at(x, y), Hex(0x7aa4a4), 0.4f * edge(x, y)); });
  // The grid: meridians and parallels every 24 pixels, and sixteen rays from
  // the compass rose; all under the land's colours.
  const Vec2 rose{260, 176};
  Mask grid(W, H);
  for (float x = 22; x < 310; x += 24)
    UnionInto(grid, Stroke(Path{{x, 8}, {x, 232}}, 0.7f, false, W, H));
  for (float y = 20; y < 232; y += 24)
    UnionInto(grid, Stroke(Path{{10, y}, {310, y}}, 0.7f, false, W, H));
  Mask rays(W, H);
  for (int i = 0; i < 16; ++i) {
    float a = float(i) * kPi / 8;
    UnionInto(rays,
              Stroke(Path{rose, rose + Vec2{std::cos(a), std::sin(a)} * 420}, 0.6f, false, W, H));
  }
  IntersectWith(grid, paper);
  IntersectWith(rays, paper);
  c.Paint(grid, brown, 0.45f);
  c.Paint(rays, red, 0.35f);
  c.PaintWith(ground, [&](int x, int y) {
    float n = Fbm(float(x) / 10.0f, float(y) / 10.0f, 105, 3);
    return Mix(c.at(x, y), Mix(Hex(0xe8cc90), Hex(0xd8b070), n), 0.55f);
  });
  // The coast: a heavy line, and three engraved ripples off it in the sea.
  for (int k = 3; k >= 1; --k) {
    Mask ripple = Grown(ground, float(k) * 3.2f + 0.6f);
    SubtractFrom(ripple, Grown(ground, float(k) * 3.2f - 0.1f));
    IntersectWith(ripple, paper);
    c.Paint(ripple, Hex(0x2a5a66), 0.75f - float(k) * 0.17f);
  }
  Mask coast = Grown(ground, 1.6f);
  SubtractFrom(coast, ground);
  c.Paint(coast, ink);
  // Peaks with hatched shadows, woods of three trees.
  auto peak = [&](Vec2 m, float s) {
    Path outline{{m.x - 8 * s, m.y + 5 * s}, {m.x, m.y - 8 * s}, {m.x + 8 * s, m.y + 5 * s}};
    c.Paint(Fill(outline, W, H), Hex(0xd8ac6c));
    c.Paint(
        Fill(Path{{m.x, m.y - 8 * s}, {m.x + 8 * s, m.y + 5 * s}, {m.x + 1, m.y + 5 * s}}, W, H),
        Hex(0x9a6434));
    for (int h = 1; h <= 3; ++h) {
      float f = float(h) / 4.0f;
      Vec2 a = Lerp(Vec2{m.x, m.y - 8 * s}, Vec2{m.x + 8 * s, m.y + 5 * s}, f);
      c.Paint(Stroke(Path{a, a + Vec2{-2.5f * s, 2.5f * s}}, 0.6f, false, W, H), ink, 0.7f);
    }
    c.Paint(Stroke(outline, 1.0f, false, W, H), ink);
  };
  auto wood = [&](Vec2 t) {
    for (Vec2 o : {Vec2{-4, 1}, Vec2{4, 1}, Vec2{0, -3}}) {
      Vec2 p = t + o;
      c.Paint(Stroke(Path{p + Vec2{0, 2}, p + Vec2{0, 5}}, 0.9f, false, W, H), ink);
      c.Paint(Fill(Circle(p, 3.2f, 16), W, H), Hex(0x5a7a3a));
      c.Paint(Stroke(Circle(p, 3.2f, 16), 0.8f, true, W, H), Hex(0x22301a));
    }
  };
  const Vec2 peaks[] = {{136, 70}, {152, 62},  {168, 74},  {120, 86}, {146, 90},
                        {176, 96}, {128, 112}, {160, 116}, {196, 78}, {110, 136}};
  for (Vec2 m : peaks)
    peak(m, 1.15f);
  for (Vec2 t : {Vec2{82, 110}, Vec2{96, 170}, Vec2{206, 132}, Vec2{226, 104}, Vec2{70, 142},
                 Vec2{198, 190}})
    wood(t);
  // A river from the peaks to the southern sea.
  Path river =
      SmoothOpen({{148, 100}, {142, 124}, {154, 140}, {138, 162}, {124, 184}, {112, 206}}, 10);
  c.Paint(Stroke(river, 2.2f, false, W, H), Hex(0x3a6a80));
  c.Paint(Stroke(river, 0.8f, false, W, H), Hex(0x8ab8c8));
  // The dotted route from Pelia over the pass to the door's islet.
  struct Town {
    Vec2 at;
    const char* name;
    int dx, dy;  // label offset
  };
  const Town towns[] = {{{92, 156}, "Pelia", -44, 16},
                        {{186, 118}, "Vorna", 8, 4},
                        {{212, 158}, "Hovane", -50, 17},
                        {{136, 196}, "Ubek", 8, 4}};
  const Vec2 door{268, 58};
  Path isle = SmoothClosed({{250, 60}, {258, 48}, {276, 46}, {288, 56}, {280, 70}, {258, 70}}, 6);
  Mask islet = Fill(isle, W, H);
  c.Paint(islet, Hex(0xe8cc98));
  for (int k = 2; k >= 1; --k) {
    Mask ripple = Grown(islet, float(k) * 3.2f + 0.6f);
    SubtractFrom(ripple, Grown(islet, float(k) * 3.2f - 0.1f));
    c.Paint(ripple, Hex(0x2a5a66), 0.75f - float(k) * 0.17f);
  }
  c.Paint(Stroke(isle, 1.4f, true, W, H), ink);
  Path route = SmoothOpen({towns[0].at, {120, 140}, towns[1].at, {226, 86}, door}, 14);
  for (size_t i = 0; i + 2 < route.size(); i += 4)
    c.Paint(Stroke(Path{route[i], route[i + 1], route[i + 2]}, 1.6f, false, W, H), red);
  for (const Town& t : towns) {
    // A walled town: a tower between two houses.
    Vec2 p = t.at;
    c.Paint(Fill(Box(p.x - 7, p.y - 3, p.x + 7, p.y + 4), W, H), Hex(0xc8a070));
    c.Paint(Fill(Box(p.x - 2.5f, p.y - 8, p.x + 2.5f, p.y + 4), W, H), Hex(0xa04a2a));
    c.Paint(Fill(Path{{p.x - 3.5f, p.y - 8}, {p.x, p.y - 12}, {p.x + 3.5f, p.y - 8}}, W, H), red);
    for (float sx : {-5.0f, 5.0f})
      c.Paint(
          Fill(Path{{p.x + sx - 3, p.y - 3}, {p.x + sx, p.y - 6}, {p.x + sx + 3, p.y - 3}}, W, H),
          red);
    c.Paint(Stroke(Box(p.x - 7, p.y - 3, p.x + 7, p.y + 4), 0.8f, true, W, H), ink);
    Mask label = fonts.serifBold->Render(t.name, 12, int(p.x) + t.dx, int(p.y) + t.dy, W, H);
    c.Paint(Grown(label, 1.2f), paperLight, 0.9f);
    c.Paint(label, ink);
  }
  // The door: an arch with a star over it, and its name.
  c.Paint(Fill(DoorArch(door, 10, 15), W, H), red);
  c.Paint(Stroke(DoorArch(door, 10, 15), 0.9f, false, W, H), ink);
  c.Paint(Fill(Star(door + Vec2{0, -21}, 6, 2.4f, 5), W, H), Hex(0xd08a1a));
  c.Paint(Stroke(Star(door + Vec2{0, -21}, 6, 2.4f, 5), 0.7f, true, W, H), ink);
  Mask tobira = fonts.serifBold->Render("Tobira", 12, 236, 88, W, H);
  c.Paint(Grown(tobira, 1.2f), paperLight, 0.9f);
  c.Paint(tobira, red);
  // The land's name across it, the sea's name in the west.
  Shape name = CentredText(*fonts.serifBold, "V O R N A", 19, 162, 154, 2);
  c.Paint(Grown(Fill(name, W, H), 1.5f), paperLight, 0.8f);
  c.Paint(Fill(name, W, H), Hex(0x7a2a14));
  Mask seaName = fonts.serifItalic->Render("Mare Stellarum", 11, 20, 206, W, H);
  c.Paint(seaName, Hex(0x2a4a56));
  c.Paint(fonts.mincho->Render("星の海", 12, 34, 222, W, H), Hex(0x2a4a56));
  // A ship under sail in the north-western sea.
  Vec2 ship{44, 70};
  c.Paint(Fill(Path{ship + Vec2{-11, 0}, ship + Vec2{11, 0}, ship + Vec2{7, 5}, ship + Vec2{-8, 5}},
               W, H),
          Hex(0x7a4a24));
  c.Paint(Stroke(Path{ship + Vec2{0, 0}, ship + Vec2{0, -16}}, 1.0f, false, W, H), ink);
  Path sail = SmoothClosed(
      {ship + Vec2{1, -15}, ship + Vec2{10, -9}, ship + Vec2{9, -2}, ship + Vec2{1, -2}}, 4);
  c.Paint(Fill(sail, W, H), paperLight);
  c.Paint(Stroke(sail, 0.8f, true, W, H), ink);
  c.Paint(Fill(Path{ship + Vec2{0, -16}, ship + Vec2{-6, -14}, ship + Vec2{0, -12}}, W, H), red);
  for (int k = 0; k < 3; ++k)
    c.Paint(
        Stroke(Path{ship + Vec2{-16.0f + float(k) * 5, 8}, ship + Vec2{-13.0f + float(k) * 5, 7},
                    ship + Vec2{-10.0f + float(k) * 5, 8}},
               0.7f, false, W, H),
        Hex(0x2a5a66));
  // The compass rose: a ring of degrees, sixteen points, the four letters.
  c.Paint(Fill(Circle(rose, 27, 64), W, H), paperLight, 0.8f);
  c.Paint(Stroke(Circle(rose, 27, 64), 1.0f, true, W, H), ink);
  c.Paint(Stroke(Circle(rose, 22, 64), 0.7f, true, W, H), ink);
  for (int d = 0; d < 32; ++d) {
    float a = float(d) * kPi / 16;
    Vec2 u{std::cos(a), std::sin(a)};
    c.Paint(Stroke(Path{rose + u * 22, rose + u * 25}, 0.7f, false, W, H), ink);
  }
  c.Paint(Fill(Star(rose, 22, 5, 4), W, H), Hex(0x9a5a28));
  c.Paint(Fill(Star(rose, 14, 3.5f, 4, kPi / 4), W, H), Hex(0xd8a860));
  // The light half of each point.
  for (int i = 0; i < 4; ++i) {
    float a = float(i) * kPi / 2 - kPi / 2;
    Vec2 tip = rose + Vec2{std::cos(a), std::sin(a)} * 22;
    Vec2 side = rose + Vec2{std::cos(a + kPi / 4), std::sin(a + kPi / 4)} * 5;
    c.Paint(Fill(Path{rose, tip, side}, W, H), Hex(0xf0d8a0));
  }
  c.Paint(Stroke(Star(rose, 22, 5, 4), 0.8f, true, W, H), ink);
  c.Paint(Fill(Circle(rose, 2.5f, 12), W, H), red);
  const char* letters[4] = {"N", "E", "S", "W"};
  for (int i = 0; i < 4; ++i) {
    float a = float(i) * kPi / 2 - kPi / 2;
    Vec2 at = rose + Vec2{std::cos(a), std::sin(a)} * 33;
    Mask l = fonts.serifBold->Render(letters[i], 11, int(at.x) - 4, int(at.y) + 4, W, H);
    c.Paint(Grown(l, 1), paperLight, 0.8f);
    c.Paint(l, i == 0 ? red : ink);
  }
  // The title cartouche.
  Path plaque = RoundedBox(22, 14, 136, 38, 4, 3);
  c.Paint(Fill(plaque, W, H), Hex(0xe8cc90));
  c.Paint(Stroke(plaque, 1.2f, true, W, H), brown);
  c.Paint(Stroke(RoundedBox(25, 17, 133, 35, 3, 3), 0.6f, true, W, H), brown);
  c.Paint(fonts.serifBold->Render("VORNA", 13, 32, 31, W, H), ink);
  c.Paint(fonts.gothic->Render("ペリア製", 10, 90, 31, W, H), brown);
  // A scale bar and a note in the margin.
  for (int i = 0; i < 4; ++i)
    c.Paint(Fill(Box(214 + float(i) * 10, 222, 224 + float(i) * 10, 225), W, H),
            i % 2 ? Hex(0xe8cc90) : ink);
  c.Paint(fonts.gothic->Render("扉まで三日", 9, 262, 227, W, H), brown);
  // The candle's warmth from the lower right.
  c.Shade([&](int x, int y, Col k) {
    float d = Length(Vec2{float(x) - 300, float(y) - 230}) / 340.0f;
    return k * (1.08f - 0.4f * d) + Hex(0xf0a040) * (0.1f * std::exp(-d * 3));
  });
  return c;
}

}  // namespace

std::vector<Product> MakePelia(const Fonts& fonts) {
  return {MagProduct("map room", MapRoom(fonts))};
}

namespace {

// Text set along a circle, reading clockwise, letters upright towards the centre.
Shape TextOnCircle(const Font& font, const std::string& text, float size, Vec2 centre, float radius,
                   float startAngle) {
  Shape out;
  float angle = startAngle;
  for (char32_t ch : DecodeUtf8(text)) {
    std::string one;
    if (ch < 0x80) one = std::string(1, char(ch));
    float w = font.Width(one, size);
    Shape g = font.Outline(one, size, {-w / 2, 0});
    float a = angle + (w / 2) / radius;
    Affine place =
        Affine::Translate(centre.x + radius * std::cos(a), centre.y + radius * std::sin(a)) *
        Affine::Rotate(a + kPi / 2);
    for (const Path& p : g)
      out.push_back(Transformed(p, place));
    angle += (w + size * 0.12f) / radius;
  }
  return out;
}

// The star chart: a round chart of the sky of Vorna, gold on night blue, with
// twelve figures, rune and degree rings, and stars out to the corners.
Canvas StarChart(const Fonts& fonts) {
  const int S = 840;
  Canvas c(S, S);
  Vec2 o{420, 420};
  c.Shade([&](int x, int y, Col) {
    float n = Fbm(float(x) / 160.0f, float(y) / 160.0f, 201, 5);
    float m = Fbm(float(x) / 90.0f + 40, float(y) / 90.0f, 202, 4);
    Col base = Mix(Hex(0x070a20), Hex(0x141c50), n);
    return base + Hex(0x3a2060) * (Smooth(0.55f, 0.8f, m) * 0.5f) +
           Hex(0x104a5a) * (Smooth(0.6f, 0.85f, n) * 0.4f);
  });
  Rng rng(203);
  for (int i = 0; i < 2600; ++i) {
    Vec2 p{rng.Range(0, S), rng.Range(0, S)};
    float b = rng.Range(0.2f, 1.0f);
    c.Glow(p, b > 0.9f ? 1.3f : 0.6f, b > 0.95f ? kGold : kStar, b);
  }
  Mask gold(S, S), faint(S, S);
  auto ring = [&](float r, float w, Mask& m) {
    UnionInto(m, Stroke(Circle(o, r, 720), w, true, S, S));
  };
  for (float r :
       {58.0f, 64.0f, 112.0f, 150.0f, 172.0f, 300.0f, 306.0f, 340.0f, 368.0f, 374.0f, 412.0f})
    ring(r, r == 306 || r == 374 || r == 64 ? 1.0f : 2.2f, gold);
  // Degree ticks between 150 and 172, longer every ten.
  for (int d = 0; d < 360; ++d) {
    float a = float(d) * kPi / 180;
    Vec2 u{std::cos(a), std::sin(a)};
    float r0 = d % 10 == 0 ? 150 : d % 5 == 0 ? 158 : 164;
    UnionInto(gold, Stroke(Path{o + u * r0, o + u * 172}, d % 10 == 0 ? 1.6f : 0.9f, false, S, S));
  }
  // Ticks in the band between 340 and 368.
  for (int d = 0; d < 120; ++d) {
    float a = float(d) * 2 * kPi / 120;
    Vec2 u{std::cos(a), std::sin(a)};
    UnionInto(gold,
              Stroke(Path{o + u * (d % 4 == 0 ? 340.0f : 356.0f), o + u * 368}, 1.2f, false, S, S));
  }
  // Twelve sectors: dividing lines, a figure of stars in each, its name outside.
  const char* names[12] = {"THE DOOR", "THE KEY",   "THE LANTERN", "THE COMET",
                           "THE BIRD", "THE SEA",   "THE TOWER",   "THE FOX",
                           "THE HARP", "THE ANVIL", "THE CROWN",   "THE MASK"};
  for (int k = 0; k < 12; ++k) {
    float a0 = 2 * kPi * float(k) / 12 - kPi / 2;
    Vec2 u{std::cos(a0), std::sin(a0)};
    UnionInto(gold, Stroke(Path{o + u * 172, o + u * 300}, 1.4f, false, S, S));
    Rng fig(uint64_t(300 + k));
    Path stars;
    for (int j = 0; j < 6; ++j) {
      float a = a0 + fig.Range(0.08f, 0.44f), r = fig.Range(190, 285);
      stars.push_back(o + Vec2{std::cos(a), std::sin(a)} * r);
    }
    for (int j = 0; j + 1 < 6; ++j)
      UnionInto(faint, Stroke(Path{stars[size_t(j)], stars[size_t(j) + 1]}, 1.2f, false, S, S));
    for (Vec2 st : stars) {
      c.Glow(st, 3, kGold, 0.6f);
      Sparkle(c, st, 7, kCream, 0.8f);
    }
    Shape label = TextOnCircle(*fonts.serifBold, names[k], 17, o, 378, a0 + 0.08f);
    UnionInto(gold, Fill(label, S, S));
    // A small symbol in the degree band of each sector.
    Vec2 mid = o + Vec2{std::cos(a0 + kPi / 12), std::sin(a0 + kPi / 12)} * 132;
    for (const Path& r : Rune(400 + k, mid, 22))
      UnionInto(gold, Stroke(r, 1.8f, false, S, S));
  }
  // The rune ring between 306 and 340.
  Mask runes(S, S);
  for (int i = 0; i < 48; ++i) {
    float a = 2 * kPi * float(i) / 48;
    Vec2 at = o + Vec2{std::cos(a), std::sin(a)} * 323;
    Affine place = Affine::Translate(at.x, at.y) * Affine::Rotate(a + kPi / 2) *
                   Affine::Translate(-at.x, -at.y);
    for (const Path& r : Rune(500 + i, at, 20))
      UnionInto(runes, Stroke(Transformed(r, place), 1.6f, false, S, S));
  }
  UnionInto(gold, runes);
  // The centre: an eight-pointed star in a medallion.
  c.Paint(Fill(Circle(o, 58), S, S), Hex(0x1a1648));
  c.AddLight(Blurred(gold, 3), kAmber, 0.8f);
  c.AddLight(Blurred(faint, 2), kAmber, 0.5f);
  c.Paint(faint, Hex(0xc08a40), 0.7f);
  c.Paint(gold, kGold);
  Mask star = Fill(Star(o, 52, 14, 8), S, S);
  c.PaintWith(star, [&](int x, int y) {
    float a = std::atan2(float(y) - o.y, float(x) - o.x);
    return Mix(kGold, Hex(0x9a5a20), 0.5f + 0.5f * std::sin(a * 8 + 0.6f));
  });
  c.Paint(Stroke(Star(o, 52, 14, 8), 1.2f, true, S, S), kInk);
  c.Paint(Fill(Circle(o, 12), S, S), kEmber);
  c.Glow(o, 10, kCream, 0.8f);
  // Corner ornaments: quarter circles and stars, so the chart is rich to the edges.
  for (Vec2 k : {Vec2{0, 0}, Vec2{840, 0}, Vec2{0, 840}, Vec2{840, 840}}) {
    Mask m(S, S);
    for (float r : {60.0f, 80.0f, 100.0f})
      UnionInto(m, Stroke(Circle(k, r, 200), 1.5f, true, S, S));
    c.AddLight(Blurred(m, 2), kAmber, 0.6f);
    c.Paint(m, kGold, 0.8f);
    Vec2 toward = o - k;
    Sparkle(c, k + toward * (50.0f / Length(toward)), 14, kCream, 1.0f);
  }
  return c;
}

}  // namespace

std::vector<Product> MakeKaiten(const Fonts& fonts) {
  return {MagProduct("star chart", StarChart(fonts))};
}

namespace {

// The ripple's window on the pond: the close picture is shown doubled over
// these pixels of the whole one (which is itself shown doubled), so the two
// are one picture at one scale.
constexpr int kWindowX = 80, kWindowY = 60, kWindowW = 160, kWindowH = 120;

// A koi seen from above, its head at the origin pointing along +x, about 26
// pixels long; `kind` picks its colouring.
void PaintKoi(Canvas& c, const Affine& place, int kind) {
  const int W = c.w, H = c.h;
  Path body = SmoothClosed({{0, 0},
                            {-3, -4.2f},
                            {-10, -4.6f},
                            {-17, -2.6f},
                            {-21, -1.0f},
                            {-21, 1.0f},
                            {-17, 2.6f},
                            {-10, 4.6f},
                            {-3, 4.2f}},
                           6);
  Path tail = SmoothClosed({{-20, 0}, {-27, -5}, {-25, 0}, {-27, 5}}, 4);
  Path finL = SmoothClosed({{-6, -3.5f}, {-10, -8}, {-12, -4}}, 4);
  Path finR = SmoothClosed({{-6, 3.5f}, {-10, 8}, {-12, 4}}, 4);
  Shape all{Transformed(body, place), Transformed(tail, place), Transformed(finL, place),
            Transformed(finR, place)};
  // Its shadow on the pond floor, a little down and to the right.
  c.Paint(Blurred(Fill(Transformed(all, Affine::Translate(2, 3)), W, H), 1), Hex(0x040818), 0.45f);
  const Col white = Hex(0xfff2e4), red = Hex(0xe0562a), orange = Hex(0xf29a3a), ink = Hex(0x23202e),
            gold = Hex(0xf6d27a);
  Col base = kind == 0 ? white : kind == 1 ? orange : gold;
  Mask fins = Fill(Shape{all[1], all[2], all[3]}, W, H);
  c.Paint(fins, Mix(base, Hex(0xffffff), 0.35f), 0.8f);
  Mask m = Fill(all[0], W, H);
  c.Paint(m, base);
  // Patches: red on the white one, white on the orange one, ink on the gold one.
  const Vec2 spots[3][2] = {{{-4, -1}, {-13, 1}}, {{-8, 0}, {-16, -1}}, {{-5, 1}, {-14, -1}}};
  Col spot = kind == 0 ? red : kind == 1 ? white : ink;
  for (Vec2 s : spots[kind]) {
    Mask k = Fill(Transformed(Ellipse(s, 3.6f, 2.6f, 16), place), W, H);
    IntersectWith(k, m);
    c.Paint(k, spot);
  }
  // A light line down the back, the outline, two eyes.
  c.Paint(Stroke(Transformed(Path{{-2, 0}, {-16, 0}}, place), 0.8f, false, W, H), Hex(0xffffff),
          0.35f);
  c.Paint(Stroke(all[0], 0.7f, true, W, H), Hex(0x1a1018), 0.8f);
  for (float side : {-1.0f, 1.0f})
    c.Paint(Fill(Circle(place({-2.2f, side * 2.4f}), 0.7f, 8), W, H), Hex(0x101018));
}

// The pond at night seen from above, 320 × 240. Its middle is the ripple's
// window, where drops circle the moon's reflection: there the water is calm
// and soft (a glow, no hard edges or specks that the displaced pixels would
// tear), and what stands in the window (a koi, a lily pad) keeps to its
// corners, where the waves stay small.
Canvas Pond() {
  const int W = 320, H = 240;
  Canvas c(W, H);
  Path shore = SmoothClosed({{20, 40},
                             {90, 14},
                             {180, 18},
                             {270, 10},
                             {306, 60},
                             {312, 150},
                             {290, 222},
                             {190, 232},
                             {100, 226},
                             {24, 210},
                             {8, 130}},
                            10);
  Mask water = Fill(shore, W, H);
  // Grass and moss around the pond.
  c.Shade([&](int x, int y, Col) {
    float n = Fbm(float(x) / 14.0f, float(y) / 14.0f, 301, 4);
    return Mix(Hex(0x0e2218), Hex(0x24442a), n);
  });
  // The water: deep blue, the sky's reflection in broad soft streaks, darker
  // near the banks.
  std::vector<float> depth = InsideDistance(water);
  c.PaintWith(water, [&](int x, int y) {
    float n = Fbm(float(x) / 60.0f, float(y) / 30.0f, 302, 4);
    float streak = Fbm(float(x) / 90.0f, float(y) / 14.0f, 303, 3);
    Col deep = Mix(Hex(0x0c1746), Hex(0x1c2f70), n);
    deep = deep + Hex(0x24407e) * (Smooth(0.5f, 0.8f, streak) * 0.3f);
    return deep * (0.7f + 0.3f * Smooth(0, 14, depth[size_t(y) * W + x]));
  });
  // The moon mirrored in the middle: a soft glow with a bright heart, no rim.
  const Vec2 moon{160, 120};
  c.Glow(moon, 30, Hex(0x3a4c9a), 0.5f);
  c.Glow(moon, 13, Hex(0xc8c0a8), 0.55f);
  c.Glow(moon, 6, Hex(0xfff2cc), 0.75f);
  // Stars mirrored in the water, away from the moon's glow and the drops.
  Rng rng(304);
  for (int i = 0; i < 70; ++i) {
    Vec2 p{rng.Range(12, 308), rng.Range(12, 228)};
    float e = Length(Vec2{(p.x - moon.x) / 84.0f, (p.y - moon.y) / 54.0f});
    if (e < 1 || water.at(int(p.x), int(p.y)) < 1) continue;
    c.Glow(p, 0.6f, kStar, rng.Range(0.3f, 0.8f));
  }
  // Lily pads, each with its notch, some with a pale flower; in clusters by
  // the banks, two in the window's upper left corner.
  struct Pad {
    Vec2 at;
    float r, notch;
    bool flower;
  };
  const Pad pads[] = {
      {{44, 66}, 11, 0.6f, true},    {{60, 52}, 7, 2.4f, false},   {{30, 96}, 8, 4.0f, false},
      {{46, 166}, 12, 5.2f, false},  {{64, 184}, 8, 1.2f, true},   {{34, 186}, 6, 3.0f, false},
      {{150, 212}, 10, 4.4f, false}, {{174, 206}, 7, 0.4f, true},  {{268, 176}, 12, 2.0f, true},
      {{288, 150}, 8, 5.6f, false},  {{250, 200}, 7, 3.6f, false}, {{220, 34}, 9, 1.8f, false},
      {{246, 28}, 6, 4.8f, true},    {{96, 74}, 8, 5.0f, true},    {{110, 66}, 5, 2.2f, false}};
  for (const Pad& pad : pads) {
    Path shape = Arc(pad.at, pad.r, pad.notch + 0.35f, pad.notch + 2 * kPi - 0.35f, 40);
    shape.push_back(pad.at);
    Mask m = Fill(shape, W, H);
    c.Paint(Blurred(Fill(Transformed(shape, Affine::Translate(1.5f, 2)), W, H), 1), Hex(0x040818),
            0.4f);
    c.PaintWith(m, [&](int x, int y) {
      float d = Length(Vec2{float(x), float(y)} - pad.at) / pad.r;
      return Mix(Hex(0x4a9a4c), Hex(0x1e5a2e), Smooth(0.1f, 1.0f, d));
    });
    // Veins from the middle.
    for (int v = 0; v < 7; ++v) {
      float a = pad.notch + 0.9f + float(v) * 0.75f;
      Mask vein = Stroke(Path{pad.at, pad.at + Vec2{std::cos(a), std::sin(a)} * (pad.r * 0.8f)},
                         0.6f, false, W, H);
      IntersectWith(vein, m);
      c.Paint(vein, Hex(0x2a6a34), 0.6f);
    }
    c.Paint(Stroke(shape, 0.9f, true, W, H), Hex(0x0a2414));
    if (pad.flower) {
      Vec2 f = pad.at + Vec2{pad.r * 0.15f, -pad.r * 0.1f};
      for (int petal = 0; petal < 8; ++petal) {
        float a = float(petal) * kPi / 4;
        c.Paint(Fill(Ellipse(f + Vec2{std::cos(a), std::sin(a)} * 2.6f, 2.4f, 2.4f, 12), W, H),
                petal % 2 ? Hex(0xf8e4ee) : Hex(0xe8b8cc));
      }
      c.Paint(Fill(Circle(f, 1.6f, 12), W, H), kGold);
    }
  }
  // Koi circling the pond; two are in the window, above and below the rows
  // where the drops fall (the displaced pixels are taken from their own row
  // or the next, so nothing bright may share those rows).
  const float koi[5][4] = {{52, 124, -1.3f, 0},
                           {262, 112, 1.7f, 1},
                           {206, 208, 3.3f, 2},
                           {208, 76, 3.0f, 1},
                           {122, 170, 0.05f, 0}};
  for (const auto& k : koi)
    PaintKoi(c, Affine::Translate(k[0], k[1]) * Affine::Rotate(k[2]), int(k[3]));
  // Stones along the shore and a stone lantern's warm light.
  for (size_t i = 0; i < shore.size(); i += 5) {
    Vec2 p = shore[i] + Vec2{rng.Range(-4, 4), rng.Range(-4, 4)};
    Path stone = Ellipse(p, rng.Range(6, 11), rng.Range(5, 8), 24);
    c.PaintWith(Fill(stone, W, H), [&](int, int y) {
      return Mix(Hex(0x3a3e58), Hex(0x6a6e88), Clamp01(0.5f - (float(y) - p.y) / 10.0f));
    });
    c.Paint(Stroke(stone, 1.0f, true, W, H), Hex(0x0a0c18));
  }
  // The stone lantern seen from above: its six-sided roof hides the flame,
  // whose light falls on the grass round it and out of the fire box's four
  // windows; the roof's facets lit from the moon's side, a knob on top.
  Vec2 lantern{292, 30};
  c.Glow(lantern, 26, kAmber, 0.45f);
  for (Vec2 d : {Vec2{1, 0}, Vec2{0, 1}, Vec2{-1, 0}, Vec2{0, -1}})
    c.Glow(lantern + d * 13, 5, kAmber, 0.5f);
  Path roof;
  for (int k = 0; k < 6; ++k) {
    float a = float(k) * kPi / 3 + 0.2f;
    roof.push_back(lantern + Vec2{std::cos(a), std::sin(a)} * 10);
  }
  c.Paint(Blurred(Fill(Transformed(roof, Affine::Translate(2, 2.5f)), W, H), 1), Hex(0x040818),
          0.5f);
  for (int k = 0; k < 6; ++k) {
    Vec2 a = roof[size_t(k)], b = roof[size_t(k + 1) % 6];
    Vec2 mid = (a + b) * 0.5f - lantern;
    float lit = Clamp01(0.5f + 0.5f * Dot(mid * 0.1f, Vec2{-0.6f, -0.8f}));
    c.Paint(Fill(Path{lantern, a, b}, W, H), Mix(Hex(0x26283a), Hex(0x8a8ca8), lit));
  }
  for (const Vec2& corner : roof)
    c.Paint(Stroke(Path{lantern, corner}, 0.7f, false, W, H), Hex(0x1a1c2c), 0.7f);
  c.Paint(Stroke(roof, 1.0f, true, W, H), Hex(0x0a0c18));
  c.Paint(Fill(Circle(lantern, 2.6f, 16), W, H), Hex(0x8a8ca4));
  c.Paint(Stroke(Circle(lantern, 2.6f, 16), 0.8f, true, W, H), Hex(0x0a0c18));
  return c;
}

}  // namespace

std::vector<Product> MakeWater(const Fonts&) {
  // The whole pond with a thin gold frame round the window, and the window's
  // own pixels cut from it: in colours and indices one picture, so the
  // ripple shows the same water moving.
  Canvas whole = Pond();
  // The frame and its dark edge lie wholly outside the window's pixels.
  const float x0 = kWindowX - 3, y0 = kWindowY - 3, x1 = kWindowX + kWindowW + 3,
              y1 = kWindowY + kWindowH + 3;
  Mask frame = Stroke(Box(x0, y0, x1, y1), 3, true, 320, 240);
  whole.Paint(Grown(frame, 1), kInk, 0.8f);
  whole.Paint(frame, kGold);
  for (Vec2 k : {Vec2{x0, y0}, Vec2{x1, y0}, Vec2{x0, y1}, Vec2{x1, y1}}) {
    Path d{{k.x, k.y - 6}, {k.x + 6, k.y}, {k.x, k.y + 6}, {k.x - 6, k.y}};
    whole.Paint(Fill(d, 320, 240), kGold);
    whole.Paint(Stroke(d, 1, true, 320, 240), kInk);
  }
  Product water = MagProduct("pond", whole);
  Product close = water;
  close.art = "pond window";
  close.picture.width = kWindowW;
  close.picture.height = kWindowH;
  close.picture.pixels.clear();
  for (int y = kWindowY; y < kWindowY + kWindowH; ++y) {
    auto row = water.picture.pixels.begin() + y * 320 + kWindowX;
    close.picture.pixels.insert(close.picture.pixels.end(), row, row + kWindowW);
  }
  return {water, close};
}

}  // namespace datagen
