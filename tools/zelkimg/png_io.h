// PNG pictures in and out, through libpng: indexed pictures with their exact
// palette and transparency entries, and true-colour pictures. The tool works
// on bytes (so standard input and output serve as well as files); the
// file-named forms are for tests and other tools.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/codecs.h"

namespace zelkimg {

struct PngPicture {
  int width = 0;
  int height = 0;
  bool indexed = false;
  int colorType = 0;  // libpng's colour type, for messages
  std::vector<image::Rgb> palette;
  std::vector<uint8_t> alpha;   // tRNS entries of an indexed picture (may be shorter)
  std::vector<uint8_t> pixels;  // indexed: one index per pixel; else RGBA, 4 bytes per pixel
};

// The picture in `bytes`; `name` names them in messages.
std::optional<PngPicture> DecodePng(const std::vector<uint8_t>& bytes, const std::string& name,
                                    std::string* error);
std::optional<PngPicture> ReadPng(const std::string& path, std::string* error);

// An indexed PNG of `bitDepth` 4 or 8 with the palette as given and, when
// `alpha` is not empty, a tRNS chunk. Empty, with `error` set, on failure.
std::vector<uint8_t> EncodeIndexedPng(int width, int height, const std::vector<image::Rgb>& palette,
                                      const std::vector<uint8_t>& alpha,
                                      const std::vector<uint8_t>& indices, int bitDepth,
                                      std::string* error);
// An 8-bit grey, RGB or RGBA PNG of `channels` 1, 3 or 4 bytes a pixel.
std::vector<uint8_t> EncodeTrueColourPng(int width, int height, const std::vector<uint8_t>& pixels,
                                         int channels, std::string* error);

// The same written to a file.
bool WriteIndexedPng(const std::string& path, int width, int height,
                     const std::vector<image::Rgb>& palette, const std::vector<uint8_t>& alpha,
                     const std::vector<uint8_t>& indices, int bitDepth, std::string* error);

// Writes an 8-bit RGB PNG from 3 bytes (red, green, blue) per pixel.
bool WriteRgbPng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb,
                 std::string* error);
// Writes an 8-bit RGBA PNG from 4 bytes (red, green, blue, alpha) per pixel.
bool WriteRgbaPng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba,
                  std::string* error);

}  // namespace zelkimg
