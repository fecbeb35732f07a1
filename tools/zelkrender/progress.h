// A progress bar on standard error, redrawn in place while it advances; shown
// only when standard error is a terminal.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

namespace zelkrender {

class Progress {
 public:
  // `unit` in the singular ("frame"): the bar counts "1/1 frame", "3/7 frames".
  Progress(std::string label, uint64_t total, std::string unit);
  ~Progress() { End(); }

  void Advance(uint64_t count = 1);
  // Ends the bar's line, so that what is printed next starts on its own.
  void End();
  // The bar as drawn for `done` of the total, e.g.
  // "demo.mp4 [#######.............]  35%  1795/5130 frames".
  std::string Line(uint64_t done) const;

 private:
  const std::string label_;
  const uint64_t total_;
  const std::string unit_;
  const bool shown_;
  std::mutex mutex_;
  uint64_t done_ = 0;
  int lastPercent_ = -1;
};

}  // namespace zelkrender
