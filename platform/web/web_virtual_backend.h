// The page's virtual mode: the virtual backend (its clock advances 1 ms per
// look at the queue and by the length of every sleep, message boxes are
// answered OK) running inside the browser. It shows the screen on the canvas
// now and then and gives the browser a turn, so the page stays alive while the
// program runs as fast as it can. It reports the screen at chosen virtual
// times, or the first frames presented, through the page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/virtual/virtual_backend.h"

namespace platform::web {

class WebVirtualBackend : public VirtualBackend {
 public:
  WebVirtualBackend(services::System& system, std::string programName);

  // Reports the screen at these virtual times after the program's start;
  // ends the program after the last.
  void ReportAt(const std::vector<uint64_t>& times);
  // Reports the first `count` frames presented once the program's body has
  // started; ends the program after the last.
  void ReportFrames(int count);

  bool CreateNativeWindow(Window& window, std::string* why) override;
  void ShowNativeWindow(Window& window) override;
  void OnPump() override;
  void Sleep(uint32_t ms) override;

 private:
  void Report(const char* kind, uint64_t n, const Surface& screen);
  void MaybeGiveTurn();
  const Surface* Screen() const;

  std::vector<uint32_t> rgba_;
  double lastTurn_ = 0;
  bool bodyStarted_ = false;
  int framesWanted_ = 0;
  int framesTaken_ = 0;
};

}  // namespace platform::web
