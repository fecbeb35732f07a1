// Basic types of the emulated services: ticks, rectangles, window messages and the
// numeric constants the demos use, with the values of the system they came from.
#pragma once

#include <cstdint>

namespace services {

using Tick = uint32_t;  // milliseconds, wraps after 2^32

struct Size {
  int width = 0;
  int height = 0;
};

struct Rect {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
};

class Window;
using WindowHandle = Window*;  // null: no window

// Window messages.
constexpr uint32_t WM_NULL = 0x0000;
constexpr uint32_t WM_CREATE = 0x0001;
constexpr uint32_t WM_PAINT = 0x000F;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_NCCREATE = 0x0081;
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_COMMAND = 0x0111;
constexpr uint32_t WM_MOUSEMOVE = 0x0200;
constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr uint32_t WM_LBUTTONUP = 0x0202;
constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
constexpr uint32_t WM_RBUTTONUP = 0x0205;
constexpr uint32_t MM_MCINOTIFY = 0x03B9;

// Media notice codes (wParam of MM_MCINOTIFY).
constexpr uint32_t MCI_NOTIFY_SUCCESSFUL = 0x0001;
constexpr uint32_t MCI_NOTIFY_SUPERSEDED = 0x0002;
constexpr uint32_t MCI_NOTIFY_ABORTED = 0x0004;
constexpr uint32_t MCI_NOTIFY_FAILURE = 0x0008;

// Window styles.
constexpr uint32_t WS_POPUP = 0x80000000u;
constexpr uint32_t WS_CHILD = 0x40000000u;
constexpr uint32_t WS_CAPTION = 0x00C00000u;
constexpr uint32_t WS_SYSMENU = 0x00080000u;
constexpr uint32_t WS_MINIMIZEBOX = 0x00020000u;

// Class styles.
constexpr uint32_t CS_VREDRAW = 0x0001;
constexpr uint32_t CS_HREDRAW = 0x0002;
constexpr uint32_t CS_OWNDC = 0x0020;
constexpr uint32_t CS_BYTEALIGNCLIENT = 0x1000;

// System metrics.
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;

// Message box styles and answers.
constexpr uint32_t MB_OK = 0x0000;
constexpr uint32_t MB_OKCANCEL = 0x0001;
constexpr uint32_t MB_YESNOCANCEL = 0x0003;
constexpr uint32_t MB_YESNO = 0x0004;
constexpr uint32_t MB_ICONHAND = 0x0010;
constexpr uint32_t MB_ICONERROR = 0x0010;
constexpr uint32_t MB_ICONQUESTION = 0x0020;
constexpr uint32_t MB_ICONEXCLAMATION = 0x0030;
constexpr uint32_t MB_ICONASTERISK = 0x0040;
constexpr uint32_t MB_DEFBUTTON2 = 0x0100;
constexpr uint32_t MB_DEFBUTTON3 = 0x0200;
constexpr uint32_t MB_TASKMODAL = 0x2000;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Show commands.
constexpr int SW_SHOW = 5;
constexpr int SW_SHOWDEFAULT = 10;

}  // namespace services
