// SPDX-License-Identifier: GPL-3.0-or-later
// The Ui seam over the Qt windows: message boxes, the skinned dialogs, file dialogs, the main
// window's labels, busy switch and progress bar. It only renders: RecordingUi writes the
// transcript.
#pragma once
#include <functional>
#include <string>

#include "gui/MainForm.h"
#include "commands/CompletedFlashMessage.h"
#include "ui/Ui.h"

namespace rz::gui {

class QtUi final : public ui::Ui {
 public:
  // `programFolder` gives the folder the skin files are taken from (known once start-up set it).
  QtUi(TForm1& form, std::function<std::string()> programFolder);

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

 private:
  TForm1& form_;
  commands::CompletedFlashMessage completed_;
  std::function<std::string()> programFolder_;
};

}  // namespace rz::gui
