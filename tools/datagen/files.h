// File formats the generator writes itself: 24-bit BMP pictures, PNG previews
// (libpng) and plain byte files.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/codecs.h"
#include "tools/datagen/raster.h"

namespace datagen {

// A true-colour picture, top row first, three bytes (R, G, B) per pixel.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
  void Set(int x, int y, image::Rgb c);
  image::Rgb Get(int x, int y) const;
};

// The canvas rounded to 8 bits a channel (with a faint ordered dither, so
// that smooth gradients keep no visible steps).
RgbImage ToRgbImage(const Canvas& canvas);
RgbImage ToRgbImage(const image::IndexedPicture& picture);
// A pattern over a grey checkerboard, so its transparent areas show.
RgbImage ToRgbImage(const image::DarPattern& pattern, const std::array<uint8_t, 1024>& table);

// An uncompressed 24-bit BMP without colour table: 14-byte file header,
// 40-byte info header, bottom-up rows padded to 4 bytes.
std::vector<uint8_t> EncodeBmp24(const RgbImage& picture);
// Reads back such a file (for the contact sheet); nullopt when it is not one.
std::optional<RgbImage> DecodeBmp24(const std::vector<uint8_t>& file);

[[nodiscard]] bool WritePng(const std::string& path, const RgbImage& picture, std::string* error);
[[nodiscard]] bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes,
                              std::string* error);
std::optional<std::vector<uint8_t>> ReadBytes(const std::string& path);

}  // namespace datagen
