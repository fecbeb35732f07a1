#include "platform/virtual/virtual_backend.h"

namespace platform {

using namespace services;

VirtualBackend::VirtualBackend(System& system) : VirtualBackend(system, Options{}) {}

VirtualBackend::VirtualBackend(System& system, const Options& options)
    : system_(system), options_(options) {
  system_.SetMarkListener([this](std::string_view what) {
    if (markHook_) markHook_(std::string(what));
  });
}

void VirtualBackend::ScheduleClose(uint64_t elapsedMs) {
  Event e;
  e.kind = Event::kClose;
  events_.emplace(elapsedMs, std::move(e));
}

void VirtualBackend::ScheduleMessage(uint64_t elapsedMs, uint32_t message, uintptr_t wParam,
                                     intptr_t lParam) {
  Event e;
  e.kind = Event::kMessage;
  e.message = message;
  e.wParam = wParam;
  e.lParam = lParam;
  events_.emplace(elapsedMs, std::move(e));
}

void VirtualBackend::At(uint64_t elapsedMs, std::function<void()> action) {
  Event e;
  e.kind = Event::kAction;
  e.action = std::move(action);
  events_.emplace(elapsedMs, std::move(e));
}

void VirtualBackend::QueueBoxAnswer(int answer, uint32_t holdMs) {
  answers_.push_back(BoxAnswer{answer, holdMs});
}

bool VirtualBackend::ClaimInstance(const std::string& /*name*/) {
  return !anotherInstance_;
}

bool VirtualBackend::InitDisplay(std::string* why) {
  if (!displayAvailable_ && why != nullptr) *why = "no display (virtual)";
  return displayAvailable_;
}

Rect VirtualBackend::AdjustWindowRect(Rect client, uint32_t style) {
  // The frame of a fixed-size captioned window: a 3-pixel dialog frame and a
  // 19-pixel caption; a pop-up has none.
  if ((style & services::WS_CAPTION) == services::WS_CAPTION) {
    return Rect{client.x - 3, client.y - 22, client.w + 6, client.h + 25};
  }
  return client;
}

bool VirtualBackend::CreateNativeWindow(Window& /*window*/, std::string* why) {
  if (windowCreationFails_ && why != nullptr) *why = "window creation fails (virtual)";
  return !windowCreationFails_;
}

void VirtualBackend::ShowNativeWindow(Window& /*window*/) {
  ++shows_;
}
void VirtualBackend::BringToFront(Window& /*window*/) {
  ++frontBumps_;
}

Tick VirtualBackend::Now() {
  return static_cast<Tick>(options_.startTick + elapsed_);
}

void VirtualBackend::Advance(uint64_t ms) {
  elapsed_ += ms;
}

void VirtualBackend::Sleep(uint32_t ms) {
  Advance(ms);
  Deliver(system_.modalDepth() > 0);
}

void VirtualBackend::OnPump() {
  ++pumps_;
  Advance(options_.pumpMs);
}

void VirtualBackend::Poll(bool modal) {
  Deliver(modal);
}

void VirtualBackend::Deliver(bool modal) {
  if (delivering_) return;
  delivering_ = true;
  while (!events_.empty() && events_.begin()->first <= elapsed_) {
    Event e = std::move(events_.begin()->second);
    events_.erase(events_.begin());
    const WindowHandle target = system_.FirstWindow();
    switch (e.kind) {
      case Event::kClose:
        if (!modal && target != nullptr) system_.Post(Message{target, services::WM_CLOSE, 0, 0});
        break;
      case Event::kMessage:
        if (target != nullptr) system_.Post(Message{target, e.message, e.wParam, e.lParam});
        break;
      case Event::kAction:
        if (e.action) e.action();
        break;
    }
  }
  delivering_ = false;
}

bool VirtualBackend::Present(Window& window, Pace /*pace*/) {
  if (!window.screen.TakeChanged() || !window.screen.Valid()) return false;
  if (presentHook_) presentHook_(Now(), window.screen);
  return true;
}

int VirtualBackend::RunModalBox(const services::BoxRequest& /*request*/,
                                const std::function<void()>& keepAlive) {
  BoxAnswer a{services::IDOK, 0};
  if (!answers_.empty()) {
    a = answers_.front();
    answers_.pop_front();
  }
  keepAlive();
  for (uint32_t i = 0; i < a.holdMs; ++i) {
    Advance(1);
    keepAlive();
  }
  return a.answer;
}

}  // namespace platform
