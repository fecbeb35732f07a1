// The real backend: SDL2 windows, events, message boxes; the monotonic clock;
// a lock file for the single-instance rule.
#pragma once

#include <string>

#include "platform/system.h"

namespace platform {

class SdlBackend : public Backend {
 public:
  SdlBackend();
  ~SdlBackend() override;

  bool ClaimInstance(const std::string& name) override;
  bool InitDisplay(std::string* why) override;
  Size ScreenSize() override;
  Rect AdjustWindowRect(Rect client, uint32_t style) override;
  bool CreateNativeWindow(Window& window, std::string* why) override;
  void ShowNativeWindow(Window& window) override;
  void BringToFront(Window& window) override;
  Tick Now() override;
  void Sleep(uint32_t ms) override;
  void Poll(bool modal) override;
  void Present(Window& window) override;
  int RunModalBox(const BoxRequest& request, const std::function<void()>& keepAlive) override;
  std::string ModuleFileName() override;

 private:
  bool videoReady_ = false;
  int scale_ = 1;
  int lockFd_ = -1;
};

}  // namespace platform
