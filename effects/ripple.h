// The water ripple: two integer height maps updated by a damped
// neighbour-average rule, two drops a frame travelling around an ellipse, and
// each canvas pixel taken from the clean picture moved along its buffer by the
// local height.
#pragma once

#include <array>
#include <cstdint>

#include "shell/main_window.h"

namespace effects {

constexpr int kRippleWidth = 160;
constexpr int kRippleHeight = 120;
constexpr int kRippleCells = kRippleWidth * kRippleHeight;  // 19,200

// 192 drop positions: 128 a turn around the ellipse of radii 36 and 24 about
// pixel (80, 60), plus 64 more so that index k + 64 needs no wrap.
using DropPath = std::array<int32_t, 192>;
DropPath BuildDropPath();

using HeightMap = std::array<int32_t, kRippleCells>;

// The two height maps; `current` and `previous` exchange roles every step.
struct RippleMaps {
  HeightMap first{};
  HeightMap second{};
  int32_t* current = first.data();
  int32_t* previous = second.data();

  RippleMaps() = default;
  RippleMaps(const RippleMaps&) = delete;
  RippleMaps& operator=(const RippleMaps&) = delete;
};

// One frame for frame counter k (taken modulo 128): drops of 128 at
// dropPath[k] and dropPath[k + 64] in the current map, then for every cell of
// rows 1…118, v = ((sum of the four buffer-order neighbours) >> 1) − previous,
// v −= v >> 4, stored in the previous map, and canvas byte i = source byte
// i + v, the index clamped into the picture. The maps then exchange roles.
// Source and canvas are 160×120 bytes.
void RippleStep(const uint8_t* source, uint8_t* canvas, RippleMaps& maps, const DropPath& dropPath,
                int k);

// ripdemo's loop: "water.mag" as background, drawn over the whole screen
// surface and back buffer, "waters.mag" as canvas and as source, then unpaced
// frames, each drawn at twice its size in the middle of the screen surface and
// followed by one pump, until quit. Returns 0.
[[nodiscard]] int RunRippleDemo(shell::MainWindow& window);

}  // namespace effects
