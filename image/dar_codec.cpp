// DAR files as data for the tools: the writer and the reader.
#include <algorithm>
#include <cstring>

#include "image/codecs.h"
#include "image/dar_format.h"

namespace image {

namespace {

constexpr int kMaxRun = 255;

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutRun(std::vector<uint8_t>& out, int skip, const int16_t* pixels, int count) {
  Put16(out, static_cast<uint32_t>(skip));
  Put16(out, static_cast<uint32_t>(count));
  for (int i = 0; i < count; ++i)
    out.push_back(static_cast<uint8_t>(pixels[i]));
  out.resize(out.size() + dar::RoundUp4(count) - count, 0);
}

// One row as runs: transparent pixels become skips, opaque ones runs of
// pixel bytes, both split at 255; transparent pixels after the last opaque
// one are left out.
std::vector<uint8_t> EncodeRow(const int16_t* pixels, int width) {
  std::vector<uint8_t> out;
  int x = 0;
  while (true) {
    int skip = 0;
    while (x < width && pixels[x] < 0)
      ++skip, ++x;
    if (x == width) break;
    for (; skip > kMaxRun; skip -= kMaxRun)
      PutRun(out, kMaxRun, nullptr, 0);
    int count = 0;
    while (x + count < width && count < kMaxRun && pixels[x + count] >= 0)
      ++count;
    PutRun(out, skip, pixels + x, count);
    x += count;
  }
  return out;
}

std::vector<uint8_t> Refuse(std::string* error, const std::string& why) {
  if (error != nullptr) *error = why;
  return {};
}

}  // namespace

std::vector<uint8_t> EncodeDar(const DarContents& contents, std::string* error) {
  if (contents.patterns.size() > static_cast<size_t>(dar::kMaxPatterns))
    return Refuse(error, std::to_string(contents.patterns.size()) + " patterns, at most 256");
  if (contents.headerExtra < 0 || contents.headerExtra > 0xFFFF - 6)
    return Refuse(error, "header extra must be 0 to 65529 bytes");

  std::vector<uint8_t> out = {'D', 'A', 'R', 0, 0, dar::kVersion};
  Put16(out, static_cast<uint32_t>(contents.patterns.size()));
  out.resize(dar::kColorTableOffset, 0);
  out.insert(out.end(), contents.colorTable.begin(), contents.colorTable.end());

  for (size_t n = 0; n < contents.patterns.size(); ++n) {
    const DarPattern& p = contents.patterns[n];
    const std::string which = "pattern " + std::to_string(n) + ": ";
    if (p.width < 0 || p.width > 0xFFFF || p.height < 0 || p.height > 0xFFFF)
      return Refuse(error, which + "size out of range");
    if (p.pixels.size() != static_cast<size_t>(p.width) * p.height)
      return Refuse(error, which + "pixel count differs from the size");
    if (std::any_of(p.pixels.begin(), p.pixels.end(), [](int16_t v) { return v < -1 || v > 255; }))
      return Refuse(error, which + "pixel value outside -1 to 255");

    // Rows bottom first, each padded with empty runs to the largest row.
    std::vector<std::vector<uint8_t>> rows;
    size_t rowSize = 0;
    for (int y = p.height - 1; y >= 0; --y) {
      rows.push_back(EncodeRow(p.pixels.data() + static_cast<size_t>(y) * p.width, p.width));
      rowSize = std::max(rowSize, rows.back().size());
    }
    if (rowSize > 0xFFFF) return Refuse(error, which + "a row needs more than 65535 bytes");
    Put16(out, static_cast<uint32_t>(6 + contents.headerExtra));
    Put16(out, static_cast<uint32_t>(p.width));
    Put16(out, static_cast<uint32_t>(p.height));
    Put16(out, static_cast<uint32_t>(rowSize));
    out.resize(out.size() + contents.headerExtra, 0);
    for (std::vector<uint8_t>& row : rows) {
      while (row.size() < rowSize)
        PutRun(row, 0, nullptr, 0);
      out.insert(out.end(), row.begin(), row.end());
    }
  }
  if (error != nullptr) error->clear();
  return out;
}

bool DarReader::Open(const std::vector<uint8_t>& file, std::string* error) {
  auto fail = [error](const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
  };
  if (file.size() < dar::kHeaderSize) return fail("shorter than the 1036-byte header");
  std::span<const uint8_t, dar::kHeaderSize> header(file.data(), dar::kHeaderSize);
  if (dar::Version(header) != dar::kVersion)
    return fail("version " + std::to_string(dar::Version(header)) + ", not 1");
  data_ = std::span<const uint8_t>(file.data() + dar::kHeaderSize, file.size() - dar::kHeaderSize);
  table_ = file.data() + dar::kColorTableOffset;
  const char* why = nullptr;
  if (!dar::IndexPatterns(data_, dar::PatternCount(header), &entries_, &why)) return fail(why);

  patterns_.clear();
  for (size_t n = 0; n < entries_.size(); ++n) {
    const dar::PatternEntry& e = entries_[n];
    const std::string which = "pattern " + std::to_string(n) + ": ";
    if (e.headerLength < 6) return fail(which + "record header shorter than 6 bytes");
    if (n == 0) headerExtra_ = e.headerLength - 6;
    Pattern p{e.width, e.height, 0, e.width, e.height, 0, 0};  // the box grows from empty
    bool fits = true;
    for (int y = 0; y < e.height && e.rowSize > 0; ++y) {
      ForEachRun(n, y, [&](int x, const uint8_t*, int count) {
        fits = fits && x + count <= e.width;
        if (count == 0) return;
        p.opaque += count;
        p.left = std::min(p.left, x), p.right = std::max(p.right, x + count);
        p.top = std::min(p.top, y), p.bottom = y + 1;
      });
    }
    if (!fits) return fail(which + "a run passes the pattern width");
    if (p.opaque == 0) p.left = p.top = 0;
    patterns_.push_back(p);
  }
  return true;
}

void DarReader::ForEachRun(
    size_t n, int y,
    const std::function<void(int x, const uint8_t* pixels, int count)>& visit) const {
  const dar::PatternEntry& e = entries_[n];
  // The rows lie bottom row first.
  const uint8_t* row = data_.data() + e.rows + static_cast<size_t>(e.height - 1 - y) * e.rowSize;
  size_t x = 0;
  dar::ForEachRun(row, e.rowSize, [&](size_t skip, const uint8_t* pixels, size_t count) {
    x += skip;
    visit(static_cast<int>(x), pixels, static_cast<int>(count));
    x += count;
  });
}

std::optional<DarContents> DecodeDarBytes(const std::vector<uint8_t>& file, std::string* error) {
  DarReader reader;
  if (!reader.Open(file, error)) return std::nullopt;
  // A record of 8 bytes may claim 65535 × 65535 transparent pixels: refuse
  // what would take more memory than any real archive.
  uint64_t area = 0;
  for (const DarReader::Pattern& p : reader.Patterns())
    area += static_cast<uint64_t>(p.width) * p.height;
  if (area > kMaxDarPixels) {
    if (error != nullptr)
      *error = "the patterns hold " + std::to_string(area) + " pixels in all, more than " +
               std::to_string(kMaxDarPixels);
    return std::nullopt;
  }

  DarContents contents;
  std::memcpy(contents.colorTable.data(), reader.ColorTable(), dar::kColorTableSize);
  contents.headerExtra = reader.HeaderExtra();
  for (size_t n = 0; n < reader.Patterns().size(); ++n) {
    DarPattern p;
    p.width = reader.Patterns()[n].width;
    p.height = reader.Patterns()[n].height;
    p.pixels.assign(static_cast<size_t>(p.width) * p.height, -1);
    for (int y = 0; y < p.height; ++y) {
      int16_t* out = p.pixels.data() + static_cast<size_t>(y) * p.width;
      reader.ForEachRun(n, y, [&](int x, const uint8_t* pixels, int count) {
        std::copy_n(pixels, count, out + x);
      });
    }
    contents.patterns.push_back(std::move(p));
  }
  if (error != nullptr) error->clear();
  return contents;
}

}  // namespace image
