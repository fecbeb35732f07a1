// The calls the programs make, named after the operating-system services they
// replace. They act on the installed System (services/system.h).
#pragma once

#include <cstdint>
#include <string>

#include "platform/backend.h"
#include "services/surface.h"
#include "services/types.h"
#include "services/window.h"

namespace services {

// True when a program holding the single-instance lock `className` runs; when
// none does, this process takes the lock for the rest of its life.
[[nodiscard]] bool FindWindow(const std::string& className);
// False when there is no display; the reason is in System::lastError().
[[nodiscard]] bool RegisterClass(const WindowClass& windowClass);
[[nodiscard]] WindowHandle CreateWindow(const std::string& className, const std::string& title,
                                        uint32_t style, int x, int y, int w, int h,
                                        void* createParams);
int GetSystemMetrics(int index);
Rect AdjustWindowRect(Rect client, uint32_t style);
void ShowWindow(WindowHandle hwnd, int showCommand);
void UpdateWindow(WindowHandle hwnd);
void BringWindowToFront(WindowHandle hwnd);
// Gives the window a new title (SetWindowText).
void SetWindowText(WindowHandle hwnd, const std::string& text);
intptr_t GetWindowLongPtr(WindowHandle hwnd, int index);
void SetWindowLongPtr(WindowHandle hwnd, int index, intptr_t value);
void InvalidateRect(WindowHandle hwnd);
void ValidateRect(WindowHandle hwnd);
intptr_t DefWindowProc(WindowHandle hwnd, uint32_t message, uintptr_t wParam, intptr_t lParam);
// The window's screen surface (GetDC) and its release (ReleaseDC).
Surface* GetDC(WindowHandle hwnd);
void ReleaseDC(WindowHandle hwnd, Surface* dc);

// PM_NOREMOVE. Shows what was drawn on the windows first, at `pace`.
[[nodiscard]] bool PeekMessage(Message* message, platform::Pace pace = platform::Pace::kWait);
// 0 when the quit message was taken: a dropped result loses the quit.
[[nodiscard]] int GetMessage(Message* message);
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

// Tells observers that the program reached a named moment (see System::Mark).
void Mark(const std::string& what);

// Full path of the running program (GetModuleFileName).
std::string ModuleFileName();

// One line on standard error under the program's name ("scenedemo: WHAT"):
// what a loader's or the media player's box says, with the file or device and
// the reason a person needs to mend it. The boxes alone would not tell why.
void ReportToStderr(const std::string& what);

}  // namespace services
