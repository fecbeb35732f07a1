// The real backend: SDL2 windows, events, message boxes of our own; the
// monotonic clock; a lock file for the single-instance rule. It posts the
// windows' input to the System it is built with.
#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/backend.h"
#include "platform/instance_lock.h"
#include "platform/sdl/frame_clock.h"
#include "services/system.h"

union SDL_Event;
struct SDL_Window;

namespace platform {

class BoxFonts;
class SdlMessageBox;
struct SdlWindow;

class SdlBackend : public Backend {
 public:
  // Pictures are paced at the refresh rate of the window's display, or at
  // `refreshHz` when it is above 0.
  explicit SdlBackend(services::System& system, int refreshHz = 0);
  ~SdlBackend() override;

  bool ClaimInstance(const std::string& name) override;
  bool InitDisplay(std::string* why) override;
  services::Size ScreenSize() override;
  services::Rect AdjustWindowRect(services::Rect client, uint32_t style) override;
  bool CreateNativeWindow(services::Window& window, std::string* why) override;
  void ShowNativeWindow(services::Window& window) override;
  void BringToFront(services::Window& window) override;
  void ShowTitle(services::Window& window) override;
  services::Tick Now() override;
  void Sleep(uint32_t ms) override;
  void Poll(bool modal) override;
  void WaitEvent(services::Tick deadline) override;
  void Wake() override;
  bool Present(services::Window& window, Pace pace) override;
  int RunModalBox(const services::BoxRequest& request,
                  const std::function<void()>& keepAlive) override;
  std::string ModuleFileName() override;

 private:
  // The window whose SDL window has this id, or null.
  services::Window* WindowForId(uint32_t id);
  // Turns one SDL event into window messages.
  void Translate(const SDL_Event& e, bool modal);
  // Gives an event to the open box it belongs to: the events of a box's window,
  // and every key while a box is open (it goes to the box on top).
  bool RouteToBox(const SDL_Event& e);
  // Whether a window has a picture drawn that the display has not shown yet.
  bool PicturePending();
  // Paces the pictures at the refresh rate of the window's display.
  void FollowDisplayRate(SDL_Window* window);
  // Lowers the scale, once, to what lets a framed window fit the screen.
  void FitScale();
  // Takes the scale `fitting` where it is lower, telling so when it lowers
  // the one ZELK_SCALE asked for.
  void LowerScale(int fitting, services::Rect usable);
  // With the frame the window manager gave the window just shown: a smaller
  // scale where the framed window does not fit, and a place wholly on the
  // screen.
  void FitOnScreen(SdlWindow& n);
  void SetFullScreen(services::Window& window, bool on);
  void ShowPointer();
  // Hides the pointer over a full screen when it has been still a while.
  void HideStillPointer();
  // A point of the window in the picture's own coordinates, packed.
  intptr_t PointIn(services::Window& window, int x, int y);
  // Shows the window's picture: filling the window, or on a full screen
  // centred at 4:3 on black.
  void ShowPicture(SdlWindow& n);
  // Makes the window's stage texture of that whole scale; false when the
  // renderer cannot draw into textures.
  bool Stage(SdlWindow& n, int scale);

  services::System& system_;
  bool videoReady_ = false;
  const std::thread::id uiThread_ = std::this_thread::get_id();
  std::atomic<uint32_t> wakeEvent_{0};  // SDL event type of a wake; 0 while SDL is down
  int scale_ = 1;
  std::optional<int> requestedScale_;  // ZELK_SCALE's
  bool scaleFitted_ = false;
  bool toldLowered_ = false;
  bool pointerHidden_ = false;
  services::Tick lastMotion_ = 0;
  InstanceLock lock_;
  std::unique_ptr<BoxFonts> boxFonts_;
  std::vector<SdlMessageBox*> openBoxes_;  // innermost last
  const int refreshHz_;
  FrameClock frames_;  // when the display takes the next picture
};

}  // namespace platform
