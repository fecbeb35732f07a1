#include "platform/sdl/sdl_backend.h"
#include "platform/sdl/sdl_message_box.h"
#include "platform/sdl/sdl_quit.h"
#include "platform/sdl/window_fit.h"
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

// A window's SDL parts.
struct SdlWindow : Window::Native {
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;  // the 640×480 picture
  SDL_Texture* stage = nullptr;    // the picture at a whole multiple, before a smooth scaling
  int stageScale = 0;
  bool fullScreen = false;
  bool hasPicture = false;
  std::vector<uint32_t> composed;  // screen surface with the child areas over it
  ~SdlWindow() override {
    if (stage) SDL_DestroyTexture(stage);
    if (texture) SDL_DestroyTexture(texture);
    if (renderer) SDL_DestroyRenderer(renderer);
    if (window) SDL_DestroyWindow(window);
  }
};

namespace {

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

// Room for a window manager's frame before it has told its size: its title
// bar and edges are rarely larger. Once the window is shown the real frame
// counts.
constexpr FrameExtents kLikelyFrame{4, 40, 4, 4};

// A pointer left still this long over a full screen is hidden.
constexpr uint32_t kPointerStillMs = 1500;

Rect ToRect(const SDL_Rect& r) {
  return Rect{r.x, r.y, r.w, r.h};
}

Rect DisplayBounds(int display) {
  SDL_Rect r{0, 0, Surface::kWidth, Surface::kHeight};
  SDL_GetDisplayBounds(display, &r);
  return ToRect(r);
}

// The part of a display that windows may cover (without panels and docks).
Rect UsableArea(int display) {
  SDL_Rect r;
  if (SDL_GetDisplayUsableBounds(display, &r) != 0) return DisplayBounds(display);
  return ToRect(r);
}

int DisplayOf(SDL_Window* window) {
  return std::max(SDL_GetWindowDisplayIndex(window), 0);
}

// The picture's place in the window: all of it, or in full screen the part
// PlaceFullScreen gives.
Rect PictureArea(SdlWindow& n) {
  int w = 0, h = 0;
  if (SDL_GetRendererOutputSize(n.renderer, &w, &h) != 0) SDL_GetWindowSize(n.window, &w, &h);
  if (!n.fullScreen) return Rect{0, 0, w, h};
  return PlaceFullScreen(Size{w, h}).picture;
}

}  // namespace

