// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/RecordingUi.h"

namespace rz::ui {

bool RecordingUi::MessageBox(const std::string& caption, const std::string& text, Buttons buttons,
                             Icon icon, Owner owner) {
  const bool yes = inner_.MessageBox(caption, text, buttons, icon, owner);
  // An OK box has no answer; its line shows none.
  t_.MessageBox(caption, text, buttons, icon,
                buttons == Buttons::YesNo ? std::optional<bool>(yes) : std::nullopt);
  return yes;
}

void RecordingUi::ShowMessage(const std::string& text) {
  inner_.ShowMessage(text);
  t_.Dialog(text);
}

void RecordingUi::SkinnedMessage(const std::string& text) {
  inner_.SkinnedMessage(text);
  t_.Msg(text);
}

bool RecordingUi::SkinnedQuestion(const std::string& text) {
  const bool yes = inner_.SkinnedQuestion(text);
  t_.YesNo(text, yes);
  return yes;
}

// Written as the question answered: the transcript shows what the answer was, not who gave it.
void RecordingUi::AnsweredQuestion(const std::string& text, bool answer) {
  inner_.AnsweredQuestion(text, answer);
  t_.YesNo(text, answer);
}

std::optional<std::string> RecordingUi::SaveFileDialog(const std::string& title,
                                                       const std::string& initialDir,
                                                       const std::string& initialName) {
  auto result = inner_.SaveFileDialog(title, initialDir, initialName);
  t_.SaveDialog(initialDir, initialName, result);
  return result;
}

std::optional<std::string> RecordingUi::OpenFileDialog(const std::string& title,
                                                       const std::string& initialDir) {
  auto result = inner_.OpenFileDialog(title, initialDir);
  t_.OpenDialog(initialDir, result);
  return result;
}

void RecordingUi::SetLabel(Label label, const std::string& text) {
  inner_.SetLabel(label, text);
  t_.SetLabel(label, text);
}

void RecordingUi::SetStatus(const std::string& text) {
  inner_.SetStatus(text);
  t_.Status(text);
}

void RecordingUi::Notice(const std::string& text) {
  inner_.Notice(text);
  t_.Status(text);
}

void RecordingUi::MessageRepeated(const std::string& text, std::uint64_t times) {
  inner_.MessageRepeated(text, times);
  t_.Repeated(times, text);
}

void RecordingUi::CopyKept(const KeptCopy& copy) {
  inner_.CopyKept(copy);
  t_.Kept(copy);
}

}  // namespace rz::ui
