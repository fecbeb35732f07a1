#include "platform/sdl/sdl_backend.h"
#include "platform/sdl/sdl_message_box.h"
#include "platform/sdl/sdl_quit.h"
#include "services/child_area.h"

#include <SDL.h>
#include <errno.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

namespace platform {

using namespace services;

namespace {

struct SdlWindow : Window::Native {
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  bool hasPicture = false;
  std::vector<uint32_t> composed;  // screen surface with the child areas over it
  ~SdlWindow() override {
    if (texture) SDL_DestroyTexture(texture);
    if (renderer) SDL_DestroyRenderer(renderer);
    if (window) SDL_DestroyWindow(window);
  }
};

SdlWindow* NativeOf(Window& w) {
  return static_cast<SdlWindow*>(w.native.get());
}

intptr_t PackPoint(int x, int y) {
  return static_cast<intptr_t>((static_cast<uint32_t>(y & 0xFFFF) << 16) |
                               static_cast<uint32_t>(x & 0xFFFF));
}

// Frame of a captioned fixed-size window as the window managers of the
// original platform drew it: 3-pixel dialog frame, 19-pixel caption.
constexpr int kFrame = 3;
constexpr int kCaption = 19;

// The presentation scale named by ZELK_SCALE: a whole number from 1 to 8.
// Anything else is told on stderr, once, and gives scale 1.
int WindowScale(const char* text) {
  constexpr int kMaxScale = 8;
  const size_t length = std::strlen(text);
  if (length == 1 && text[0] >= '1' && text[0] < '1' + kMaxScale) return text[0] - '0';
  std::fprintf(stderr, "%s: ZELK_SCALE=%s is not a whole number from 1 to %d; using scale 1\n",
               program_invocation_short_name, text, kMaxScale);
  return 1;
}

}  // namespace

SdlBackend::SdlBackend(System& system, int refreshHz)
    : system_(system), refreshHz_(refreshHz), frames_(FrameClock::PeriodOf(refreshHz)) {
  if (const char* s = std::getenv("ZELK_SCALE"); s != nullptr && *s != '\0') {
    scale_ = WindowScale(s);
  }
  // Ctrl+C in a terminal ends the program as usual instead of asking.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // The unscaled window shows our pixels through the display's own shared
  // memory; without this SDL would load an OpenGL driver just to find out
  // whether a texture would be faster (tens of megabytes for a software one).
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
}

SdlBackend::~SdlBackend() {
  // The System has released the windows' native parts before this runs.
  boxFonts_.reset();
  wakeEvent_ = 0;
  if (videoReady_) QuitSdl();
}

bool SdlBackend::ClaimInstance(const std::string& name) {
  std::string why;
  switch (lock_.Take(name, std::getenv("XDG_RUNTIME_DIR"), "/tmp", &why)) {
    case InstanceLock::Result::kTaken:
      return true;  // held until the process ends
    case InstanceLock::Result::kInUse:
      return false;
    case InstanceLock::Result::kNoPlace:
      break;
  }
  // No safe place for a lock: say so, and do not stand in the way.
  std::fprintf(stderr, "%s: single-instance lock not taken (%s)\n",
               std::filesystem::path(ModuleFileName()).filename().c_str(), why.c_str());
  return true;
}

bool SdlBackend::InitDisplay(std::string* why) {
  if (videoReady_) return true;
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    if (why) *why = SDL_GetError();
    return false;
  }
  // Without a display SDL falls back to drivers that draw nowhere; a window
  // nobody can see or close is worse than none. They stay usable when asked
  // for by name.
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* requested = std::getenv("SDL_VIDEODRIVER");
  if (driver != nullptr && requested == nullptr &&
      (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0 ||
       std::strcmp(driver, "evdev") == 0)) {
    if (why) *why = "no display (set DISPLAY or WAYLAND_DISPLAY)";
    QuitSdl();
    return false;
  }
  const uint32_t wake = SDL_RegisterEvents(1);
  wakeEvent_ = wake == static_cast<uint32_t>(-1) ? 0 : wake;
  videoReady_ = true;
  return true;
}

Size SdlBackend::ScreenSize() {
  SDL_DisplayMode mode;
  if (!videoReady_ || SDL_GetDesktopDisplayMode(0, &mode) != 0) return Size{640, 480};
  return Size{mode.w / scale_, mode.h / scale_};
}

