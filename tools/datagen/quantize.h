// From true-colour canvases to the indexed pictures and patterns the demos
// read: palettes chosen by median cut and refined by k-means, and dithering
// (error diffusion or an ordered 8 × 8 matrix) onto a palette.
#pragma once

#include <cstdint>
#include <vector>

#include "image/codecs.h"
#include "tools/datagen/raster.h"

namespace datagen {

using Palette = std::vector<image::Rgb>;

image::Rgb ToRgb(Col c);
Col ToCol(image::Rgb c);

// Pixels that take part in choosing a palette: a canvas, optionally limited to
// where a mask covers it (coverage 0.5 or more), with a weight.
struct PaletteSource {
  const Canvas* canvas = nullptr;
  const Mask* mask = nullptr;
  float weight = 1.0f;
};

// `count` colours: the first count − fixed.size() chosen from the sources and
// ordered dark to light, then the fixed colours in the order given.
Palette BuildPalette(const std::vector<PaletteSource>& sources, int count,
                     const std::vector<Col>& fixed = {});

enum class Dither { kNone, kDiffusion, kOrdered };

// Index of the palette colour nearest to c.
int Nearest(const Palette& palette, image::Rgb c);

// The canvas on the palette (colors: 16 or 256).
image::IndexedPicture Quantize(const Canvas& canvas, const Palette& palette, int colors,
                               Dither dither);

// A pattern cut from the canvas rectangle (x, y, w, h): pixels whose coverage
// in `alpha` is at least 0.5 are drawn (index from the palette), all others
// are transparent. With `ditheredEdge`, partial coverage is turned into a
// scattered pattern of drawn pixels (an ordered threshold) instead.
image::DarPattern QuantizePattern(const Canvas& canvas, const Mask& alpha, const Palette& palette,
                                  int x, int y, int w, int h, Dither dither,
                                  bool ditheredEdge = false);

// The 8 × 8 ordered-dither threshold at a pixel, in (0, 1).
float BayerThreshold(int x, int y);

}  // namespace datagen
