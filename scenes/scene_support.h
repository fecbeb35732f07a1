// Small steps the scenes share: ticks, fills, and the checks that keep pixel
// copies inside the pictures they write.
#pragma once

#include <cstddef>
#include <cstdint>

#include "effects/mosaic.h"
#include "image/mag_image.h"
#include "services/calls.h"
#include "services/surface.h"
#include "shell/main_window.h"

namespace scenes {

inline services::Tick Now() {
  return services::GetTickCount();
}

inline void FillBlack(services::Surface* dc) {
  dc->PatBlt(0, 0, 640, 480, services::RasterFill::kBlackness);
}
inline void FillWhite(services::Surface* dc) {
  dc->PatBlt(0, 0, 640, 480, services::RasterFill::kWhiteness);
}

// Bits per pixel of a loaded picture, 0 when not loaded.
int BitCount(const image::MagImage& picture);

// A loaded 256-colour picture `width` pixels wide with at least `minRows` rows.
bool Is8Bit(const image::MagImage& picture, int width, int minRows);
// A loaded 256-colour picture of exactly width × height.
inline bool Is8BitOfSize(const image::MagImage& picture, int width, int height) {
  return Is8Bit(picture, width, height) && picture.height == height;
}

// The mosaic swap: the screen's picture breaks into blocks (MosaicOut),
// `draw` puts the next picture into the back buffer, and that comes in out of
// blocks (MosaicIn). 1 when done, 0 as soon as a pump saw quit.
template <typename Draw>
[[nodiscard]] int MosaicSwap(shell::MainWindow& window, Draw&& draw) {
  if (!effects::MosaicOut(window)) return 0;
  draw(window.backDC);
  return effects::MosaicIn(window);
}

// Bytes of the colour table of a loaded picture.
size_t ColorTableBytes(const image::MagImage& picture);

}  // namespace scenes
