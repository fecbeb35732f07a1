#include "image/dib_block.h"

#include <cstring>
#include <new>

namespace image {

namespace {

// Largest block made: far above any picture here, and small enough that the
// sizes below never overflow.
constexpr uint64_t kMaxBlockBytes = uint64_t{1} << 31;

size_t Stride(uint64_t bitCount, uint64_t width) {
  return ((bitCount * width + 31) / 32) * 4;
}

}  // namespace

services::BitmapInfoHeader DibBlock::header() const {
  services::BitmapInfoHeader h;
  if (size() >= sizeof h) std::memcpy(&h, data(), sizeof h);
  return h;
}

std::unique_ptr<DibBlock> CreateDibBlock(int width, int height, int bitCount) {
  if (width < 0 || height < 0) return nullptr;  // 0 gives an empty picture
  if (bitCount != 4 && bitCount != 8 && bitCount != 24) return nullptr;
  const uint64_t entries = bitCount == 24 ? 0 : uint64_t{1} << bitCount;
  const uint64_t stride = Stride(bitCount, width);
  const uint64_t image = stride * static_cast<uint64_t>(height);
  const uint64_t total = sizeof(services::BitmapInfoHeader) + 4 * entries + image;
  if (total > kMaxBlockBytes) return nullptr;

  std::unique_ptr<DibBlock> block;
  try {
    block = std::make_unique<DibBlock>(static_cast<size_t>(total));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  services::BitmapInfoHeader h;
  h.biWidth = width;
  h.biHeight = height;
  h.biBitCount = static_cast<uint16_t>(bitCount);
  h.biSizeImage = static_cast<uint32_t>(image);
  std::memcpy(block->data(), &h, sizeof h);
  return block;
}

size_t DibRowStride(const DibBlock& block) {
  services::BitmapInfoHeader h = block.header();
  if (h.biWidth <= 0) return 0;
  return Stride(h.biBitCount, static_cast<uint64_t>(h.biWidth));
}

}  // namespace image
