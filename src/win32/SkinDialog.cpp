// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/SkinDialog.h"

#include "skin/Labels.h"
#include "win32/MainWindow.h"
#include "host/windows/Utf16.h"

namespace rz::win32 {

using platform::win::Narrow;
using platform::win::Widen;

SkinDialog::SkinDialog(HWND owner, const skin::DialogLayout& layout, const std::string& programFolder)
    : SkinWindow(owner, layout.caption, skin::kDialogWidth, skin::kDialogHeight,
                 kDialogBackgroundResource, skin::kDialogBackgroundTop, 0),
      owner_(owner),
      message_(skin::kMessageInitialText),
      font_(MakeFont(skin::kMessageFont)) {
  for (int i = 0; i < layout.buttonCount; ++i) Buttons().Add(layout.buttons[i], programFolder);
  Buttons().onClick = [this](skin::Action action) { Finish(action == skin::Action::Yes); };
}

void SkinDialog::SetMessage(const std::string& text) {
  message_ = skin::LabelText(text);
  if (::IsWindowVisible(Handle())) RedrawNow();
}

void SkinDialog::Finish(bool answer) {
  Answer = answer;
  open_ = false;
}

bool SkinDialog::Exec() {
  const bool ownerWasEnabled = owner_ && ::IsWindowEnabled(owner_);
  if (ownerWasEnabled) ::EnableWindow(owner_, FALSE);
  CentreOnScreen();
  ::ShowWindow(Handle(), SW_SHOW);
  ::SetForegroundWindow(Handle());
  ::SetFocus(Handle());
  ::UpdateWindow(Handle());
  open_ = true;
  if (onShown) onShown(*this);
  MSG msg;
  int quit = -1;
  while (open_) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {  // the application is ending: the dialog closes and the quit goes on
      quit = got == 0 ? static_cast<int>(msg.wParam) : 0;
      open_ = false;
      break;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  if (ownerWasEnabled) ::EnableWindow(owner_, TRUE);
  ::ShowWindow(Handle(), SW_HIDE);
  if (owner_) ::SetActiveWindow(owner_);
  if (quit >= 0) ::PostQuitMessage(quit);
  return Answer;
}

LRESULT SkinDialog::Message(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) Finish(false);
      return 0;
    case WM_CLOSE: Finish(false); return 0;
    default: break;
  }
  return SkinWindow::Message(message, wParam, lParam);
}

void SkinDialog::PaintExtra(HDC dc) {
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
  HGDIOBJ old = ::SelectObject(dc, font_.get());
  RECT r{skin::kMessageLeft, skin::kMessageTop, skin::kMessageLeft, skin::kMessageTop};
  const std::wstring text = Widen(message_);
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
              DT_CALCRECT | DT_LEFT | DT_TOP | DT_NOPREFIX);
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
              DT_LEFT | DT_TOP | DT_NOPREFIX | DT_NOCLIP);
  ::SelectObject(dc, old);
}

}  // namespace rz::win32
