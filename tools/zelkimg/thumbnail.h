// Thumbnails for file managers, which run `zelkimg thumbnail` through the
// desktop's thumbnailer entries: the patterns of a DAR archive laid out on one
// sheet, transparent where the patterns are, or a MAG picture. The result is
// reduced by area averaging so that its longer side is at most the size asked
// for; a smaller one keeps its size. Pictures are reduced as their rows are
// read, so what a thumbnail takes follows the pixels the file draws and the
// size asked for, never the sizes its headers claim.
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
// sheet is high, each in the box around the pixels it draws; patterns that
// draw nothing take no place. nullopt and `error` set when no pattern has
// pixels.
std::optional<RgbaPicture> DarThumbnail(const image::DarReader& archive, int size,
                                        std::string* error);
// nullopt and `error` set when the file is damaged or the picture empty.
std::optional<RgbaPicture> MagThumbnail(const std::vector<uint8_t>& file, int size,
                                        std::string* error);

}  // namespace zelkimg
