// The entry sequence shared by the five demo programs.
#pragma once

#include "shell/main_window.h"

namespace shell {

// What differs between the programs: the set-up before the first pump, the
// body, and the release after it.
class DemoProgram {
 public:
  virtual void SetUp(MainWindow& /*window*/) {}
  // Returns only after a pump has reported quit.
  virtual int Body(MainWindow& window) = 0;
  virtual void Release() {}

 protected:
  ~DemoProgram() = default;
};

// Fills and registers the "ZELK" window class (procedure WindowProcedure,
// one extra word, class style 0x1023). False when there is no display.
bool RegisterWindowClass();

// Single-instance check, window class, main window, set-up, first pump, body,
// release. Returns the exit code: 0 on every way out. When no window can be
// opened (no display), one line on stderr says why, under `programName`.
int RunDemoProgram(const char* programName, const char* title, DemoProgram& program);

}  // namespace shell
