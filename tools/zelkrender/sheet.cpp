#include "tools/zelkrender/sheet.h"

#include <algorithm>

namespace zelkrender {

namespace {

// 3×5 glyphs, one row per entry, the leftmost pixel in bit 2.
struct Glyph {
  char c;
  uint8_t rows[5];
};
constexpr Glyph kGlyphs[] = {
    {'0', {7, 5, 5, 5, 7}}, {'1', {2, 6, 2, 2, 7}}, {'2', {7, 1, 7, 4, 7}}, {'3', {7, 1, 3, 1, 7}},
    {'4', {5, 5, 7, 1, 1}}, {'5', {7, 4, 7, 1, 7}}, {'6', {7, 4, 7, 5, 7}}, {'7', {7, 1, 2, 2, 2}},
    {'8', {7, 5, 7, 5, 7}}, {'9', {7, 5, 7, 1, 7}}, {'.', {0, 0, 0, 0, 2}}, {'s', {0, 3, 4, 2, 6}},
};
constexpr int kScale = 2;
constexpr int kAdvance = 4 * kScale;

}  // namespace

std::string SecondsLabel(uint64_t ms) {
  std::string text = std::to_string(ms / 1000);
  if (ms % 1000 != 0) {
    std::string fraction = std::to_string(1000 + ms % 1000).substr(1);
    fraction.erase(fraction.find_last_not_of('0') + 1);
    text += "." + fraction;
  }
  return text + "s";
}

ContactSheet::ContactSheet(int count, int columns)
    : columns_(std::max(1, std::min(columns, count))),
      width_(kMargin + columns_ * (kThumbWidth + kMargin)),
      height_(kMargin +
              (count + columns_ - 1) / columns_ * (kThumbHeight + kLabelHeight + kMargin)),
      pixels_(static_cast<size_t>(width_) * height_, kBackground) {}

int ContactSheet::CellX(int index) const {
  return kMargin + index % columns_ * (kThumbWidth + kMargin);
}
int ContactSheet::CellY(int index) const {
  return kMargin + index / columns_ * (kThumbHeight + kLabelHeight + kMargin);
}

void ContactSheet::Place(int index, const Picture& screen, uint64_t ms) {
  const int x0 = CellX(index), y0 = CellY(index);
  if (y0 + kThumbHeight + kLabelHeight > height_) return;
  // Each thumbnail pixel is the mean of a 4×4 block, channel by channel.
  for (int ty = 0; ty < kThumbHeight; ++ty) {
    uint32_t* out = &pixels_[static_cast<size_t>(y0 + ty) * width_ + x0];
    for (int tx = 0; tx < kThumbWidth; ++tx) {
      uint32_t r = 0, g = 0, b = 0;
      for (int dy = 0; dy < 4; ++dy) {
        const uint32_t* in = &screen[static_cast<size_t>(ty * 4 + dy) * kScreenWidth + tx * 4];
        for (int dx = 0; dx < 4; ++dx) {
          r += (in[dx] >> 16) & 0xFF;
          g += (in[dx] >> 8) & 0xFF;
          b += in[dx] & 0xFF;
        }
      }
      out[tx] = ((r + 8) / 16) << 16 | ((g + 8) / 16) << 8 | (b + 8) / 16;
    }
  }
  DrawText(x0, y0 + kThumbHeight + (kLabelHeight - 5 * kScale) / 2, SecondsLabel(ms));
}

void ContactSheet::DrawText(int x, int y, const std::string& text) {
  for (char c : text) {
    const Glyph* glyph = nullptr;
    for (const Glyph& g : kGlyphs) {
      if (g.c == c) glyph = &g;
    }
    if (glyph == nullptr || x + 3 * kScale > width_) return;
    for (int row = 0; row < 5 * kScale; ++row) {
      for (int col = 0; col < 3 * kScale; ++col) {
        if (glyph->rows[row / kScale] >> (2 - col / kScale) & 1) {
          pixels_[static_cast<size_t>(y + row) * width_ + x + col] = kInk;
        }
      }
    }
    x += kAdvance;
  }
}

}  // namespace zelkrender
