#include "scenes/scene_support.h"

namespace scenes {

int BitCount(const image::MagImage& picture) {
  return picture.loaded ? picture.dibHandle->header().biBitCount : 0;
}

bool Is8Bit(const image::MagImage& picture, int width, int minRows) {
  return BitCount(picture) == 8 && picture.width == width && picture.height >= minRows;
}

size_t ColorTableBytes(const image::MagImage& picture) {
  if (!picture.loaded) return 0;
  services::BitmapInfoHeader h = picture.dibHandle->header();
  size_t entries = h.biClrUsed != 0 ? h.biClrUsed : (size_t{1} << h.biBitCount);
  return entries * 4;
}

}  // namespace scenes
