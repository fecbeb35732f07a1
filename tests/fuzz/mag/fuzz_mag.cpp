// The MAG decoder on arbitrary bytes: the demo's decoder into a DibBlock drawn
// onto a surface, and the tools' reader, whose pictures must survive a
// write-and-read round trip unchanged.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/codecs.h"
#include "image/mag_image.h"
#include "services/surface.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static services::Surface* screen = [] {
    static services::Surface s;
    s.Allocate();
    return &s;
  }();
  const std::vector<uint8_t> file(data, data + size);

  image::MagDecodeResult r = image::DecodeMagToDib(file);
  if (r.block) {
    const services::BitmapInfoHeader h = r.block->header();
    // Small destination areas: the picture's corners 1:1 and a scaled part.
    screen->StretchDIBits(-3, -5, h.biWidth, h.biHeight, 0, 0, h.biWidth, h.biHeight,
                          r.block->View());
    screen->StretchDIBits(600, 450, h.biWidth, h.biHeight, 0, 0, h.biWidth, h.biHeight,
                          r.block->View());
    screen->StretchDIBits(10, 10, 40, 30, 1, 1, h.biWidth / 2 + 1, h.biHeight / 2 + 1,
                          r.block->View());
  }

  std::string error;
  image::ReadMagHeader(file, &error);
  std::optional<image::IndexedPicture> picture = image::DecodeMagBytes(file, &error);
  if ((picture.has_value()) != (r.block != nullptr)) __builtin_trap();
  // Round trips of pictures with pixels (the writer takes no empty ones).
  if (picture && !picture->pixels.empty() && picture->pixels.size() <= (1u << 16)) {
    std::optional<image::IndexedPicture> again =
        image::DecodeMagBytes(image::EncodeMag(*picture, &error), &error);
    if (!again || again->pixels != picture->pixels || again->palette != picture->palette)
      __builtin_trap();
  }
  return 0;
}
