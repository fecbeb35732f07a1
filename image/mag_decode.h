// The MAG decoder on a file held in memory, without the file access and
// message boxes of MagImage: shared by MagImage, the tools and the desktop's
// image loader, so it needs nothing of the services or the platform.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "image/dib_block.h"

namespace image {

// The message of a file that cannot be read whole, from the decoder or from
// whoever reads the file for it.
inline constexpr const char* kMagCantRead = "Error: Can't file read.";

// The new block, or null and the decoder's message that tells why: "Error:
// Unsupported type.", "Error: Can't file read." or "Error: Not enough memory
// for create DIB.".
struct MagDecodeResult {
  std::unique_ptr<DibBlock> block;
  const char* message = nullptr;
};
MagDecodeResult DecodeMagToDib(std::span<const uint8_t> file);

}  // namespace image
