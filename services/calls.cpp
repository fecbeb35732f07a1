#include "services/calls.h"

#include <cstdio>

#include "services/system.h"

namespace services {

bool FindWindow(const std::string& className) {
  return !Sys().backend().ClaimInstance(className);
}

bool RegisterClass(const WindowClass& windowClass) {
  return Sys().RegisterClass(windowClass);
}

WindowHandle CreateWindow(const std::string& className, const std::string& title, uint32_t style,
                          int x, int y, int w, int h, void* createParams) {
  return Sys().CreateWindow(className, title, style, x, y, w, h, createParams);
}

int GetSystemMetrics(int index) {
  Size s = Sys().backend().ScreenSize();
  if (index == SM_CXSCREEN) return s.width;
  if (index == SM_CYSCREEN) return s.height;
  return 0;
}

Rect AdjustWindowRect(Rect client, uint32_t style) {
  return Sys().backend().AdjustWindowRect(client, style);
}

void ShowWindow(WindowHandle hwnd, int /*showCommand*/) {
  if (hwnd == nullptr) return;
  Sys().backend().ShowNativeWindow(*hwnd);
  hwnd->visible = true;
  hwnd->paintPending = true;
}

void UpdateWindow(WindowHandle hwnd) {
  if (hwnd == nullptr || !hwnd->paintPending || hwnd->proc == nullptr) return;
  hwnd->proc(hwnd, WM_PAINT, 0, 0);
}

void BringWindowToFront(WindowHandle hwnd) {
  if (hwnd != nullptr) Sys().backend().BringToFront(*hwnd);
}

void SetWindowText(WindowHandle hwnd, const std::string& text) {
  if (hwnd == nullptr || hwnd->title == text) return;
  hwnd->title = text;
  Sys().backend().ShowTitle(*hwnd);
}

intptr_t GetWindowLongPtr(WindowHandle hwnd, int index) {
  return (hwnd != nullptr && index == 0) ? hwnd->extraWord : 0;
}

void SetWindowLongPtr(WindowHandle hwnd, int index, intptr_t value) {
  if (hwnd != nullptr && index == 0) hwnd->extraWord = value;
}

void InvalidateRect(WindowHandle hwnd) {
  if (hwnd != nullptr) hwnd->paintPending = true;
}

void ValidateRect(WindowHandle hwnd) {
  if (hwnd != nullptr) hwnd->paintPending = false;
}

intptr_t DefWindowProc(WindowHandle hwnd, uint32_t message, uintptr_t /*wParam*/,
                       intptr_t /*lParam*/) {
  switch (message) {
    case WM_NCCREATE:
      return 1;
    case WM_PAINT:
      ValidateRect(hwnd);
      return 0;
    case WM_CLOSE:
      // The default closing destroys the window.
      if (hwnd != nullptr) {
        hwnd->destroyed = true;
        hwnd->visible = false;
      }
      return 0;
    default:
      return 0;
  }
}

Surface* GetDC(WindowHandle hwnd) {
  return hwnd != nullptr ? &hwnd->screen : nullptr;
}

void ReleaseDC(WindowHandle hwnd, Surface* dc) {
  if (hwnd != nullptr && dc == &hwnd->screen) dc->Release();
}

bool PeekMessage(Message* message, platform::Pace pace) {
  return Sys().Peek(message, false, pace);
}
int GetMessage(Message* message) {
  return Sys().Get(message);
}
void WaitMessageUntil(Tick deadline) {
  Sys().WaitMessageUntil(deadline);
}
void TranslateMessage(const Message& /*message*/) {}
intptr_t DispatchMessage(const Message& message) {
  return Sys().Dispatch(message);
}

void PostMessage(WindowHandle hwnd, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  Sys().Post(Message{hwnd, message, wParam, lParam});
}

void PostQuitMessage(int exitCode) {
  Sys().PostQuit(exitCode);
}

Tick GetTickCount() {
  return Sys().backend().Now();
}

void Sleep(uint32_t ms) {
  platform::Backend& backend = Sys().backend();
  const Tick end = backend.Now() + ms;
  Sys().PresentAll();
  const int32_t left = static_cast<int32_t>(end - backend.Now());
  backend.Sleep(left > 0 ? static_cast<uint32_t>(left) : 0);
}

int MessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
               uint32_t style) {
  return Sys().ShowMessageBox(owner, text, caption, style);
}

void Mark(const std::string& what) {
  Sys().Mark(what);
}

void Trace(std::string_view event, std::initializer_list<TraceField> fields) {
  Sys().Trace(event, fields);
}

std::string ModuleFileName() {
  return Sys().backend().ModuleFileName();
}

void ReportToStderr(const std::string& what) {
  const std::string program = ModuleFileName();
  const std::string name = program.substr(program.find_last_of('/') + 1);
  std::fprintf(stderr, "%s: %s\n", name.c_str(), what.c_str());
}

}  // namespace services
