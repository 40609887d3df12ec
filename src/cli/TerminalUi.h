// The terminal's Ui: messages are printed, questions take the scripted answers first and are then
// asked on the terminal (or answered No without one), file dialogs are answered by the command's
// file. Every event is also written to the transcript.
#pragma once
#include <cstdio>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "ui/Transcript.h"
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
  void SetCommandButtonsEnabled(bool) override {}
  void LoadSkin() override {}
  void SizeWindowToBackground() override {}
  void ProcessEvents() override {}
  void MessageRepeated(const std::string& text, std::uint64_t times) override;
  void ReportProgress(std::uint32_t done, std::uint32_t total) override;

  ui::Transcript& GetTranscript() { return transcript_; }
  // What the user saw last, for the command's verdict.
  const std::string& LastMessage() const { return lastMessage_; }
  bool SawMessage(const std::string& text) const;
  std::optional<std::string> Label(ui::Label label) const;

 private:
  bool Ask(const std::string& text);
  static std::string Flat(std::string text);
  void Print(const std::string& text);
  void Record(const std::string& text);
  void EndProgress();

  std::FILE* out_;
  std::FILE* err_;
  std::FILE* in_;
  std::deque<bool> answers_;
  bool interactive_;
  bool progressShown_ = false;
  std::optional<std::string> dialogAnswer_;
  std::string lastMessage_;
  std::vector<std::string> messages_;
  std::optional<std::string> labels_[3];
  ui::Transcript transcript_;
};

}  // namespace rz::cli
