// The interlaced strip wipe: two-line strips copied from the back buffer to the
// screen surface, one sweep down from the top, one up from the bottom.
#pragma once

#include "shell/main_window.h"

namespace effects {

// 120 steps of at least 5 ms; step i copies lines 478 − 4i, 479 − 4i, 4i and
// 4i + 1. 1 after all steps, 0 when quit was seen.
[[nodiscard]] int RevealStrips(shell::MainWindow& window);

}  // namespace effects
