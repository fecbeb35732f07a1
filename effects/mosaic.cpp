#include "effects/mosaic.h"

#include "services/calls.h"
#include "shell/pump.h"

namespace effects {

namespace {

using services::Surface;

constexpr const char* kNoSurfaceMessage =
    "画面ＤＣが確保できません。他の大きなプログラムを終了してから起動し直してみてください";

// Runs the steps in order. A temporary surface that cannot be made is
// reported once; the steps then keep their timing and pumping, and every
// transfer involving the missing surface draws nothing.
int RunMosaic(shell::MainWindow& window, const int* steps, int count, uint32_t sleepMs,
              bool deleteScans) {
  Surface temp;
  if (!temp.Allocate()) {
    services::MessageBox(window.hwnd, kNoSurfaceMessage, window.title,
                         services::MB_OK | services::MB_ICONEXCLAMATION);
  }
  Surface& screen = *window.screenDC;
  Surface& back = *window.backDC;
  if (deleteScans) {
    screen.SetStretchBltMode(services::COLORONCOLOR);
    back.SetStretchBltMode(services::COLORONCOLOR);
    temp.SetStretchBltMode(services::COLORONCOLOR);
  }
  for (int i = 0; i < count; ++i) {
    const services::Tick t0 = services::GetTickCount();
    const MosaicRect r = MosaicStepRect(steps[i]);
    temp.StretchBlt(r.x, r.y, r.w, r.h, back, 0, 0, Surface::kWidth, Surface::kHeight);
    screen.StretchBlt(0, 0, Surface::kWidth, Surface::kHeight, temp, r.x, r.y, r.w, r.h);
    do {
      if (shell::PumpPending() == 0) return 0;
      services::Sleep(sleepMs);
    } while (services::GetTickCount() < t0 + 80);
  }
  return 1;
}

}  // namespace

MosaicRect MosaicStepRect(int step) {
  MosaicRect r;
  r.w = Surface::kWidth >> step;
  r.h = Surface::kHeight >> step;
  r.x = (Surface::kWidth - r.w) >> 1;
  r.y = (Surface::kHeight - r.h) >> 1;
  return r;
}

int MosaicOut(shell::MainWindow& window) {
  static constexpr int kSteps[] = {0, 1, 2, 3, 4, 5};
  return RunMosaic(window, kSteps, 6, 10, true);
}

int MosaicIn(shell::MainWindow& window) {
  static constexpr int kSteps[] = {6, 5, 4, 3, 2, 1, 0};
  return RunMosaic(window, kSteps, 7, 1, false);
}

}  // namespace effects
