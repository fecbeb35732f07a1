// A contact sheet: quarter-size thumbnails of the screen in rows, each with the
// time it was taken written under it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/zelkrender/stage.h"

namespace zelkrender {

class ContactSheet {
 public:
  static constexpr int kThumbWidth = kScreenWidth / 4;
  static constexpr int kThumbHeight = kScreenHeight / 4;
  static constexpr int kMargin = 8;
  static constexpr int kLabelHeight = 14;
  static constexpr uint32_t kBackground = 0x202020;
  static constexpr uint32_t kInk = 0xC8C8C8;

  ContactSheet(int count, int columns);

  // Places thumbnail `index` (0-based, row by row) with its label "SECONDSs".
  void Place(int index, const Picture& screen, uint64_t ms);

  int width() const { return width_; }
  int height() const { return height_; }
  const std::vector<uint32_t>& pixels() const { return pixels_; }
  // The top-left corner of thumbnail `index` on the sheet.
  int CellX(int index) const;
  int CellY(int index) const;

 private:
  void DrawText(int x, int y, const std::string& text);

  int columns_;
  int width_;
  int height_;
  std::vector<uint32_t> pixels_;
};

// "12.5s": milliseconds as seconds, without trailing zeros.
std::string SecondsLabel(uint64_t ms);

}  // namespace zelkrender
