// The one 640×480 window of every demo program, with its screen surface and
// its off-screen back buffer, and the routing of its messages.
#pragma once

#include <cstdint>

#include "services/calls.h"
#include "services/surface.h"

namespace shell {

constexpr const char* kWindowClassName = "ZELK";
constexpr int kClientWidth = 640;
constexpr int kClientHeight = 480;

// Receives the window's media completion notices (the media player).
class MediaNoticeSink {
 public:
  virtual void OnMciNotify(services::WindowHandle window, uint32_t deviceId, uint32_t code) = 0;

 protected:
  virtual ~MediaNoticeSink() = default;
};

class WindowBase {
 public:
  virtual intptr_t HandleMessage(uint32_t message, uint32_t wParam, int32_t lParam) = 0;

 protected:
  ~WindowBase() = default;
};

class AppWindowBase : public WindowBase {
 protected:
  ~AppWindowBase() = default;
};

class MainWindow final : public AppWindowBase {
 public:
  // Creates, shows and fronts the window and builds its black back buffer.
  // hwnd stays null when the window cannot be created; the entry then ends.
  explicit MainWindow(const char* title);
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  intptr_t HandleMessage(uint32_t message, uint32_t wParam, int32_t lParam) override;

  void Show(int showCommand);
  void Update();
  void CreateBackBuffer();
  void OnPaint(services::WindowHandle window);
  void OnClose(services::WindowHandle window);

  services::WindowHandle hwnd = nullptr;
  services::Surface* screenDC = nullptr;
  services::Surface* backDC = nullptr;
  // scenedemo's media player; null in the effect programs, whose windows leave
  // media notices to the default handling.
  MediaNoticeSink* player = nullptr;
  const char* title = nullptr;
  uint32_t style = 0;

 private:
  services::Surface backBuffer_;
  bool released_ = false;
};

// The procedure registered with the window class: links the window to its
// object at creation and hands every message to it.
intptr_t WindowProcedure(services::WindowHandle hwnd, uint32_t message, uintptr_t wParam,
                         intptr_t lParam);

}  // namespace shell
