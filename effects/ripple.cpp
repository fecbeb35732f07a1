#include "effects/ripple.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <utility>

#include "effects/effect_pictures.h"
#include "image/mag_image.h"
#include "shell/pump.h"

namespace effects {

namespace {

constexpr int kFirst = kRippleWidth;               // first cell of row 1
constexpr int kEnd = kRippleCells - kRippleWidth;  // first cell of the last row

// canvas[i] = source[i + g[i]] for i in [begin, end), the index clamped into
// the picture.
void CopyDisplacedClamped(const uint8_t* source, uint8_t* canvas, const int32_t* g, int begin,
                          int end) {
  for (int i = begin; i < end; ++i) {
    const int64_t at = static_cast<int64_t>(i) + g[i];
    canvas[i] = source[std::clamp<int64_t>(at, 0, kRippleCells - 1)];
  }
}

}  // namespace

DropPath BuildDropPath() {
  DropPath path{};
  for (int j = 0; j < static_cast<int>(path.size()); ++j) {
    const int x = static_cast<int>(36 * std::cos(j * 3.141592654 / 64));
    const int y = static_cast<int>(24 * std::sin(j * 3.141592654 / 64));
    path[j] = kRippleWidth * (y + 60) + (x + 80);
  }
  return path;
}

// Two passes over the inner rows. The height update runs several cells at a
// time (>> on a negative int rounds toward minus infinity, as the rule wants)
// and notes how far the heights spread; the displaced copy then clamps only
// the cells near the ends of the picture, which are the only ones a height
// within −256…255 could carry outside it.
void RippleStep(const uint8_t* source, uint8_t* canvas, RippleMaps& maps, const DropPath& dropPath,
                int k) {
  k &= 127;
  const int32_t* h = maps.current;
  int32_t* g = maps.previous;
  maps.current[dropPath[k]] = 128;
  maps.current[dropPath[k + 64]] = 128;

  // v ^ (v >> 31) is v for v >= 0 and −v − 1 below zero: while the OR of
  // these stays below 256, every height lies within −256…255.
  int32_t spread = 0;
  for (int i = kFirst; i < kEnd; ++i) {
    int32_t v = (h[i - 1] + h[i + 1] + h[i - kRippleWidth] + h[i + kRippleWidth]) >> 1;
    v -= g[i];
    v -= v >> 4;
    g[i] = v;
    spread |= v ^ (v >> 31);
  }

  constexpr int kSafeBegin = 256;
  constexpr int kSafeEnd = kRippleCells - 256;
  static_assert((kSafeEnd - kSafeBegin) % 16 == 0);
  if (spread < 256) {
    CopyDisplacedClamped(source, canvas, g, kFirst, kSafeBegin);
    // Most of the water is calm (about three cells in four have height 0):
    // a run of 16 calm cells is a plain copy.
    for (int i = kSafeBegin; i < kSafeEnd; i += 16) {
      int32_t any = 0;
      for (int j = i; j < i + 16; ++j)
        any |= g[j];
      if (any == 0) {
        std::memcpy(canvas + i, source + i, 16);
      } else {
        for (int j = i; j < i + 16; ++j)
          canvas[j] = (source + j)[g[j]];
      }
    }
    CopyDisplacedClamped(source, canvas, g, kSafeEnd, kEnd);
  } else {
    CopyDisplacedClamped(source, canvas, g, kFirst, kEnd);
  }
  std::swap(maps.current, maps.previous);
}

int RunRippleDemo(shell::MainWindow& window) {
  image::MagImage background(window.hwnd, window.title);
  image::MagImage canvas(window.hwnd, window.title);
  image::MagImage source(window.hwnd, window.title);
  background.Load("water.mag");
  canvas.Load("waters.mag");
  source.Load("waters.mag");
  // The background takes no part in the computation: without it the ripple
  // runs over black.
  if (!FitsEffect(canvas, kRippleWidth, kRippleHeight) ||
      !FitsEffect(source, kRippleWidth, kRippleHeight))
    return WaitForQuit();

  auto maps = std::make_unique<RippleMaps>();
  const DropPath path = BuildDropPath();
  background.DrawStretched(window.screenDC, 0, 0, 640, 480, 0, 0, 320, 240);
  background.DrawStretched(window.backDC, 0, 0, 640, 480, 0, 0, 320, 240);
  for (int k = 0;; k = (k + 1) % 128) {
    RippleStep(source.bits, canvas.bits, *maps, path, k);
    canvas.DrawStretched(window.screenDC, 160, 120, 320, 240, 0, 0, kRippleWidth, kRippleHeight);
    if (shell::PumpPending() == 0) return 0;
  }
}

}  // namespace effects