SdlBackend::SdlBackend(System& system, int refreshHz)
    : system_(system), refreshHz_(refreshHz), frames_(FrameClock::PeriodOf(refreshHz)) {
  if (const char* s = std::getenv("ZELK_SCALE"); s != nullptr && *s != '\0') {
    requestedScale_ = ParseScale(s);
    if (!requestedScale_) {
      std::fprintf(stderr,
                   "%s: ZELK_SCALE=%s is not a whole number from 1 to %d; "
                   "using the largest scale that fits the screen\n",
                   program_invocation_short_name, s, kMaxScale);
    }
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
  const Rect usable = UsableArea(0);
  scale_ =
      requestedScale_.value_or(FittingScale(Size{usable.w, usable.h}, kLikelyFrame, kMaxScale));
  return true;
}

void SdlBackend::FitScale() {
  if (scaleFitted_ || !videoReady_) return;
  scaleFitted_ = true;
  const Rect usable = UsableArea(0);
  LowerScale(FittingScale(Size{usable.w, usable.h}, kLikelyFrame, scale_), usable);
}

void SdlBackend::LowerScale(int fitting, Rect usable) {
  if (fitting >= scale_) return;
  if (requestedScale_ && !toldLowered_) {
    std::fprintf(stderr,
                 "%s: ZELK_SCALE=%d makes the window larger than the screen's %dx%d; "
                 "using scale %d\n",
                 program_invocation_short_name, *requestedScale_, usable.w, usable.h, fitting);
    toldLowered_ = true;
  }
  scale_ = fitting;
}

Size SdlBackend::ScreenSize() {
  if (!videoReady_) return Size{640, 480};
  FitScale();
  const Rect screen = DisplayBounds(0);
  return Size{screen.w / scale_, screen.h / scale_};
}

Rect SdlBackend::AdjustWindowRect(Rect client, uint32_t style) {
  if ((style & WS_CAPTION) == WS_CAPTION) {
    return Rect{client.x - kFrame, client.y - kFrame - kCaption, client.w + 2 * kFrame,
                client.h + 2 * kFrame + kCaption};
  }
  return client;
}

bool SdlBackend::CreateNativeWindow(Window& window, std::string* why) {
  FitScale();
  const bool captioned = (window.style & WS_CAPTION) == WS_CAPTION;
  uint32_t flags = SDL_WINDOW_HIDDEN | (captioned ? 0 : SDL_WINDOW_BORDERLESS);
  Rect client = window.frame;
  if (captioned) {
    client.x += kFrame;
    client.y += kFrame + kCaption;
  }
  auto native = std::make_unique<SdlWindow>();
  const Rect screen = videoReady_ ? DisplayBounds(0) : Rect{};
  native->window = SDL_CreateWindow(window.title.c_str(), screen.x + client.x * scale_,
                                    screen.y + client.y * scale_, Surface::kWidth * scale_,
                                    Surface::kHeight * scale_, flags);
  if (native->window == nullptr) {
    if (why) *why = SDL_GetError();
    return false;
  }
  // Unscaled, the software renderer brings our pixels to the display's own
  // shared memory; without it SDL would load an OpenGL driver (tens of
  // megabytes for a software one). Scaled, the fastest renderer SDL has.
  if (scale_ > 1) native->renderer = SDL_CreateRenderer(native->window, -1, 0);
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
  // Whole multiples repeat each pixel.
  SDL_SetTextureScaleMode(native->texture, SDL_ScaleModeNearest);
  FollowDisplayRate(native->window);
  window.native = std::move(native);
  return true;
}

void SdlBackend::ShowNativeWindow(Window& window) {
  auto* n = NativeOf(window);
  if (n == nullptr) return;
  SDL_ShowWindow(n->window);
  FitOnScreen(*n);
}

void SdlBackend::BringToFront(Window& window) {
  if (auto* n = NativeOf(window)) {
    SDL_SetWindowAlwaysOnTop(n->window, SDL_TRUE);
    SDL_RaiseWindow(n->window);
    SDL_SetWindowAlwaysOnTop(n->window, SDL_FALSE);
  }
}

void SdlBackend::FitOnScreen(SdlWindow& n) {
  // The window's position and its frame's size, as the window manager has
  // made them by now.
  SDL_PumpEvents();
  FrameExtents frame;
  if (SDL_GetWindowBordersSize(n.window, &frame.top, &frame.left, &frame.bottom, &frame.right) != 0)
    frame = FrameExtents{};
  const int display = DisplayOf(n.window);
  const bool captioned = (SDL_GetWindowFlags(n.window) & SDL_WINDOW_BORDERLESS) == 0;
  // A caption-less window may cover panels, as full-screen windows do.
  const Rect area = captioned ? UsableArea(display) : DisplayBounds(display);
  const int before = scale_;
  if (captioned && scale_ > 1) LowerScale(FittingScale(Size{area.w, area.h}, frame, scale_), area);
  Rect client;
  SDL_GetWindowPosition(n.window, &client.x, &client.y);
  client.w = Surface::kWidth * scale_;
  client.h = Surface::kHeight * scale_;
  Rect outer{client.x - frame.left, client.y - frame.top, client.w + frame.left + frame.right,
             client.h + frame.top + frame.bottom};
  if (scale_ != before) {
    // Smaller now: centred again.
    SDL_SetWindowSize(n.window, client.w, client.h);
    outer.x = area.x + (area.w - outer.w) / 2;
    outer.y = area.y + (area.h - outer.h) / 2;
  }
  const Rect placed = KeepWithin(outer, area);
  if (placed.x != client.x - frame.left || placed.y != client.y - frame.top) {
    SDL_SetWindowPosition(n.window, placed.x + frame.left, placed.y + frame.top);
  }
}

void SdlBackend::SetFullScreen(Window& window, bool on) {
  auto* n = NativeOf(window);
  if (n == nullptr || n->fullScreen == on) return;
  // Leaving, the window manager gives the window back its size and place.
  if (SDL_SetWindowFullscreen(n->window, on ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) return;
  n->fullScreen = on;
  window.needsRedraw = true;
  lastMotion_ = Now();
  if (!on) ShowPointer();
}

void SdlBackend::ShowPointer() {
  if (!pointerHidden_) return;
  SDL_ShowCursor(SDL_ENABLE);
  pointerHidden_ = false;
}

void SdlBackend::HideStillPointer() {
  if (pointerHidden_ || !openBoxes_.empty() || Now() - lastMotion_ < kPointerStillMs) return;
  for (const auto& w : system_.windows()) {
    auto* n = static_cast<SdlWindow*>(w->native.get());
    if (n != nullptr && n->fullScreen) {
      SDL_ShowCursor(SDL_DISABLE);
      pointerHidden_ = true;
      return;
    }
  }
}

intptr_t SdlBackend::PointIn(Window& window, int x, int y) {
  auto* n = NativeOf(window);
  if (n == nullptr) return PackPoint(x, y);
  const Rect at = PictureArea(*n);
  if (at.w <= 0 || at.h <= 0) return PackPoint(x, y);
  return PackPoint((x - at.x) * Surface::kWidth / at.w, (y - at.y) * Surface::kHeight / at.h);
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
  HideStillPointer();
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
                 e.window.event == SDL_WINDOWEVENT_SHOWN ||
                 e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        w->paintPending = true;
        w->needsRedraw = true;
      }
      break;
    }
    case SDL_MOUSEMOTION: {
      lastMotion_ = Now();
      ShowPointer();
      Window* w = WindowForId(e.motion.windowID);
      if (w != nullptr && !modal) {
        system_.Post(Message{w, WM_MOUSEMOVE, 0, PointIn(*w, e.motion.x, e.motion.y)});
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
        system_.Post(Message{w, msg, 0, PointIn(*w, e.button.x, e.button.y)});
      }
      break;
    }
    case SDL_KEYDOWN: {
      Window* w = WindowForId(e.key.windowID);
      if (w == nullptr || modal) break;
      const SDL_Keycode key = e.key.keysym.sym;
      const bool alt = (e.key.keysym.mod & KMOD_ALT) != 0;
      const bool fullScreen = NativeOf(*w) != nullptr && NativeOf(*w)->fullScreen;
      // Alt+F4 asks to close the window, as the system's default handling does.
      if (key == SDLK_F4 && alt) {
        system_.Post(Message{w, WM_CLOSE, 0, 0});
      } else if (key == SDLK_F11 || ((key == SDLK_RETURN || key == SDLK_KP_ENTER) && alt)) {
        // Full screen on and off, as players of old games and films have it.
        if (e.key.repeat == 0) SetFullScreen(*w, !fullScreen);
      } else if (key == SDLK_ESCAPE && fullScreen) {
        SetFullScreen(*w, false);
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
  if (changed && SDL_UpdateTexture(n->texture, nullptr, src, Surface::kWidth * 4) == 0)
    n->hasPicture = true;
  ShowPicture(*n);
  return changed;
}

void SdlBackend::ShowPicture(SdlWindow& n) {
  SDL_Renderer* r = n.renderer;
  if (!n.fullScreen) {
    SDL_RenderCopy(r, n.texture, nullptr, nullptr);
    SDL_RenderPresent(r);
    return;
  }
  int w = 0, h = 0;
  SDL_GetRendererOutputSize(r, &w, &h);
  const FullScreenPicture at = PlaceFullScreen(Size{w, h});
  SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
  SDL_RenderClear(r);
  SDL_Texture* source = n.texture;
  if (at.smooth && Stage(n, at.prescale)) {
    // Sharp and even: each pixel repeated the whole number of times nearest
    // to the final size, then smoothly to that size.
    SDL_SetRenderTarget(r, n.stage);
    SDL_RenderCopy(r, n.texture, nullptr, nullptr);
    SDL_SetRenderTarget(r, nullptr);
    source = n.stage;
  }
  const SDL_Rect to{at.picture.x, at.picture.y, at.picture.w, at.picture.h};
  SDL_RenderCopy(r, source, nullptr, &to);
  SDL_RenderPresent(r);
}

bool SdlBackend::Stage(SdlWindow& n, int scale) {
  if (n.stage != nullptr && n.stageScale == scale) return true;
  if (n.stage != nullptr) SDL_DestroyTexture(n.stage);
  n.stage = SDL_CreateTexture(n.renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_TARGET,
                              Surface::kWidth * scale, Surface::kHeight * scale);
  n.stageScale = scale;
  return n.stage != nullptr && SDL_SetTextureScaleMode(n.stage, SDL_ScaleModeLinear) == 0;
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
  ShowPointer();
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
