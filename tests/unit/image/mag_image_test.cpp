// The MAG decoder: layout, copy codes, sizes, messages and damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "image/codecs.h"
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
    const services::BitmapInfoHeader h = image.dibHandle->header();
    EXPECT_EQ(h.biBitCount, (c.mode & 0x80) ? 8 : 4);
    EXPECT_EQ(image.bits - image.colorTable, (c.mode & 0x80) ? 1024 : 64);
    EXPECT_EQ(Row(image, 0), std::vector<uint8_t>(c.stride, 0x5A));  // bytes unchanged
  }
}

// Every copy code in both colour modes, worked out by hand from the position
// table. 3 columns (6 units) and 17 rows: rows 0 to 15 and the first five
// units of row 16 are literal, unit u of row r holding the bytes {r, 0xA0 + u};
// the last unit of row 16 takes the code in the low nibble of its flag byte.
TEST(MagDecode, EveryCopyCodeTakesItsUnit) {
  struct Case {
    int code;
    uint8_t row, unit;  // the unit the copy takes
  };
  const Case cases[] = {
      {1, 16, 4},  {2, 16, 3}, {3, 16, 1}, {4, 15, 5}, {5, 15, 4},
      {6, 14, 5},  {7, 14, 4}, {8, 14, 3}, {9, 12, 5}, {10, 12, 4},
      {11, 12, 3}, {12, 8, 5}, {13, 8, 4}, {14, 8, 3}, {15, 0, 5},
  };
  for (uint8_t mode : {uint8_t{0x80}, uint8_t{0x00}}) {
    for (const Case& c : cases) {
      SCOPED_TRACE("mode " + std::to_string(mode) + " code " + std::to_string(c.code));
      MagFile f;
      f.screenMode = mode;
      f.rightX = mode ? 11 : 23;  // 3 columns of 4 or 8 pixels
      f.bottomY = 16;
      f.flagA = {0, 0, 0, 0, 0, 0, 0x20};  // only row 16, column 2 changes its flag
      f.flagB = {static_cast<uint8_t>(c.code)};
      std::vector<uint8_t> last;  // row 16 as it should decode
      for (int r = 0; r <= 16; ++r) {
        for (int u = 0; u < (r < 16 ? 6 : 5); ++u) {
          f.pixels.insert(f.pixels.end(), {uint8_t(r), uint8_t(0xA0 + u)});
          if (r == 16) last.insert(last.end(), {uint8_t(r), uint8_t(0xA0 + u)});
        }
      }
      last.insert(last.end(), {c.row, uint8_t(0xA0 + c.unit)});

      // The demos' decoder: row 16 is the bottom row, first in the block.
      MagDecodeResult r = DecodeMagToDib(f.Bytes());
      ASSERT_NE(r.block, nullptr) << r.message;
      const uint8_t* bits = r.block->data() + 40 + (mode ? 1024 : 64);
      EXPECT_EQ(std::vector<uint8_t>(bits, bits + 12), last);
      // The tools' reader: top row first, one index per pixel.
      std::string error;
      std::optional<IndexedPicture> p = DecodeMagBytes(f.Bytes(), &error);
      ASSERT_TRUE(p.has_value()) << error;
      std::vector<uint8_t> want;
      for (uint8_t b : last) {
        if (mode) {
          want.push_back(b);
        } else {
          want.insert(want.end(), {uint8_t(b >> 4), uint8_t(b & 15)});
        }
      }
      EXPECT_EQ(std::vector<uint8_t>(p->pixels.end() - want.size(), p->pixels.end()), want);
    }
  }
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
    EXPECT_EQ(folder.boxes().back().style, services::MB_ICONERROR);
  }
  EXPECT_EQ(LoadBytes({'M', 'A', 'K'}), 0);
  EXPECT_EQ(folder.boxes().back().text, kUnsupported);
}

