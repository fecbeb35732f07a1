// The effect kernels written as plainly as their rules read, one pixel at a
// time. They are the baselines the benchmarks measure the fast kernels
// against, and the reference the tests compare the fast kernels' bytes with.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "effects/lens.h"
#include "effects/plasma.h"
#include "effects/ripple.h"
#include "effects/rotation.h"

namespace literal {

inline void DrawLensFrame(const uint8_t* source, uint8_t* canvas, const int32_t* table,
                          const int32_t* rowStart, effects::LensState& s) {
  std::memcpy(canvas, source, 320 * 240);
  int n = 0;
  for (int r = 0; r < 64; ++r) {
    for (int c = 0; c < 64; ++c) {
      canvas[rowStart[s.lensY + r] + s.lensX + c] = source[table[n] + rowStart[s.lensY] + s.lensX];
      ++n;
    }
  }
  s.lensX += s.stepX;
  s.lensY += s.stepY;
  if (s.lensX > 256) {
    s.lensX = 256;
    s.stepX = -s.stepX;
  } else if (s.lensX < 0) {
    s.lensX = 0;
    s.stepX = -s.stepX;
  }
  if (s.lensY > 176) {
    s.lensY = 176;
    s.stepY = -s.stepY;
  } else if (s.lensY < 0) {
    s.lensY = 0;
    s.stepY = -s.stepY;
  }
}

inline void RenderRotation(const uint8_t* source, uint8_t* canvas, const float* t,
                           const int32_t* rowStart, const int32_t* sourceRow, int k) {
  int a = 420;
  int b = 420;
  for (int r = 0; r < 240; ++r) {
    for (int c = 0; c < 320; ++c) {
      const int x = static_cast<int>(static_cast<double>(t[k + 64]) * c + a);
      const int y = static_cast<int>(static_cast<double>(t[k]) * c + b);
      canvas[rowStart[r] + c] = source[sourceRow[y] + x];
    }
    a = static_cast<int>(static_cast<double>(t[k + 128]) * r + 420);
    b = static_cast<int>(static_cast<double>(t[k + 64]) * r + 420);
  }
}

// h is the current map, g the previous one; the caller exchanges them after.
inline void RippleStep(const uint8_t* source, uint8_t* canvas, int32_t* h, int32_t* g,
                       const int32_t* dropPath, int k) {
  h[dropPath[k]] = 128;
  h[dropPath[k + 64]] = 128;
  for (int i = 160; i <= 19039; ++i) {
    int32_t v = h[i - 1] + h[i + 1] + h[i - 160] + h[i + 160];
    v = v >> 1;
    v = v - g[i];
    v = v - (v >> 4);
    g[i] = v;
    canvas[i] = source[std::clamp(i + v, 0, 19199)];
  }
}

inline void RenderPlasma(uint8_t* canvas, const uint8_t* w, const int32_t* rowStart,
                         effects::PlasmaPhases& p) {
  uint8_t a = p.p1;
  uint8_t b = p.p2;
  for (int r = 0; r < 240; ++r) {
    uint8_t c = p.p3;
    uint8_t d = p.p4;
    for (int x = 0; x < 320; ++x) {
      canvas[rowStart[r] + x] = static_cast<uint8_t>(w[d] + w[c] + w[b] + w[a]);
      c = static_cast<uint8_t>(c + 1);
      d = static_cast<uint8_t>(d + 3);
    }
    a = static_cast<uint8_t>(a + 2);
    b = static_cast<uint8_t>(b + 1);
  }
  p.p1 = static_cast<uint8_t>(p.p1 + 1);
  p.p2 = static_cast<uint8_t>(p.p2 - 2);
  p.p3 = static_cast<uint8_t>(p.p3 + 3);
  p.p4 = static_cast<uint8_t>(p.p4 - 4);
}

}  // namespace literal
