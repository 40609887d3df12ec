// SPDX-License-Identifier: GPL-3.0-or-later
// A Ui for tests: answers from scripted queues and records every event and transcript line.
#pragma once
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "ui/RecordingUi.h"
#include "ui/Transcript.h"
#include "ui/Ui.h"

namespace rz::ui {

enum class EventKind {
  MessageBox, SimpleMessage, SkinnedMessage, SkinnedQuestion, SaveDialog, OpenDialog,
  SetLabel, SetStatus, ButtonsEnabled, LoadSkin, SizeWindow, ProcessEvents
};

struct UiEvent {
  EventKind kind;
  std::string caption;  // message box caption; dialog title
  std::string text;     // message, label or status text; dialog initial folder
  Buttons buttons = Buttons::Ok;
  Icon icon = Icon::None;
  Owner owner = Owner::None;
  std::optional<bool> answer;       // yes/no questions, and ButtonsEnabled
  std::optional<std::string> path;  // file dialog result
  std::string initialName;          // save dialog's proposed file name
  Label label = Label::BiosVersion;
};

// The scripted front end: answers from queues and records every event; it writes no transcript.
class ScriptedFrontEnd final : public Ui {
 public:
  // Answers for yes/no questions (system yes/no boxes and the skinned question), in order.
  // When none is left the answer is No.
  void QueueAnswer(bool yes) { answers_.push_back(yes); }
  // Results for file dialogs, in order; nullopt cancels. When none is left the dialog is cancelled.
  void QueueFile(std::optional<std::string> path) { files_.push_back(std::move(path)); }

  bool MessageBox(const std::string& caption, const std::string& text, Buttons buttons, Icon icon,
                  Owner owner) override;
  void ShowMessage(const std::string& text) override;
  void SkinnedMessage(const std::string& text) override;
  bool SkinnedQuestion(const std::string& text) override;
  std::optional<std::string> SaveFileDialog(const std::string& title, const std::string& initialDir,
                                            const std::string& initialName) override;
  std::optional<std::string> OpenFileDialog(const std::string& title,
                                            const std::string& initialDir) override;
  void SetLabel(Label label, const std::string& text) override;
  void SetStatus(const std::string& text) override;
  void SetCommandButtonsEnabled(bool enabled) override;
  void LoadSkin() override;
  void SizeWindowToBackground() override;
  void ProcessEvents() override;

  const std::vector<UiEvent>& Events() const { return events_; }

 private:
  bool NextAnswer();
  std::optional<std::string> NextFile();
  std::deque<bool> answers_;
  std::deque<std::optional<std::string>> files_;
  std::vector<UiEvent> events_;
};

namespace detail {
// Built before the recording decorator that refers to them.
struct ScriptedParts {
  ScriptedFrontEnd frontEnd;
  Transcript transcript;
};
}  // namespace detail

// The scripted front end with its transcript written by RecordingUi, as every front end's is.
class ScriptedUi : private detail::ScriptedParts, public RecordingUi {
 public:
  ScriptedUi() : RecordingUi(frontEnd, transcript) {}

  void QueueAnswer(bool yes) { frontEnd.QueueAnswer(yes); }
  void QueueFile(std::optional<std::string> path) { frontEnd.QueueFile(std::move(path)); }

  const std::vector<UiEvent>& Events() const { return frontEnd.Events(); }
  Transcript& GetTranscript() { return transcript; }
  const std::vector<std::string>& Lines() const { return transcript.Lines(); }
  // Texts of message-like events (all four message kinds), in order.
  std::vector<std::string> Messages() const;
  // The last text set on a label or the status; nullopt when never set.
  std::optional<std::string> LabelText(Label label) const;
  std::optional<std::string> StatusText() const;
};

}  // namespace rz::ui
