// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/Win32Ui.h"

#include <commdlg.h>

#include <vector>

#include "skin/Labels.h"
#include "host/windows/Utf16.h"

namespace rz::win32 {

using platform::win::Narrow;
using platform::win::Widen;

namespace {

// The file dialogs' common options: no read-only check box, the current folder left alone,
// resizable, and no file filter; the save dialog asks before replacing a file.
std::optional<std::string> RunFileDialog(HWND owner, bool save, const std::string& title,
                                         const std::string& dir, const std::string& name) {
  std::vector<wchar_t> file(32768, L'\0');
  // A proposed name is a zero-terminated text: whatever follows a zero character is not shown.
  const std::wstring shown = Widen(name.substr(0, name.find('\0')));
  shown.copy(file.data(), std::min(shown.size(), file.size() - 1));
  const std::wstring wideTitle = Widen(title), wideDir = Widen(dir);
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrTitle = wideTitle.c_str();
  ofn.lpstrInitialDir = wideDir.empty() ? nullptr : wideDir.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_ENABLESIZING |
              OFN_PATHMUSTEXIST | (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  const BOOL chosen = save ? ::GetSaveFileNameW(&ofn) : ::GetOpenFileNameW(&ofn);
  if (!chosen) return std::nullopt;
  std::optional<std::string> path = platform::win::NarrowExact(file.data());
  if (!path)  // a name with an unpaired surrogate: no UTF-8 text can name that file
    ::MessageBoxW(owner, L"This file name cannot be used. Please choose another name.",
                  Widen(title).c_str(), MB_OK | MB_ICONERROR);
  return path;
}

}  // namespace

Win32Ui::Win32Ui(MainWindow& main, std::function<std::string()> programFolder)
    : main_(main), programFolder_(std::move(programFolder)) {}

HWND Win32Ui::VisibleMain() const {
  return ::IsWindowVisible(main_.Handle()) ? main_.Handle() : nullptr;
}

bool Win32Ui::MessageBox(const std::string& caption, const std::string& text, ui::Buttons buttons,
                         ui::Icon icon, ui::Owner owner) {
  const UINT flags = (buttons == ui::Buttons::YesNo ? MB_YESNO : MB_OK) |
                     (icon == ui::Icon::Error ? MB_ICONERROR : 0);
  const int pressed =
      ::MessageBoxW(owner == ui::Owner::MainWindow ? main_.Handle() : nullptr,
                    Widen(text).c_str(), Widen(caption).c_str(), flags);
  return buttons == ui::Buttons::YesNo && pressed == IDYES;
}

void Win32Ui::ShowMessage(const std::string& text) {
  ::MessageBoxW(VisibleMain(), Widen(text).c_str(), Widen(ui::kApplicationTitle).c_str(), MB_OK);
}

bool Win32Ui::RunSkinDialog(const skin::DialogLayout& layout, const std::string& text) {
  SkinDialog dialog(main_.Handle(), layout, programFolder_());
  dialog.SetMessage(text);
  dialog.onShown = onSkinDialog;
  return dialog.Exec();
}

void Win32Ui::SkinnedMessage(const std::string& text) {
  RunSkinDialog(skin::kMessageDialog, completed_.Shown(text));
}

bool Win32Ui::SkinnedQuestion(const std::string& text) {
  return RunSkinDialog(skin::kQuestionDialog, text);
}

std::optional<std::string> Win32Ui::SaveFileDialog(const std::string& title,
                                                   const std::string& initialDir,
                                                   const std::string& initialName) {
  return RunFileDialog(main_.Handle(), true, title, initialDir, initialName);
}

std::optional<std::string> Win32Ui::OpenFileDialog(const std::string& title,
                                                   const std::string& initialDir) {
  return RunFileDialog(main_.Handle(), false, title, initialDir, "");
}

void Win32Ui::SetLabel(ui::Label label, const std::string& text) {
  main_.SetLabel(skin::LabelFor(label), text);
}

void Win32Ui::SetStatus(const std::string& text) { main_.SetLabel(skin::MainLabel::Status, text); }
void Win32Ui::SetCommandButtonsEnabled(bool enabled) { main_.SetCommandButtonsEnabled(enabled); }
void Win32Ui::LoadSkin() { main_.LoadSkin(programFolder_()); }
void Win32Ui::SizeWindowToBackground() { main_.SizeWindowToBackground(); }

void Win32Ui::ProcessEvents() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {  // for the main loop
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

void Win32Ui::ReportProgress(ui::Phase phase, std::uint32_t done, std::uint32_t total) {
  std::optional<int> percent;
  if (const auto p = ui::ProgressPercent(done, total)) percent = static_cast<int>(*p);
  main_.ShowProgress(ui::PhaseName(phase), percent);
}

}  // namespace rz::win32
