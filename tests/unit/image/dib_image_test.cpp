// BMP pictures: loading, the three messages, and what stays after a failure.
#include <gtest/gtest.h>

#include <climits>

#include "image/dib_image.h"
#include "tests/unit/image/image_test_support.h"

namespace image {
namespace {

using image_test::BmpFile;
using image_test::ProgramFolder;

// A 2×2 24-bit picture, bottom row first: blue, green / red, white.
std::vector<uint8_t> SmallPixels() {
  return {255, 0, 0,   0,   255, 0,   0, 0,  // bottom row + 2 fill bytes
          0,   0, 255, 255, 255, 255, 0, 0};
}

class DibImageTest : public ::testing::Test {
 protected:
  DibImageTest() {
    window = folder.vs().OpenMainWindow("Title");
    EXPECT_TRUE(screen.Allocate());
  }
  ProgramFolder folder;
  std::unique_ptr<shell::MainWindow> window;
  services::Surface screen;
};

TEST_F(DibImageTest, LoadsAndDrawsUprightAtItsPosition) {
  folder.Write("data/pic.bmp", BmpFile(2, 2, 24, SmallPixels()));
  DibImage image(window->hwnd, window->title);
  ASSERT_EQ(image.Load("DATA\\Pic.bmp"), 1);
  EXPECT_EQ(image.width, 2);
  EXPECT_EQ(image.height, 2);
  EXPECT_EQ(image.bits, SmallPixels());
  EXPECT_EQ(image.Draw(&screen, 10, 20), 1);
  EXPECT_EQ(screen.Pixel(10, 20), 0xFF0000u);  // top row first
  EXPECT_EQ(screen.Pixel(11, 20), 0xFFFFFFu);
  EXPECT_EQ(screen.Pixel(10, 21), 0x0000FFu);
  EXPECT_EQ(screen.Pixel(11, 21), 0x00FF00u);
  EXPECT_EQ(screen.Pixel(12, 20), 0u);
  // DrawPart: the 1×1 part at source (1, 1), bottom-up: the top-right pixel.
  EXPECT_EQ(image.DrawPart(&screen, 0, 0, 1, 1, 1, 1), 1);
  EXPECT_EQ(screen.Pixel(0, 0), 0xFFFFFFu);
  auto bitmap = image.CreateDeviceBitmap(&screen);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->Pixel(0, 1), 0x0000FFu);
  EXPECT_TRUE(folder.boxes().empty());
}

TEST_F(DibImageTest, AcceptsAnyTypeBytesAndAnEmptyPixelBlock) {
  auto bytes = BmpFile(0, 0, 24, {});
  bytes[0] = 'X';
  bytes[1] = 'Y';
  folder.Write("empty.bmp", bytes);
  DibImage image(window->hwnd, window->title);
  EXPECT_EQ(image.Load("empty.bmp"), 1);
  EXPECT_TRUE(image.bits.empty());
  EXPECT_EQ(image.Draw(&screen, 0, 0), 1);
  EXPECT_TRUE(folder.boxes().empty());
}

TEST_F(DibImageTest, SizeFaultsKeepTheOldPictureAndNameThePath) {
  folder.Write("good.bmp", BmpFile(2, 2, 24, SmallPixels()));
  folder.Write("long.bmp", BmpFile(2, 2, 24, SmallPixels(), +1));
  folder.Write("short.bmp", std::vector<uint8_t>(53, 0));
  DibImage image(window->hwnd, window->title);
  ASSERT_EQ(image.Load("good.bmp"), 1);
  for (const char* name : {"long.bmp", "short.bmp"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(image.Load(name), 0);
    ASSERT_FALSE(folder.boxes().empty());
    const services::BoxRecord& box = folder.boxes().back();
    EXPECT_EQ(box.text, "IlligalFileSize!\n" + folder.Full(name));
    EXPECT_EQ(box.caption, "Title");
    EXPECT_EQ(box.style, services::MB_ICONERROR);
    EXPECT_EQ(std::string(image.path), folder.Full(name));
    screen.PatBlt(0, 0, 640, 480, services::RasterFill::kBlackness);
    EXPECT_EQ(image.Draw(&screen, 0, 0), 1);
    EXPECT_EQ(screen.Pixel(0, 0), 0xFF0000u);
  }
  EXPECT_EQ(image.Load("missing.bmp"), 0);
  EXPECT_EQ(folder.boxes().back().text, "file not open! DIBLoad\n" + folder.Full("missing.bmp"));
  EXPECT_EQ(image.loaded, 1);
}

TEST_F(DibImageTest, NotLoadedDrawsNothingAndNoTargetIsHarmless) {
  DibImage image(window->hwnd, window->title);
  screen.PatBlt(0, 0, 640, 480, services::RasterFill::kWhiteness);
  EXPECT_EQ(image.Draw(&screen, 0, 0), 0);
  EXPECT_EQ(image.DrawPart(&screen, 0, 0, 1, 1, 0, 0), 0);
  EXPECT_EQ(image.CreateDeviceBitmap(&screen), nullptr);
  EXPECT_EQ(screen.Pixel(0, 0), 0xFFFFFFu);

  folder.Write("good.bmp", BmpFile(2, 2, 24, SmallPixels()));
  ASSERT_EQ(image.Load("good.bmp"), 1);
  services::Surface released;
  EXPECT_EQ(image.Draw(nullptr, 0, 0), 1);
  EXPECT_EQ(image.Draw(&released, 0, 0), 1);
  ASSERT_TRUE(released.Allocate());
  released.Release();
  EXPECT_EQ(image.Draw(&released, 0, 0), 1);
  EXPECT_FALSE(released.Valid());
}

// Header fields are handed to the blit unchecked; extreme ones must neither
// overflow its arithmetic nor read past the pixels.
TEST_F(DibImageTest, ExtremeHeaderValuesAreDrawnSafely) {
  DibImage image(window->hwnd, window->title);
  for (auto [w, h] : {std::pair{0x57240000, 2}, std::pair{3, INT32_MIN}, std::pair{INT32_MAX, 1},
                      std::pair{2, INT32_MAX}}) {
    folder.Write("x.bmp", BmpFile(w, h, 32, std::vector<uint8_t>(64, 0x80)));
    ASSERT_EQ(image.Load("x.bmp"), 1);
    EXPECT_EQ(image.Draw(&screen, -7, 3), 1);
    EXPECT_EQ(image.Draw(&screen, INT32_MIN, INT32_MAX), 1);
    EXPECT_EQ(image.DrawPart(&screen, 0, 0, 640, 480, INT32_MAX, INT32_MIN), 1);
    EXPECT_EQ(image.DrawPart(&screen, 5, 5, 320, 240, -INT32_MAX, 7), 1);
  }
}

TEST_F(DibImageTest, LongPathsAreCutToTheMessageBuffer) {
  // A path of 250 bytes: it opens, but the message and path need 267.
  std::string deep(250 - folder.dir().string().size() - 7, 'd');
  folder.Write(deep + "/x.bmp", {});
  DibImage image(window->hwnd, window->title);
  EXPECT_EQ(image.Load((deep + "\\x.bmp").c_str()), 0);
  ASSERT_EQ(folder.boxes().size(), 1u);
  EXPECT_EQ(folder.boxes()[0].text.size(), 255u);
  EXPECT_EQ(folder.boxes()[0].text.rfind("IlligalFileSize!\n", 0), 0u);
}

}  // namespace
}  // namespace image
