// The emulated operating system of a program: message queue, windows, window
// classes, message boxes and media devices, over a Backend that meets the real
// one. The program's calls (services/calls.h) act on the installed System
// (see ScopedSystem); its backend is built with it and serves only it.
#pragma once

#include <cstdint>
#include <deque>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/backend.h"
#include "services/trace.h"
#include "services/types.h"
#include "services/window.h"

namespace services {

class MediaService;

class System {
 public:
  using Pace = platform::Pace;
  // Makes the backend; it gets the system it serves.
  using BackendMaker = std::function<std::unique_ptr<platform::Backend>(System&)>;

  explicit System(const BackendMaker& makeBackend);
  ~System();
  System(const System&) = delete;
  System& operator=(const System&) = delete;

  platform::Backend& backend() { return *backend_; }

  // Message queue. Posting is safe from any thread and wakes a waiting
  // WaitMessageUntil.
  void Post(const Message& message);
  void PostQuit(int exitCode);
  [[nodiscard]] bool Peek(Message* message, bool remove, Pace pace = Pace::kWait);
  // 0 when the quit message was taken.
  [[nodiscard]] int Get(Message* message);
  // Sleeps until something may have arrived (a native event, a post from any
  // thread) or the tick reaches `deadline`; returns at once when a message
  // or a paint is waiting already. Call it with an empty queue, after a pump.
  void WaitMessageUntil(Tick deadline);
  // Wakes a WaitMessageUntil for something other than a message, such as a
  // new picture of a child area set by another thread.
  void Wake() { backend_->Wake(); }
  intptr_t Dispatch(const Message& message);

  // Windows.
  [[nodiscard]] bool RegisterClass(const WindowClass& windowClass);
  [[nodiscard]] WindowHandle CreateWindow(const std::string& className, const std::string& title,
                                          uint32_t style, int x, int y, int w, int h,
                                          void* createParams);
  const std::vector<std::unique_ptr<Window>>& windows() const { return windows_; }
  // The first window not destroyed, or null.
  WindowHandle FirstWindow() const;
  void PresentAll(Pace pace = Pace::kWait);

  // Message boxes, with the ZELK_MSGBOX_ANSWERS / ZELK_MSGBOX_LOG seams.
  int ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                     uint32_t style);
  const std::vector<BoxRecord>& boxLog() const { return boxLog_; }
  // For a run no person watches: every later box is answered at once (OK, or
  // as ZELK_MSGBOX_ANSWERS says) without being shown, and `answered` hears it.
  void AnswerBoxesAtOnce(std::function<void(const BoxRecord&)> answered);
  int modalDepth() const { return modalDepth_; }

  // Media devices, installed by the program that plays media.
  void SetMediaService(std::unique_ptr<MediaService> service);
  MediaService* media() { return media_.get(); }

  // Why the last RegisterClass or CreateWindow failed (GetLastError).
  const std::string& lastError() const { return lastError_; }
  void SetLastError(std::string why) { lastError_ = std::move(why); }

  // The ZELK_TRACE seam: appends {"event":…,"tick":…, fields…} as one JSON
  // line to the file it names; does nothing when it is unset.
  void Trace(std::string_view event, std::initializer_list<TraceField> fields = {});

  // A named moment of the program's life ("body": the program's body starts),
  // told to the listener a headless run sets (the virtual backend's); nothing
  // listens in the real programs.
  void Mark(std::string_view what);
  void SetMarkListener(std::function<void(std::string_view)> listener) {
    markListener_ = std::move(listener);
  }

 private:
  bool TakeNext(Message* message, bool remove);
  void KeepModalAlive(WindowHandle owner);
  void LogBox(const BoxRecord& record);

  std::unique_ptr<platform::Backend> backend_;
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
  std::function<void(std::string_view)> markListener_;
  std::function<void(const BoxRecord&)> boxAnswered_;
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

}  // namespace services
