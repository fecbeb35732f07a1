// The scenes built around a pixel effect: plasma with its message windows, the
// lens, the rotation in three quarter turns, and the ripple.
#include <cstring>
#include <memory>

#include "effects/canvas.h"
#include "effects/lens.h"
#include "effects/mosaic.h"
#include "effects/plasma.h"
#include "effects/reveal.h"
#include "effects/ripple.h"
#include "effects/rotation.h"
#include "image/dar_archive.h"
#include "image/mag_image.h"
#include "scenes/demo_sequencer.h"
#include "scenes/scene_support.h"
#include "shell/pump.h"

namespace scenes {

using image::DarArchive;
using image::MagImage;
using shell::PumpPending;
using shell::WaitUntil;

namespace {

// A 320×240 canvas drawn over the whole window.
void DrawCanvas(MagImage& canvas, services::Surface* dc) {
  canvas.DrawStretched(dc, 0, 0, 640, 480, 0, 0, 320, 240);
}

}  // namespace

int DemoSequencer::PlasmaScene() {
  services::Surface* screen = window->screenDC;
  services::Surface* back = window->backDC;
  DarArchive messages(window);
  MagImage canvas(window->hwnd, window->title);
  messages.Load("data\\msg1.dar");
  canvas.Load("data\\red.mag");
  messages.SetDisplay(canvas.width, canvas.height, canvas.bits, canvas.PixelBytes());
  FillWhite(screen);
  FillBlack(back);
  if (!PumpPending()) return 0;
  services::Sleep(200);

  const effects::PlasmaWave wave = effects::BuildPlasmaWave(3.14);
  const effects::RowStartTable rowStart = effects::MakeRowStart();
  effects::PlasmaPhases phases;
  const bool renderable = Is8BitOfSize(canvas, 320, 240);

  int message = 0;
  services::Tick messageDeadline = cycleStart + 28400;
  do {
    services::Tick t0 = Now();
    if (renderable) effects::RenderPlasma(canvas.bits, wave, rowStart, phases);
    messages.DrawPattern(0, 96, message);
    if (Now() > messageDeadline) {
      messageDeadline += 4200;
      if (++message > 2) message = 0;
    }
    DrawCanvas(canvas, screen);
    if (!WaitUntil(t0 + 32)) return 0;
  } while (Now() < cycleStart + 36000);

  messages.DrawPattern(0, 96, message);
  DrawCanvas(canvas, back);
  return 1;
}

int DemoSequencer::LensScene() {
  MagImage canvas(window->hwnd, window->title);
  MagImage source(window->hwnd, window->title);
  canvas.Load("data\\pelia.mag");
  source.Load("data\\pelia.mag");
  if (!MosaicSwap(*window, [&](services::Surface* back) { DrawCanvas(canvas, back); })) return 0;

  const effects::RowStartTable rowStart = effects::MakeRowStart();
  const effects::LensTable table = effects::MakeLensTable();
  effects::LensState lens;
  const bool renderable = Is8BitOfSize(canvas, 320, 240) && Is8BitOfSize(source, 320, 240);
  do {
    services::Tick t0 = Now();
    if (renderable) effects::DrawLensFrame(source.bits, canvas.bits, table, rowStart, lens);
    DrawCanvas(canvas, window->screenDC);
    if (!WaitUntil(t0 + 32)) return 0;
  } while (Now() < cycleStart + 85000);
  return 1;
}

int DemoSequencer::RotationScene() {
  const effects::SineTable sine = effects::BuildSineTable(3.14);
  const effects::RowStartTable rowStart = effects::MakeRowStart();
  const effects::SourceRowTable sourceRow = effects::MakeSourceRows();
  MagImage source(window->hwnd, window->title);
  MagImage canvas(window->hwnd, window->title);
  source.Load("data\\kaiten.mag");
  canvas.Load("data\\red.mag");
  if (source.loaded && canvas.loaded) {
    std::memcpy(canvas.colorTable, source.colorTable,
                std::min(ColorTableBytes(canvas), ColorTableBytes(source)));
  }
  const bool renderable = Is8Bit(source, effects::kSpinSourceSize, effects::kSpinSourceMinRows) &&
                          Is8BitOfSize(canvas, 320, 240);

  source.DrawStretched(window->backDC, 0, 0, 640, 480, 420, 420, 320, 240);
  if (!effects::RevealStrips(*window)) return 0;
  if (!WaitUntil(cycleStart + 91000)) return 0;

  services::Tick pauseDeadline = cycleStart + 97000;
  int nextPause = 64;
  for (int k = 0; k < 193;) {
    if (renderable) effects::RenderRotation(source.bits, canvas.bits, sine, rowStart, sourceRow, k);
    DrawCanvas(canvas, window->screenDC);
    k += 2;
    if (!PumpPending()) return 0;
    if (k > nextPause) {
      // A quarter turn done: keep it in the back buffer and hold on the beat.
      DrawCanvas(canvas, window->backDC);
      if (!WaitUntil(pauseDeadline)) return 0;
      nextPause += 64;
      pauseDeadline += 6000;
    }
  }
  return 1;
}

int DemoSequencer::RippleScene() {
  MagImage background(window->hwnd, window->title);
  MagImage canvas(window->hwnd, window->title);
  MagImage source(window->hwnd, window->title);
  background.Load("data\\water.mag");
  canvas.Load("data\\waters.mag");
  source.Load("data\\waters.mag");
  auto maps = std::make_unique<effects::RippleMaps>();
  const effects::DropPath dropPath = effects::BuildDropPath();
  if (!MosaicSwap(*window, [&](services::Surface* back) {
        background.DrawStretched(back, 0, 0, 640, 480, 0, 0, 320, 240);
      }))
    return 0;

  const bool renderable = Is8BitOfSize(canvas, effects::kRippleWidth, effects::kRippleHeight) &&
                          Is8BitOfSize(source, effects::kRippleWidth, effects::kRippleHeight);
  for (int k = 0;;) {
    if (renderable) effects::RippleStep(source.bits, canvas.bits, *maps, dropPath, k);
    canvas.DrawStretched(window->screenDC, 160, 120, 320, 240, 0, 0, 160, 120);
    if (!PumpPending()) return 0;
    k = (k + 1) % 128;
    if (!(Now() < cycleStart + 132000)) break;
  }
  return 1;
}

}  // namespace scenes
