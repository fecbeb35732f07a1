#include "tools/zelkrender/progress.h"

#include <algorithm>
#include <cstdio>

#include "platform/terminal.h"

namespace zelkrender {

namespace {
constexpr int kBarWidth = 30;
}

Progress::Progress(std::string label, uint64_t total, std::string unit)
    : label_(std::move(label)),
      total_(std::max<uint64_t>(total, 1)),
      unit_(std::move(unit)),
      shown_(platform::StderrIsTerminal()) {}

void Progress::End() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (shown_ && lastPercent_ >= 0) std::fputc('\n', stderr);
  lastPercent_ = -1;
}

std::string Progress::Line(uint64_t done) const {
  done = std::min(done, total_);
  const int filled = static_cast<int>(done * kBarWidth / total_);
  const int percent = static_cast<int>(done * 100 / total_);
  char numbers[64];
  std::snprintf(numbers, sizeof numbers, "] %3d%%  %llu/%llu ", percent,
                static_cast<unsigned long long>(done), static_cast<unsigned long long>(total_));
  return label_ + " [" + std::string(filled, '#') + std::string(kBarWidth - filled, '.') + numbers +
         unit_ + (total_ == 1 ? "" : "s");
}

void Progress::Advance(uint64_t count) {
  if (!shown_) return;
  std::lock_guard<std::mutex> lock(mutex_);
  done_ += count;
  const int percent = static_cast<int>(std::min(done_, total_) * 100 / total_);
  if (percent == lastPercent_) return;
  lastPercent_ = percent;
  std::fprintf(stderr, "\r%s", Line(done_).c_str());
  std::fflush(stderr);
}

}  // namespace zelkrender
