// Thumbnails for file managers, which run `zelkimg thumbnail` through the
// desktop's thumbnailer entries: the patterns of a DAR archive laid out on one
// sheet, transparent where the patterns are, or a MAG picture. The result is
// reduced with gdk-pixbuf's area-averaging filter so that its longer side is
// at most the size asked for; a smaller one keeps its size.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/codecs.h"

namespace zelkimg {

struct RgbaPicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;  // red, green, blue, alpha per pixel; top row first
};

// The patterns left to right in archive order, in rows about as long as the
// sheet is high; empty patterns take no place. nullopt and `error` set when no
// pattern has pixels or memory runs out.
std::optional<RgbaPicture> DarThumbnail(const image::DarContents& archive, int size,
                                        std::string* error);
std::optional<RgbaPicture> MagThumbnail(const image::IndexedPicture& picture, int size,
                                        std::string* error);

}  // namespace zelkimg
