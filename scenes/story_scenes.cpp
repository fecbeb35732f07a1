// The picture scenes of the middle and end of every cycle: the comet, the
// mosaic portraits, the gallery and the finale.
#include <cstring>

#include "effects/mosaic.h"
#include "effects/reveal.h"
#include "image/dar_archive.h"
#include "image/dib_image.h"
#include "image/mag_image.h"
#include "scenes/demo_sequencer.h"
#include "scenes/scene_support.h"
#include "shell/pump.h"

namespace scenes {

using image::DarArchive;
using image::DibImage;
using image::MagImage;
using shell::PumpPending;
using shell::WaitUntil;

int DemoSequencer::CometScene() {
  services::Surface* screen = window->screenDC;
  services::Surface* back = window->backDC;
  MagImage clean(window->hwnd, window->title);
  MagImage canvas(window->hwnd, window->title);
  DarArchive titles(window);
  DarArchive shapes(window);

  // Stage 0: the background with the first shape at the bottom, wiped in.
  clean.Load("data\\back.mag");
  canvas.Load("data\\back.mag");
  titles.Load("data\\2title.dar");
  shapes.Load("data\\comet.dar");
  titles.SetDisplay(canvas.width, canvas.height, canvas.bits, canvas.PixelBytes());
  shapes.SetDisplay(canvas.width, canvas.height, canvas.bits, canvas.PixelBytes());
  std::span<const int32_t, 116> cometWave = CometWave();

  // Restores copy the clean picture over the canvas: both must be the same
  // 256-colour picture; the sway band needs 282 rows.
  const bool restorable = canvas.loaded && clean.loaded && BitCount(canvas) == 8 &&
                          BitCount(clean) == 8 && canvas.width == clean.width &&
                          canvas.height == clean.height;
  const bool swayable = restorable && canvas.height >= 282;
  auto restore = [&] {
    if (restorable) std::memcpy(canvas.bits, clean.bits, canvas.PixelBytes());
  };

  shapes.DrawPattern(0, 224, 0);
  canvas.Draw(back, 0, 0);
  if (!effects::RevealStrips(*window)) return 0;

  // Stages 1 to 6: each shape in turn is held at the bottom, with the shapes
  // before it at rest, until its moment (40, 46 and 52 s), then rises four
  // rows a frame to its own resting row.
  constexpr int kRestRow[3] = {32, 80, 128};
  constexpr uint32_t kRiseAt[3] = {40000, 46000, 52000};
  // Shapes 0 … n − 1 at rest and shape n at row y, shown on the screen.
  auto showShapes = [&](int n, int y) {
    for (int i = 0; i < n; ++i)
      shapes.DrawPattern(0, kRestRow[i], i);
    shapes.DrawPattern(0, y, n);
    canvas.Draw(screen, 0, 0);
  };
  for (int n = 0; n < 3; ++n) {
    do {
      showShapes(n, 224);
      if (!PumpPending()) return 0;
    } while (Now() < cycleStart + kRiseAt[n]);
    for (int y = 224; y > kRestRow[n]; y -= 4) {
      showShapes(n, y);
      restore();
      if (!PumpPending()) return 0;
    }
  }

  // Stage 7: the shapes at rest, then the title wiped in over them.
  showShapes(2, kRestRow[2]);
  canvas.Draw(back, 0, 0);
  titles.DrawPattern(184, 198, 0);
  canvas.Draw(back, 0, 0);
  if (!effects::RevealStrips(*window)) return 0;

  // Stage 8: the title sways on a clean band (memory rows 198 … 281) until 60 s.
  int k = 0;
  do {
    if (swayable) {
      const size_t offset = 198 * static_cast<size_t>(canvas.width);
      std::memcpy(canvas.bits + offset, clean.bits + offset,
                  84 * static_cast<size_t>(canvas.width));
    }
    titles.DrawPatternDisplaced(184, 198, 0, cometWave.subspan(static_cast<size_t>(k)));
    k = (k + 1) & 31;
    canvas.Draw(screen, 0, 0);
    if (!PumpPending()) return 0;
  } while (Now() < cycleStart + 60000);
  return 1;
}

int DemoSequencer::MosaicPortraitScene(const char* file, uint32_t endTime) {
  DibImage portrait(window->hwnd, window->title);
  portrait.Load(file);
  if (!MosaicSwap(*window, [&](services::Surface* back) { portrait.Draw(back, 0, 0); })) return 0;
  return WaitUntil(cycleStart + endTime);
}

int DemoSequencer::GalleryScene() {
  static constexpr const char* kFiles[] = {"data\\ubeko.bmp",   "data\\fenari.bmp",
                                           "data\\tamor.bmp",   "data\\brakendo.bmp",
                                           "data\\tobiran.bmp", "data\\hovane.bmp"};
  DibImage portrait(window->hwnd, window->title);
  for (const char* file : kFiles) {
    services::Tick t0 = Now();
    portrait.Load(file);
    if (!MosaicSwap(*window, [&](services::Surface* back) { portrait.Draw(back, 0, 0); })) return 0;
    if (!WaitUntil(t0 + 3000)) return 0;
  }
  return 1;
}

int DemoSequencer::FinaleScene() {
  static constexpr const char* kFiles[] = {"data\\yotei.mag", "data\\dousa.mag", "data\\trush.mag"};
  MagImage card(window->hwnd, window->title);
  for (const char* file : kFiles) {
    services::Tick t0 = Now();
    card.Load(file);
    card.Draw(window->backDC, 0, 0);
    if (!effects::RevealStrips(*window)) return 0;
    if (!WaitUntil(t0 + 7000)) return 0;
  }
  return WaitUntil(cycleStart + 171000);
}

}  // namespace scenes
