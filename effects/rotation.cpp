#include "effects/rotation.h"

#include <cmath>
#include <cstring>

#include "effects/effect_pictures.h"
#include "image/mag_image.h"
#include "services/calls.h"
#include "shell/pump.h"

namespace effects {

namespace {

constexpr int kPivot = 420;

// Whether x + n, rounded to double for an integer n with 0 < x + n < 1024,
// can round up onto the next integer: only when x lies within half a unit in
// the last place (at most 2^-44 there) below an integer.
bool MayRoundUp(double x) {
  const double gap = std::ceil(x) - x;
  return gap > 0 && gap <= 0x1p-43;
}

// The sampling loop as the rule states it: every coordinate computed in
// double precision and truncated.
void RenderLiteral(const uint8_t* source, uint8_t* canvas, double sinA, double cosA, double negSinA,
                   const RowStartTable& rowStart, const SourceRowTable& sourceRow) {
  int a = kPivot;
  int b = kPivot;
  for (int r = 0; r < kCanvasHeight; ++r) {
    uint8_t* out = canvas + rowStart[r];
    for (int c = 0; c < kCanvasWidth; ++c) {
      const int x = static_cast<int>(cosA * c + a);
      const int y = static_cast<int>(sinA * c + b);
      out[c] = source[sourceRow[y] + x];
    }
    a = static_cast<int>(negSinA * r + kPivot);
    b = static_cast<int>(cosA * r + kPivot);
  }
}

}  // namespace

SineTable BuildSineTable(double p) {
  SineTable table{};
  for (int i = 0; i < static_cast<int>(table.size()); ++i) {
    table[i] = static_cast<float>(std::sin(i * p / 128));
  }
  return table;
}

SourceRowTable MakeSourceRows() {
  SourceRowTable rows{};
  for (int y = 0; y < kSpinSourceSize; ++y)
    rows[y] = y * kSpinSourceSize;
  return rows;
}

// Every sampled coordinate is trunc(x + n): x = T × c is exact in double (a
// float times a small integer) and n is the row's integer start. The sum lies
// between 21 and 819, so unless the double sum rounds up onto an integer,
// trunc(x + n) = floor(x) + n. The floors depend only on the column, so each
// frame precomputes one source offset per column and every row becomes a
// table-driven copy from its own start. A frame where some column could round
// up falls back to the direct loop, which gives the same bytes by definition.
void RenderRotation(const uint8_t* source, uint8_t* canvas, const SineTable& sine,
                    const RowStartTable& rowStart, const SourceRowTable& sourceRow, int k) {
  k &= 255;
  const double sinA = sine[k];
  const double cosA = sine[k + 64];
  const double negSinA = sine[k + 128];

  int32_t offset[kCanvasWidth];
  for (int c = 0; c < kCanvasWidth; ++c) {
    const double x = cosA * c;
    const double y = sinA * c;
    if (MayRoundUp(x) || MayRoundUp(y)) {
      RenderLiteral(source, canvas, sinA, cosA, negSinA, rowStart, sourceRow);
      return;
    }
    offset[c] =
        static_cast<int32_t>(std::floor(y)) * kSpinSourceSize + static_cast<int32_t>(std::floor(x));
  }

  int a = kPivot;
  int b = kPivot;
  for (int r = 0; r < kCanvasHeight; ++r) {
    const uint8_t* origin = source + sourceRow[b] + a;
    uint8_t* out = canvas + rowStart[r];
    for (int c = 0; c < kCanvasWidth; ++c)
      out[c] = origin[offset[c]];
    a = static_cast<int>(negSinA * r + kPivot);
    b = static_cast<int>(cosA * r + kPivot);
  }
}

int RunSpinDemo(shell::MainWindow& window) {
  const SineTable sine = BuildSineTable(3.1415926535);
  const RowStartTable rowStart = MakeRowStart();
  const SourceRowTable sourceRow = MakeSourceRows();
  image::MagImage source(window.hwnd, window.title);
  image::MagImage canvas(window.hwnd, window.title);
  source.Load("kaiten.mag");
  canvas.Load("red.mag");
  if (!FitsEffect(source, kSpinSourceSize, kSpinSourceSize, kSpinSourceMinRows) ||
      !FitsEffect(canvas, kCanvasWidth, kCanvasHeight))
    return WaitForQuit();
  std::memcpy(canvas.colorTable, source.colorTable, 256 * 4);

  for (int k = 0;; k = (k + 1) % 256) {
    RenderRotation(source.bits, canvas.bits, sine, rowStart, sourceRow, k);
    canvas.DrawStretched(window.screenDC, 0, 0, 640, 480, 0, 0, kCanvasWidth, kCanvasHeight);
    if (shell::PumpPending() == 0) return 0;
    services::Sleep(1);
  }
}

}  // namespace effects
