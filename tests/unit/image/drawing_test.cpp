// Drawing MAG pictures onto surfaces: positions, the bottom-up source
// rectangle, 2:1 enlargement and 16-colour pictures.
#include <gtest/gtest.h>

#include "image/mag_image.h"
#include "tests/unit/image/image_test_support.h"

namespace image {
namespace {

using image_test::MagFile;
using image_test::ProgramFolder;

uint32_t Colour(int i) {
  return uint32_t(i) << 16 | uint32_t(255 - i) << 8 | uint32_t(i / 2);
}

// A 256-colour picture whose pixel (x, y) holds index (x + 3y) mod 256, and
// whose palette maps index i to Colour(i); all units literal.
MagFile Gradient(int width, int height) {
  MagFile f;
  f.rightX = static_cast<int16_t>(width - 1);
  f.bottomY = static_cast<int16_t>(height - 1);
  for (int i = 0; i < 256; ++i) {
    uint32_t c = Colour(i);
    f.palette.insert(f.palette.end(), {uint8_t(c >> 8), uint8_t(c >> 16), uint8_t(c)});
  }
  f.flagA.assign((width / 4 * height + 7) / 8, 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      f.pixels.push_back(static_cast<uint8_t>(x + 3 * y));
  return f;
}
uint32_t GradientAt(int x, int y) {
  return Colour((x + 3 * y) & 255);
}

class DrawingTest : public ::testing::Test {
 protected:
  DrawingTest() { EXPECT_TRUE(screen.Allocate()); }
  void Load(const MagFile& f) {
    folder.Write("p.mag", f.Bytes());
    ASSERT_EQ(image.Load("p.mag"), 1);
  }
  ProgramFolder folder;
  MagImage image{nullptr, "Title"};
  services::Surface screen;
};

TEST_F(DrawingTest, OneToOneCoversTheWindowAndLandsAtItsPosition) {
  Load(Gradient(640, 480));
  EXPECT_EQ(image.Draw(&screen, 0, 0), 1);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      ASSERT_EQ(screen.Pixel(x, y), GradientAt(x, y)) << x << "," << y;

  screen.PatBlt(0, 0, 640, 480, services::RasterFill::kWhiteness);
  EXPECT_EQ(image.Draw(&screen, 184, 198), 1);
  EXPECT_EQ(screen.Pixel(184, 198), GradientAt(0, 0));
  EXPECT_EQ(screen.Pixel(639, 479), GradientAt(639 - 184, 479 - 198));
  EXPECT_EQ(screen.Pixel(183, 300), 0xFFFFFFu);
  EXPECT_EQ(screen.Pixel(300, 197), 0xFFFFFFu);
}

TEST_F(DrawingTest, TwoToOneRepeatsEachPixelUpright) {
  Load(Gradient(320, 240));
  EXPECT_EQ(image.DrawStretched(&screen, 0, 0, 640, 480, 0, 0, 320, 240), 1);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      ASSERT_EQ(screen.Pixel(x, y), GradientAt(x / 2, y / 2));

  // The 160×120 rectangle at the picture's origin (its bottom-left part)
  // enlarged into the middle of the window.
  screen.PatBlt(0, 0, 640, 480, services::RasterFill::kWhiteness);
  image.DrawStretched(&screen, 160, 120, 320, 240, 0, 0, 160, 120);
  for (int j = 0; j < 240; ++j)
    for (int i = 0; i < 320; ++i)
      ASSERT_EQ(screen.Pixel(160 + i, 120 + j), GradientAt(i / 2, 120 + j / 2));
  EXPECT_EQ(screen.Pixel(159, 120), 0xFFFFFFu);
  EXPECT_EQ(screen.Pixel(480, 359), 0xFFFFFFu);
}

TEST_F(DrawingTest, SourceRowOneLeavesOutTheBottomRow) {
  Load(Gradient(640, 448));
  screen.PatBlt(0, 0, 640, 480, services::RasterFill::kWhiteness);
  image.DrawStretched(&screen, 0, 16, 640, 447, 0, 1, 640, 447);
  EXPECT_EQ(screen.Pixel(5, 15), 0xFFFFFFu);
  EXPECT_EQ(screen.Pixel(5, 16), GradientAt(5, 0));
  EXPECT_EQ(screen.Pixel(5, 16 + 446), GradientAt(5, 446));
  EXPECT_EQ(screen.Pixel(5, 16 + 447), 0xFFFFFFu);
}

TEST_F(DrawingTest, SixteenColourPicturesPutTheLeftPixelInTheHighNibble) {
  MagFile f;
  f.screenMode = 0;
  f.rightX = 7;
  f.bottomY = 0;
  f.palette = {0, 0, 0, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
  f.flagA = {0};
  f.pixels = {0x12, 0x00, 0x00, 0x21};
  Load(f);
  image.Draw(&screen, 0, 0);
  const uint32_t c1 = 0x221133, c2 = 0x554466;
  EXPECT_EQ(screen.Pixel(0, 0), c1);
  EXPECT_EQ(screen.Pixel(1, 0), c2);
  EXPECT_EQ(screen.Pixel(2, 0), 0u);
  EXPECT_EQ(screen.Pixel(6, 0), c2);
  EXPECT_EQ(screen.Pixel(7, 0), c1);
}

TEST_F(DrawingTest, PicturesWrittenInPlaceShowTheirNewPixelsAndColours) {
  Load(Gradient(320, 240));
  image.bits[0] = 7;  // bottom-left pixel
  image.colorTable[4 * 7 + 2] = 0xAB;
  image.Draw(&screen, 0, 0);
  EXPECT_EQ(screen.Pixel(0, 239) >> 16, 0xABu);
}

TEST_F(DrawingTest, NothingDrawnWithoutAPictureOrATarget) {
  screen.PatBlt(0, 0, 640, 480, services::RasterFill::kWhiteness);
  EXPECT_EQ(image.Draw(&screen, 0, 0), 0);
  EXPECT_EQ(image.DrawStretched(&screen, 0, 0, 640, 480, 0, 0, 320, 240), 0);
  EXPECT_EQ(screen.Pixel(0, 0), 0xFFFFFFu);

  Load(Gradient(8, 8));
  services::Surface never;
  EXPECT_EQ(image.Draw(&never, 0, 0), 1);
  EXPECT_EQ(image.Draw(nullptr, 0, 0), 1);
  screen.Release();
  EXPECT_EQ(image.DrawStretched(&screen, 0, 0, 16, 16, 0, 0, 8, 8), 1);
  EXPECT_FALSE(screen.Valid());
}

}  // namespace
}  // namespace image