Rect SdlBackend::AdjustWindowRect(Rect client, uint32_t style) {
  if ((style & WS_CAPTION) == WS_CAPTION) {
    return Rect{client.x - kFrame, client.y - kFrame - kCaption, client.w + 2 * kFrame,
                client.h + 2 * kFrame + kCaption};
  }
  return client;
}

bool SdlBackend::CreateNativeWindow(Window& window, std::string* why) {
  const bool captioned = (window.style & WS_CAPTION) == WS_CAPTION;
  Rect client = window.frame;
  if (captioned) {
    client.x += kFrame;
    client.y += kFrame + kCaption;
  }
  uint32_t flags = SDL_WINDOW_HIDDEN | (captioned ? 0 : SDL_WINDOW_BORDERLESS);
  auto native = std::make_unique<SdlWindow>();
  native->window = SDL_CreateWindow(window.title.c_str(), client.x * scale_, client.y * scale_,
                                    Surface::kWidth * scale_, Surface::kHeight * scale_, flags);
  if (native->window == nullptr) {
    if (why) *why = SDL_GetError();
    return false;
  }
  if (scale_ == 1) {
    // Unscaled: our pixels go straight into the window's own surface.
    if (SDL_GetWindowSurface(native->window) == nullptr) {
      if (why) *why = SDL_GetError();
      return false;
    }
  } else {
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    native->renderer = SDL_CreateRenderer(native->window, -1, 0);
    if (native->renderer == nullptr) {
      native->renderer = SDL_CreateRenderer(native->window, -1, SDL_RENDERER_SOFTWARE);
    }
    if (native->renderer != nullptr) {
      native->texture =
          SDL_CreateTexture(native->renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                            Surface::kWidth, Surface::kHeight);
    }
    if (native->renderer == nullptr || native->texture == nullptr) {
      if (why) *why = SDL_GetError();
      return false;
    }
  }
  FollowDisplayRate(native->window);
  window.native = std::move(native);
  return true;
}

void SdlBackend::ShowNativeWindow(Window& window) {
  if (auto* n = NativeOf(window)) SDL_ShowWindow(n->window);
}

void SdlBackend::BringToFront(Window& window) {
  if (auto* n = NativeOf(window)) {
    SDL_SetWindowAlwaysOnTop(n->window, SDL_TRUE);
    SDL_RaiseWindow(n->window);
    SDL_SetWindowAlwaysOnTop(n->window, SDL_FALSE);
  }
}

void SdlBackend::ShowTitle(Window& window) {
  if (auto* n = NativeOf(window)) SDL_SetWindowTitle(n->window, window.title.c_str());
}

Tick SdlBackend::Now() {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now().time_since_epoch())
                .count();
  return static_cast<Tick>(ms);
}

void SdlBackend::Sleep(uint32_t ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SdlBackend::Poll(bool modal) {
  if (!videoReady_) return;
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    if (!RouteToBox(e)) Translate(e, modal);
  }
}

void SdlBackend::WaitEvent(Tick deadline) {
  // Whole milliseconds from a tick that is already up to 1 ms old: the
  // wait ends within the deadline's own millisecond.
  int32_t left = static_cast<int32_t>(deadline - Now());
  if (left <= 0) return;
  if (PicturePending()) {
    const auto now = FrameClock::Clock::now();
    const auto refresh =
        std::chrono::ceil<std::chrono::milliseconds>(frames_.NextRefresh(now) - now);
    left = std::min<int32_t>(left, static_cast<int32_t>(refresh.count()));
    if (left <= 0) return;
  }
  if (!videoReady_) {
    Sleep(static_cast<uint32_t>(left));
    return;
  }
  // The event stays queued for the next Poll. SDL sleeps in the display
  // connection's poll, woken by events pushed from other threads. The kernel
  // lets a poll run late by a thousandth of its timeout (6 ms on a 6 s hold),
  // so long waits sleep in slices and the caller waits again after each.
  constexpr int32_t kLongestSlice = 100;
  SDL_WaitEventTimeout(nullptr, std::min(left, kLongestSlice));
}

void SdlBackend::Wake() {
  // The user-interface thread looks at the queue itself before it waits.
  if (std::this_thread::get_id() == uiThread_) return;
  const uint32_t type = wakeEvent_;
  if (type == 0) return;
  SDL_Event e{};
  e.type = type;
  SDL_PushEvent(&e);
}

