// The mosaic transitions: the back buffer's picture shrunk into a small centred
// rectangle of a temporary surface and stretched back over the whole screen
// surface, so that each kept pixel becomes a block.
#pragma once

#include "shell/main_window.h"

namespace effects {

// The rectangle of step s (0…6): 640 >> s by 480 >> s, centred.
struct MosaicRect {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
  bool operator==(const MosaicRect&) const = default;
};
MosaicRect MosaicStepRect(int step);

// Steps 0…5: from full detail to 32-pixel blocks of the back buffer's picture.
// Each step lasts at least 80 ms, pumping with 10 ms sleeps. 1 when all steps
// ran, 0 when quit was seen.
[[nodiscard]] int MosaicOut(shell::MainWindow& window);
// Steps 6…0: from 64-pixel blocks to the back buffer's picture at full detail,
// pumping with 1 ms sleeps. 1 when all steps ran, 0 when quit was seen.
[[nodiscard]] int MosaicIn(shell::MainWindow& window);

}  // namespace effects
