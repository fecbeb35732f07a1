// A rectangle drawn over a window's screen surface, as a child window covers
// its parent: the picture of a video. Its owner sets the picture from any
// thread; the backend lays it over the screen surface whenever it shows the
// window. A hidden area, or one without a picture yet, shows nothing.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "services/types.h"

namespace services {

class ChildArea {
 public:
  // Where the picture goes, in client coordinates.
  void Place(Rect rect);
  Rect Placement() const;
  // A picture of w × h XRGB pixels, rows top first; shown at the placement's
  // top-left corner, clipped to the placement.
  void SetPicture(const uint32_t* pixels, int w, int h);
  void Show(bool visible);
  // Lays the area over `pixels`, a width × height XRGB client area.
  void DrawOnto(uint32_t* pixels, int width, int height) const;
  // True once after any change that alters what DrawOnto draws.
  bool TakeChanged();
  // Whether such a change came since the last TakeChanged.
  bool Changed() const;

 private:
  mutable std::mutex mutex_;
  Rect rect_;
  std::vector<uint32_t> picture_;
  int pictureW_ = 0;
  int pictureH_ = 0;
  bool visible_ = false;
  bool changed_ = false;
};

}  // namespace services
