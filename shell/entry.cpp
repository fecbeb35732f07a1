#include "shell/entry.h"

#include <cstdio>

#include "services/system.h"
#include "shell/pump.h"

namespace shell {

using namespace services;

namespace {

WindowClass InitWindowClass() {
  WindowClass wc;
  wc.style = CS_VREDRAW | CS_HREDRAW;
  wc.proc = WindowProcedure;
  wc.wndExtra = sizeof(void*);
  wc.name = kWindowClassName;
  return wc;
}

}  // namespace

bool RegisterWindowClass() {
  WindowClass wc = InitWindowClass();
  wc.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC | CS_BYTEALIGNCLIENT;
  return RegisterClass(wc);
}

int RunDemoProgram(const char* programName, const char* title, DemoProgram& program) {
  // Another demo program has the window class's lock: leave at once, unseen.
  if (FindWindow(kWindowClassName)) return 0;

  if (!RegisterWindowClass()) {
    std::fprintf(stderr, "%s: cannot open a window: %s\n", programName, Sys().lastError().c_str());
    return 0;
  }

  MainWindow window(title);
  if (window.hwnd == nullptr) {
    std::fprintf(stderr, "%s: cannot open a window: %s\n", programName, Sys().lastError().c_str());
    return 0;
  }

  program.SetUp(window);
  if (PumpPending() == 0) {
    program.Release();
    return 0;
  }
  services::Mark("body");
  program.Body(window);
  program.Release();
  return 0;
}

}  // namespace shell
