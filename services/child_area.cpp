#include "services/child_area.h"

#include <algorithm>
#include <cstring>

namespace services {

void ChildArea::Place(Rect rect) {
  std::lock_guard<std::mutex> lock(mutex_);
  rect_ = rect;
  changed_ = true;
}

Rect ChildArea::Placement() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return rect_;
}

void ChildArea::SetPicture(const uint32_t* pixels, int w, int h) {
  std::lock_guard<std::mutex> lock(mutex_);
  picture_.assign(pixels, pixels + static_cast<size_t>(std::max(w, 0)) * std::max(h, 0));
  pictureW_ = w;
  pictureH_ = h;
  changed_ = true;
}

void ChildArea::Show(bool visible) {
  std::lock_guard<std::mutex> lock(mutex_);
  changed_ = changed_ || visible_ != visible;
  visible_ = visible;
}

void ChildArea::DrawOnto(uint32_t* pixels, int width, int height) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!visible_ || picture_.empty()) return;
  const int w = std::min(rect_.w, pictureW_);
  const int h = std::min(rect_.h, pictureH_);
  const int x0 = std::max(rect_.x, 0);
  const int x1 = std::min(rect_.x + w, width);
  if (x1 <= x0) return;
  for (int y = std::max(rect_.y, 0); y < std::min(rect_.y + h, height); ++y) {
    const uint32_t* src =
        picture_.data() + static_cast<size_t>(y - rect_.y) * pictureW_ + (x0 - rect_.x);
    std::memcpy(pixels + static_cast<size_t>(y) * width + x0, src,
                static_cast<size_t>(x1 - x0) * sizeof(uint32_t));
  }
}

bool ChildArea::Changed() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return changed_;
}

bool ChildArea::TakeChanged() {
  std::lock_guard<std::mutex> lock(mutex_);
  const bool was = changed_;
  changed_ = false;
  return was;
}

}  // namespace services
