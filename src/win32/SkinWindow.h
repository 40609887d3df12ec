// SPDX-License-Identifier: GPL-3.0-or-later
// A borderless window shaped by its background picture (pixels of the window key colour are not
// part of it), moved by dragging the background with the left button, with image buttons drawn
// over the background. The main window and the skinned dialogs are made of it.
#pragma once
#include <functional>
#include <string>

#include "host/windows/Win32.h"
#include "skin/Layout.h"
#include "win32/Gdi.h"
#include "win32/ImageButtons.h"

namespace rz::win32 {

class SkinWindow {
 public:
  virtual ~SkinWindow();
  SkinWindow(const SkinWindow&) = delete;
  SkinWindow& operator=(const SkinWindow&) = delete;

  HWND Handle() const { return hwnd_; }
  ImageButtons& Buttons() { return buttons_; }
  // Redraws `area` (the whole window when null) at once, outside the paint cycle.
  void RedrawNow(const RECT* area = nullptr);
  // Centres the window on the work area of its monitor.
  void CentreOnScreen();
  // The system's interactive move, as a press on a title bar starts it; replaceable for tests.
  std::function<void(HWND)> systemMove = StartSystemMove;
  static void StartSystemMove(HWND window);

 protected:
  // `backgroundResource`: the bitmap resource of the background, drawn at (0, `backgroundTop`).
  SkinWindow(HWND owner, const char* caption, int width, int height, int backgroundResource,
             int backgroundTop, DWORD extraStyle);
  // The window's own messages; the default handles the rest.
  virtual LRESULT Message(UINT message, WPARAM wParam, LPARAM lParam);
  // What the window draws over its background and buttons (in client coordinates).
  virtual void PaintExtra(HDC dc) { (void)dc; }
  // The window's shape again after its size changed.
  void Reshape();
  HGDIOBJ Background() const { return background_.get(); }

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void Paint();

  HWND hwnd_ = nullptr;
  OwnedGdi background_;
  int backgroundTop_ = 0;
  ImageButtons buttons_{nullptr};
};

}  // namespace rz::win32
