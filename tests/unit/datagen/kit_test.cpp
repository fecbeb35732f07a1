// The generator's own drawing kit and file writers.
#include <gtest/gtest.h>

#include <numeric>

#include "tools/datagen/files.h"
#include "tools/datagen/font.h"
#include "tools/datagen/geometry.h"
#include "tools/datagen/quantize.h"
#include "tools/datagen/synth.h"

namespace datagen {
namespace {

float Sum(const Mask& m) {
  return std::accumulate(m.a.begin(), m.a.end(), 0.0f);
}

TEST(RasterTest, FilledShapesCoverTheirArea) {
  // A box with fractional edges: coverage adds up to its area, and its
  // inside pixels are fully covered, its outside ones not at all.
  Mask box = Fill(Box(2.25f, 3.5f, 12.75f, 9.0f), 20, 20);
  EXPECT_NEAR(Sum(box), 10.5f * 5.5f, 0.05f);
  EXPECT_FLOAT_EQ(box.at(5, 5), 1.0f);
  EXPECT_NEAR(box.at(2, 5), 0.75f, 0.01f);
  EXPECT_FLOAT_EQ(box.at(15, 5), 0.0f);
  // A ring keeps its hole empty (non-zero winding with a reversed inner contour).
  Mask ring = Fill(Ring({50, 50}, 30, 15), 100, 100);
  EXPECT_FLOAT_EQ(ring.at(50, 50), 0.0f);
  EXPECT_FLOAT_EQ(ring.at(50, 27), 1.0f);
  EXPECT_NEAR(Sum(ring), kPi * (30 * 30 - 15 * 15), 6.0f);
  // Shapes reaching past the edges are clipped, not wrapped.
  Mask edge = Fill(Box(-10, -10, 5, 5), 8, 8);
  EXPECT_NEAR(Sum(edge), 25.0f, 0.01f);
}

TEST(RasterTest, DistancesAndGrowth) {
  Mask box = Fill(Box(10, 10, 31, 31), 40, 40);
  std::vector<float> d = InsideDistance(box);
  EXPECT_FLOAT_EQ(d[size_t(20) * 40 + 20], 11.0f);  // pixels 10 … 30 are inside
  EXPECT_FLOAT_EQ(d[size_t(20) * 40 + 10], 1.0f);
  EXPECT_FLOAT_EQ(d[0], 0.0f);
  Mask grown = Grown(box, 3);
  EXPECT_FLOAT_EQ(grown.at(8, 20), 1.0f);
  EXPECT_FLOAT_EQ(grown.at(7, 20), 0.5f);
  EXPECT_FLOAT_EQ(grown.at(5, 20), 0.0f);
  // Blurring keeps the total.
  EXPECT_NEAR(Sum(Blurred(box, 3)), Sum(box), 0.5f);
}

TEST(QuantizeTest, PalettesKeepExactColoursAndFixedEntries) {
  Canvas c(8, 4);
  const Col colours[3] = {Hex(0x102030), Hex(0xf0a040), Hex(0xffffff)};
  for (int i = 0; i < 32; ++i)
    c.px[size_t(i)] = colours[i % 3];
  Palette p = BuildPalette({{&c, nullptr, 1.0f}}, 16, {Hex(0x161c44)});
  ASSERT_EQ(p.size(), 16u);
  EXPECT_EQ(p[15], (image::Rgb{0x16, 0x1c, 0x44}));  // fixed colours come last
  image::IndexedPicture q = Quantize(c, p, 16, Dither::kDiffusion);
  for (int i = 0; i < 32; ++i)
    EXPECT_EQ(p[q.pixels[size_t(i)]], ToRgb(colours[i % 3])) << i;
  // More colours than entries: every pixel still maps to a valid entry near it.
  Canvas ramp(256, 1);
  for (int x = 0; x < 256; ++x)
    ramp.at(x, 0) = Col{x / 255.0f, x / 255.0f, x / 255.0f};
  Palette grey = BuildPalette({{&ramp, nullptr, 1.0f}}, 16);
  image::IndexedPicture g = Quantize(ramp, grey, 16, Dither::kNone);
  for (int x = 0; x < 256; ++x)
    EXPECT_NEAR(grey[g.pixels[size_t(x)]].r, x, 12) << x;
}

TEST(QuantizeTest, PatternsAreTransparentWhereUncovered) {
  Canvas c(4, 2, Hex(0xff0000));
  Mask m(4, 2);
  m.at(1, 0) = 1;
  m.at(2, 1) = 0.6f;
  m.at(3, 1) = 0.4f;
  image::DarPattern pat =
      QuantizePattern(c, m, {{0, 0, 0}, {255, 0, 0}}, 0, 0, 4, 2, Dither::kNone);
  EXPECT_EQ(pat.pixels, (std::vector<int16_t>{-1, 1, -1, -1, -1, -1, 1, -1}));
}

TEST(FilesTest, Bmp24LayoutAndRoundTrip) {
  RgbImage p{3, 2, std::vector<uint8_t>(18)};
  for (int i = 0; i < 18; ++i)
    p.rgb[size_t(i)] = uint8_t(i * 10);
  std::vector<uint8_t> f = EncodeBmp24(p);
  // Rows of 9 bytes padded to 12, bottom-up, blue first.
  ASSERT_EQ(f.size(), 54u + 24u);
  EXPECT_EQ(f[0], 'B');
  EXPECT_EQ(f[2] | f[3] << 8, 78);
  EXPECT_EQ(f[10], 54);
  EXPECT_EQ(f[14], 40);
  EXPECT_EQ(f[28], 24);
  EXPECT_EQ(f[46], 0);          // no colour table
  EXPECT_EQ(f[54], p.rgb[11]);  // bottom row, first pixel, blue
  EXPECT_EQ(f[56], p.rgb[9]);
  auto back = DecodeBmp24(f);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->rgb, p.rgb);
  f.pop_back();
  EXPECT_FALSE(DecodeBmp24(f));
}

TEST(FilesTest, WaveHeaderAndClamping) {
  std::vector<uint8_t> f = EncodeWave({0.0f, 1.0f, -1.0f, 2.0f}, 22050);
  ASSERT_EQ(f.size(), 44u + 8u);
  EXPECT_EQ(std::string(f.begin(), f.begin() + 4), "RIFF");
  EXPECT_EQ(f[4], 44);
  EXPECT_EQ(f[22], 2);
  EXPECT_EQ(f[24] | f[25] << 8, 22050);
  EXPECT_EQ(f[28] | f[29] << 8 | f[30] << 16, 22050 * 4);
  EXPECT_EQ(f[32], 4);
  EXPECT_EQ(f[40], 8);
  EXPECT_EQ(int16_t(f[46] | f[47] << 8), 32767);
  EXPECT_EQ(int16_t(f[48] | f[49] << 8), -32767);
  EXPECT_EQ(int16_t(f[50] | f[51] << 8), 32767);  // clamped
}

TEST(ThemeScoreTest, MelodiesParseToPitchesAndLengths) {
  std::vector<MelodyNote> m = ParseMelody("A4:2 Bb3:1 | C#5:4 r:2 C4:1 G9:0.5");
  ASSERT_EQ(m.size(), 6u);
  EXPECT_EQ(m[0].midi, 69);
  EXPECT_EQ(m[1].midi, 58);
  EXPECT_EQ(m[2].midi, 73);
  EXPECT_EQ(m[3].midi, -1);
  EXPECT_EQ(m[4].midi, 60);
  EXPECT_EQ(m[5].midi, 127);
  EXPECT_DOUBLE_EQ(m[0].eighths, 2);
  EXPECT_DOUBLE_EQ(m[2].eighths, 4);
  EXPECT_DOUBLE_EQ(m[5].eighths, 0.5);
}

TEST(TextTest, Utf8DecodingAndOutlines) {
  EXPECT_EQ(DecodeUtf8("A扉\xF0\x9F\x8C\x9F"), (std::u32string{U'A', U'扉', U'🌟'}));
  EXPECT_EQ(DecodeUtf8("a\xE6\x89"), (std::u32string{U'a', 0xFFFD, 0xFFFD}));
  EXPECT_EQ(DecodeUtf8("\x80z"), (std::u32string{0xFFFD, U'z'}));
  Fonts fonts;
  std::string error;
  ASSERT_TRUE(fonts.Open(&error)) << error;
  // A Japanese line has glyphs, set left to right on the baseline.
  Shape s = fonts.gothic->Outline("扉の空", 20, {10, 30});
  ASSERT_FALSE(s.empty());
  float left = 1e9f, right = -1e9f, bottom = -1e9f;
  for (const Path& p : s)
    for (Vec2 v : p) {
      left = std::min(left, v.x);
      right = std::max(right, v.x);
      bottom = std::max(bottom, v.y);
    }
  EXPECT_GE(left, 10.0f);
  EXPECT_NEAR(right, 10 + fonts.gothic->Width("扉の空", 20), 3.0f);
  EXPECT_LE(bottom, 34.0f);
  EXPECT_GT(Sum(fonts.gothic->Render("扉", 14, 0, 14, 16, 16)), 20.0f);
}

}  // namespace
}  // namespace datagen
