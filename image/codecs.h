// MAG and DAR files as data, for the tools that make and inspect content
// (zelkimg, the data-set generator). The demos' own loaders are MagImage and
// DarArchive.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "image/dar_format.h"

namespace image {

struct Rgb {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  bool operator==(const Rgb&) const = default;
};

// An indexed picture, top row first, one index per pixel.
struct IndexedPicture {
  int width = 0;
  int height = 0;
  int colors = 256;             // 16 or 256
  std::vector<Rgb> palette;     // at most `colors` entries
  std::vector<uint8_t> pixels;  // width × height indices
};

// MAG writer: flag rows XORed against the row above, copy codes chosen among
// the sixteen positions. The width is padded to whole columns (8 pixels at 16
// colours, 4 at 256) with index 0. Empty result and `error` set when the
// picture cannot be written (bad size, too many colours, index out of range).
std::vector<uint8_t> EncodeMag(const IndexedPicture& picture, std::string* error,
                               const std::string& comment = "");

// MAG reader for tools: the decoded indices and palette at the full decoded
// width (widened to whole columns). nullopt and `error` set when the file is
// damaged.
std::optional<IndexedPicture> DecodeMagBytes(const std::vector<uint8_t>& file, std::string* error);

// Header fields of a MAG file, for `zelkimg info`.
struct MagHeaderInfo {
  int colors = 0;
  int leftX = 0, topY = 0, rightX = 0, bottomY = 0;
  uint32_t flagAOffset = 0, flagBOffset = 0, flagBSize = 0, pixelOffset = 0, pixelSize = 0;
  uint8_t machineCode = 0, machineFlags = 0, screenMode = 0;
  std::string comment;  // the text between the signature and the 0x1A byte
};
std::optional<MagHeaderInfo> ReadMagHeader(const std::vector<uint8_t>& file, std::string* error);

// A DAR pattern: width × height entries, top row first; −1 is transparent.
struct DarPattern {
  int width = 0;
  int height = 0;
  std::vector<int16_t> pixels;
};

struct DarContents {
  std::array<uint8_t, 1024> colorTable{};  // (blue, green, red, reserved) × 256
  std::vector<DarPattern> patterns;
  int headerExtra = 0;  // bytes after the 6 header bytes of every record (L = 6 + extra)
};

// DAR writer: runs split at 255, pixel bytes padded to multiples of 4, every
// row of a pattern padded to the pattern's largest row size.
std::vector<uint8_t> EncodeDar(const DarContents& contents, std::string* error);
// DAR reader for tools. nullopt and `error` set when the file is damaged, or
// when its patterns hold more than kMaxDarPixels pixels in all.
constexpr uint64_t kMaxDarPixels = uint64_t{1} << 27;
std::optional<DarContents> DecodeDarBytes(const std::vector<uint8_t>& file, std::string* error);

// A DAR archive read in place, for tools that need not unpack its patterns
// (listings, thumbnails), so that what they spend follows what the file
// holds, not the sizes its records claim. Open makes the checks of
// DecodeDarBytes but its limit on the pixels claimed, and notes where each
// pattern draws; the runs of a row are then read from the file, which must
// outlive the reader.
class DarReader {
 public:
  struct Pattern {
    int width = 0;
    int height = 0;
    uint64_t opaque = 0;  // pixels its runs draw
    // The box around them, right and bottom exclusive; empty when none.
    int left = 0, top = 0, right = 0, bottom = 0;
  };
  bool Open(const std::vector<uint8_t>& file, std::string* error);
  const uint8_t* ColorTable() const { return table_; }  // (blue, green, red, reserved) × 256
  int HeaderExtra() const { return headerExtra_; }
  const std::vector<Pattern>& Patterns() const { return patterns_; }
  // visit(x, pixels, count) for each run of pattern n's row y (0 = top).
  void ForEachRun(size_t n, int y,
                  const std::function<void(int x, const uint8_t* pixels, int count)>& visit) const;

 private:
  std::span<const uint8_t> data_;  // everything after the header
  const uint8_t* table_ = nullptr;
  int headerExtra_ = 0;
  std::vector<dar::PatternEntry> entries_;
  std::vector<Pattern> patterns_;
};

}  // namespace image
