#include "platform/sdl/window_fit.h"

#include <algorithm>
#include <cstring>

namespace platform {

using services::Rect;
using services::Size;

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

// One axis of KeepWithin.
int Within(int at, int length, int areaAt, int areaLength) {
  return std::max(areaAt, std::min(at, areaAt + areaLength - length));
}

}  // namespace

std::optional<int> ParseScale(const char* text) {
  if (text != nullptr && std::strlen(text) == 1 && text[0] >= '1' && text[0] < '1' + kMaxScale)
    return text[0] - '0';
  return std::nullopt;
}

int FittingScale(Size area, FrameExtents frame, int limit) {
  for (int s = limit; s > 1; --s) {
    if (kWidth * s + frame.left + frame.right <= area.width &&
        kHeight * s + frame.top + frame.bottom <= area.height)
      return s;
  }
  return 1;
}

Rect KeepWithin(Rect outer, Rect area) {
  outer.x = Within(outer.x, outer.w, area.x, area.w);
  outer.y = Within(outer.y, outer.h, area.y, area.h);
  return outer;
}

FullScreenPicture PlaceFullScreen(Size screen) {
  int h = screen.height;
  int w = h * kWidth / kHeight;
  if (w > screen.width) {
    w = screen.width;
    h = w * kHeight / kWidth;
  }
  FullScreenPicture p;
  p.picture = Rect{(screen.width - w) / 2, (screen.height - h) / 2, w, h};
  p.prescale = std::max(1, (h + kHeight / 2) / kHeight);
  p.smooth = w != kWidth * p.prescale || h != kHeight * p.prescale;
  return p;
}

}  // namespace platform
