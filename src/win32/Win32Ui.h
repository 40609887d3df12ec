// SPDX-License-Identifier: GPL-3.0-or-later
// The Ui seam over the native windows: message boxes, the skinned dialogs, the common file
// dialogs, the main window's labels, busy switch and progress bar. It only renders: RecordingUi
// writes the transcript.
#pragma once
#include <functional>
#include <string>

#include "commands/CompletedFlashMessage.h"
#include "ui/Ui.h"
#include "win32/MainWindow.h"
#include "win32/SkinDialog.h"

namespace rz::win32 {

class Win32Ui final : public ui::Ui {
 public:
  // `programFolder` gives the folder the skin files are taken from (known once start-up set it).
  Win32Ui(MainWindow& main, std::function<std::string()> programFolder);

  bool MessageBox(const std::string& caption, const std::string& text, ui::Buttons buttons,
                  ui::Icon icon, ui::Owner owner) override;
  void ShowMessage(const std::string& text) override;
  void SkinnedMessage(const std::string& text) override;
  bool SkinnedQuestion(const std::string& text) override;
  std::optional<std::string> SaveFileDialog(const std::string& title, const std::string& initialDir,
                                            const std::string& initialName) override;
  std::optional<std::string> OpenFileDialog(const std::string& title,
                                            const std::string& initialDir) override;
  void SetLabel(ui::Label label, const std::string& text) override;
  void SetStatus(const std::string& text) override;
  void SetCommandButtonsEnabled(bool enabled) override;
  void LoadSkin() override;
  void SizeWindowToBackground() override;
  void ProcessEvents() override;
  void ReportProgress(ui::Phase phase, std::uint32_t done, std::uint32_t total) override;
  void CopyKept(const ui::KeptCopy& copy) override { completed_.Kept(copy); }

  // Called when a skinned dialog shows (tests answer it from here).
  std::function<void(SkinDialog&)> onSkinDialog;

 private:
  bool RunSkinDialog(const skin::DialogLayout& layout, const std::string& text);
  HWND VisibleMain() const;

  MainWindow& main_;
  std::function<std::string()> programFolder_;
  commands::CompletedFlashMessage completed_;
};

}  // namespace rz::win32
