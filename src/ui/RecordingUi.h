// SPDX-License-Identifier: GPL-3.0-or-later
// The transcript over any Ui: each call goes to the front end, which only renders it, and then
// its line is written with the answer the front end gave. One writer for every front end, so
// their transcripts cannot drift apart.
#pragma once
#include "ui/Transcript.h"
#include "ui/Ui.h"

namespace rz::ui {

class RecordingUi : public Ui {
 public:
  RecordingUi(Ui& inner, Transcript& transcript) : inner_(inner), t_(transcript) {}
  RecordingUi(const RecordingUi&) = delete;
  RecordingUi& operator=(const RecordingUi&) = delete;

  bool MessageBox(const std::string& caption, const std::string& text, Buttons buttons, Icon icon,
                  Owner owner) override;
  void ShowMessage(const std::string& text) override;
  void SkinnedMessage(const std::string& text) override;
  bool SkinnedQuestion(const std::string& text) override;
  void AnsweredQuestion(const std::string& text, bool answer) override;
  std::optional<std::string> SaveFileDialog(const std::string& title, const std::string& initialDir,
                                            const std::string& initialName) override;
  std::optional<std::string> OpenFileDialog(const std::string& title,
                                            const std::string& initialDir) override;
  void SetLabel(Label label, const std::string& text) override;
  void SetStatus(const std::string& text) override;
  // Written as a status line.
  void Notice(const std::string& text) override;
  void MessageRepeated(const std::string& text, std::uint64_t times) override;
  void CopyKept(const KeptCopy& copy) override;

  // Not part of the transcript: passed on as they are.
  void SetCommandButtonsEnabled(bool enabled) override { inner_.SetCommandButtonsEnabled(enabled); }
  void LoadSkin() override { inner_.LoadSkin(); }
  void SizeWindowToBackground() override { inner_.SizeWindowToBackground(); }
  void ProcessEvents() override { inner_.ProcessEvents(); }
  void ReportProgress(Phase phase, std::uint32_t done, std::uint32_t total) override {
    inner_.ReportProgress(phase, done, total);
  }

 private:
  Ui& inner_;
  Transcript& t_;
};

}  // namespace rz::ui
