// The three finale cards: "coming soon", what the demo needs to run, and
// thanks with the cast. The second is a 16-colour picture.
#include "tools/datagen/art.h"
#include "tools/datagen/scenery.h"

namespace datagen {

using namespace look;

namespace {

constexpr int kW = 640, kH = 480;

// Gold lettering with a dark edge, for large text on the cards.
void GoldText(Canvas& c, const Shape& text, float bevel = 2.0f) {
  c.Paint(Grown(Fill(text, kW, kH), 2), kInk);
  PaintMetalText(c, text, bevel, 0, nullptr);
}

void PlainText(Canvas& c, const Shape& text, Col col) {
  c.Paint(Fill(text, kW, kH), col);
}

Canvas ComingSoon(const Fonts& fonts) {
  Canvas c(kW, kH);
  PaintSky(c, 380, DuskRamp(), 401, 0.05f);
  Rng rng(401);
  PaintStars(c, rng, 300, 320, 1.0f);
  c.Paint(Fill(Ridge(0, kW, 430, 50, kH, 402, 0.4f, 120), kW, kH), Hex(0x0e1230));
  // The door, open, far away on the ridge, light streaming out.
  Vec2 base{320, 404};
  c.Glow({320, 360}, 120, kAmber, 0.35f);
  c.Paint(Fill(DoorArch(base, 40, 72), kW, kH), Hex(0x1a1430));
  Mask open = Fill(DoorArch(base + Vec2{0, -2}, 30, 64), kW, kH);
  c.Paint(open, kCream);
  c.AddLight(Blurred(open, 12), kAmber, 1.2f);
  // The logo above, the announcement in the middle.
  Canvas logo(272, 84);
  Mask lm = PaintLogo(logo, *fonts.serifBold, 272, 84);
  c.PaintWith(Fill(Box(184, 40, 456, 124), kW, kH), [&](int x, int y) {
    return lm.at(x - 184, y - 40) > 0 ? logo.at(x - 184, y - 40) : c.at(x, y);
  });
  GoldText(c, CentredText(*fonts.mincho, "近日公開", 64, 320, 232, 8), 2.5f);
  PlainText(c, CentredText(*fonts.serifBold, "COMING  SOON", 22, 320, 274, 6), kCream);
  PlainText(c, CentredText(*fonts.mincho, "扉の向こうで、また会いましょう。", 20, 320, 316),
            Hex(0xf4e0c0));
  return c;
}

Canvas Requirements(const Fonts& fonts) {
  Canvas c(kW, kH);
  c.Shade([&](int x, int y, Col) {
    float r = Length(Vec2{float(x) - 320, float(y) - 200}) / 420.0f;
    return Mix(Hex(0x1c2a6a), kNight0, Smooth(0.0f, 1.0f, r));
  });
  Rng rng(411);
  PaintStars(c, rng, 120, 480, 0.6f);
  PaintFrame(c, 40, 36, 600, 444, 10);
  GoldText(c, CentredText(*fonts.mincho, "動作環境", 44, 320, 104, 10));
  PlainText(c, CentredText(*fonts.serifBold, "SYSTEM  REQUIREMENTS", 16, 320, 132, 4), kGold);
  c.Paint(Stroke(Path{{120, 148}, {520, 148}}, 1.5f, false, kW, kH), kAmber);
  const char* lines[] = {"対応機種　Windows 95 が動作する PC/AT 互換機",
                         "CPU　　　486DX2-66MHz 以上（Pentium 推奨）",
                         "メモリ　　16MB 以上",
                         "画面　　　640×480 ドット、256 色以上",
                         "サウンド　PCM 再生のできるサウンドカード",
                         "空き容量　ハードディスクに 20MB 以上"};
  for (int i = 0; i < 6; ++i) {
    float y = 196 + float(i) * 38;
    c.Paint(Fill(Star({110, y - 7}, 6, 2.5f, 4), kW, kH), kAmber);
    PlainText(c, fonts.gothic->Outline(lines[i], 19, {128, y}), kCream);
  }
  return c;
}

Canvas Thanks(const Fonts& fonts) {
  Canvas c(kW, kH);
  c.Shade([&](int, int y, Col) { return Mix(kNight0, Hex(0x1a1c50), float(y) / float(kH)); });
  Rng rng(421);
  PaintStars(c, rng, 500, 480, 1.0f);
  // The comet crossing the upper sky, its tail fading away from the head.
  const Vec2 head{560, 40};
  Path tail = SmoothOpen({head, {470, 70}, {380, 86}, {300, 92}}, 12);
  Mask m = Blurred(Fill(TaperedStroke(tail, 4, 30), kW, kH), 3);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      m.at(x, y) *= std::exp(-Length(Vec2{float(x), float(y)} - head) / 90.0f);
  c.AddLight(m, kGold, 1.2f);
  c.AddLight(Blurred(m, 8), kRose, 0.5f);
  c.Glow(head, 10, kAmber, 0.8f);
  c.Glow(head, 4, kCream, 1.2f);
  Sparkle(c, head, 24, kCream, 1.0f);
  GoldText(c, CentredText(*fonts.mincho, "ご覧いただき、ありがとうございました。", 30, 320, 170),
           1.5f);
  PlainText(c, CentredText(*fonts.serifItalic, "Thank you for watching", 26, 320, 210), kCream);
  // The cast: everyone the demo shows, in the order they appear, in two
  // columns of Japanese and English names, on a calm band where the stars
  // fade out, so that the names read cleanly.
  c.Paint(Blurred(Fill(RoundedBox(60, 236, 580, 396, 30, 8), kW, kH), 14), Hex(0x0a0c26), 0.85f);
  PlainText(c, CentredText(*fonts.serifBold, "CAST", 15, 320, 252, 6), kAmber);
  const char* cast[][2] = {{"ノル", "Nolu"},        {"ヴェンノル", "Vennolu"},
                           {"オリーネ", "Orine"},   {"ドーヴァ", "Dova"},
                           {"ウベコ", "Ubeko"},     {"フェナリ", "Fenari"},
                           {"タモール", "Tamor"},   {"ブラケンド", "Brakendo"},
                           {"トビラン", "Tobiran"}, {"ホヴァネ", "Hovane"}};
  for (int i = 0; i < 10; ++i) {
    float column = i < 5 ? 190.0f : 474.0f, y = 284 + float(i % 5) * 25;
    float w = fonts.gothic->Width(cast[i][0], 17);
    PlainText(c, fonts.gothic->Outline(cast[i][0], 17, {column - 8 - w, y}), Hex(0xf4e0c0));
    PlainText(c, fonts.serif->Outline(cast[i][1], 18, {column + 8, y}), kGold);
  }
  c.Paint(Stroke(Path{{200, 404}, {440, 404}}, 1.2f, false, kW, kH), kAmber);
  PlainText(c, CentredText(*fonts.serifBold, "ZELK  SYSTEM", 20, 320, 438, 4), kCream);
  return c;
}

}  // namespace

std::vector<Product> MakeFinaleCards(const Fonts& fonts) {
  return {MagProduct("coming soon", ComingSoon(fonts)),
          MagProduct("requirements", Requirements(fonts), 16), MagProduct("thanks", Thanks(fonts))};
}

}  // namespace datagen
