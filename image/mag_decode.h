// The MAG decoder on a file held in memory, without the file access and
// message boxes of MagImage: shared by MagImage, the tools and the desktop's
// image loader, so it needs nothing of the services or the platform.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "image/codecs.h"
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
  std::string why;  // the fault in the file, for a person
};
MagDecodeResult DecodeMagToDib(std::span<const uint8_t> file);

// A picture decoded one row at a time, for readers that need not hold it
// whole (listings, thumbnails): `start` hears its size, colours and palette
// (`pixels` left empty) and may end the decoding there by returning false;
// then `row` hears each row of indices, one per pixel, top row first. Null
// when all went well or `start` ended it, else the decoder's message as
// above; `why` (when given) names the fault.
const char* DecodeMagRows(std::span<const uint8_t> file,
                          const std::function<bool(const IndexedPicture&)>& start,
                          const std::function<void(int y, const uint8_t* indices)>& row,
                          const char** why = nullptr);

}  // namespace image
