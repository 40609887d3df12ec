// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/MainWindow.h"

#include <commctrl.h>

#include <exception>

#include "skin/Colour.h"
#include "skin/Labels.h"
#include "host/windows/Utf16.h"

namespace rz::win32 {

using platform::win::Narrow;
using platform::win::Widen;

namespace {

constexpr UINT_PTR kAnimationTimer = 1;
constexpr int kFirstPlainId = 1000;

std::size_t IndexOf(skin::MainLabel label) {
  for (std::size_t i = 0; i < skin::kMainLabels.size(); ++i)
    if (skin::kMainLabels[i].id == label) return i;
  return 0;
}

// A vertical gradient over `r`, row by row as the skin shades it.
void Gradient(HDC dc, const RECT& r, skin::Rgb top, skin::Rgb bottom) {
  const int rows = r.bottom - r.top;
  for (int row = 0; row < rows; ++row) {
    OwnedGdi brush(::CreateSolidBrush(Colour(skin::Shade(top, bottom, row, rows))));
    const RECT line{r.left, r.top + row, r.right, r.top + row + 1};
    ::FillRect(dc, &line, static_cast<HBRUSH>(brush.get()));
  }
}

}  // namespace

MainWindow::MainWindow()
    : SkinWindow(nullptr, skin::kMainCaption, skin::kDesignWidth, skin::kDesignHeight,
                 kMainBackgroundResource, 0, WS_EX_APPWINDOW),
      formFont_(MakeFont(skin::kFormFont)) {
  const INITCOMMONCONTROLSEX progress{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
  ::InitCommonControlsEx(&progress);
  for (std::size_t i = 0; i < skin::kMainLabels.size(); ++i) {
    labels_[i] = skin::LabelText(skin::kMainLabels[i].initialText);
    fonts_[i] = MakeFont(skin::kMainLabels[i].font);
  }
  static_assert(skin::kPlainControls.size() == std::tuple_size_v<decltype(plain_)>);
  for (std::size_t i = 0; i < skin::kPlainControls.size(); ++i) {
    const skin::PlainControlLayout& layout = skin::kPlainControls[i];
    const wchar_t* cls = L"BUTTON";
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
    switch (layout.kind) {
      case skin::PlainControl::Button: style |= BS_PUSHBUTTON; break;
      case skin::PlainControl::GroupBox: style = WS_CHILD | WS_VISIBLE | BS_GROUPBOX; break;
      case skin::PlainControl::ProgressBar: cls = PROGRESS_CLASSW; break;
      case skin::PlainControl::Memo: cls = L"EDIT"; style |= ES_READONLY | WS_BORDER; break;
    }
    plain_[i] = ::CreateWindowExW(0, cls, Widen(layout.text).c_str(), style, layout.rect.left,
                                  layout.rect.top, layout.rect.width, layout.rect.height, Handle(),
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstPlainId + i)),
                                  ::GetModuleHandleW(nullptr), nullptr);
    ::SendMessageW(plain_[i], WM_SETFONT, reinterpret_cast<WPARAM>(formFont_.get()), FALSE);
  }
  // The group box's own labels are its children, so that they show over it.
  HWND group = plain_[skin::PlainControlIndex("GroupBox1")];
  for (const skin::LabelLayout& layout : skin::kMainLabels) {
    if (!layout.inGroupBox) continue;
    HWND label = ::CreateWindowExW(0, L"STATIC", Widen(layout.initialText).c_str(),
                                   WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, layout.left,
                                   layout.top, 120, layout.font.pixelSize + 4, group, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
    ::SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(formFont_.get()), FALSE);
  }
  Buttons().onClick = [this](skin::Action action) { Act(action); };
}

void MainWindow::LoadSkin(const std::string& programFolder) {
  programFolder_ = programFolder;
  for (const skin::ImageButtonLayout& layout : skin::kMainButtons) Buttons().Add(layout, programFolder);
  RedrawNow();
}

void MainWindow::SetCommandButtonsEnabled(bool enabled) {
  busy_.Set(enabled);
  for (std::size_t i = 0; i < skin::kPlainControls.size(); ++i)
    if (skin::kPlainControls[i].busySwitched) ::EnableWindow(plain_[i], enabled);
  Buttons().SetEnabled(enabled);
  if (enabled && progress_.Visible()) {
    ::KillTimer(Handle(), kAnimationTimer);
    progress_.Stop();
    const RECT r = ToRect(skin::kStatusProgress);
    RedrawNow(&r);
    if (onProgress) onProgress(progress_);
  }
}

void MainWindow::ShowProgress(const std::string& phase, std::optional<int> percent) {
  if (!busy_.ShowsProgress()) return;
  const bool wasAnimating = progress_.Animating();
  const bool changed = progress_.Set(phase, percent);
  if (progress_.Animating() && !wasAnimating)
    ::SetTimer(Handle(), kAnimationTimer, skin::Progress::kAnimationMs, nullptr);
  if (!progress_.Animating()) ::KillTimer(Handle(), kAnimationTimer);
  if (changed) {
    const RECT r = ToRect(skin::kStatusProgress);
    RedrawNow(&r);  // at once: the command keeps the event loop busy
    if (onProgress) onProgress(progress_);
  }
}

