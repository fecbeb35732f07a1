// Drawing rules of the surfaces: 1:1 copies exact, bottom-up source
// rectangles, 2:1 enlargement repeating pixels, nearest sampling when
// shrinking, clipping, and never reading past the bytes a picture has.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "services/surface.h"

namespace {

using services::DibView;
using services::RasterFill;
using services::Surface;

// An 8-bit bottom-up picture whose pixel (x, row-from-top y) has index
// (x + 7 * y) & 0xFF, with colour table entry i = (blue i, green 255 − i, red i ^ 0x5A).
struct IndexedPicture8 {
  int width, height;
  std::vector<uint8_t> table;
  std::vector<uint8_t> bits;
  IndexedPicture8(int w, int h) : width(w), height(h), table(1024), bits() {
    for (int i = 0; i < 256; ++i) {
      table[4 * i] = static_cast<uint8_t>(i);
      table[4 * i + 1] = static_cast<uint8_t>(255 - i);
      table[4 * i + 2] = static_cast<uint8_t>(i ^ 0x5A);
    }
    size_t stride = (static_cast<size_t>(w) + 3) & ~size_t{3};
    bits.assign(stride * h, 0);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x)
        bits[(h - 1 - y) * stride + x] = Index(x, y);
    }
  }
  static uint8_t Index(int x, int y) { return static_cast<uint8_t>((x + 7 * y) & 0xFF); }
  static uint32_t Colour(uint8_t i) {
    return (uint32_t(i ^ 0x5A) << 16) | (uint32_t(255 - i) << 8) | i;
  }
  DibView View() const {
    DibView v;
    v.width = width;
    v.height = height;
    v.bitCount = 8;
    v.colorTable = table.data();
    v.colorCount = 256;
    v.bits = bits.data();
    v.bitsSize = bits.size();
    return v;
  }
};

Surface Allocated() {
  Surface s;
  EXPECT_TRUE(s.Allocate());
  return s;
}

TEST(SurfaceDib, OneToOneCopyIsExactAndPlacedFromTheTop) {
  Surface s = Allocated();
  IndexedPicture8 pic(20, 10);
  s.StretchDIBits(184, 198, 20, 10, 0, 0, 20, 10, pic.View());
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 20; ++x) {
      ASSERT_EQ(s.Pixel(184 + x, 198 + y), IndexedPicture8::Colour(IndexedPicture8::Index(x, y)));
    }
  }
  EXPECT_EQ(s.Pixel(183, 198), 0u);
  EXPECT_EQ(s.Pixel(204, 198), 0u);
  EXPECT_EQ(s.Pixel(184, 208), 0u);
}

TEST(SurfaceDib, SourceRectangleCountsRowsUpFromTheBottom) {
  // Source y 1, height 447 of a 448-row picture leaves out its bottom row.
  Surface s = Allocated();
  IndexedPicture8 pic(640, 448);
  s.StretchDIBits(0, 16, 640, 447, 0, 1, 640, 447, pic.View());
  EXPECT_EQ(s.Pixel(5, 16), IndexedPicture8::Colour(IndexedPicture8::Index(5, 0)));
  EXPECT_EQ(s.Pixel(5, 16 + 446), IndexedPicture8::Colour(IndexedPicture8::Index(5, 446)));
  EXPECT_EQ(s.Pixel(5, 15), 0u);
  EXPECT_EQ(s.Pixel(5, 463), 0u);
}

TEST(SurfaceDib, TwoToOneRepeatsEachPixelAsABlock) {
  Surface s = Allocated();
  IndexedPicture8 pic(320, 240);
  s.StretchDIBits(0, 0, 640, 480, 0, 0, 320, 240, pic.View());
  for (int y = 0; y < 480; y += 37) {
    for (int x = 0; x < 640; x += 13) {
      ASSERT_EQ(s.Pixel(x, y), IndexedPicture8::Colour(IndexedPicture8::Index(x / 2, y / 2)))
          << x << "," << y;
    }
  }
  // An odd destination origin enlarges the same way (the fast path's edge).
  Surface t = Allocated();
  t.StretchDIBits(161, 121, 320, 240, 0, 0, 160, 120, pic.View());
  for (int y = 0; y < 240; y += 11) {
    for (int x = 0; x < 320; ++x) {
      ASSERT_EQ(t.Pixel(161 + x, 121 + y),
                IndexedPicture8::Colour(IndexedPicture8::Index(x / 2, 120 + y / 2)))
          << x << "," << y;
    }
  }
}

