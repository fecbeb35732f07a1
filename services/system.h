// The operating-system services the programs use, in place of the Windows API:
// window class and window, message queue, tick and sleep, message boxes,
// single-instance check and the running program's path. The calls act on the
// installed System (see ScopedSystem), which owns a Backend: the SDL2 backend for
// the real programs, the virtual backend for tests and headless rendering.
#pragma once

#include <cstdint>
#include <deque>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/child_area.h"
#include "platform/surface.h"
#include "platform/types.h"

namespace platform {

class MediaService;

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

// A platform window. Created by CreateWindow, never destroyed by the program;
// it lives as long as the System.
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

// What a backend provides. Everything here runs on the user-interface thread.
class Backend {
 public:
  virtual ~Backend() = default;

  // Takes the single-instance lock named `name`; false when another process (or,
  // in the virtual backend, a simulated one) holds it.
  virtual bool ClaimInstance(const std::string& name) = 0;
  // Connects to the display. False (with the reason) when there is none.
  virtual bool InitDisplay(std::string* why) = 0;
  virtual Size ScreenSize() = 0;
  // Grows a client rectangle to the outer size of a window of that style.
  virtual Rect AdjustWindowRect(Rect client, uint32_t style) = 0;
  virtual bool CreateNativeWindow(Window& window, std::string* why) = 0;
  virtual void ShowNativeWindow(Window& window) = 0;
  // Brings the window in front of the ordinary windows without leaving it on top.
  virtual void BringToFront(Window& window) = 0;

  virtual Tick Now() = 0;
  virtual void Sleep(uint32_t ms) = 0;
  // Called once at the start of every look at the queue (the virtual clock
  // advances here).
  virtual void OnPump() {}
  // A named moment of the program's life ("body": the program's body starts),
  // for observers such as the headless renderer. The real backend ignores it.
  virtual void OnMark(const std::string& /*what*/) {}
  // Moves native events into the queue through the System's posting calls.
  // While a modal box is open, close requests and mouse input are dropped.
  virtual void Poll(bool modal) = 0;
  // Blocks until a native event or a Wake arrives, the display's refresh
  // that can take a pending picture comes, or the tick reaches `deadline`
  // (compared unsigned), at most 1 ms after it; returns at once when the
  // deadline has passed. The virtual backend never blocks: its clock moves
  // only by pumps and sleeps.
  virtual void WaitEvent(Tick /*deadline*/) {}
  // Ends a WaitEvent under way on the user-interface thread, or makes the
  // next one return at once. Safe from any thread.
  virtual void Wake() {}
  // Shows the window's screen surface if it changed since it was last shown,
  // at the pace given; true when a new picture was shown.
  virtual bool Present(Window& window, Pace pace) = 0;
  // Shows a modal box and returns the answer. `keepAlive` must be called
  // repeatedly while the box is open: it dispatches the owner's paint and
  // media notices.
  virtual int RunModalBox(const BoxRequest& request, const std::function<void()>& keepAlive) = 0;
  // Whether a surface may be allocated now (the virtual backend can refuse).
  virtual bool AllowSurfaceAllocation() { return true; }
  // Full path of the running program.
  virtual std::string ModuleFileName() = 0;
};

// One named value of a trace line.
struct TraceField {
  std::string_view key;
  std::variant<int64_t, std::string_view> value;
};

// The installed system: message queue, windows, class registry and the backend.
class System {
 public:
  explicit System(std::unique_ptr<Backend> backend);
  ~System();
  System(const System&) = delete;
  System& operator=(const System&) = delete;

  Backend& backend() { return *backend_; }

  // Message queue. Posting is safe from any thread and wakes a waiting
  // WaitMessageUntil.
  void Post(const Message& message);
  void PostQuit(int exitCode);
  bool Peek(Message* message, bool remove, Pace pace = Pace::kWait);
  int Get(Message* message);
  // Sleeps until something may have arrived (a native event, a post from any
  // thread) or the tick reaches `deadline`; returns at once when a message
  // or a paint is waiting already. Call it with an empty queue, after a pump.
  void WaitMessageUntil(Tick deadline);
  // Wakes a WaitMessageUntil for something other than a message, such as a
  // new picture of a child area set by another thread.
  void Wake() { backend_->Wake(); }
  intptr_t Dispatch(const Message& message);

  // Windows.
  bool RegisterClass(const WindowClass& windowClass);
  WindowHandle CreateWindow(const std::string& className, const std::string& title, uint32_t style,
                            int x, int y, int w, int h, void* createParams);
  const std::vector<std::unique_ptr<Window>>& windows() const { return windows_; }
  void PresentAll(Pace pace = Pace::kWait);

