#include "effects/lens.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "effects/effect_pictures.h"
#include "image/mag_image.h"
#include "shell/pump.h"

namespace effects {

namespace {

constexpr int kMaxLensX = kCanvasWidth - kLensSize;   // 256
constexpr int kMaxLensY = kCanvasHeight - kLensSize;  // 176

// Moves one coordinate and turns it at the limits: a move past a limit is
// clamped back, so the lens rests there one extra frame before turning.
void Bounce(int& position, int& step, int limit) {
  position += step;
  if (position > limit) {
    position = limit;
    step = -step;
  } else if (position < 0) {
    position = 0;
    step = -step;
  }
}

}  // namespace

void BuildLensTable(int width, int height, int32_t* table, int stride, int cx, int cy, int radius,
                    double scale, double power) {
  for (int i = 0; i < height; ++i) {
    for (int j = 0; j < width; ++j) {
      const double dx = j - cx;
      const double dy = i - cy;
      const double e = std::hypot(dx, dy);
      int g = i;
      int h = j;
      if (radius > e) {
        const double s = radius * std::sin(2 * std::atan(e / radius));
        if (s != 0) {
          const double m = std::pow((e / s) * scale, power);
          g = static_cast<int>(dy * m + cy);
          h = static_cast<int>(dx * m + cx);
        }
      }
      table[i * width + j] = h + stride * g;
    }
  }
}

LensTable MakeLensTable() {
  LensTable table{};
  BuildLensTable(kLensSize, kLensSize, table.data(), kCanvasWidth, 32, 32, 32, 1.0, 1.0);
  return table;
}

void DrawLensFrame(const uint8_t* source, uint8_t* canvas, const LensTable& table,
                   const RowStartTable& rowStart, LensState& state) {
  state.lensX = std::clamp(state.lensX, 0, kMaxLensX);
  state.lensY = std::clamp(state.lensY, 0, kMaxLensY);
  std::memcpy(canvas, source, kCanvasBytes);
  const uint8_t* lens = source + rowStart[state.lensY] + state.lensX;
  const int32_t* entry = table.data();
  for (int r = 0; r < kLensSize; ++r) {
    uint8_t* out = canvas + rowStart[state.lensY + r] + state.lensX;
    for (int c = 0; c < kLensSize; ++c)
      out[c] = lens[*entry++];
  }
  Bounce(state.lensX, state.stepX, kMaxLensX);
  Bounce(state.lensY, state.stepY, kMaxLensY);
}

int RunLensDemo(shell::MainWindow& window) {
  image::MagImage canvas(window.hwnd, window.title);
  image::MagImage source(window.hwnd, window.title);
  canvas.Load("pelia.mag");
  source.Load("pelia.mag");
  if (!FitsEffect(canvas, kCanvasWidth, kCanvasHeight) ||
      !FitsEffect(source, kCanvasWidth, kCanvasHeight))
    return WaitForQuit();

  const RowStartTable rowStart = MakeRowStart();
  const LensTable table = MakeLensTable();
  LensState lens;
  for (;;) {
    DrawLensFrame(source.bits, canvas.bits, table, rowStart, lens);
    canvas.DrawStretched(window.screenDC, 0, 0, 640, 480, 0, 0, kCanvasWidth, kCanvasHeight);
    if (shell::PumpPending() == 0) return 0;
  }
}

}  // namespace effects
