// The DAR reader shared by DarArchive and the tools: header checks, the index
// of pattern records, and the walk over the runs of an encoded row. Every byte
// the walk reads is checked against the data once, when the archive is
// indexed, so that drawing never reads past it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace image::dar {

constexpr size_t kHeaderSize = 1036;
constexpr size_t kColorTableOffset = 12;
constexpr size_t kColorTableSize = 1024;
constexpr int kVersion = 1;
constexpr int kMaxPatterns = 256;
constexpr int kRunHeaderSize = 4;  // skip (2 bytes), count (2 bytes)

inline uint16_t ReadU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
inline int Version(std::span<const uint8_t, kHeaderSize> header) {
  return header[5];
}
inline int PatternCount(std::span<const uint8_t, kHeaderSize> header) {
  return ReadU16(header.data() + 6);
}
inline size_t RoundUp4(size_t n) {
  return (n + 3) & ~size_t{3};
}

// Where a pattern lies in the data after the header, and its fields.
struct PatternEntry {
  size_t record = 0;  // offset of the record (its header length field)
  size_t rows = 0;    // offset of the first encoded row (the bottom row)
  int headerLength = 0;
  int width = 0;
  int height = 0;
  int rowSize = 0;
};

// Indexes `count` records in `data`. False, with `why` set, when a record's
// header, or a byte that drawing one of its rows would read, lies past the
// end of the data.
bool IndexPatterns(std::span<const uint8_t> data, int count, std::vector<PatternEntry>* entries,
                   const char** why);

// Calls visit(skip, pixels, count) for every run of the encoded row at `row`,
// as the drawer reads it: runs follow each other while the read position is
// before the row's end, so a run's pixel bytes, or the header of a run that
// starts in the row's last 3 bytes, may read on into the bytes after the row.
// Only the low bytes of the skip and count fields are read.
template <typename Visit>
void ForEachRun(const uint8_t* row, size_t rowSize, Visit visit) {
  for (size_t q = 0; q < rowSize;) {
    const size_t count = row[q + 2];
    visit(size_t{row[q]}, row + q + kRunHeaderSize, count);
    q += kRunHeaderSize + RoundUp4(count);
  }
}

}  // namespace image::dar
