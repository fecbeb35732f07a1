// The seam between the emulated services and the operating system: what a
// backend provides. Three backends implement it: sdl/ (the desktop), virtual/
// (tests and headless rendering) and web/ (the browser edition). Each is built
// with the System it serves and posts its window input there. Everything here
// runs on the user-interface thread unless it says otherwise.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "services/types.h"
#include "services/window.h"

namespace platform {

// How showing a changed screen meets the display, which takes one new picture
// per refresh.
enum class Pace {
  // Waits for the display's next refresh when the picture before was shown
  // less than a refresh ago, so that every picture is shown.
  kWait,
  // Shows the picture only when the display can take it now; otherwise it
  // stays pending, and a wait (WaitEvent) ends at the refresh that can.
  kIfReady,
};

class Backend {
 public:
  virtual ~Backend() = default;

  // Takes the single-instance lock named `name`; false when another process (or,
  // in the virtual backend, a simulated one) holds it.
  [[nodiscard]] virtual bool ClaimInstance(const std::string& name) = 0;
  // Connects to the display. False (with the reason) when there is none.
  [[nodiscard]] virtual bool InitDisplay(std::string* why) = 0;
  virtual services::Size ScreenSize() = 0;
  // Grows a client rectangle to the outer size of a window of that style.
  virtual services::Rect AdjustWindowRect(services::Rect client, uint32_t style) = 0;
  [[nodiscard]] virtual bool CreateNativeWindow(services::Window& window, std::string* why) = 0;
  virtual void ShowNativeWindow(services::Window& window) = 0;
  // Brings the window in front of the ordinary windows without leaving it on top.
  virtual void BringToFront(services::Window& window) = 0;
  // The window's title changed (window.title); a backend without titles
  // leaves it there.
  virtual void ShowTitle(services::Window& /*window*/) {}

  virtual services::Tick Now() = 0;
  virtual void Sleep(uint32_t ms) = 0;
  // Called once at the start of every look at the queue (the virtual clock
  // advances here).
  virtual void OnPump() {}
  // Moves native events into the queue through the System's posting calls.
  // While a modal box is open, close requests and mouse input are dropped.
  virtual void Poll(bool modal) = 0;
  // Blocks until a native event or a Wake arrives, the display's refresh
  // that can take a pending picture comes, or the tick reaches `deadline`
  // (compared unsigned), at most 1 ms after it; returns at once when the
  // deadline has passed. The virtual backend never blocks: its clock moves
  // only by pumps and sleeps.
  virtual void WaitEvent(services::Tick /*deadline*/) {}
  // Ends a WaitEvent under way on the user-interface thread, or makes the
  // next one return at once. Safe from any thread.
  virtual void Wake() {}
  // Shows the window's screen surface if it changed since it was last shown,
  // at the pace given; true when a new picture was shown.
  virtual bool Present(services::Window& window, Pace pace) = 0;
  // Shows a modal box and returns the answer. `keepAlive` must be called
  // repeatedly while the box is open: it dispatches the owner's paint and
  // media notices.
  virtual int RunModalBox(const services::BoxRequest& request,
                          const std::function<void()>& keepAlive) = 0;
  // Full path of the running program.
  virtual std::string ModuleFileName() = 0;
};

}  // namespace platform