Window* SdlBackend::WindowForId(uint32_t id) {
  for (const auto& w : system_.windows()) {
    auto* n = static_cast<SdlWindow*>(w->native.get());
    if (n != nullptr && n->window != nullptr && SDL_GetWindowID(n->window) == id) return w.get();
  }
  return nullptr;
}

bool SdlBackend::RouteToBox(const SDL_Event& e) {
  if (openBoxes_.empty()) return false;
  uint32_t windowId = 0;
  switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      openBoxes_.back()->Handle(e);
      return true;
    case SDL_WINDOWEVENT:
      windowId = e.window.windowID;
      break;
    case SDL_MOUSEMOTION:
      windowId = e.motion.windowID;
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      windowId = e.button.windowID;
      break;
    default:
      return false;
  }
  for (SdlMessageBox* box : openBoxes_) {
    if (box->windowId() != windowId) continue;
    // Only the box on top takes input; the others just repaint.
    if (box == openBoxes_.back() || e.type == SDL_WINDOWEVENT) box->Handle(e);
    return true;
  }
  // A button released outside the box ends a press that started on it.
  if (e.type == SDL_MOUSEBUTTONUP) openBoxes_.back()->Handle(e);
  return false;
}

void SdlBackend::Translate(const SDL_Event& e, bool modal) {
  switch (e.type) {
    case SDL_WINDOWEVENT: {
      Window* w = WindowForId(e.window.windowID);
      if (w == nullptr) break;
      if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
        if (!modal) system_.Post(Message{w, WM_CLOSE, 0, 0});
      } else if (e.window.event == SDL_WINDOWEVENT_DISPLAY_CHANGED) {
        if (auto* n = NativeOf(*w)) FollowDisplayRate(n->window);
      } else if (e.window.event == SDL_WINDOWEVENT_EXPOSED ||
                 e.window.event == SDL_WINDOWEVENT_RESTORED ||
                 e.window.event == SDL_WINDOWEVENT_SHOWN) {
        w->paintPending = true;
        w->needsRedraw = true;
      }
      break;
    }
    case SDL_MOUSEMOTION: {
      Window* w = WindowForId(e.motion.windowID);
      if (w != nullptr && !modal) {
        system_.Post(
            Message{w, WM_MOUSEMOVE, 0, PackPoint(e.motion.x / scale_, e.motion.y / scale_)});
      }
      break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      Window* w = WindowForId(e.button.windowID);
      if (w == nullptr || modal) break;
      bool down = e.type == SDL_MOUSEBUTTONDOWN;
      uint32_t msg = 0;
      if (e.button.button == SDL_BUTTON_LEFT) msg = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
      if (e.button.button == SDL_BUTTON_RIGHT) msg = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
      if (msg != 0) {
        system_.Post(Message{w, msg, 0, PackPoint(e.button.x / scale_, e.button.y / scale_)});
      }
      break;
    }
    case SDL_KEYDOWN: {
      Window* w = WindowForId(e.key.windowID);
      if (w == nullptr || modal) break;
      // Alt+F4 asks to close the window, as the system's default handling does.
      if (e.key.keysym.sym == SDLK_F4 && (e.key.keysym.mod & KMOD_ALT)) {
        system_.Post(Message{w, WM_CLOSE, 0, 0});
      } else {
        system_.Post(Message{w, WM_KEYDOWN, static_cast<uintptr_t>(e.key.keysym.sym), 0});
      }
      break;
    }
    default:
      break;
  }
}

