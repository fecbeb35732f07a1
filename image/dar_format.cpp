#include "image/dar_format.h"

namespace image::dar {

namespace {

bool Fail(const char** why, const char* text) {
  if (why != nullptr) *why = text;
  return false;
}

// Every run of the row lies inside it: its 4 header bytes and its pixel
// bytes (the fill bytes after the last run may pass the end).
bool RunsFit(const uint8_t* row, size_t size) {
  size_t q = 0;
  while (q < size) {
    if (size - q < kRunHeaderSize) return false;
    const size_t count = row[q + 2];
    q += kRunHeaderSize;
    if (count > size - q) return false;
    q += RoundUp4(count);
  }
  return true;
}

}  // namespace

bool IndexPatterns(std::span<const uint8_t> data, int count, std::vector<PatternEntry>* entries,
                   const char** why) {
  entries->clear();
  if (count > kMaxPatterns) return Fail(why, "more than 256 patterns");
  const size_t size = data.size();
  size_t p = 0;
  for (int i = 0; i < count; ++i) {
    PatternEntry e;
    if (size - p < 8) return Fail(why, "pattern record past the end of the file");
    const uint8_t* r = data.data() + p;
    e.record = p;
    e.headerLength = ReadU16(r);
    e.width = ReadU16(r + 2);
    e.height = ReadU16(r + 4);
    e.rowSize = ReadU16(r + 6);
    if (static_cast<size_t>(e.headerLength) + 2 > size - p)
      return Fail(why, "pattern record past the end of the file");
    e.rows = p + e.headerLength + 2;
    const size_t rowBytes = static_cast<size_t>(e.height) * e.rowSize;
    if (rowBytes > size - e.rows) return Fail(why, "pattern rows past the end of the file");
    for (int row = 0; row < e.height; ++row) {
      if (!RunsFit(data.data() + e.rows + static_cast<size_t>(row) * e.rowSize, e.rowSize))
        return Fail(why, "pattern run past the end of its row");
    }
    p = e.rows + rowBytes;
    entries->push_back(e);
  }
  return true;
}

}  // namespace image::dar
