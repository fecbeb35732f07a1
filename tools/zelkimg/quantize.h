// True-colour pictures reduced to a palette of 16 or 256 colours by
// libimagequant, for pictures the demos can show.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "image/codecs.h"

namespace zelkimg {

// `rgba` holds 4 bytes a pixel, top row first; partly transparent pixels are
// taken as laid over black, since a MAG picture has no transparency. The
// palette has at most `colors` entries; `dither` spreads each pixel's error
// over its neighbours (Floyd-Steinberg). nullopt and `error` set on failure.
std::optional<image::IndexedPicture> Quantize(int width, int height, std::vector<uint8_t> rgba,
                                              int colors, bool dither, std::string* error);

}  // namespace zelkimg
