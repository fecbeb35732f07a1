// The pace of a display that takes one new picture per refresh. Pictures that
// follow each other closely are shown one refresh apart, on a steady clock of
// the display's rate; a picture that comes a refresh or more after the one
// before is shown at once and sets the clock's phase anew.
#pragma once

#include <chrono>

namespace platform {

class FrameClock {
 public:
  using Clock = std::chrono::steady_clock;

  // The refresh period of a display of `hz` refreshes a second; 60 when the
  // display does not tell (0 or less).
  static Clock::duration PeriodOf(int hz) {
    const int rate = hz > 0 ? hz : 60;
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::nanoseconds((1'000'000'000LL + rate / 2) / rate));
  }

  explicit FrameClock(Clock::duration period = PeriodOf(0)) : period_(period) {}

  void SetPeriod(Clock::duration period) { period_ = period; }
  Clock::duration period() const { return period_; }

  // When a picture ready at `now` can be shown: at once if the last one was
  // shown a period or more before, otherwise one period after the last one.
  Clock::time_point NextRefresh(Clock::time_point now) const {
    if (!started_ || now >= last_ + period_) return now;
    return last_ + period_;
  }

  // A picture was shown at `at`, a moment NextRefresh gave.
  void Shown(Clock::time_point at) {
    last_ = at;
    started_ = true;
  }

 private:
  Clock::duration period_;
  Clock::time_point last_{};
  bool started_ = false;
};

}  // namespace platform
