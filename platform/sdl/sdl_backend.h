// The real backend: SDL2 windows, events, message boxes of our own; the
// monotonic clock; a lock file for the single-instance rule.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/instance_lock.h"
#include "platform/system.h"

union SDL_Event;

namespace platform {

class BoxFonts;
class SdlMessageBox;

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
  // Turns one SDL event into window messages.
  void Translate(const SDL_Event& e, bool modal);
  // Gives an event to the open box it belongs to: the events of a box's window,
  // and every key while a box is open (it goes to the box on top).
  bool RouteToBox(const SDL_Event& e);

  bool videoReady_ = false;
  int scale_ = 1;
  InstanceLock lock_;
  std::unique_ptr<BoxFonts> boxFonts_;
  std::vector<SdlMessageBox*> openBoxes_;  // innermost last
};

}  // namespace platform
