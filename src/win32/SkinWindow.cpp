// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/SkinWindow.h"

#include <windowsx.h>

#include <stdexcept>

#include "skin/Colour.h"
#include "host/windows/Utf16.h"

namespace rz::win32 {

using platform::win::Narrow;
using platform::win::Widen;

namespace {

constexpr const wchar_t* kClassName = L"RzSkinWindow";

// The system's arrow and hand cursors (IDC_ARROW, IDC_HAND as wide resource names).
HCURSOR SystemCursor(bool hand) {
  return ::LoadCursorW(nullptr, MAKEINTRESOURCEW(hand ? 32649 : 32512));
}

skin::MouseButton ButtonOf(UINT message) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: return skin::MouseButton::Left;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP: return skin::MouseButton::Right;
    default: return skin::MouseButton::Middle;
  }
}

void RegisterClassOnce(WNDPROC procedure) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = procedure;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hIcon = ::LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
  wc.hCursor = SystemCursor(false);
  wc.lpszClassName = kClassName;
  ::RegisterClassExW(&wc);  // a second registration fails harmlessly: the class exists
}

}  // namespace

SkinWindow::SkinWindow(HWND owner, const char* caption, int width, int height,
                       int backgroundResource, int backgroundTop, DWORD extraStyle)
    : background_(LoadBitmapResource(backgroundResource)), backgroundTop_(backgroundTop) {
  RegisterClassOnce(&SkinWindow::Procedure);
  hwnd_ = ::CreateWindowExW(extraStyle, kClassName, Widen(caption).c_str(),
                            WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX,
                            CW_USEDEFAULT, CW_USEDEFAULT, width, height, owner, nullptr,
                            ::GetModuleHandleW(nullptr), this);
  if (!hwnd_) throw std::runtime_error("the window could not be created");
  buttons_ = ImageButtons(hwnd_);
  Reshape();
}

SkinWindow::~SkinWindow() {
  if (!hwnd_) return;
  ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  ::DestroyWindow(hwnd_);
}

LRESULT CALLBACK SkinWindow::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* window = reinterpret_cast<SkinWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!window || !window->hwnd_) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  return window->Message(message, wParam, lParam);
}

LRESULT SkinWindow::Message(UINT message, WPARAM wParam, LPARAM lParam) {
  const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  switch (message) {
    case WM_PAINT: Paint(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SIZE: Reshape(); return 0;
    case WM_MOUSEMOVE:
      buttons_.MouseMove(x, y, (wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) != 0);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (!buttons_.MouseDown(ButtonOf(message), x, y) && message == WM_LBUTTONDOWN &&
          systemMove)
        systemMove(hwnd_);
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: buttons_.MouseUp(ButtonOf(message), x, y); return 0;
    case WM_MOUSELEAVE: buttons_.MouseLeftWindow(); return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != hwnd_) buttons_.CaptureLost();
      return 0;
    case WM_SHOWWINDOW:
      if (!wParam) buttons_.Hidden();
      break;
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        POINT p;
        ::GetCursorPos(&p);
        ::ScreenToClient(hwnd_, &p);
        ::SetCursor(SystemCursor(buttons_.Over(p.x, p.y)));
        return TRUE;
      }
      break;
    default: break;
  }
  return ::DefWindowProcW(hwnd_, message, wParam, lParam);
}

void SkinWindow::Paint() {
  PAINTSTRUCT ps;
  HDC screen = ::BeginPaint(hwnd_, &ps);
  RECT client;
  ::GetClientRect(hwnd_, &client);
  HDC dc = ::CreateCompatibleDC(screen);
  OwnedGdi frame(::CreateCompatibleBitmap(screen, client.right, client.bottom));
  HGDIOBJ old = ::SelectObject(dc, frame.get());
  ::IntersectClipRect(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom);
  ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
  DrawBitmap(dc, background_.get(), 0, backgroundTop_);
  buttons_.Paint(dc);
  PaintExtra(dc);
  ::BitBlt(screen, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
           ps.rcPaint.bottom - ps.rcPaint.top, dc, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  ::EndPaint(hwnd_, &ps);
}

void SkinWindow::Reshape() {
  RECT client;
  ::GetClientRect(hwnd_, &client);
  const std::vector<skin::Rect> shape =
      skin::ShapeWithoutKey(client.right, client.bottom, ToPicture(background_.get()), 0,
                            backgroundTop_, skin::kWindowKey);
  ::SetWindowRgn(hwnd_, MakeRegion(shape), TRUE);  // the window owns the region now
}

void SkinWindow::RedrawNow(const RECT* area) {
  // The window paints under its children (the design's group box shows the form through it), so
  // the children are drawn again after it.
  ::RedrawWindow(hwnd_, area, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void SkinWindow::CentreOnScreen() {
  RECT window, work;
  ::GetWindowRect(hwnd_, &window);
  MONITORINFO info{sizeof info, {}, {}, 0};
  ::GetMonitorInfoW(::MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &info);
  work = info.rcWork;
  const int w = window.right - window.left, h = window.bottom - window.top;
  ::SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - w) / 2,
                 work.top + (work.bottom - work.top - h) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SkinWindow::StartSystemMove(HWND window) {
  ::ReleaseCapture();
  ::SendMessageW(window, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

}  // namespace rz::win32
