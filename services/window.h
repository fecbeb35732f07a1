// Windows and their messages as the emulated system keeps them: the window
// record a backend shows, the message record of the queue, a window class,
// and the records of message boxes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "services/surface.h"
#include "services/types.h"

namespace services {

class ChildArea;

using WindowProc = intptr_t (*)(WindowHandle, uint32_t message, uintptr_t wParam, intptr_t lParam);

struct Message {
  WindowHandle hwnd = nullptr;
  uint32_t message = WM_NULL;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
};

struct WindowClass {
  uint32_t style = 0;
  WindowProc proc = nullptr;
  int wndExtra = 0;
  std::string name;
};

// lParam of WM_CREATE points to this.
struct CreateStruct {
  void* createParams = nullptr;
};

// One message box as shown and answered.
struct BoxRecord {
  std::string caption;
  std::string text;
  uint32_t style = 0;
  int answer = 0;
};

// A message box to be shown by a backend.
struct BoxRequest {
  WindowHandle owner = nullptr;
  std::string text;
  std::string caption;
  uint32_t style = 0;
};

// A window. Created by CreateWindow, never destroyed by the program; it lives
// as long as the System.
class Window {
 public:
  Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  std::string title;
  uint32_t style = 0;
  Rect frame;  // outer rectangle in screen coordinates
  WindowProc proc = nullptr;
  intptr_t extraWord = 0;  // the window's extra word (index 0)
  Surface screen;          // the client area, 640×480
  bool paintPending = false;
  bool visible = false;
  bool destroyed = false;
  bool needsRedraw = false;  // the backend must show its last picture again
  // Areas shown over the screen surface (video pictures), in their order.
  std::vector<std::shared_ptr<ChildArea>> children;

  // Backend data (the native window and whatever it needs).
  struct Native {
    virtual ~Native() = default;
  };
  std::unique_ptr<Native> native;
};

}  // namespace services
