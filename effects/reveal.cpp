#include "effects/reveal.h"

#include "services/calls.h"
#include "shell/pump.h"

namespace effects {

int RevealStrips(shell::MainWindow& window) {
  services::Surface& screen = *window.screenDC;
  const services::Surface& back = *window.backDC;
  int top = 0;
  int bottom = 478;
  for (int i = 0; i < 120; ++i) {
    const services::Tick t0 = services::GetTickCount();
    screen.BitBlt(0, bottom, services::Surface::kWidth, 2, back, 0, bottom);
    screen.BitBlt(0, top, services::Surface::kWidth, 2, back, 0, top);
    top += 4;
    bottom -= 4;
    if (shell::WaitUntil(t0 + 5) == 0) return 0;
  }
  return 1;
}

}  // namespace effects
