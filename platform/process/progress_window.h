// A small window that shows the progress of a long operation in two bars with
// a line of text above each, and a Cancel button (the close button and Esc
// cancel too). Used by the archive library while it expands.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

struct ProgressView {
  std::string heading;    // what is being worked on as a whole
  std::string partLabel;  // above the first bar
  std::string allLabel;   // above the second bar
  uint64_t partDone = 0;
  uint64_t partTotal = 0;
  uint64_t allDone = 0;
  uint64_t allTotal = 0;
};

class ProgressWindow {
 public:
  ProgressWindow();
  ~ProgressWindow();
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  // False when there is no display to open a window on.
  bool Open(const std::string& title);
  // Draws the view and handles the window's input.
  void Show(const ProgressView& view);
  // Handles the window's input without drawing.
  void Poll();
  bool cancelled() const { return cancelled_; }

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  bool cancelled_ = false;
};

}  // namespace platform
