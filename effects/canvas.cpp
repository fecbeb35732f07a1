#include "effects/canvas.h"

namespace effects {

RowStartTable MakeRowStart() {
  RowStartTable rowStart{};
  for (int r = 0; r < kCanvasHeight; ++r)
    rowStart[r] = r * kCanvasWidth;
  return rowStart;
}

}  // namespace effects
