// Drawing surfaces: the window's screen surface, the back buffer and the
// temporary surfaces of the transitions. A surface is 640×480 pixels of 32-bit
// XRGB (0x00RRGGBB). A surface that was never allocated, or was released, draws
// nothing and reads as black.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace services {

// The 40-byte info header of a device-independent bitmap, as it lies in files
// and in memory blocks (little-endian, no padding).
#pragma pack(push, 1)
struct BitmapInfoHeader {
  uint32_t biSize = 40;
  int32_t biWidth = 0;
  int32_t biHeight = 0;  // positive: rows stored bottom-up
  uint16_t biPlanes = 1;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};
#pragma pack(pop)
static_assert(sizeof(BitmapInfoHeader) == 40);

constexpr uint32_t BI_RGB = 0;

// What a device-independent blit reads: the header fields, an optional colour
// table of (blue, green, red, 0) entries, and the pixel rows with their size in
// bytes, so that a blit never reads past them.
struct DibView {
  int32_t width = 0;
  int32_t height = 0;  // positive: bottom-up rows; negative: top-down
  uint16_t bitCount = 0;
  uint32_t compression = BI_RGB;
  const uint8_t* colorTable = nullptr;
  uint32_t colorCount = 0;  // entries present at colorTable
  const uint8_t* bits = nullptr;
  size_t bitsSize = 0;

  // A description made of the header alone (no colour table), as a BMP picture
  // is drawn.
  static DibView FromHeader(const BitmapInfoHeader& header, const uint8_t* bits, size_t bitsSize);
  // A packed block: header, colour table (biClrUsed entries, or 2^biBitCount for
  // 8 bits and fewer) and pixel rows. Returns an empty view when the block is too
  // small for its header.
  static DibView FromPacked(const uint8_t* block, size_t blockSize);

  // Bytes per row: ((bitCount × width + 31) / 32) × 4.
  size_t RowStride() const;
};

// Stretch modes.
constexpr int BLACKONWHITE = 1;
constexpr int COLORONCOLOR = 3;  // delete scans: keep one source pixel per destination pixel

enum class RasterFill { kBlackness, kWhiteness };

class Surface {
 public:
  static constexpr int kWidth = 640;
  static constexpr int kHeight = 480;

  Surface() = default;
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;
  Surface(Surface&&) = default;
  Surface& operator=(Surface&&) = default;

  // Allocates black pixels. False when the memory cannot be had; the surface
  // then stays unusable and draws nothing.
  [[nodiscard]] bool Allocate();
  // Frees the pixels; from then on every operation on the surface does nothing.
  void Release();
  bool Valid() const { return !pixels_.empty(); }

  int Width() const { return Valid() ? kWidth : 0; }
  int Height() const { return Valid() ? kHeight : 0; }
  const uint32_t* Pixels() const { return pixels_.data(); }
  uint32_t* Pixels() { return pixels_.data(); }
  uint32_t Pixel(int x, int y) const;  // 0 outside or when not valid

  // True once since the last call when anything was drawn.
  bool TakeChanged();
  // Whether anything was drawn since the last TakeChanged.
  bool Changed() const { return changed_; }
  void MarkChanged() { changed_ = true; }

  // Fills a rectangle black or white (PatBlt with BLACKNESS / WHITENESS).
  void PatBlt(int x, int y, int w, int h, RasterFill fill);
  // Copies a rectangle 1:1 from another surface (or this one).
  void BitBlt(int x, int y, int w, int h, const Surface& src, int sx, int sy);
  // Scales a rectangle of another surface onto a rectangle of this one. Each
  // destination pixel takes the source pixel at the scaled position of its
  // top-left corner, in every stretch mode.
  void StretchBlt(int x, int y, int w, int h, const Surface& src, int sx, int sy, int sw, int sh);
  void SetStretchBltMode(int mode) { stretchMode_ = mode; }
  int StretchBltMode() const { return stretchMode_; }
  // Draws a device-independent bitmap (StretchDIBits with DIB_RGB_COLORS and
  // SRCCOPY). The source rectangle is in the picture's own bottom-up
  // coordinates: sy counts rows upward from the bottom row. Equal sizes copy
  // 1:1; other sizes take the source pixel at the scaled position of each
  // destination pixel, so 2:1 repeats each pixel. Pixels outside the surface,
  // outside the picture or beyond the given bytes are not drawn. Returns the
  // number of destination rows written.
  int StretchDIBits(int x, int y, int w, int h, int sx, int sy, int sw, int sh, const DibView& dib);

 private:
  std::vector<uint32_t> pixels_;
  bool changed_ = false;
  int stretchMode_ = BLACKONWHITE;
};

}  // namespace services
