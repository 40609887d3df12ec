// SPDX-License-Identifier: GPL-3.0-or-later
// TFormMsg and TFormYesNo as native windows: small borderless skinned dialogs, shown modally over
// the main window (which is disabled meanwhile). A button press answers (Yes: true, any other:
// false) and closes; Escape closes with no; Enter does nothing, as no button has the focus.
#pragma once
#include <functional>
#include <string>

#include "skin/Layout.h"
#include "win32/SkinWindow.h"

namespace rz::win32 {

class SkinDialog final : public SkinWindow {
 public:
  SkinDialog(HWND owner, const skin::DialogLayout& layout, const std::string& programFolder);

  void SetMessage(const std::string& text);
  const std::string& MessageText() const { return message_; }
  // Shows the dialog and waits until it closes; returns Answer.
  bool Exec();
  bool Answer = false;
  // Called once the dialog shows, before waiting (tests answer it from here).
  std::function<void(SkinDialog&)> onShown;

 protected:
  LRESULT Message(UINT message, WPARAM wParam, LPARAM lParam) override;
  void PaintExtra(HDC dc) override;

 private:
  void Finish(bool answer);
  HWND owner_;
  std::string message_;
  OwnedGdi font_;
  bool open_ = false;
};

}  // namespace rz::win32
