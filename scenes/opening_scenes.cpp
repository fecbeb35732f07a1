// The first four scenes of every cycle: the flicker and the title letters, the
// swaying title, the figure that fades in and slides, the first portrait.
#include <algorithm>
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

int DemoSequencer::OpeningScene() {
  services::Surface* screen = window->screenDC;
  services::Surface* back = window->backDC;
  const auto h = window->hwnd;
  const char* t = window->title;
  MagImage flicker[4] = {{h, t}, {h, t}, {h, t}, {h, t}};
  MagImage letters[6] = {{h, t}, {h, t}, {h, t}, {h, t}, {h, t}, {h, t}};
  MagImage held(h, t);
  MagImage title(h, t);

  const char* flickerFiles[4] = {"data\\x.mag", "data\\y.mag", "data\\fm.mag", "data\\mn.mag"};
  const char* letterFiles[6] = {"data\\v.mag", "data\\o.mag", "data\\r.mag",
                                "data\\n.mag", "data\\a.mag", "data\\exc.mag"};
  for (int i = 0; i < 4; ++i)
    flicker[i].Load(flickerFiles[i]);
  for (int i = 0; i < 6; ++i)
    letters[i].Load(letterFiles[i]);
  title.Load("data\\title.mag");

  for (int f = 0; f < 16; ++f) {
    services::Tick t0 = Now();
    flicker[f % 4].Draw(screen, 0, 0);
    if (!WaitUntil(t0 + 50)) return 0;
  }

  held.Load("data\\tame.mag");
  held.Draw(screen, 0, 0);
  held.Draw(back, 0, 0);
  if (!WaitUntil(cycleStart + 2000)) return 0;

  services::Tick t0 = Now();
  FillBlack(screen);
  FillBlack(back);
  if (!WaitUntil(t0 + 100)) return 0;

  for (MagImage& letter : letters) {
    t0 = Now();
    letter.Draw(screen, 256, 176);
    if (!WaitUntil(t0 + 350)) return 0;
  }

  // The flash: blocking sleeps, so a close request waits for the next pump.
  FillWhite(screen);
  services::Sleep(200);
  FillBlack(screen);
  services::Sleep(200);

  title.Draw(screen, 184, 198);
  title.Draw(back, 184, 198);
  return 1;
}

int DemoSequencer::TitleWaveScene() {
  const auto h = window->hwnd;
  const char* t = window->title;
  DarArchive archive(window);
  MagImage canvas(h, t);
  MagImage background(h, t);
  archive.Load("data\\2title.dar");
  canvas.Load("data\\Fm.mag");
  background.Load("data\\2tback.mag");
  std::span<const int16_t, 480> waveTable = WaveTable();
  archive.SetDisplay(canvas.width, canvas.height, canvas.bits, canvas.PixelBytes());
  if (canvas.loaded && background.loaded) {
    std::memcpy(canvas.colorTable, background.colorTable,
                std::min(ColorTableBytes(canvas), ColorTableBytes(background)));
  }
  // The row copy writes up to 8 bytes before the canvas's row 1 and after its
  // row 448: it needs a 640-wide canvas of at least 450 rows and a 640-wide
  // background of at least 448 rows, or it is left out.
  const bool sway = Is8Bit(canvas, 640, 450) && Is8Bit(background, 640, 448);

  services::Surface* screen = window->screenDC;
  FillWhite(screen);
  services::Sleep(100);
  FillBlack(screen);

  int phase = 0;
  while (Now() < cycleStart + 12000) {
    services::Tick t0 = Now();
    if (sway) {
      OffsetRowsCopy(canvas.bits + canvas.width, background.bits, 640, 448,
                     waveTable.data() + phase);
    }
    archive.DrawPattern(184, 214, 0);
    canvas.DrawStretched(screen, 0, 16, 640, 447, 0, 1, 640, 447);
    phase = (phase + 1) & 31;
    if (!WaitUntil(t0 + 24)) return 0;
  }
  return 1;
}

int DemoSequencer::FadeSlideScene() {
  services::Surface* screen = window->screenDC;
  services::Surface* back = window->backDC;
  MagImage canvas(window->hwnd, window->title);
  DarArchive archive(window);
  canvas.Load("data\\Fm.mag");
  archive.Load("data\\nolu.dar");
  archive.SetDisplay(canvas.width, canvas.height, canvas.bits, canvas.PixelBytes());

  // Everything white: the colour table and every pixel (colour 255).
  const size_t tableBytes = ColorTableBytes(canvas);
  if (canvas.loaded) {
    std::memset(canvas.colorTable, 0xFF, tableBytes);
    std::memset(canvas.bits, 0xFF, canvas.PixelBytes());
  }
  uint8_t target[1024];
  archive.CopyPalette(target);

  for (int step = 0; step < 32; ++step) {
    services::Tick t0 = Now();
    archive.DrawPattern(242, 0, 0);
    canvas.Draw(screen, 0, 0);
    // One step of the fade toward the figure's own colours: each of blue,
    // green and red falls by 8 but not below its target.
    for (size_t i = 0; i + 4 <= std::min<size_t>(tableBytes, sizeof target); i += 4) {
      for (size_t c = 0; c < 3; ++c) {
        int value = static_cast<int>(canvas.colorTable[i + c]) - 8;
        canvas.colorTable[i + c] = static_cast<uint8_t>(std::max(value, int{target[i + c]}));
      }
    }
    if (!WaitUntil(t0 + 16)) return 0;
  }
  canvas.Draw(back, 0, 0);
  if (!WaitUntil(cycleStart + 13300)) return 0;

  for (int x = 242; x > 0; x -= 8) {
    services::Tick t0 = Now();
    archive.DrawPattern(x, 0, 0);
    canvas.Draw(screen, 0, 0);
    if (!WaitUntil(t0 + 32)) return 0;
  }
  if (canvas.loaded) std::memset(canvas.bits, 0xFF, canvas.PixelBytes());
  archive.DrawPattern(2, 0, 0);
  canvas.Draw(back, 0, 0);
  canvas.Draw(screen, 0, 0);
  return PumpPending();
}

int DemoSequencer::PortraitRevealScene() {
  DibImage portrait(window->hwnd, window->title);
  portrait.Load("data\\vennolu.bmp");
  portrait.Draw(window->backDC, 0, 0);
  if (!effects::RevealStrips(*window)) return 0;
  if (!WaitUntil(cycleStart + 24000)) return 0;
  return effects::MosaicOut(*window);
}

}  // namespace scenes
