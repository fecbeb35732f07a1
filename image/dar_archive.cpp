#include "image/dar_archive.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "image/dar_format.h"
#include "image/file_message.h"
#include "image/raw_file.h"
#include "services/calls.h"
#include "shell/text.h"

namespace image {

namespace {

constexpr const char* kNotOpen = "file not open! DarFile";
constexpr const char* kBadVersion = "Dar Illigal Ver";
constexpr const char* kNoMemory = "Dont Memory Alloc";
constexpr const char* kTooShort = "Dar File Too Short";
constexpr const char* kTooMany = "Dar Too Many Patterns";
constexpr const char* kBroken = "Dar Pattern Data Broken";

// Copies `count` pattern bytes to row columns [column, column + count), leaving
// out those outside [0, width).
void CopyClipped(uint8_t* row, int64_t column, const uint8_t* source, int64_t count,
                 int64_t width) {
  const int64_t begin = std::max<int64_t>(column, 0);
  const int64_t end = std::min<int64_t>(column + count, width);
  if (begin < end) {
    std::memcpy(row + begin, source + (begin - column), static_cast<size_t>(end - begin));
  }
}

}  // namespace

DarArchive::DarArchive(shell::MainWindow* window) : window(window) {}

int DarArchive::Load(const char* name) {
  const services::WindowHandle owner = window ? window->hwnd : nullptr;
  const char* caption = window ? window->title : nullptr;
  auto fail = [&](const char* message, const std::string& why) {
    ReportFileFailure(path, why);
    ShowFileMessage(owner, caption, message, path);
    return 0;
  };
  RawFile file;
  const bool fits = BuildDataPath(path, name ? name : "");
  if (!fits || !file.Open(path)) return fail(kNotOpen, OpenFailure(fits, file.why()));
  const uint32_t length = FileLength(file);
  uint8_t newHeader[kDarHeaderSize];
  if (length < kDarHeaderSize || file.Read(newHeader, sizeof newHeader) < sizeof newHeader) {
    return fail(kTooShort, std::to_string(length) + " bytes, fewer than the " +
                               std::to_string(kDarHeaderSize) + " of a DAR header");
  }
  std::span<const uint8_t, kDarHeaderSize> headerView(newHeader);
  if (dar::Version(headerView) != dar::kVersion) {
    return fail(kBadVersion, "version byte " + std::to_string(dar::Version(headerView)) + ", not " +
                                 std::to_string(dar::kVersion));
  }
  const int count = dar::PatternCount(headerView);
  if (count > kDarMaxPatterns) {
    return fail(kTooMany,
                std::to_string(count) + " patterns, more than " + std::to_string(kDarMaxPatterns));
  }

  std::vector<uint8_t> newData;
  try {
    newData.resize(length - kDarHeaderSize);
  } catch (const std::bad_alloc&) {
    // The new header is taken and the old archive is gone: not loaded.
    std::memcpy(header, newHeader, sizeof header);
    std::vector<uint8_t>().swap(data);
    std::fill(std::begin(patternRecord), std::end(patternRecord), nullptr);
    std::fill(std::begin(patternRows), std::end(patternRows), nullptr);
    loaded = 0;
    return fail(kNoMemory, "not enough memory for " + std::to_string(length - kDarHeaderSize) +
                               " bytes of patterns");
  }
  std::vector<dar::PatternEntry> entries;
  if (!ReadLarge(file, newData.data(), static_cast<uint32_t>(newData.size())))
    return fail(kBroken, "the file could not be read whole");
  const char* why = nullptr;
  if (!dar::IndexPatterns(newData, count, &entries, &why)) return fail(kBroken, why ? why : "");
  file.Close();

  std::memcpy(header, newHeader, sizeof header);
  data.swap(newData);
  std::fill(std::begin(patternRecord), std::end(patternRecord), nullptr);
  std::fill(std::begin(patternRows), std::end(patternRows), nullptr);
  for (size_t i = 0; i < entries.size(); ++i) {
    patternRecord[i] = data.data() + entries[i].record;
    patternRows[i] = data.data() + entries[i].rows;
  }
  loaded = 1;
  return 1;
}

void DarArchive::CopyPalette(uint8_t* destination) const {
  if (destination != nullptr)
    std::memcpy(destination, header + dar::kColorTableOffset, dar::kColorTableSize);
}

void DarArchive::SetDisplay(int width, int height, uint8_t* bits, size_t bytes) {
  displayBits = bits;
  displayWidth = static_cast<int16_t>(width);
  displayHeight = static_cast<int16_t>(height);
  displayBytes = bytes;
  // Rows beyond the table, or beyond the given bytes, have no entry and are
  // never drawn.
  std::fill(std::begin(displayRow), std::end(displayRow), nullptr);
  const size_t stride = displayWidth > 0 ? static_cast<size_t>(displayWidth) : 0;
  const int rows = std::min<int>(displayHeight, kDarMaxDisplayRows);
  for (int r = 0; bits != nullptr && stride > 0 && r < rows; ++r) {
    if ((static_cast<size_t>(r) + 1) * stride > bytes) break;
    displayRow[r] = bits + static_cast<size_t>(r) * stride;
  }
  displaySet = 1;
}

int DarArchive::PatternCount() const {
  return loaded ? dar::PatternCount(std::span<const uint8_t, kDarHeaderSize>(header)) : 0;
}

void DarArchive::DrawPattern(int x, int y, int n) {
  DrawPatternDisplaced(x, y, n, {});
}

void DarArchive::DrawPatternDisplaced(int x, int y, int n, std::span<const int32_t> displacement) {
  auto refuse = [this](const std::string& text, const std::string& why) {
    const std::string shown = shell::FitText(text, kMessageBufferSize);
    const char* caption = window && window->title ? window->title : "";
    // A scene draws its archive frame after frame: the same misuse is shown
    // once, and its repeats only noted on stderr, or the boxes would never end.
    if (std::find(refusals.begin(), refusals.end(), shown) != refusals.end()) {
      std::fprintf(stderr, "%s: %s (again)\n", caption, shown.c_str());
      return;
    }
    refusals.push_back(shown);
    ReportFileFailure(path, why);
    services::MessageBox(window ? window->hwnd : nullptr, shown, caption, services::MB_ICONERROR);
  };
  if (!loaded) return refuse("アロケートしてない", "a pattern drawn from an archive not loaded");
  if (!displaySet)
    return refuse("ディスプレイ情報セットしていない", "a pattern drawn before the display was set");
  if (n < 0 || n >= PatternCount()) {
    return refuse("パターンの最大値超え " + std::to_string(n), "pattern " + std::to_string(n) +
                                                                   " asked for; the archive has " +
                                                                   std::to_string(PatternCount()));
  }
  const uint8_t* record = patternRecord[n];
  const int64_t w = dar::ReadU16(record + 2);
  const int64_t h = dar::ReadU16(record + 4);
  const size_t rowSize = dar::ReadU16(record + 6);
  const std::string at = "pattern " + std::to_string(n) + " (" + std::to_string(w) + "x" +
                         std::to_string(h) + ") at (" + std::to_string(x) + ", " +
                         std::to_string(y) + ") passes the display's ";
  if (x + w > displayWidth)
    return refuse("ディスプレイ範囲横超え", at + "width of " + std::to_string(displayWidth));
  if (y + h > displayHeight)
    return refuse("ディスプレイ範囲縦超え", at + "height of " + std::to_string(displayHeight));

  // The first encoded row is the pattern's bottom row: the lowest memory row
  // (not below row 0, by the check above). Rows past the table are not drawn.
  const int64_t first = displayHeight - (y + h);
  const int64_t rows = std::min<int64_t>(h, kDarMaxDisplayRows - first);
  for (int64_t k = 0; k < rows; ++k) {
    uint8_t* row = displayRow[first + k];
    if (row == nullptr) continue;
    const uint8_t* src = patternRows[n] + static_cast<size_t>(k) * rowSize;
    int64_t column = x;
    if (static_cast<size_t>(k) < displacement.size()) column += displacement[k];
    dar::ForEachRun(src, rowSize, [&](size_t skip, const uint8_t* pixels, size_t count) {
      column += static_cast<int64_t>(skip);
      CopyClipped(row, column, pixels, static_cast<int64_t>(count), displayWidth);
      column += static_cast<int64_t>(count);
    });
  }
}

}  // namespace image
