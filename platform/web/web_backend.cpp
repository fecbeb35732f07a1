#include "platform/web/web_backend.h"

#include <optional>

#include "platform/web/page.h"
#include "services/message_box_layout.h"

namespace platform::web {

using namespace services;

namespace {

// Frame of a captioned window as the desktop draws it: 3-pixel dialog frame,
// 19-pixel caption.
constexpr int kFrame = 3;
constexpr int kCaption = 19;
// The longest the program runs before the browser gets a turn: it paints the
// canvas and delivers input and sound only then.
constexpr double kTurnMs = 10;
// The longest an open dialog waits before it lets the program's window paint.
constexpr double kDialogPollMs = 10;

intptr_t PackPoint(int x, int y) {
  return static_cast<intptr_t>((static_cast<uint32_t>(y & 0xFFFF) << 16) |
                               static_cast<uint32_t>(x & 0xFFFF));
}

}  // namespace

void ToRgba(const Surface& screen, std::vector<uint32_t>* rgba) {
  const size_t n = static_cast<size_t>(Surface::kWidth) * Surface::kHeight;
  rgba->resize(n);
  const uint32_t* p = screen.Pixels();
  uint32_t* out = rgba->data();
  for (size_t i = 0; i < n; ++i) {
    const uint32_t x = p[i];  // 0x00RRGGBB
    out[i] = 0xFF000000u | ((x & 0xFFu) << 16) | (x & 0xFF00u) | ((x >> 16) & 0xFFu);
  }
}

WebBackend::WebBackend(System& system, std::string programName)
    : system_(system), programName_(std::move(programName)) {}

bool WebBackend::ClaimInstance(const std::string& /*name*/) {
  return true;  // one program per page
}

bool WebBackend::InitDisplay(std::string* /*why*/) {
  return true;
}

Size WebBackend::ScreenSize() {
  return Size{PageScreenWidth(), PageScreenHeight()};
}

Rect WebBackend::AdjustWindowRect(Rect client, uint32_t style) {
  if ((style & WS_CAPTION) == WS_CAPTION) {
    return Rect{client.x - kFrame, client.y - kFrame - kCaption, client.w + 2 * kFrame,
                client.h + 2 * kFrame + kCaption};
  }
  return client;
}

bool WebBackend::CreateNativeWindow(Window& window, std::string* /*why*/) {
  PageSetTitle(window.title);
  return true;
}

void WebBackend::ShowNativeWindow(Window& /*window*/) {
  PageShowWindow();
}

void WebBackend::BringToFront(Window& /*window*/) {}

Tick WebBackend::Now() {
  return static_cast<Tick>(static_cast<uint64_t>(PageNow()));
}

void WebBackend::Sleep(uint32_t ms) {
  PageSleep(ms);
  lastTurn_ = PageNow();
}

void WebBackend::TakePageEvents(bool modal) {
  PageEvent e;
  while (PageTakeEvent(&e)) {
    Window* w = system_.FirstWindow();
    switch (e.kind) {
      case PageEventKind::kSoundEnded:
        if (soundEnded_) soundEnded_(e.a, e.b);
        break;
      case PageEventKind::kExposed:
        if (w != nullptr) w->paintPending = true;
        break;
      case PageEventKind::kClose:
        if (w != nullptr && !modal) system_.Post(Message{w, WM_CLOSE, 0, 0});
        break;
      case PageEventKind::kMouseMove:
      case PageEventKind::kLeftDown:
      case PageEventKind::kLeftUp:
      case PageEventKind::kRightDown:
      case PageEventKind::kRightUp: {
        if (w == nullptr || modal) break;
        static constexpr uint32_t kMessages[] = {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP,
                                                 WM_RBUTTONDOWN, WM_RBUTTONUP};
        const int index = static_cast<int>(e.kind) - static_cast<int>(PageEventKind::kMouseMove);
        system_.Post(Message{w, kMessages[index], 0, PackPoint(e.a, e.b)});
        break;
      }
      case PageEventKind::kNone:
        break;
    }
  }
}

void WebBackend::Poll(bool modal) {
  const double now = PageNow();
  if (now - lastTurn_ >= kTurnMs) {
    PageYield();
    lastTurn_ = PageNow();
  }
  TakePageEvents(modal);
}

void WebBackend::WaitEvent(Tick deadline) {
  // Page events (input, ends of sounds) end the page's wait early.
  const int32_t left = static_cast<int32_t>(deadline - Now());
  if (left <= 0) return;
  PageWait(left);
  lastTurn_ = PageNow();
}

bool WebBackend::Present(Window& window, Pace pace) {
  if (!window.screen.TakeChanged() || !window.screen.Valid()) return false;
  ToRgba(window.screen, &rgba_);
  if (pace == Pace::kIfReady) {
    // The browser shows the canvas as it is at its next refresh.
    PageShowPicture(rgba_.data());
    return true;
  }
  // Every frame is shown, each at a refresh of the display: that paces the
  // programs that draw without waiting to the display's rate.
  PageShowPictureAtRefresh(rgba_.data());
  lastTurn_ = PageNow();
  return true;
}

int WebBackend::RunModalBox(const BoxRequest& request, const std::function<void()>& keepAlive) {
  // The box's buttons, default, keys and clicks follow the rules every
  // backend's box follows; the page lays it out and draws it.
  const msgbox::Buttons set = msgbox::ButtonsOf(request.style);
  msgbox::Layout rules;
  for (const msgbox::Button& b : set.buttons)
    rules.buttons.push_back({b.label, b.answer, Rect{}});
  rules.defaultIndex = set.defaultIndex;
  rules.cancelAnswer = set.cancelAnswer;
  msgbox::Input input(rules);
  std::string lines, labels;
  for (const std::string& line : msgbox::SplitLines(request.text)) {
    lines += (lines.empty() ? "" : "\n") + line;
  }
  for (const msgbox::Button& b : set.buttons)
    labels += (labels.empty() ? "" : "\n") + b.label;
  PageOpenDialog(request.caption, lines, static_cast<int>(msgbox::IconOf(request.style)), labels,
                 set.cancelAnswer.has_value(), static_cast<int>(input.focus()));
  std::optional<int> answer;
  while (!answer) {
    keepAlive();
    DialogEvent e;
    while (!answer && PageTakeDialogEvent(&e)) {
      switch (e.kind) {
        case DialogEventKind::kKey:
          answer = input.OnKey(static_cast<msgbox::Key>(e.value));
          break;
        case DialogEventKind::kPointerDown:
          input.OnPointerDown(e.value);
          break;
        case DialogEventKind::kPointerMove:
          input.OnPointerMove(e.value);
          break;
        case DialogEventKind::kPointerUp:
          answer = input.OnPointerUp(e.value);
          break;
        case DialogEventKind::kNone:
          break;
      }
    }
    PageShowDialogState(static_cast<int>(input.focus()), input.pushed());
    if (!answer) PageWait(kDialogPollMs);
  }
  PageCloseDialog();
  return *answer;
}

std::string WebBackend::ModuleFileName() {
  return "/zelk/" + programName_;
}

}  // namespace platform::web
