#include "services/system.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>

#include "services/media/media_service.h"

namespace services {

namespace {

System* g_installed = nullptr;  // the process's operating system, as the real API has one

int ParseAnswer(const std::string& word) {
  if (word == "ok" || word == "OK") return IDOK;
  if (word == "cancel" || word == "CANCEL") return IDCANCEL;
  if (word == "yes" || word == "YES") return IDYES;
  if (word == "no" || word == "NO") return IDNO;
  int n = std::atoi(word.c_str());
  return n > 0 ? n : IDOK;
}

Window* FindWindowObject(const std::vector<std::unique_ptr<Window>>& windows, WindowHandle h) {
  for (const auto& w : windows) {
    if (w.get() == h) return w.get();
  }
  return nullptr;
}

}  // namespace

System::System(const BackendMaker& makeBackend) {
  if (const char* answers = std::getenv("ZELK_MSGBOX_ANSWERS")) {
    answersScripted_ = true;
    std::string list = answers;
    size_t pos = 0;
    while (pos <= list.size()) {
      size_t comma = list.find(',', pos);
      if (comma == std::string::npos) comma = list.size();
      std::string word = list.substr(pos, comma - pos);
      if (!word.empty()) scriptedAnswers_.push_back(ParseAnswer(word));
      pos = comma + 1;
    }
    std::reverse(scriptedAnswers_.begin(), scriptedAnswers_.end());
  }
  if (const char* log = std::getenv("ZELK_MSGBOX_LOG")) boxLogPath_ = log;
  if (const char* trace = std::getenv("ZELK_TRACE")) tracePath_ = trace;
  // Last, so that the backend finds the whole system built.
  backend_ = makeBackend(*this);
}

System::~System() {
  // Media devices may post from their threads: stop them before the queue goes.
  media_.reset();
  // Native windows go before the backend that made them.
  for (auto& w : windows_)
    w->native.reset();
}

void System::Post(const Message& message) {
  {
    std::lock_guard<std::mutex> lock(queueMutex_);
    queue_.push_back(message);
  }
  backend_->Wake();
}

void System::PostQuit(int /*exitCode*/) {
  {
    std::lock_guard<std::mutex> lock(queueMutex_);
    quitPosted_ = true;
  }
  backend_->Wake();
}

void System::WaitMessageUntil(Tick deadline) {
  {
    std::lock_guard<std::mutex> lock(queueMutex_);
    if (!queue_.empty() || quitPosted_) return;
  }
  for (const auto& w : windows_) {
    if (w->paintPending && !w->destroyed) return;
  }
  // An open box runs its own loop; nothing waits under it.
  if (modalDepth_ > 0) return;
  // A post after the look above still ends the wait: the backend keeps its
  // wake until the wait takes it.
  backend_->WaitEvent(deadline);
}

bool System::TakeNext(Message* message, bool remove) {
  {
    std::lock_guard<std::mutex> lock(queueMutex_);
    if (!queue_.empty()) {
      *message = queue_.front();
      if (remove) queue_.pop_front();
      return true;
    }
    if (quitPosted_) {
      *message = Message{nullptr, WM_QUIT, 0, 0};
      if (remove) quitPosted_ = false;
      return true;
    }
  }
  for (const auto& w : windows_) {
    if (w->paintPending && !w->destroyed) {
      // A paint stays pending until the window validates itself.
      *message = Message{w.get(), WM_PAINT, 0, 0};
      return true;
    }
  }
  return false;
}

bool System::Peek(Message* message, bool remove, Pace pace) {
  backend_->OnPump();
  PresentAll(pace);
  backend_->Poll(modalDepth_ > 0);
  return TakeNext(message, remove);
}

int System::Get(Message* message) {
  while (!TakeNext(message, true)) {
    PresentAll();
    backend_->Poll(modalDepth_ > 0);
    if (TakeNext(message, true)) break;
    backend_->Sleep(1);
  }
  return message->message == WM_QUIT ? 0 : 1;
}

intptr_t System::Dispatch(const Message& message) {
  Window* w = FindWindowObject(windows_, message.hwnd);
  if (w == nullptr || w->proc == nullptr || w->destroyed) return 0;
  return w->proc(message.hwnd, message.message, message.wParam, message.lParam);
}

bool System::RegisterClass(const WindowClass& windowClass) {
  std::string why;
  if (!backend_->InitDisplay(&why)) {
    lastError_ = why;
    return false;
  }
  for (auto& c : classes_) {
    if (c.name == windowClass.name) {
      c = windowClass;
      return true;
    }
  }
  classes_.push_back(windowClass);
  return true;
}

WindowHandle System::CreateWindow(const std::string& className, const std::string& title,
                                  uint32_t style, int x, int y, int w, int h, void* createParams) {
  const WindowClass* cls = nullptr;
  for (const auto& c : classes_) {
    if (c.name == className) cls = &c;
  }
  if (cls == nullptr) {
    lastError_ = "window class not registered: " + className;
    return nullptr;
  }
  auto window = std::make_unique<Window>();
  window->title = title;
  window->style = style;
  window->frame = Rect{x, y, w, h};
  window->proc = cls->proc;
  std::string why;
  if (!backend_->CreateNativeWindow(*window, &why)) {
    lastError_ = why;
    return nullptr;
  }
  // A screen that cannot be had draws nothing; the window still works.
  static_cast<void>(window->screen.Allocate());
  Window* handle = window.get();
  windows_.push_back(std::move(window));
  // The first messages of a new window: non-client creation, then creation with
  // the caller's parameter.
  if (handle->proc(handle, WM_NCCREATE, 0, 0) == 0) {
    handle->destroyed = true;
    lastError_ = "window creation refused";
    return nullptr;
  }
  CreateStruct cs{createParams};
  if (handle->proc(handle, WM_CREATE, 0, reinterpret_cast<intptr_t>(&cs)) == -1) {
    handle->destroyed = true;
    lastError_ = "window creation refused";
    return nullptr;
  }
  return handle;
}

WindowHandle System::FirstWindow() const {
  for (const auto& w : windows_) {
    if (!w->destroyed) return w.get();
  }
  return nullptr;
}

void System::PresentAll(Pace pace) {
  for (const auto& w : windows_) {
    if (w->visible && !w->destroyed && backend_->Present(*w, pace)) {
      ++framesShown_;
      Trace("frame", {{"frame", static_cast<int64_t>(framesShown_)}});
    }
  }
}

void System::Trace(std::string_view event, std::initializer_list<TraceField> fields) {
  if (tracePath_.empty()) return;
  if (!trace_.is_open()) {
    trace_.open(tracePath_, std::ios::app | std::ios::binary);
    if (!trace_) {
      std::fprintf(stderr, "ZELK_TRACE: cannot write %s; tracing off\n", tracePath_.c_str());
      tracePath_.clear();
      return;
    }
  }
  nlohmann::ordered_json line = {{"event", event}, {"tick", backend_->Now()}};
  for (const TraceField& f : fields) {
    std::visit([&](const auto& v) { line[std::string(f.key)] = v; }, f.value);
  }
  // One line at a time, so that a program ended by a signal leaves whole lines.
  trace_ << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n'
         << std::flush;
}

void System::KeepModalAlive(WindowHandle owner) {
  PresentAll();
  backend_->Poll(true);
  // Dispatch the owner's paints and media notices; leave everything else queued.
  for (;;) {
    Message m;
    bool found = false;
    {
      std::lock_guard<std::mutex> lock(queueMutex_);
      for (auto it = queue_.begin(); it != queue_.end(); ++it) {
        if (it->message == MM_MCINOTIFY || it->message == WM_PAINT) {
          m = *it;
          queue_.erase(it);
          found = true;
          break;
        }
      }
    }
    if (!found) break;
    Dispatch(m);
  }
  for (const auto& w : windows_) {
    if (w->paintPending && !w->destroyed && (owner == nullptr || w.get() == owner)) {
      if (w->proc) w->proc(w.get(), WM_PAINT, 0, 0);
      w->paintPending = false;
    }
  }
  PresentAll();
}

int System::ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                           uint32_t style) {
  PresentAll();
  BoxRecord record{caption, text, style, IDOK};
  ++modalDepth_;
  if (answersScripted_) {
    if (!scriptedAnswers_.empty()) {
      record.answer = scriptedAnswers_.back();
      scriptedAnswers_.pop_back();
    }
    KeepModalAlive(owner);
  } else {
    BoxRequest request{owner, text, caption, style};
    record.answer = backend_->RunModalBox(request, [this, owner] { KeepModalAlive(owner); });
  }
  --modalDepth_;
  LogBox(record);
  if (boxAnswered_) boxAnswered_(record);
  return record.answer;
}

void System::AnswerBoxesAtOnce(std::function<void(const BoxRecord&)> answered) {
  answersScripted_ = true;
  boxAnswered_ = std::move(answered);
}

void System::LogBox(const BoxRecord& record) {
  boxLog_.push_back(record);
  if (boxLogPath_.empty()) return;
  nlohmann::json line = {{"caption", record.caption},
                         {"text", record.text},
                         {"style", record.style},
                         {"answer", record.answer}};
  std::ofstream out(boxLogPath_, std::ios::app | std::ios::binary);
  out << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

void System::Mark(std::string_view what) {
  if (markListener_) markListener_(what);
}

void System::SetMediaService(std::unique_ptr<MediaService> service) {
  media_ = std::move(service);
}

ScopedSystem::ScopedSystem(System& system) : previous_(g_installed) {
  g_installed = &system;
}
ScopedSystem::~ScopedSystem() {
  g_installed = previous_;
}

System& Sys() {
  if (g_installed == nullptr) {
    std::fputs("services: no system installed\n", stderr);
    std::abort();
  }
  return *g_installed;
}

bool HasSystem() {
  return g_installed != nullptr;
}

}  // namespace services
