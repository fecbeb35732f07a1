// The magnifying lens: a 64×64 circular lens, two-fold at its centre and
// unmagnified at its rim, gliding over a 320×240 picture and bouncing off its
// edges. The distortion is computed once into a table of source offsets; a
// frame restores the picture and copies 4,096 pixels through the table.
#pragma once

#include <array>
#include <cstdint>

#include "effects/canvas.h"
#include "shell/main_window.h"

namespace effects {

constexpr int kLensSize = 64;
using LensTable = std::array<int32_t, kLensSize * kLensSize>;

// Fills width × height entries, row-major: entry i × width + j is the offset
// h + stride × g of the source pixel shown at lens row i, column j, where
// (g, h) = (i, j) outside the circle of `radius` about (cx, cy) and, inside it,
// the position pulled towards the centre by pow((e / s) × scale, power) with
// e the distance and s = radius × sin(2 × atan(e / radius)), truncated toward
// zero. Double precision throughout.
void BuildLensTable(int width, int height, int32_t* table, int stride, int cx, int cy, int radius,
                    double scale, double power);
// The table every caller uses: 64×64, stride 320, centre (32, 32), radius 32,
// scale and power 1. All its entries lie inside the 64×64 lens square.
LensTable MakeLensTable();

// Lens position (left column 0…256, first buffer row 0…176) and its motion.
// The start puts the lens in the middle of the picture.
struct LensState {
  int lensX = 128;
  int lensY = 88;
  int stepX = 4;
  int stepY = 4;
};

// One frame: the 320×240 source copied over the canvas, the lens pasted at the
// current position through `table` (from MakeLensTable), then the position
// moved and bounced at 0, 256 and 176 (staying one extra frame at a limit).
// A position outside the limits is brought inside before drawing.
void DrawLensFrame(const uint8_t* source, uint8_t* canvas, const LensTable& table,
                   const RowStartTable& rowStart, LensState& state);

// lensdemo's loop: the map picture beside the program loaded as canvas and as
// source, then unpaced frames, each drawn stretched over the screen surface
// and followed by one pump, until quit. Returns 0.
[[nodiscard]] int RunLensDemo(shell::MainWindow& window);

}  // namespace effects
