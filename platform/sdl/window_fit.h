// How the 640×480 picture meets a real screen: the whole scale a framed
// window can take on the screen's usable area, where a window goes to lie
// wholly on it, and where the picture goes in full screen. Plain geometry,
// without SDL.
#pragma once

#include <optional>

#include "services/types.h"

namespace platform {

// The sizes of the window manager's frame around a window's client area.
struct FrameExtents {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

constexpr int kMaxScale = 8;

// A ZELK_SCALE value: a whole number from 1 to kMaxScale, or nothing.
std::optional<int> ParseScale(const char* text);

// The largest whole scale from 1 to `limit` at which a 640×480 client area
// with `frame` around it fits `area`; 1 where none does.
int FittingScale(services::Size area, FrameExtents frame, int limit);

// `outer` moved as little as it takes to lie wholly within `area`; where it
// is larger, its top-left corner at the area's.
services::Rect KeepWithin(services::Rect outer, services::Rect area);

// Where the picture goes on a full screen: as high as the screen at 4:3 (as
// wide, on a screen narrower than that), centred. `prescale` is the whole
// multiple it is enlarged to first, the nearest one to the final size;
// `smooth` says that a smooth scaling from there to `picture` follows,
// false where the whole multiple is the final size.
struct FullScreenPicture {
  services::Rect picture;
  int prescale = 1;
  bool smooth = false;
};
FullScreenPicture PlaceFullScreen(services::Size screen);

}  // namespace platform
