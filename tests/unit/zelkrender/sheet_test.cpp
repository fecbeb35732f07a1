// The contact sheet: thumbnails in rows at the times asked for, each a
// faithful reduction of the screen at its moment, with its time under it.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "tests/unit/zelkrender/render_support.h"
#include "tools/zelkrender/sheet.h"

namespace render_tests {
namespace {

using zelkrender::ContactSheet;

// Every channel of each thumbnail pixel lies within that channel's range over
// the 4×4 block of the screen it stands for.
void ExpectReduces(const Png& sheet, int x0, int y0, const Png& screen) {
  int outside = 0;
  for (int ty = 0; ty < ContactSheet::kThumbHeight; ++ty) {
    for (int tx = 0; tx < ContactSheet::kThumbWidth; ++tx) {
      const uint32_t t = sheet.At(x0 + tx, y0 + ty);
      for (int shift : {0, 8, 16}) {
        uint32_t lo = 255, hi = 0;
        for (int dy = 0; dy < 4; ++dy) {
          for (int dx = 0; dx < 4; ++dx) {
            const uint32_t c = (screen.At(tx * 4 + dx, ty * 4 + dy) >> shift) & 0xFF;
            lo = std::min(lo, c);
            hi = std::max(hi, c);
          }
        }
        const uint32_t c = (t >> shift) & 0xFF;
        outside += (c < lo || c > hi) ? 1 : 0;
      }
    }
  }
  EXPECT_EQ(outside, 0);
}

TEST(RenderSheet, ThumbnailsReduceTheScreensAtTheirTimesInRows) {
  TempDir dir;
  const std::string data = BinDir();
  ASSERT_EQ(RunTool({"spindemo", "--sheet", dir / "s.png", "--every", "700", "--from", "100",
                     "--to", "3000", "--columns", "2", "--data", data}),
            0);
  ASSERT_EQ(RunTool({"spindemo", "--at", "100,1500", "--out", dir.path(), "--data", data}), 0);
  auto sheet = ReadPng(dir / "s.png");
  auto first = ReadPng(dir / "spindemo_000100.png");
  auto third = ReadPng(dir / "spindemo_001500.png");
  ASSERT_TRUE(sheet && first && third);

  // 100, 800, 1500, 2200 and 2900 ms: three rows of two.
  const ContactSheet layout(5, 2);
  EXPECT_EQ(sheet->width, layout.width());
  EXPECT_EQ(sheet->height, layout.height());
  EXPECT_EQ(layout.CellX(2), layout.CellX(0));
  EXPECT_GT(layout.CellY(2), layout.CellY(1) + ContactSheet::kThumbHeight);
  ExpectReduces(*sheet, layout.CellX(0), layout.CellY(0), *first);
  ExpectReduces(*sheet, layout.CellX(2), layout.CellY(2), *third);

  // Each label is ink on the background below its thumbnail, and differs from
  // the others; the sixth cell stays empty.
  std::set<std::vector<uint32_t>> labels;
  for (int i = 0; i < 5; ++i) {
    std::vector<uint32_t> label;
    for (int y = 0; y < ContactSheet::kLabelHeight; ++y) {
      for (int x = 0; x < ContactSheet::kThumbWidth; ++x) {
        const uint32_t p =
            sheet->At(layout.CellX(i) + x, layout.CellY(i) + ContactSheet::kThumbHeight + y);
        EXPECT_TRUE(p == ContactSheet::kInk || p == ContactSheet::kBackground);
        label.push_back(p);
      }
    }
    EXPECT_NE(std::count(label.begin(), label.end(), ContactSheet::kInk), 0);
    labels.insert(label);
  }
  EXPECT_EQ(labels.size(), 5u);
  const int emptyX = layout.CellX(5), emptyY = layout.CellY(5);
  for (int y = 0; y < ContactSheet::kThumbHeight + ContactSheet::kLabelHeight; ++y) {
    for (int x = 0; x < ContactSheet::kThumbWidth; ++x) {
      ASSERT_EQ(sheet->At(emptyX + x, emptyY + y), ContactSheet::kBackground);
    }
  }
}

}  // namespace
}  // namespace render_tests