TEST_F(MagImageTest, FailedReloadLeavesTheObjectNotLoaded) {
  services::Surface screen;
  ASSERT_TRUE(screen.Allocate());
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

// A file cut short reads zeros for up to 256 bytes past its end, wherever the
// decoder's reads run out: in the pixel data, or in flag A.
TEST_F(MagImageTest, ShortFilesReadZerosFromTheSpareBytes) {
  image.ownerWindow = window->hwnd;
  for (uint8_t mode : {uint8_t{0x80}, uint8_t{0x00}}) {
    // 32 columns × 4 rows, all literal: 512 pixel bytes, none of them 0.
    MagFile f;
    f.screenMode = mode;
    f.rightX = mode ? 127 : 255;
    f.bottomY = 3;
    f.flagA.assign(16, 0);
    for (int i = 0; i < 512; ++i)
      f.pixels.push_back(static_cast<uint8_t>(i % 251 + 1));
    const std::vector<uint8_t> whole = f.Bytes();
    for (size_t cut : {1, 2, 256, 257}) {
      SCOPED_TRACE("mode " + std::to_string(mode) + ", " + std::to_string(cut) + " bytes short");
      const size_t boxes = folder.boxes().size();
      const int loaded = LoadBytes({whole.begin(), whole.end() - cut});
      if (cut == 257) {
        EXPECT_EQ(loaded, 0);
        ASSERT_EQ(folder.boxes().size(), boxes + 1);
        EXPECT_EQ(folder.boxes().back().text, kCantRead);
        EXPECT_EQ(folder.boxes().back().caption, folder.Full("data/t.mag"));
        continue;
      }
      ASSERT_EQ(loaded, 1);
      EXPECT_EQ(folder.boxes().size(), boxes);
      std::vector<uint8_t> want = f.pixels;
      std::fill(want.end() - cut, want.end(), 0);
      std::vector<uint8_t> got;
      for (int y = 0; y < 4; ++y) {
        std::vector<uint8_t> row = Row(image, y);
        got.insert(got.end(), row.begin(), row.end());
      }
      EXPECT_EQ(got, want);
    }
  }

  // The two-row example with its areas in the order pixels, flag B, flag A,
  // and flag A cut off: it reads 0, both rows keep the flag byte 0 and take
  // literal units, and the pixel reads run on through flag B into the zeros.
  MagFile moved;
  moved.pixels = {1, 2, 3, 4, 0x00, 0x44};
  moved.pixelOffset = 32 + 768;
  moved.flagBOffset = 32 + 768 + 4;
  moved.flagAOffset = 32 + 768 + 6;
  ASSERT_EQ(LoadBytes(moved.Bytes()), 1);
  EXPECT_EQ(Row(image, 0), (std::vector<uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(Row(image, 1), (std::vector<uint8_t>{0x00, 0x44, 0, 0}));
}

// 0 columns or 0 rows: an empty picture, loaded without a box, that draws
// nothing.
TEST_F(MagImageTest, EmptyPicturesLoadAndDrawNothing) {
  struct Case {
    const char* what;
    uint8_t mode;
    int16_t left, right, top, bottom;
    int width, height;
  };
  services::Surface screen;
  ASSERT_TRUE(screen.Allocate());
  screen.PatBlt(0, 0, 640, 480, services::RasterFill::kWhiteness);
  image.ownerWindow = window->hwnd;
  for (Case c : {Case{"0 columns", 0x80, 4, 0, 0, 9, 0, 10},
                 Case{"0 columns at 16 colours", 0x00, 8, 0, 0, 0, 0, 1},
                 Case{"0 rows", 0x80, 0, 15, 5, 4, 16, 0},
                 Case{"0 rows, 16384 columns", 0x80, -32768, 32767, 0, -1, 65536, 0},
                 Case{"neither", 0x00, 8, 0, 3, 2, 0, 0}}) {
    SCOPED_TRACE(c.what);
    MagFile f;
    f.screenMode = c.mode;
    f.leftX = c.left;
    f.rightX = c.right;
    f.topY = c.top;
    f.bottomY = c.bottom;
    f.pixels = {0x77};  // one byte of data: an empty file block is refused
    f.flagAOffset = f.flagBOffset = f.pixelOffset = 0xFFFFFFFF;  // never read
    ASSERT_EQ(LoadBytes(f.Bytes()), 1);
    EXPECT_EQ(image.width, c.width);
    EXPECT_EQ(image.height, c.height);
    EXPECT_EQ(image.PixelBytes(), 0u);
    EXPECT_EQ(image.Draw(&screen, 10, 10), 1);
    EXPECT_EQ(image.DrawStretched(&screen, 0, 0, 640, 480, 0, 0, c.width, c.height), 1);
    std::string error;
    std::optional<IndexedPicture> p = DecodeMagBytes(f.Bytes(), &error);
    ASSERT_TRUE(p.has_value()) << error;
    EXPECT_EQ(p->width * p->height, 0);
  }
  EXPECT_TRUE(folder.boxes().empty());
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      ASSERT_EQ(screen.Pixel(x, y), 0xFFFFFFu) << x << "," << y;
}

// Damaged files: each refused with a message, never read past the file and
// its 256 spare bytes.
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
  }
  // The example's data is 7 bytes long, 263 with the spare bytes: each area
  // placed so that its first read needs byte 263.
  MagFile m = f;
  m.flagAOffset = 32 + 768 + 263;
  add("flag A past the spare bytes", m);
  m = f;
  m.flagA = {0x40};  // only the second row reads flag B
  m.flagBOffset = 32 + 768 + 263;
  add("flag B past the spare bytes", m);
  m = f;
  m.pixelOffset = 32 + 768 + 262;  // the first unit's second byte
  add("pixels past the spare bytes", m);
  m = f;
  m.pixelOffset = 0xFFFFFFFF;
  add("pixels far past the end", m);
  m = f;
  m.flagAOffset = 4;
  add("flag A inside the header", m);
  m = f;
  m.pixelOffset = 32 + 767;
  add("pixels inside the palette", m);
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
  m.bottomY = -2;
  add("negative rows", m, kUnsupported);
  m = f;
  m.leftX = 8;
  m.rightX = 0;
  add("right before left", m, kUnsupported);
  m = f;
  m.bottomY = 32767;  // a tall picture needs 4096 bytes of flag A
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
