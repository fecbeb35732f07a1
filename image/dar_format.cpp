#include "image/dar_format.h"

namespace image::dar {

namespace {

bool Fail(const char** why, const char* text) {
  if (why != nullptr) *why = text;
  return false;
}

// Every byte ForEachRun reads for the row at `start` lies before `size`: the
// skip and count bytes of each run and its pixel bytes.
bool RowReadable(const uint8_t* data, size_t size, size_t start, size_t rowSize) {
  for (size_t q = 0; q < rowSize;) {
    if (start > size || size - start <= q + 2) return false;
    const size_t count = data[start + q + 2];
    q += kRunHeaderSize;
    if (size - start < q + count) return false;
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
    // The record's header length, width, height and row size.
    if (p > size || size - p < 8) return Fail(why, "pattern record past the end of the file");
    PatternEntry e;
    const uint8_t* r = data.data() + p;
    e.record = p;
    e.headerLength = ReadU16(r);
    e.width = ReadU16(r + 2);
    e.height = ReadU16(r + 4);
    e.rowSize = ReadU16(r + 6);
    e.rows = p + e.headerLength + 2;
    for (int row = 0; row < e.height && e.rowSize > 0; ++row) {
      if (!RowReadable(data.data(), size, e.rows + static_cast<size_t>(row) * e.rowSize, e.rowSize))
        return Fail(why, "pattern rows past the end of the file");
    }
    p = e.rows + static_cast<size_t>(e.height) * e.rowSize;
    entries->push_back(e);
  }
  return true;
}

}  // namespace image::dar
