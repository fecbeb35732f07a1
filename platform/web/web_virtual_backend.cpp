#include "platform/web/web_virtual_backend.h"

#include "platform/web/page.h"
#include "platform/web/web_backend.h"

namespace platform::web {

using namespace services;

namespace {

// Real milliseconds the program runs before the page gets a turn.
constexpr double kTurnMs = 30;

}  // namespace

WebVirtualBackend::WebVirtualBackend(services::System& system, std::string programName)
    : VirtualBackend(system, Options{0, 1, Size{1024, 768}, "/zelk/" + programName}) {}

const Surface* WebVirtualBackend::Screen() const {
  for (const auto& w : system().windows()) {
    if (w->screen.Valid()) return &w->screen;
  }
  return nullptr;
}

void WebVirtualBackend::Report(const char* kind, uint64_t n, const Surface& screen) {
  ToRgba(screen, &rgba_);
  PageReport(kind, n, rgba_.data());
}

void WebVirtualBackend::ReportAt(const std::vector<uint64_t>& times) {
  uint64_t last = 0;
  for (uint64_t t : times)
    last = std::max(last, t);
  for (uint64_t t : times) {
    At(t, [this, t, last] {
      if (const Surface* screen = Screen()) {
        Report("at", t, *screen);
      } else {
        Surface black;
        if (black.Allocate()) Report("at", t, black);
      }
      if (t == last) system().PostQuit(0);
    });
  }
}

void WebVirtualBackend::ReportFrames(int count) {
  framesWanted_ = count;
  SetMarkHook([this](const std::string& what) {
    if (what == "body") bodyStarted_ = true;
  });
  SetPresentHook([this](Tick, const Surface& screen) {
    if (!bodyStarted_ || framesTaken_ >= framesWanted_) return;
    Report("frame", static_cast<uint64_t>(framesTaken_), screen);
    if (++framesTaken_ == framesWanted_) system().PostQuit(0);
  });
}

bool WebVirtualBackend::CreateNativeWindow(Window& window, std::string* why) {
  if (!VirtualBackend::CreateNativeWindow(window, why)) return false;
  PageSetTitle(window.title);
  return true;
}

void WebVirtualBackend::ShowNativeWindow(Window& window) {
  VirtualBackend::ShowNativeWindow(window);
  PageShowWindow();
}

void WebVirtualBackend::MaybeGiveTurn() {
  const double now = PageNow();
  if (now - lastTurn_ < kTurnMs) return;
  if (const Surface* screen = Screen()) {
    ToRgba(*screen, &rgba_);
    PageShowPicture(rgba_.data());
  }
  PageYield();
  lastTurn_ = PageNow();
}

void WebVirtualBackend::OnPump() {
  VirtualBackend::OnPump();
  MaybeGiveTurn();
}

void WebVirtualBackend::Sleep(uint32_t ms) {
  VirtualBackend::Sleep(ms);
  MaybeGiveTurn();
}

}  // namespace platform::web
