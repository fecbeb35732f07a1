// The rotation: each frame samples an 840×840 picture along a grid turned
// about its centre (420, 420) into a 320×240 canvas. Angles come from a sine
// table of 256 steps a turn.
#pragma once

#include <array>
#include <cstdint>

#include "effects/canvas.h"
#include "shell/main_window.h"

namespace effects {

constexpr int kSpinSourceSize = 840;
// The sampled points stay within rows 21…818, so a source needs 819 rows.
constexpr int kSpinSourceMinRows = 819;

// T[i] = sin(i × P / 128) in double precision, stored as float. Phase k reads
// T[k] (sine), T[k + 64] (cosine) and T[k + 128] (minus the sine).
using SineTable = std::array<float, 384>;
SineTable BuildSineTable(double p);

// Entry y = y × 840: the byte offset of source row y.
using SourceRowTable = std::array<int32_t, kSpinSourceSize>;
SourceRowTable MakeSourceRows();

// Renders phase k (taken modulo 256) from `source` (840 bytes a row, at least
// 819 rows) into the 320×240 canvas. Row r starts at (A, B), with (420, 420)
// for rows 0 and 1 and (trunc(T[k + 128] × (r − 1) + 420),
// trunc(T[k + 64] × (r − 1) + 420)) after; column c samples
// (trunc(T[k + 64] × c + A), trunc(T[k] × c + B)), computed in double
// precision and truncated toward zero.
void RenderRotation(const uint8_t* source, uint8_t* canvas, const SineTable& sine,
                    const RowStartTable& rowStart, const SourceRowTable& sourceRow, int k);

// spindemo's loop: the sine table with P = 3.1415926535, "kaiten.mag" as
// source and "red.mag" as canvas (given the source's colours), then one frame
// per phase 0, 1, … 255, 0, …, each drawn stretched over the screen surface,
// followed by one pump and a 1 ms sleep, until quit. Returns 0.
[[nodiscard]] int RunSpinDemo(shell::MainWindow& window);

}  // namespace effects