  // Message boxes, with the ZELK_MSGBOX_ANSWERS / ZELK_MSGBOX_LOG seams.
  int ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                     uint32_t style);
  const std::vector<BoxRecord>& boxLog() const { return boxLog_; }
  int modalDepth() const { return modalDepth_; }

  // Media devices, installed by the program that plays media.
  void SetMediaService(std::unique_ptr<MediaService> service);
  MediaService* media() { return media_.get(); }

  const std::string& lastError() const { return lastError_; }
  void SetLastError(std::string why) { lastError_ = std::move(why); }

  // The ZELK_TRACE seam: appends {"event":…,"tick":…, fields…} as one JSON
  // line to the file it names; does nothing when it is unset.
  void Trace(std::string_view event, std::initializer_list<TraceField> fields = {});

 private:
  bool TakeNext(Message* message, bool remove);
  void KeepModalAlive(WindowHandle owner);
  void LogBox(const BoxRecord& record);

  std::unique_ptr<Backend> backend_;
  std::mutex queueMutex_;
  std::deque<Message> queue_;
  bool quitPosted_ = false;
  std::vector<WindowClass> classes_;
  std::vector<std::unique_ptr<Window>> windows_;
  std::vector<BoxRecord> boxLog_;
  std::vector<int> scriptedAnswers_;
  bool answersScripted_ = false;
  std::string boxLogPath_;
  int modalDepth_ = 0;
  std::unique_ptr<MediaService> media_;
  std::string lastError_;
  std::string tracePath_;
  std::ofstream trace_;
  uint64_t framesShown_ = 0;
};

// Installs a system for the lifetime of this object.
class ScopedSystem {
 public:
  explicit ScopedSystem(System& system);
  ~ScopedSystem();
  ScopedSystem(const ScopedSystem&) = delete;
  ScopedSystem& operator=(const ScopedSystem&) = delete;

 private:
  System* previous_;
};

// The installed system. Only valid inside a ScopedSystem.
System& Sys();
bool HasSystem();

// ---- The calls the programs make (named after the services they replace) ----

// True when a program holding the single-instance lock `className` runs; when
// none does, this process takes the lock for the rest of its life.
bool FindWindow(const std::string& className);
// False when there is no display; the reason is in Sys().lastError().
bool RegisterClass(const WindowClass& windowClass);
WindowHandle CreateWindow(const std::string& className, const std::string& title, uint32_t style,
                          int x, int y, int w, int h, void* createParams);
int GetSystemMetrics(int index);
Rect AdjustWindowRect(Rect client, uint32_t style);
void ShowWindow(WindowHandle hwnd, int showCommand);
void UpdateWindow(WindowHandle hwnd);
void BringWindowToFront(WindowHandle hwnd);
intptr_t GetWindowLongPtr(WindowHandle hwnd, int index);
void SetWindowLongPtr(WindowHandle hwnd, int index, intptr_t value);
void InvalidateRect(WindowHandle hwnd);
void ValidateRect(WindowHandle hwnd);
intptr_t DefWindowProc(WindowHandle hwnd, uint32_t message, uintptr_t wParam, intptr_t lParam);
// The window's screen surface (GetDC) and its release (ReleaseDC).
Surface* GetDC(WindowHandle hwnd);
void ReleaseDC(WindowHandle hwnd, Surface* dc);

// PM_NOREMOVE. Shows what was drawn on the windows first, at `pace`.
bool PeekMessage(Message* message, Pace pace = Pace::kWait);
int GetMessage(Message* message);  // 0 when the quit message was taken
// Sleeps until a message may be waiting or the tick reaches `deadline`
// (MsgWaitForMultipleObjects with a timeout); see System::WaitMessageUntil.
void WaitMessageUntil(Tick deadline);
void TranslateMessage(const Message& message);
intptr_t DispatchMessage(const Message& message);
void PostMessage(WindowHandle hwnd, uint32_t message, uintptr_t wParam, intptr_t lParam);
void PostQuitMessage(int exitCode);

Tick GetTickCount();
// Shows what was drawn (waiting for the display's refresh when it must),
// then sleeps until `ms` after the call.
void Sleep(uint32_t ms);

int MessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
               uint32_t style);

// Tells the backend that the program reached a named moment (see Backend::OnMark).
void Mark(const std::string& what);

// One line of the ZELK_TRACE file (see System::Trace).
void Trace(std::string_view event, std::initializer_list<TraceField> fields = {});

// Full path of the running program (GetModuleFileName).
std::string ModuleFileName();

}  // namespace platform