void MainWindow::SizeWindowToBackground() {
  const SIZE size = BitmapSize(Background());
  ::SetWindowPos(Handle(), nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT MainWindow::LabelArea(skin::MainLabel label, HDC dc) const {
  const std::size_t i = IndexOf(label);
  const skin::LabelLayout& layout = skin::kMainLabels[i];
  RECT r{layout.left, layout.top, layout.left, layout.top};
  HGDIOBJ old = ::SelectObject(dc, fonts_[i].get());
  const std::wstring text = Widen(labels_[i]);
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
              DT_CALCRECT | DT_LEFT | DT_TOP | DT_NOPREFIX);
  ::SelectObject(dc, old);
  return r;
}

void MainWindow::SetLabel(skin::MainLabel label, const std::string& text) {
  HDC dc = ::GetDC(Handle());
  RECT before = LabelArea(label, dc);
  labels_[IndexOf(label)] = skin::LabelText(text);
  RECT after = LabelArea(label, dc), both;
  ::ReleaseDC(Handle(), dc);
  ::UnionRect(&both, &before, &after);
  RedrawNow(&both);  // shown at once, even inside a command that keeps the event loop busy
}

const std::string& MainWindow::LabelText(skin::MainLabel label) const {
  return labels_[IndexOf(label)];
}

bool MainWindow::PlainControlEnabled(const char* name) const {
  return ::IsWindowEnabled(plain_[skin::PlainControlIndex(name)]) != FALSE;
}

void MainWindow::Show() {
  if (!shownOnce_) {
    shownOnce_ = true;
    CentreOnScreen();
  }
  ::ShowWindow(Handle(), SW_SHOW);
  ::UpdateWindow(Handle());
}

void MainWindow::PaintExtra(HDC dc) {
  ::SetBkMode(dc, TRANSPARENT);
  for (std::size_t i = 0; i < skin::kMainLabels.size(); ++i) {
    const skin::LabelLayout& layout = skin::kMainLabels[i];
    if (layout.inGroupBox) continue;  // the group box's own children
    RECT r = LabelArea(layout.id, dc);
    HGDIOBJ old = ::SelectObject(dc, fonts_[i].get());
    ::SetTextColor(dc, layout.yellow ? Colour(skin::kLabelYellow) : ::GetSysColor(COLOR_WINDOWTEXT));
    const std::wstring text = Widen(labels_[i]);
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
                DT_LEFT | DT_TOP | DT_NOPREFIX | DT_NOCLIP);
    ::SelectObject(dc, old);
  }
  if (progress_.Visible()) PaintProgress(dc);
}

void MainWindow::PaintProgress(HDC dc) {
  const skin::Rect area = skin::kStatusProgress;
  const int w = area.width, h = area.height;
  auto at = [&](const skin::Rect& r) {
    return RECT{area.left + r.left, area.top + r.top, area.left + r.Right(),
                area.top + r.Bottom()};
  };
  Gradient(dc, ToRect(area), skin::kPanelTop, skin::kPanelBottom);
  const std::size_t status = IndexOf(skin::MainLabel::Status);
  HGDIOBJ old = ::SelectObject(dc, fonts_[status].get());
  ::SetTextColor(dc, Colour(skin::kLabelYellow));
  RECT text = at(skin::Progress::TextArea(w, h));
  const std::wstring wide = Widen(progress_.Text());
  ::DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &text,
              DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  ::SelectObject(dc, old);
  OwnedGdi line(::CreateSolidBrush(Colour(skin::kPanelLine)));
  const RECT frame = at(skin::Progress::Frame(w, h));
  ::FrameRect(dc, &frame, static_cast<HBRUSH>(line.get()));
  const skin::Rect filled = progress_.Filled(w, h);
  if (filled.width > 0) Gradient(dc, at(filled), skin::kAccent, skin::kAccentDark);
}

void MainWindow::RunGuarded(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& e) {
    if (onFailure) onFailure(e.what());
  } catch (...) {
    if (onFailure) onFailure(std::string());
  }
}

void MainWindow::btSaveClick() {
  if (onSave) RunGuarded(onSave);
}

void MainWindow::btFlashClick() {
  if (onFlash) RunGuarded(onFlash);
}

void MainWindow::ShowHelp() {
  // The result is not checked: a missing file is the viewer's to report.
  RunGuarded([this] {
    if (shell) shell->Open(programFolder_ + "HELP.CHM");
  });
}

void MainWindow::Act(skin::Action action) {
  switch (action) {
    case skin::Action::Close: Close(); break;
    case skin::Action::Minimize: ::ShowWindow(Handle(), SW_MINIMIZE); break;
    case skin::Action::Help: ShowHelp(); break;
    case skin::Action::Save: btSaveClick(); break;
    case skin::Action::Flash: btFlashClick(); break;
    default: break;
  }
}

LRESULT MainWindow::Message(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      if (!busy_.MayClose()) return 0;  // a half-done save or flash must finish first
      ::ShowWindow(Handle(), SW_HIDE);
      if (onClosed) onClosed();
      return 0;
    case WM_QUERYENDSESSION: return busy_.CancelsSessionEnd() ? FALSE : TRUE;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      // The plain controls on the form's face colour, as the design has them.
      ::SetBkColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    case WM_TIMER:
      if (wParam == kAnimationTimer && progress_.Animating()) {
        progress_.Tick();
        const RECT r = ToRect(skin::kStatusProgress);
        ::InvalidateRect(Handle(), &r, FALSE);
      }
      return 0;
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) {
        const std::size_t i = LOWORD(wParam) - kFirstPlainId;
        if (i >= skin::kPlainControls.size()) break;
        const std::string_view name = skin::kPlainControls[i].name;
        if (name == "btSave") btSaveClick();
        if (name == "btFlash") btFlashClick();
        if (name == "btExit") Close();
        return 0;
      }
      break;
    default: break;
  }
  return SkinWindow::Message(message, wParam, lParam);
}

}  // namespace rz::win32
