// A deterministic backend for tests and headless rendering. Its clock advances
// only when the program looks at its queue (by pumpMs per look) or sleeps (by
// the sleep's length); close requests and other messages arrive at scripted
// times; message boxes are answered from a script (default OK), optionally
// staying open for a while of virtual time; every present of a window's screen
// surface can be observed. It serves the System it is built with.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>

#include "platform/backend.h"
#include "services/system.h"

namespace platform {

class VirtualBackend : public Backend {
 public:
  using Tick = services::Tick;
  using Size = services::Size;
  using Rect = services::Rect;
  using Window = services::Window;
  using Surface = services::Surface;

  struct Options {
    Tick startTick = 0;
    uint32_t pumpMs = 1;
    Size screen{1024, 768};
    std::string moduleFileName = "/virtual/program";
  };

  explicit VirtualBackend(services::System& system);
  VirtualBackend(services::System& system, const Options& options);

  // ---- Script ----
  // Virtual milliseconds since the start (never wraps, unlike the tick).
  uint64_t Elapsed() const { return elapsed_; }
  uint64_t PumpCount() const { return pumps_; }
  void SetPumpMs(uint32_t ms) { options_.pumpMs = ms; }
  void SetScreenSize(Size size) { options_.screen = size; }
  void SetModuleFileName(std::string path) { options_.moduleFileName = std::move(path); }
  // A close request (the window's close button) at `elapsedMs`; dropped when a
  // message box is open at that moment, as the disabled owner cannot be closed.
  void ScheduleClose(uint64_t elapsedMs);
  // Any message to the first window at `elapsedMs`.
  void ScheduleMessage(uint64_t elapsedMs, uint32_t message, uintptr_t wParam, intptr_t lParam);
  // A callback at `elapsedMs` (runs inside the pump or sleep that reaches it).
  void At(uint64_t elapsedMs, std::function<void()> action);
  // The next message box is answered with `answer` after staying open `holdMs`.
  void QueueBoxAnswer(int answer, uint32_t holdMs = 0);
  // Called with the tick and the surface whenever a window's screen changed.
  void SetPresentHook(std::function<void(Tick, const Surface&)> hook) {
    presentHook_ = std::move(hook);
  }
  void SetAnotherInstanceRunning(bool running) { anotherInstance_ = running; }
  void SetDisplayAvailable(bool available) { displayAvailable_ = available; }
  void SetWindowCreationFails(bool fails) { windowCreationFails_ = fails; }
  // Called with each mark the program makes (see System::Mark).
  void SetMarkHook(std::function<void(const std::string&)> hook) { markHook_ = std::move(hook); }
  int ShowCount() const { return shows_; }
  int FrontBumps() const { return frontBumps_; }

  // ---- Backend ----
  bool ClaimInstance(const std::string& name) override;
  bool InitDisplay(std::string* why) override;
  Size ScreenSize() override { return options_.screen; }
  Rect AdjustWindowRect(Rect client, uint32_t style) override;
  bool CreateNativeWindow(Window& window, std::string* why) override;
  void ShowNativeWindow(Window& window) override;
  void BringToFront(Window& window) override;
  Tick Now() override;
  void Sleep(uint32_t ms) override;
  void OnPump() override;
  void Poll(bool modal) override;
  bool Present(Window& window, Pace pace) override;
  int RunModalBox(const services::BoxRequest& request,
                  const std::function<void()>& keepAlive) override;
  std::string ModuleFileName() override { return options_.moduleFileName; }

 protected:
  services::System& system() const { return system_; }

 private:
  struct Event {
    enum Kind { kClose, kMessage, kAction } kind = kAction;
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    std::function<void()> action;
  };
  struct BoxAnswer {
    int answer;
    uint32_t holdMs;
  };
  void Advance(uint64_t ms);
  void Deliver(bool modal);

  services::System& system_;
  Options options_;
  uint64_t elapsed_ = 0;
  uint64_t pumps_ = 0;
  std::multimap<uint64_t, Event> events_;
  std::deque<BoxAnswer> answers_;
  std::function<void(Tick, const Surface&)> presentHook_;
  std::function<void(const std::string&)> markHook_;
  bool anotherInstance_ = false;
  bool displayAvailable_ = true;
  bool windowCreationFails_ = false;
  int shows_ = 0;
  int frontBumps_ = 0;
  bool delivering_ = false;
};

}  // namespace platform
