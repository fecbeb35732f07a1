// The MAG decoder: layout, copy codes, sizes, messages and damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "image/mag_image.h"
#include "tests/unit/image/image_test_support.h"

namespace image {
namespace {

using image_test::MagFile;
using image_test::ProgramFolder;

constexpr const char* kCantRead = "Error: Can't file read.";
constexpr const char* kUnsupported = "Error: Unsupported type.";

// Picture row y (from the top) of a loaded picture.
std::vector<uint8_t> Row(const MagImage& image, int y) {
  const size_t stride = image.Stride();
  const uint8_t* p = image.bits + (image.height - 1 - y) * stride;
  return {p, p + stride};
}

// The 4×2 example: two literal units, then a row whose flag becomes 0x44.
MagFile TwoRowExample() {
  MagFile f;
  f.flagA = {0xC0};
  f.flagB = {0x00, 0x44};
  f.pixels = {1, 2, 3, 4};
  return f;
}

class MagImageTest : public ::testing::Test {
 protected:
  MagImageTest() { window = folder.vs().OpenMainWindow("Title"); }
  // Writes `file` as data\t.mag and loads it into `image`.
  int LoadBytes(const std::vector<uint8_t>& bytes) {
    folder.Write("data/t.mag", bytes);
    return image.Load("data\\T.MAG");
  }
  ProgramFolder folder;
  std::unique_ptr<shell::MainWindow> window;
  MagImage image{nullptr, "Title"};
};

TEST_F(MagImageTest, DecodesTheTwoRowExample) {
  image.ownerWindow = window->hwnd;
  ASSERT_EQ(LoadBytes(TwoRowExample().Bytes()), 1);
  EXPECT_EQ(image.width, 4);
  EXPECT_EQ(image.height, 2);
  EXPECT_EQ(image.Stride(), 4u);
  EXPECT_EQ(image.PixelBytes(), 8u);
  EXPECT_EQ(image.colorTable, image.info + 40);
  EXPECT_EQ(image.bits, image.info + 40 + 1024);
  EXPECT_EQ(Row(image, 0), (std::vector<uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(Row(image, 1), (std::vector<uint8_t>{1, 2, 3, 4}));
  EXPECT_TRUE(folder.boxes().empty());

  // A clear flag A bit keeps the row above's flag byte: literals again.
  MagFile keep;
  keep.flagA = {0x80};
  keep.flagB = {0x00};
  keep.pixels = {1, 2, 3, 4, 5, 6, 7, 8};
  ASSERT_EQ(LoadBytes(keep.Bytes()), 1);
  EXPECT_EQ(Row(image, 1), (std::vector<uint8_t>{5, 6, 7, 8}));

  image.Clear();
  EXPECT_EQ(Row(image, 0), (std::vector<uint8_t>(4, 0)));
}

TEST_F(MagImageTest, PaletteBecomesBlueGreenRedZero) {
  MagFile f = TwoRowExample();
  f.palette = {0x10, 0x20, 0x30, 0xFF, 0x00, 0x80};
  ASSERT_EQ(LoadBytes(f.Bytes()), 1);
  EXPECT_EQ(std::vector<uint8_t>(image.colorTable, image.colorTable + 8),
            (std::vector<uint8_t>{0x30, 0x10, 0x20, 0, 0x80, 0xFF, 0x00, 0}));
}

TEST_F(MagImageTest, ColumnsWidenThePictureInBothModes) {
  struct Case {
    uint8_t mode;
    int16_t left, right;
    int width, stride;
  };
  for (Case c : {Case{0x80, 5, 12, 12, 12}, Case{0x00, 5, 12, 16, 8}, Case{0x80, -5, 3, 8, 8},
                 Case{0x81, 0, 2047, 2048, 2048}, Case{0x7F, 0, 4095, 4096, 2048}}) {
    SCOPED_TRACE(std::to_string(c.left) + ".." + std::to_string(c.right));
    MagFile f;
    f.screenMode = c.mode;
    f.leftX = c.left;
    f.rightX = c.right;
    f.topY = 10;
    f.bottomY = 10;
    const int columns = c.stride / 4;
    f.flagA.assign((columns + 7) / 8, 0);
    f.pixels.assign(c.stride, 0x5A);
    ASSERT_EQ(LoadBytes(f.Bytes()), 1);
    EXPECT_EQ(image.width, c.width);
    EXPECT_EQ(image.height, 1);
    EXPECT_EQ(image.Stride(), static_cast<size_t>(c.stride));
    const platform::BitmapInfoHeader h = image.dibHandle->header();
    EXPECT_EQ(h.biBitCount, (c.mode & 0x80) ? 8 : 4);
    EXPECT_EQ(image.bits - image.colorTable, (c.mode & 0x80) ? 1024 : 64);
    EXPECT_EQ(Row(image, 0), std::vector<uint8_t>(c.stride, 0x5A));  // bytes unchanged
  }
}

TEST_F(MagImageTest, CopyCodesReachTheirPositions) {
  // 3 columns (6 units), 17 rows: 16 literal rows, then a row of copies.
  MagFile f;
  f.rightX = 11;
  f.bottomY = 16;
  f.flagA = {0, 0, 0, 0, 0, 0, 0xE0};
  f.flagB = {0xF0, 0xDB, 0x83};
  for (int y = 0; y < 16; ++y)
    for (int i = 0; i < 12; ++i)
      f.pixels.push_back(static_cast<uint8_t>(y * 16 + i));
  f.pixels.insert(f.pixels.end(), {0xEE, 0xEF});
  ASSERT_EQ(LoadBytes(f.Bytes()), 1);
  EXPECT_EQ(Row(image, 16), (std::vector<uint8_t>{0x00, 0x01,     // 16 up
                                                  0xEE, 0xEF,     // literal
                                                  0x82, 0x83,     // 1 left, 8 up
                                                  0xC2, 0xC3,     // 2 left, 4 up
                                                  0xE4, 0xE5,     // 2 left, 2 up
                                                  0xEE, 0xEF}));  // 4 left
}

TEST_F(MagImageTest, SignatureIsCheckedByteByByte) {
  image.ownerWindow = window->hwnd;
  const std::vector<uint8_t> good = TwoRowExample().Bytes();
  for (size_t i = 0; i < 8; ++i) {
    std::vector<uint8_t> bad = good;
    bad[i] ^= 0x20;
    EXPECT_EQ(LoadBytes(bad), 0);
    ASSERT_EQ(folder.boxes().size(), i + 1);
    EXPECT_EQ(folder.boxes().back().text, kUnsupported);
    EXPECT_EQ(folder.boxes().back().caption, folder.Full("data/t.mag"));
    EXPECT_EQ(folder.boxes().back().style, platform::MB_ICONERROR);
  }
  EXPECT_EQ(LoadBytes({'M', 'A', 'K'}), 0);
  EXPECT_EQ(folder.boxes().back().text, kUnsupported);
}

TEST_F(MagImageTest, FailedReloadLeavesTheObjectNotLoaded) {
  platform::Surface screen;
  screen.Allocate();
  ASSERT_EQ(LoadBytes(TwoRowExample().Bytes()), 1);
  EXPECT_EQ(image.Load("data\\missing.mag"), 0);
  EXPECT_EQ(folder.boxes().back().text, "Error: Can't file open.");
  EXPECT_EQ(folder.boxes().back().caption, folder.Full("data/missing.mag"));
  EXPECT_EQ(image.loaded, 0);
  EXPECT_EQ(image.bits, nullptr);
  EXPECT_EQ(image.Stride(), 0u);
  EXPECT_EQ(image.Draw(&screen, 0, 0), 0);
  EXPECT_EQ(image.DrawStretched(&screen, 0, 0, 8, 8, 0, 0, 4, 2), 0);
  image.Clear();  // harmless when not loaded
}

// Damaged files: each refused with a message, never read past the file.
TEST_F(MagImageTest, DamagedFilesAreRefused) {
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    const char* message;
  };
  std::vector<Case> cases;
  auto add = [&](const char* what, const MagFile& f, const char* message = kCantRead) {
    cases.push_back({what, f.Bytes(), message});
  };
  MagFile f = TwoRowExample();
  {
    auto bytes = f.Bytes();
    auto end = std::find(bytes.begin() + 8, bytes.end(), 0x1A);
    cases.push_back({"no end of comment", {bytes.begin(), end}, kCantRead});
    cases.push_back({"header cut short", {bytes.begin(), end + 20}, kCantRead});
    cases.push_back({"palette cut short", {bytes.begin(), end + 33 + 700}, kCantRead});
    cases.push_back({"ends after the palette", {bytes.begin(), end + 33 + 768}, kCantRead});
    cases.push_back({"pixel data cut short", {bytes.begin(), bytes.end() - 1}, kCantRead});
  }
  MagFile m = f;
  m.flagAOffset = 32 + 768 + 7;
  add("flag A past the end", m);
  m = f;
  m.flagBOffset = 32 + 768 + 8;
  add("flag B past the end", m);
  m = f;
  m.pixelOffset = 0xFFFFFFFF;
  add("pixels past the end", m);
  m = f;
  m.flagAOffset = 4;
  add("flag A inside the header", m);
  m = f;
  m.flagB = {};
  m.pixels = {1, 2, 3, 4, 0x00};  // flag B is the last byte: the second row finds none
  m.flagBOffset = 32 + 768 + 1 + 4;
  add("flag B runs out", m);
  m = f;
  m.flagB = {0x40, 0x00};  // first row copies from the row above it
  add("copy above the top row", m);
  m = f;
  m.flagB = {0x10, 0x44};  // first unit copies from the left of the row
  add("copy left of the row start", m);
  m = f;
  m.flagB = {0x02, 0x44};  // second unit copies two units to the left
  add("copy two units left of the second", m);
  m = f;
  m.rightX = 2048;  // 513 columns
  m.flagA.assign(200, 0);
  m.pixels.assign(4200, 0);
  add("more than 512 columns", m, kUnsupported);
  m = f;
  m.bottomY = -1;
  add("no rows", m, kUnsupported);
  m = f;
  m.leftX = 8;
  m.rightX = 0;
  add("right before left", m, kUnsupported);
  m = f;
  m.bottomY = 32767;  // a tall picture needs its flag bits
  add("flag A shorter than the picture", m);

  image.ownerWindow = window->hwnd;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(LoadBytes(TwoRowExample().Bytes()), 1);
    const size_t boxes = folder.boxes().size();
    EXPECT_EQ(LoadBytes(c.bytes), 0);
    ASSERT_EQ(folder.boxes().size(), boxes + 1);
    EXPECT_EQ(folder.boxes().back().text, c.message);
    EXPECT_EQ(image.loaded, 0);
    EXPECT_EQ(DecodeMagToDib(c.bytes).block, nullptr);
  }
}

TEST(MagDecode, AcceptsEdgesOfWhatIsAllowed) {
  // Code 1 on the second unit repeats the first; 512 columns fit.
  MagFile f = TwoRowExample();
  f.flagB = {0x01, 0x45};  // the second row's flag becomes 0x44
  f.pixels = {9, 8};
  MagDecodeResult r = DecodeMagToDib(f.Bytes());
  ASSERT_NE(r.block, nullptr) << r.message;
  const uint8_t* bits = r.block->data() + 40 + 1024;
  EXPECT_EQ(std::vector<uint8_t>(bits, bits + 8), (std::vector<uint8_t>{9, 8, 9, 8, 9, 8, 9, 8}));

  MagFile wide;
  wide.rightX = 2047;
  wide.bottomY = 0;
  wide.flagA.assign(64, 0);
  wide.pixels.assign(2048, 1);
  EXPECT_NE(DecodeMagToDib(wide.Bytes()).block, nullptr);
}

}  // namespace
}  // namespace image
