// The archive library's own display during an expansion: the progress window
// when there is a display, else lines on the terminal (Ctrl+C cancels there),
// plus its message boxes, which go through the host program's platform.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/process/process.h"
#include "platform/process/progress_window.h"

namespace qarch {

struct Progress {
  std::string archive;   // file name of the archive being expanded
  int archiveIndex = 0;  // from 1
  int archiveCount = 0;
  std::string member;
  uint64_t archiveDone = 0, archiveTotal = 0;
  uint64_t allDone = 0, allTotal = 0;
};

class ProgressDisplay {
 public:
  explicit ProgressDisplay(const std::string& title);
  ~ProgressDisplay();
  ProgressDisplay(const ProgressDisplay&) = delete;
  ProgressDisplay& operator=(const ProgressDisplay&) = delete;

  // Shows the state (at most every few tens of milliseconds unless `now`).
  void Update(const Progress& progress, bool now);
  // Whether the user has asked to cancel (Cancel, close, Esc, Ctrl+C; or the
  // ZELK_QARCH_CANCEL_AFTER test seam: once that many bytes are written).
  bool Cancelled(const Progress& progress);

 private:
  void Draw(const Progress& progress);

  std::string title_;
  platform::ProgressWindow window_;
  bool windowOpen_ = false;
  bool terminal_ = false;
  platform::InterruptWatch interrupt_;
  std::optional<uint64_t> cancelAfter_;
  std::chrono::steady_clock::time_point lastDraw_{};
  int lastArchive_ = 0;
};

// "12.3 MB" style ("20.2 KB" below a megabyte).
std::string FormatBytes(double bytes);

// A message box of the host program (or a line on standard error when the
// host has installed no system; then the default button answers).
int ShowBox(const std::string& text, const std::string& caption, uint32_t style);

}  // namespace qarch