// The per-pixel rule every fast path must reproduce: nearest source column and
// bottom-up source row for each destination pixel inside the surface.
void DrawLiterally(std::vector<uint32_t>& out, int x, int y, int w, int h, int sx, int sy, int sw,
                   int sh, const IndexedPicture8& pic) {
  for (int dy = std::max(y, 0); dy < std::min(y + h, 480); ++dy) {
    for (int dx = std::max(x, 0); dx < std::min(x + w, 640); ++dx) {
      long long sc = sx + static_cast<long long>(dx - x) * sw / w;
      long long up = sy + sh - 1 - static_cast<long long>(dy - y) * sh / h;
      if (sc < 0 || sc >= pic.width || up < 0 || up >= pic.height) continue;
      out[static_cast<size_t>(dy) * 640 + dx] = IndexedPicture8::Colour(
          IndexedPicture8::Index(static_cast<int>(sc), pic.height - 1 - static_cast<int>(up)));
    }
  }
}

TEST(SurfaceDib, FastPathsMatchThePerPixelRuleAtAnyPlacement) {
  IndexedPicture8 pic(163, 97);
  struct Case {
    int x, y, w, h, sx, sy, sw, sh;
  };
  const Case cases[] = {
      {0, 0, 163, 97, 0, 0, 163, 97},      {3, 5, 161, 95, 1, 1, 161, 95},
      {-7, -3, 163, 97, 0, 0, 163, 97},    {600, 400, 163, 97, 0, 0, 163, 97},
      {0, 0, 326, 194, 0, 0, 163, 97},     {1, 1, 326, 194, 0, 0, 163, 97},
      {-5, -1, 326, 194, 0, 0, 163, 97},   {-4, 383, 322, 190, 2, 3, 161, 95},
      {401, 287, 326, 194, 0, 0, 163, 97}, {17, 9, 7, 3, 40, 50, 7, 3},
      {2, 2, 14, 6, 40, 50, 7, 3},         {100, 100, 200, 150, 0, 0, 163, 97},
  };
  for (const Case& c : cases) {
    Surface s = Allocated();
    s.StretchDIBits(c.x, c.y, c.w, c.h, c.sx, c.sy, c.sw, c.sh, pic.View());
    std::vector<uint32_t> expected(640 * 480, 0);
    DrawLiterally(expected, c.x, c.y, c.w, c.h, c.sx, c.sy, c.sw, c.sh, pic);
    for (int i = 0; i < 640 * 480; ++i) {
      ASSERT_EQ(s.Pixel(i % 640, i / 640), expected[static_cast<size_t>(i)])
          << "at " << i % 640 << "," << i / 640 << " drawing to " << c.x << "," << c.y << " " << c.w
          << "x" << c.h;
    }
  }
}

TEST(SurfaceDib, ClipsAtTheSurfaceEdges) {
  Surface s = Allocated();
  IndexedPicture8 pic(64, 64);
  s.StretchDIBits(-10, -20, 64, 64, 0, 0, 64, 64, pic.View());
  EXPECT_EQ(s.Pixel(0, 0), IndexedPicture8::Colour(IndexedPicture8::Index(10, 20)));
  s.StretchDIBits(600, 450, 64, 64, 0, 0, 64, 64, pic.View());
  EXPECT_EQ(s.Pixel(639, 479), IndexedPicture8::Colour(IndexedPicture8::Index(39, 29)));
}

TEST(SurfaceDib, NeverReadsPastTheGivenBytes) {
  // A header that claims more rows than there are bytes draws only the rows present.
  Surface s = Allocated();
  s.PatBlt(0, 0, 640, 480, RasterFill::kWhiteness);
  IndexedPicture8 pic(16, 8);
  DibView v = pic.View();
  v.height = 100;       // claims 100 bottom-up rows
  v.bitsSize = 16 * 3;  // but has 3
  s.StretchDIBits(0, 0, 16, 100, 0, 0, 16, 100, v);
  // Bottom-up rows 0..2 land on the last three destination rows.
  EXPECT_NE(s.Pixel(0, 99), 0x00FFFFFFu);
  EXPECT_EQ(s.Pixel(0, 96), 0x00FFFFFFu);
  // No colour table: indexed pixels draw black, never garbage.
  v = pic.View();
  v.colorTable = nullptr;
  v.colorCount = 0;
  s.StretchDIBits(0, 200, 16, 8, 0, 0, 16, 8, v);
  EXPECT_EQ(s.Pixel(3, 203), 0u);
}

