// The 320×240 working canvas shared by the lens, rotation and plasma effects:
// 8-bit palette indices, stride 320, rows bottom-up, addressed through rowStart.
#pragma once

#include <array>
#include <cstdint>

namespace effects {

constexpr int kCanvasWidth = 320;
constexpr int kCanvasHeight = 240;
constexpr int kCanvasBytes = kCanvasWidth * kCanvasHeight;

// rowStart[r] = r × 320: the byte offset of canvas row r.
using RowStartTable = std::array<int32_t, kCanvasHeight>;
RowStartTable MakeRowStart();

}  // namespace effects
