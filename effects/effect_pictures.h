// What the effect programs' loops do before and instead of their pixel loops:
// check that a loaded picture has the layout the loop addresses, and, when a
// picture is missing or unfit, keep the window open and black until quit.
#pragma once

#include "image/mag_image.h"

namespace effects {

// True when `picture` is loaded with 256 colours, `width` pixels a row and
// between `minRows` and `rows` rows. A loaded picture of another layout is
// reported in a message box under its full path ("Error: The picture must be
// W x H pixels of 256 colours."); a picture that failed to load has already
// been reported by its loader.
bool FitsEffect(image::MagImage& picture, int width, int rows, int minRows);
inline bool FitsEffect(image::MagImage& picture, int width, int rows) {
  return FitsEffect(picture, width, rows, rows);
}

// Pumps, with a short sleep between looks at the queue, until quit is seen.
// Returns 0.
[[nodiscard]] int WaitForQuit();

}  // namespace effects
