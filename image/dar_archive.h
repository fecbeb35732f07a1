// A DAR pattern archive: one 256-entry colour table and numbered run-length
// patterns with transparent areas, drawn straight into the 8-bit pixel rows of
// a picture (its display).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "image/data_path.h"
#include "shell/main_window.h"

namespace image {

constexpr size_t kDarHeaderSize = 1036;
constexpr int kDarMaxPatterns = 256;
constexpr int kDarMaxDisplayRows = 640;

class DarArchive {
 public:
  explicit DarArchive(shell::MainWindow* window);
  DarArchive(const DarArchive&) = delete;
  DarArchive& operator=(const DarArchive&) = delete;

  // 1 on success. Messages ("%s\n%s", message then full path, under the window
  // title): "file not open! DarFile" and "Dar Illigal Ver" keep the previous
  // archive; "Dont Memory Alloc" leaves the object not loaded. Damaged files
  // (short header, too many patterns, a record or a row whose drawing would
  // read past the end of the data) are refused with a message of their own and
  // keep the previous archive. A run that passes the end of its row but not of
  // the data is kept: it draws the bytes that follow it.
  int Load(const char* name);
  // The 1024 colour-table bytes of the header (file bytes 12 … 1035).
  void CopyPalette(uint8_t* destination) const;
  // The display: width bytes a row, height rows, bottom-up, at bits, and the
  // number of bytes there (drawing never writes past them).
  void SetDisplay(int width, int height, uint8_t* bits, size_t bytes);
  // Pattern n with its top-left corner at (x, y), y downward from the top row.
  // Checks, in order, with their messages under the window title: not loaded
  // "アロケートしてない", no display "ディスプレイ情報セットしていない", bad number
  // "パターンの最大値超え %d", too wide "ディスプレイ範囲横超え", too high
  // "ディスプレイ範囲縦超え". Pixels that would land outside the display are
  // clipped. Each message is shown once by an archive; its repeats go to
  // stderr.
  void DrawPattern(int x, int y, int n);
  // As DrawPattern, each drawn row moved sideways by its own entry (the first
  // entry for the pattern's bottom row); missing entries count as 0.
  void DrawPatternDisplaced(int x, int y, int n, std::span<const int32_t> displacement);

  int PatternCount() const;

  std::vector<uint8_t> data;  // everything after the header
  uint8_t header[kDarHeaderSize] = {};
  const uint8_t* patternRecord[kDarMaxPatterns] = {};
  const uint8_t* patternRows[kDarMaxPatterns] = {};
  uint8_t* displayBits = nullptr;
  int16_t displayWidth = 0;
  int16_t displayHeight = 0;
  uint8_t* displayRow[kDarMaxDisplayRows] = {};
  size_t displayBytes = 0;
  char path[kMaxPath] = {};
  shell::MainWindow* window = nullptr;
  int32_t loaded = 0;
  int32_t displaySet = 0;
  std::vector<std::string> refusals;  // drawing messages shown so far
};

}  // namespace image
