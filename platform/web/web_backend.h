// The browser backend: the window is a frame on the page with a canvas, the
// tick is the page's clock, and every call that blocks on the desktop sleeps
// here while the browser runs (ASYNCIFY), so the programs run unchanged.
// One program runs per page, which stands for the single-instance rule. It
// posts the page's input to the System it is built with.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "services/system.h"

namespace platform::web {

// The screen surface as the canvas takes it: RGBA bytes, alpha opaque.
void ToRgba(const services::Surface& screen, std::vector<uint32_t>* rgba);

class WebBackend : public Backend {
 public:
  // `programName` names the program in the page's file system: it runs from
  // the folder "/zelk/", where its data lie.
  WebBackend(services::System& system, std::string programName);

  // Called with the voice and the play whose sound played to its end.
  void SetSoundEndListener(std::function<void(int, int)> listener) {
    soundEnded_ = std::move(listener);
  }

  bool ClaimInstance(const std::string& name) override;
  bool InitDisplay(std::string* why) override;
  services::Size ScreenSize() override;
  services::Rect AdjustWindowRect(services::Rect client, uint32_t style) override;
  bool CreateNativeWindow(services::Window& window, std::string* why) override;
  void ShowNativeWindow(services::Window& window) override;
  void BringToFront(services::Window& window) override;
  services::Tick Now() override;
  void Sleep(uint32_t ms) override;
  void Poll(bool modal) override;
  void WaitEvent(services::Tick deadline) override;
  bool Present(services::Window& window, Pace pace) override;
  int RunModalBox(const services::BoxRequest& request,
                  const std::function<void()>& keepAlive) override;
  std::string ModuleFileName() override;

 private:
  void TakePageEvents(bool modal);

  services::System& system_;
  std::string programName_;
  std::function<void(int, int)> soundEnded_;
  std::vector<uint32_t> rgba_;
  double lastTurn_ = 0;  // when the browser last had a turn
};

}  // namespace platform::web