bool SdlBackend::Present(Window& window, Pace pace) {
  auto* n = NativeOf(window);
  if (n == nullptr) return false;
  bool childChanged = false;
  for (const auto& child : window.children)
    childChanged = child->Changed() || childChanged;
  const bool changed = window.screen.Changed() || childChanged;
  if (changed && window.screen.Valid()) {
    // A new picture goes to the display at a refresh that has not shown one.
    const auto now = FrameClock::Clock::now();
    const auto at = frames_.NextRefresh(now);
    if (at > now) {
      if (pace == Pace::kIfReady) return false;  // a wait shows it at that refresh
      std::this_thread::sleep_until(at);
    }
    frames_.Shown(at);
  } else if (!(window.needsRedraw && n->hasPicture && window.screen.Valid())) {
    window.screen.TakeChanged();
    return false;
  }
  window.screen.TakeChanged();
  for (const auto& child : window.children)
    child->TakeChanged();
  window.needsRedraw = false;
  const void* src = window.screen.Pixels();
  if (!window.children.empty()) {
    // Child areas cover the screen surface, as child windows would.
    const uint32_t* screen = window.screen.Pixels();
    n->composed.assign(screen, screen + static_cast<size_t>(Surface::kWidth) * Surface::kHeight);
    for (const auto& child : window.children) {
      child->DrawOnto(n->composed.data(), Surface::kWidth, Surface::kHeight);
    }
    src = n->composed.data();
  }
  const int srcPitch = Surface::kWidth * 4;
  if (n->renderer == nullptr) {
    SDL_Surface* target = SDL_GetWindowSurface(n->window);
    if (target == nullptr) return false;
    if (changed) {
      if (SDL_MUSTLOCK(target)) SDL_LockSurface(target);
      SDL_ConvertPixels(Surface::kWidth, Surface::kHeight, SDL_PIXELFORMAT_RGB888, src, srcPitch,
                        target->format->format, target->pixels, target->pitch);
      if (SDL_MUSTLOCK(target)) SDL_UnlockSurface(target);
      n->hasPicture = true;
    }
    SDL_UpdateWindowSurface(n->window);
    return changed;
  }
  if (changed && SDL_UpdateTexture(n->texture, nullptr, src, srcPitch) == 0) n->hasPicture = true;
  SDL_RenderCopy(n->renderer, n->texture, nullptr, nullptr);
  SDL_RenderPresent(n->renderer);
  return changed;
}

bool SdlBackend::PicturePending() {
  for (const auto& w : system_.windows()) {
    if (!w->visible || w->destroyed || !w->screen.Valid()) continue;
    if (w->screen.Changed()) return true;
    for (const auto& child : w->children) {
      if (child->Changed()) return true;
    }
  }
  return false;
}

void SdlBackend::FollowDisplayRate(SDL_Window* window) {
  if (refreshHz_ > 0) return;
  SDL_DisplayMode mode{};
  const int display = SDL_GetWindowDisplayIndex(window);
  const int hz =
      display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0 ? mode.refresh_rate : 0;
  frames_.SetPeriod(FrameClock::PeriodOf(hz));
}

int SdlBackend::RunModalBox(const BoxRequest& request, const std::function<void()>& keepAlive) {
  const msgbox::Buttons buttons = msgbox::ButtonsOf(request.style);
  const int fallback = buttons.buttons[buttons.defaultIndex].answer;
  std::string why;
  if (!InitDisplay(&why)) {
    // No way to show a box: say it on the terminal and take the default answer.
    std::string text = request.text;
    for (char& c : text) {
      if (c == '\r') c = '\n';
    }
    std::fprintf(stderr, "%s: %s\n", request.caption.c_str(), text.c_str());
    return fallback;
  }
  if (!boxFonts_) {
    boxFonts_ = std::make_unique<BoxFonts>(scale_);
    if (!boxFonts_->problem().empty()) {
      std::fprintf(stderr, "%s: message boxes without text: %s\n",
                   std::filesystem::path(ModuleFileName()).filename().c_str(),
                   boxFonts_->problem().c_str());
    }
  }
  SdlWindow* owner = request.owner != nullptr ? NativeOf(*request.owner) : nullptr;
  SdlMessageBox box(request, owner != nullptr ? owner->window : nullptr, *boxFonts_, scale_);
  if (!box.Open(&why)) {
    std::fprintf(stderr, "%s: %s (no box: %s)\n", request.caption.c_str(), request.text.c_str(),
                 why.c_str());
    return fallback;
  }
  // This thread runs the box: it keeps the owner painted and its media
  // notices handled, and sleeps a little between looks at the events. (SDL
  // 2.26's own waiting for events can wake a window that is gone, which ends
  // the program with an X error once the box has closed.)
  openBoxes_.push_back(&box);
  while (!box.answer()) {
    keepAlive();
    box.Refresh();
    if (!box.answer()) SDL_Delay(10);
  }
  openBoxes_.pop_back();
  return *box.answer();
}

std::string SdlBackend::ModuleFileName() {
  std::error_code ec;
  auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : p.string();
}

}  // namespace platform
