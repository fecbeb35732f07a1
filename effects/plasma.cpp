#include "effects/plasma.h"

#include <cmath>

#include "effects/effect_pictures.h"
#include "image/mag_image.h"
#include "shell/pump.h"

namespace effects {

PlasmaWave BuildPlasmaWave(double p) {
  PlasmaWave wave{};
  for (int i = 0; i < 256; ++i) {
    wave[i] = static_cast<uint8_t>((std::sin(i * p / 32) + 1) * 32);
  }
  return wave;
}

// A pixel is a column term plus a row term, modulo 256, so the frame is one
// row of column terms added to a per-row constant: a byte-wise add over each
// row that the compiler runs many bytes at a time.
void RenderPlasma(uint8_t* canvas, const PlasmaWave& wave, const RowStartTable& rowStart,
                  PlasmaPhases& phases) {
  uint8_t columns[kCanvasWidth];
  uint8_t c = phases.p3;
  uint8_t d = phases.p4;
  for (int x = 0; x < kCanvasWidth; ++x) {
    columns[x] = static_cast<uint8_t>(wave[d] + wave[c]);
    c = static_cast<uint8_t>(c + 1);
    d = static_cast<uint8_t>(d + 3);
  }
  uint8_t a = phases.p1;
  uint8_t b = phases.p2;
  for (int r = 0; r < kCanvasHeight; ++r) {
    const uint8_t row = static_cast<uint8_t>(wave[b] + wave[a]);
    uint8_t* out = canvas + rowStart[r];
    for (int x = 0; x < kCanvasWidth; ++x)
      out[x] = static_cast<uint8_t>(columns[x] + row);
    a = static_cast<uint8_t>(a + 2);
    b = static_cast<uint8_t>(b + 1);
  }
  phases.p1 = static_cast<uint8_t>(phases.p1 + 1);
  phases.p2 = static_cast<uint8_t>(phases.p2 - 2);
  phases.p3 = static_cast<uint8_t>(phases.p3 + 3);
  phases.p4 = static_cast<uint8_t>(phases.p4 - 4);
}

int RunPlasmaDemo(shell::MainWindow& window) {
  const PlasmaWave wave = BuildPlasmaWave(3.141592654);
  const RowStartTable rowStart = MakeRowStart();
  PlasmaPhases phases;
  image::MagImage canvas(window.hwnd, window.title);
  canvas.Load("red.mag");
  if (!FitsEffect(canvas, kCanvasWidth, kCanvasHeight)) return WaitForQuit();
  for (;;) {
    RenderPlasma(canvas.bits, wave, rowStart, phases);
    canvas.DrawStretched(window.screenDC, 0, 0, 640, 480, 0, 0, kCanvasWidth, kCanvasHeight);
    if (shell::PumpPending() == 0) return 0;
  }
}

}  // namespace effects
