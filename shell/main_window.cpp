#include "shell/main_window.h"

#include <string>

#include "shell/text.h"

namespace shell {

using namespace services;

MainWindow::MainWindow(const char* windowTitle) : title(windowTitle) {
  const int screenW = GetSystemMetrics(SM_CXSCREEN);
  const int screenH = GetSystemMetrics(SM_CYSCREEN);
  // Decorated only when the screen is larger than the window both ways;
  // otherwise a caption-less pop-up that covers a 640×480 screen exactly.
  style = (screenW > kClientWidth && screenH > kClientHeight)
              ? (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX)
              : (WS_POPUP | WS_SYSMENU);
  Rect outer = AdjustWindowRect(Rect{0, 0, kClientWidth, kClientHeight}, style);
  hwnd = CreateWindow(kWindowClassName, title, style, (screenW - outer.w) / 2,
                      (screenH - outer.h) / 2, outer.w, outer.h, static_cast<WindowBase*>(this));
  if (hwnd == nullptr) return;
  Show(SW_SHOWDEFAULT);
  Update();
  CreateBackBuffer();
}

void MainWindow::Show(int showCommand) {
  ShowWindow(hwnd, showCommand);
}

void MainWindow::Update() {
  UpdateWindow(hwnd);
}

void MainWindow::CreateBackBuffer() {
  BringWindowToFront(hwnd);
  screenDC = GetDC(hwnd);
  // A failed allocation leaves a surface that draws nothing.
  static_cast<void>(backBuffer_.Allocate());
  backDC = &backBuffer_;
  backDC->PatBlt(0, 0, kClientWidth, kClientHeight, RasterFill::kBlackness);
}

void MainWindow::OnPaint(WindowHandle /*window*/) {
  ValidateRect(hwnd);
  if (backDC == nullptr || released_) return;
  screenDC->BitBlt(0, 0, kClientWidth, kClientHeight, *backDC, 0, 0);
}

void MainWindow::OnClose(WindowHandle /*window*/) {
  if (released_) return;  // already confirmed; the quit is on its way
  std::string question = FitText(std::string(title) + "を終了します。よろしいですか？", 260);
  int answer = MessageBox(hwnd, question, title, MB_OKCANCEL | MB_ICONQUESTION);
  if (answer != IDOK) return;
  backBuffer_.Release();
  ReleaseDC(hwnd, screenDC);
  released_ = true;
  PostQuitMessage(0);
}

intptr_t MainWindow::HandleMessage(uint32_t message, uint32_t wParam, int32_t lParam) {
  switch (message) {
    case WM_CREATE:
      return 0;
    case WM_PAINT:
      OnPaint(hwnd);
      return 0;
    case WM_CLOSE:
      OnClose(hwnd);
      return 0;
    case WM_COMMAND:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      return 0;
    case MM_MCINOTIFY:
      if (player != nullptr) {
        player->OnMciNotify(hwnd, static_cast<uint32_t>(lParam) & 0xFFFF, wParam);
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProc(hwnd, message, wParam, lParam);
}

intptr_t WindowProcedure(WindowHandle hwnd, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  auto* object = reinterpret_cast<WindowBase*>(GetWindowLongPtr(hwnd, 0));
  if (object == nullptr) {
    if (message != WM_CREATE) return DefWindowProc(hwnd, message, wParam, lParam);
    const auto* create = reinterpret_cast<const CreateStruct*>(lParam);
    object = static_cast<WindowBase*>(create->createParams);
    SetWindowLongPtr(hwnd, 0, reinterpret_cast<intptr_t>(object));
  }
  return object->HandleMessage(message, static_cast<uint32_t>(wParam),
                               static_cast<int32_t>(lParam));
}

}  // namespace shell
