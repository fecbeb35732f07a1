// The colour plasma: every canvas pixel is the sum of four lookups in one
// sine-shaped wave table, two indexed by the column and two by the row, each
// with a phase that drifts from frame to frame.
#pragma once

#include <array>
#include <cstdint>

#include "effects/canvas.h"
#include "shell/main_window.h"

namespace effects {

// W[i] = trunc((sin(i × P / 32) + 1) × 32) in double precision.
using PlasmaWave = std::array<uint8_t, 256>;
PlasmaWave BuildPlasmaWave(double p);

// p1 and p2 drive the row terms, p3 and p4 the column terms; all wrap at 256.
struct PlasmaPhases {
  uint8_t p1 = 0;
  uint8_t p2 = 0;
  uint8_t p3 = 0;
  uint8_t p4 = 0;
};

// Fills the 320×240 canvas: byte rowStart[r] + x = W[p4 + 3x] + W[p3 + x] +
// W[p2 + r] + W[p1 + 2r] (indices and sum modulo 256), then advances the
// phases by +1, −2, +3, −4.
void RenderPlasma(uint8_t* canvas, const PlasmaWave& wave, const RowStartTable& rowStart,
                  PlasmaPhases& phases);

// plasmademo's loop: the wave table with P = 3.141592654, "red.mag" as canvas
// (for its colours), then unpaced frames, each drawn stretched over the screen
// surface and followed by one pump, until quit. Returns 0.
[[nodiscard]] int RunPlasmaDemo(shell::MainWindow& window);

}  // namespace effects
