// The MAG reader shared by MagImage and the tools: finds the header, palette
// and data areas of a file held in memory and decodes its rows. The data after
// the palette is read as if 256 zero bytes followed it, so a file cut a little
// short still decodes; every read is checked against that block and every copy
// against the rows already decoded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "image/codecs.h"

namespace image::mag {

constexpr char kSignature[] = "MAKI02  ";
constexpr size_t kSignatureSize = 8;
constexpr size_t kHeaderSize = 32;
constexpr int kMaxColumns = 512;
constexpr size_t kSpareBytes = 256;  // zero bytes read after the end of the data

// Copy positions of the flag nibbles 1 … 15 (0 takes the next literal unit):
// units of 2 bytes to the left, and rows up.
constexpr int kUnitsLeft[16] = {0, 1, 2, 4, 0, 1, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0};
constexpr int kRowsUp[16] = {0, 0, 0, 0, 1, 1, 2, 2, 2, 4, 4, 4, 8, 8, 8, 16};

enum class Status {
  kOk,
  kUnsupportedType,  // not a MAG file, or a size this decoder does not take
  kReadFailed,       // truncated or damaged data
};

struct Layout {
  MagHeaderInfo header;
  size_t headerStart = 0;  // file offset of the 32-byte header
  size_t dataStart = 0;    // file offset of the byte after the palette
  int columns = 0;         // flag bytes per row; 4 output bytes each
  int rows = 0;

  size_t HeaderLength() const { return kHeaderSize + 3 * static_cast<size_t>(header.colors); }
  size_t Stride() const { return static_cast<size_t>(columns) * 4; }
  int PixelWidth() const { return columns * (header.colors == 256 ? 4 : 8); }
  // Palette entry i as it lies in the file: green, red, blue.
  const uint8_t* PaletteEntry(std::span<const uint8_t> file, int i) const {
    return file.data() + headerStart + kHeaderSize + 3 * static_cast<size_t>(i);
  }
};

// Reads the signature, comment, header and palette and checks the sizes and
// the flag A area. The data after the palette must not be empty; a picture of
// 0 columns or 0 rows is valid and empty. On failure `why` (when given) names
// the fault.
Status ReadLayout(std::span<const uint8_t> file, Layout* layout, const char** why = nullptr);

// Decodes the rows one after another, top row first, each into memory the
// caller gives: the rows above it (up to 16, the farthest a copy reaches) must
// lie `down` bytes apart above it, as earlier calls left them (`down` is
// negative for bottom-up blocks). Every row takes Stride() bytes. Flag B and
// pixel reads are checked as they happen, so areas an empty picture or its
// flags never reach may point anywhere. `file` and `layout` must outlive the
// decoder.
class RowDecoder {
 public:
  RowDecoder(std::span<const uint8_t> file, const Layout& layout, ptrdiff_t down);
  Status Next(uint8_t* row, const char** why = nullptr);

 private:
  const Layout& layout_;
  std::vector<uint8_t> data_;  // the data after the palette, then kSpareBytes zero bytes
  uint64_t flagA_ = 0, flagB_ = 0, pixel_ = 0;
  ptrdiff_t copyOffset_[16] = {};
  uint8_t flagRow_[kMaxColumns] = {};
  uint8_t mask_ = 0x80;
  int y_ = 0;
};

// All rows into one block: `top` is the first byte of the top row, `down` the
// distance from the start of a row to the start of the row below it.
Status DecodeRows(std::span<const uint8_t> file, const Layout& layout, uint8_t* top, ptrdiff_t down,
                  const char** why = nullptr);

// The rows one at a time, top row first, through a window of a few rows, so
// that the memory taken does not grow with the picture's height: visit(y, row)
// hears each row as soon as it is decoded.
Status ForEachRow(std::span<const uint8_t> file, const Layout& layout,
                  const std::function<void(int y, const uint8_t* row)>& visit,
                  const char** why = nullptr);

}  // namespace image::mag
