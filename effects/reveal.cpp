#include "effects/reveal.h"

#include "platform/system.h"
#include "shell/pump.h"

namespace effects {

int RevealStrips(shell::MainWindow& window) {
  platform::Surface& screen = *window.screenDC;
  const platform::Surface& back = *window.backDC;
  int top = 0;
  int bottom = 478;
  for (int i = 0; i < 120; ++i) {
    const platform::Tick t0 = platform::GetTickCount();
    screen.BitBlt(0, bottom, platform::Surface::kWidth, 2, back, 0, bottom);
    screen.BitBlt(0, top, platform::Surface::kWidth, 2, back, 0, top);
    top += 4;
    bottom -= 4;
    if (shell::WaitUntil(t0 + 5) == 0) return 0;
  }
  return 1;
}

}  // namespace effects