TEST(SurfaceDib, FourAndTwentyFourBitPictures) {
  Surface s = Allocated();
  // 4 bits: the left pixel is the high nibble; one 8-pixel row of indices 1..8.
  std::vector<uint8_t> table(64, 0);
  for (int i = 0; i < 16; ++i)
    table[4 * i + 2] = static_cast<uint8_t>(i * 16);  // red
  std::vector<uint8_t> row = {0x12, 0x34, 0x56, 0x78};
  DibView v4;
  v4.width = 8;
  v4.height = 1;
  v4.bitCount = 4;
  v4.colorTable = table.data();
  v4.colorCount = 16;
  v4.bits = row.data();
  v4.bitsSize = row.size();
  s.StretchDIBits(0, 0, 8, 1, 0, 0, 8, 1, v4);
  for (int x = 0; x < 8; ++x)
    EXPECT_EQ(s.Pixel(x, 0), uint32_t((x + 1) * 16) << 16);

  // 24 bits, 2×2, rows padded to 8 bytes, bottom-up, pixels stored blue-green-red.
  std::vector<uint8_t> px = {1, 2, 3, 4,  5,  6,  0, 0,  // bottom row
                             7, 8, 9, 10, 11, 12, 0, 0};
  DibView v24;
  v24.width = 2;
  v24.height = 2;
  v24.bitCount = 24;
  v24.bits = px.data();
  v24.bitsSize = px.size();
  s.StretchDIBits(10, 10, 2, 2, 0, 0, 2, 2, v24);
  EXPECT_EQ(s.Pixel(10, 10), 0x00090807u);
  EXPECT_EQ(s.Pixel(11, 10), 0x000C0B0Au);
  EXPECT_EQ(s.Pixel(10, 11), 0x00030201u);
  // Compressed or top-down-declared pictures are handled without reading garbage.
  v24.compression = 1;
  EXPECT_EQ(s.StretchDIBits(0, 0, 2, 2, 0, 0, 2, 2, v24), 0);
}

TEST(SurfaceBlits, MosaicShrinkAndEnlargeMakesBlocks) {
  // Shrinking a 640×480 picture into 20×15 and enlarging it back gives 32×32
  // blocks whose colour is the picture's pixel at each block's top-left corner.
  Surface back = Allocated();
  IndexedPicture8 pic(640, 480);
  back.StretchDIBits(0, 0, 640, 480, 0, 0, 640, 480, pic.View());
  Surface temp = Allocated();
  Surface screen = Allocated();
  temp.StretchBlt(310, 232, 20, 15, back, 0, 0, 640, 480);
  screen.StretchBlt(0, 0, 640, 480, temp, 310, 232, 20, 15);
  for (int by = 0; by < 15; ++by) {
    for (int bx = 0; bx < 20; ++bx) {
      uint32_t c = back.Pixel(bx * 32, by * 32);
      ASSERT_EQ(screen.Pixel(bx * 32, by * 32), c);
      ASSERT_EQ(screen.Pixel(bx * 32 + 31, by * 32 + 31), c);
    }
  }
}

TEST(SurfaceBlits, BitBltClipsAndPatBltFills) {
  Surface a = Allocated();
  Surface b = Allocated();
  b.PatBlt(0, 0, 640, 480, RasterFill::kWhiteness);
  a.BitBlt(600, 470, 100, 100, b, 0, 0);
  EXPECT_EQ(a.Pixel(639, 479), 0x00FFFFFFu);
  EXPECT_EQ(a.Pixel(599, 479), 0u);
  a.BitBlt(0, 0, 640, 2, b, 0, 478);
  EXPECT_EQ(a.Pixel(320, 1), 0x00FFFFFFu);
  EXPECT_EQ(a.Pixel(320, 2), 0u);
  // A source rectangle partly outside copies only the part inside.
  a.PatBlt(0, 0, 640, 480, RasterFill::kBlackness);
  a.BitBlt(0, 0, 640, 480, b, 600, 0);
  EXPECT_EQ(a.Pixel(39, 0), 0x00FFFFFFu);
  EXPECT_EQ(a.Pixel(40, 0), 0u);
}

TEST(SurfaceLifetime, ReleasedOrMissingSurfacesDrawNothing) {
  Surface never;
  Surface released = Allocated();
  released.Release();
  Surface src = Allocated();
  IndexedPicture8 pic(8, 8);
  for (Surface* s : {&never, &released}) {
    s->PatBlt(0, 0, 640, 480, RasterFill::kWhiteness);
    s->BitBlt(0, 0, 640, 480, src, 0, 0);
    s->StretchBlt(0, 0, 640, 480, src, 0, 0, 320, 240);
    EXPECT_EQ(s->StretchDIBits(0, 0, 8, 8, 0, 0, 8, 8, pic.View()), 0);
    EXPECT_FALSE(s->Valid());
    EXPECT_FALSE(s->TakeChanged());
    EXPECT_EQ(s->Pixel(0, 0), 0u);
  }
  // Copying from a released surface leaves the target as it was.
  Surface target = Allocated();
  target.PatBlt(0, 0, 640, 480, RasterFill::kWhiteness);
  target.BitBlt(0, 0, 640, 480, released, 0, 0);
  EXPECT_EQ(target.Pixel(10, 10), 0x00FFFFFFu);
}

}  // namespace
