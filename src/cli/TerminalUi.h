// SPDX-License-Identifier: GPL-3.0-or-later
// The terminal's Ui: messages are printed, questions take the scripted answers first and are then
// asked on the terminal (or answered No without one), file dialogs are answered by the command's
// file. The transcript is RecordingUi's to write.
#pragma once
#include <cstdio>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "commands/CompletedFlashMessage.h"
#include "ui/Ui.h"

namespace rz::cli {

class TerminalUi : public ui::Ui {
 public:
  // Questions not answered by `answers` are read from `in` when `interactive`.
  TerminalUi(std::FILE* out, std::FILE* err, std::deque<bool> answers, bool interactive,
             std::FILE* in = stdin);

  // The file the next save or open dialog answers with; nullopt cancels.
  void SetDialogAnswer(std::optional<std::string> path) { dialogAnswer_ = std::move(path); }

  bool MessageBox(const std::string& caption, const std::string& text, ui::Buttons buttons,
                  ui::Icon icon, ui::Owner owner) override;
  void ShowMessage(const std::string& text) override;
  void SkinnedMessage(const std::string& text) override;
  bool SkinnedQuestion(const std::string& text) override;
  void AnsweredQuestion(const std::string& text, bool answer) override;
  std::optional<std::string> SaveFileDialog(const std::string& title, const std::string& initialDir,
                                            const std::string& initialName) override;
  std::optional<std::string> OpenFileDialog(const std::string& title,
                                            const std::string& initialDir) override;
  void SetLabel(ui::Label label, const std::string& text) override;
  void SetStatus(const std::string& text) override;
  // On standard error, whatever stream the rest goes to.
  void Notice(const std::string& text) override;
  void SetCommandButtonsEnabled(bool) override {}
  void LoadSkin() override {}
  void SizeWindowToBackground() override {}
  void ProcessEvents() override {}
  void MessageRepeated(const std::string& text, std::uint64_t times) override;
  // Where the copy is and its SHA-256, on the output; kept for the JSON object.
  void CopyKept(const ui::KeptCopy& copy) override;
  // A bar on the error stream (when there is one): the phase, its share done and the percentage;
  // the phase alone while an outside program works without telling how far it is.
  void ReportProgress(ui::Phase phase, std::uint32_t done, std::uint32_t total) override;

  // The text last set on a label; nullopt when never set.
  std::optional<std::string> Label(ui::Label label) const;
  // Every copy kept in this run, in order.
  const std::vector<ui::KeptCopy>& Kept() const { return kept_; }

 private:
  bool Ask(const std::string& text);
  static std::string Flat(std::string text);
  void Print(const std::string& text);
  void EndProgress();

  std::FILE* out_;
  std::FILE* err_;
  std::FILE* in_;
  std::deque<bool> answers_;
  bool interactive_;
  std::optional<ui::Phase> progressShown_;  // the phase whose bar line is open
  std::optional<std::string> dialogAnswer_;
  std::optional<std::string> labels_[3];
  std::vector<ui::KeptCopy> kept_;
  commands::CompletedFlashMessage completed_;
};

}  // namespace rz::cli
