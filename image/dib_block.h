// The packed device-independent bitmap in which decoded pictures live: a
// 40-byte info header (positive height), a colour table of 16 or 256
// (blue, green, red, 0) entries (none for 24 bits), and pixel rows stored
// bottom-up, each padded to a multiple of 4 bytes. Effects and the pattern
// drawer address this layout directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "services/surface.h"

namespace image {

class DibBlock {
 public:
  explicit DibBlock(size_t bytes) : bytes_(bytes, 0) {}
  uint8_t* data() { return bytes_.data(); }
  const uint8_t* data() const { return bytes_.data(); }
  size_t size() const { return bytes_.size(); }
  services::BitmapInfoHeader header() const;
  // The block as the platform's blit reads it.
  services::DibView View() const { return services::DibView::FromPacked(data(), size()); }

 private:
  std::vector<uint8_t> bytes_;
};

// A zero-filled block for a picture of that size and bit count (4, 8 or 24),
// its header filled in; null when the memory cannot be had or a size is
// negative. A width or height of 0 gives an empty picture with no pixel rows.
std::unique_ptr<DibBlock> CreateDibBlock(int width, int height, int bitCount);

// ((biBitCount × biWidth + 31) / 32) × 4, from the block's header.
size_t DibRowStride(const DibBlock& block);

}  // namespace image
