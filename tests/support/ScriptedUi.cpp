// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ScriptedUi.h"

namespace rz::ui {

bool ScriptedFrontEnd::NextAnswer() {
  if (answers_.empty()) return false;
  const bool a = answers_.front();
  answers_.pop_front();
  return a;
}

std::optional<std::string> ScriptedFrontEnd::NextFile() {
  if (files_.empty()) return std::nullopt;
  auto f = std::move(files_.front());
  files_.pop_front();
  return f;
}

bool ScriptedFrontEnd::MessageBox(const std::string& caption, const std::string& text,
                                  Buttons buttons, Icon icon, Owner owner) {
  UiEvent e{EventKind::MessageBox, caption, text, buttons, icon, owner};
  if (buttons == Buttons::YesNo) e.answer = NextAnswer();
  events_.push_back(e);
  return e.answer.value_or(false);
}

void ScriptedFrontEnd::ShowMessage(const std::string& text) {
  events_.push_back(UiEvent{EventKind::SimpleMessage, kApplicationTitle, text});
}

void ScriptedFrontEnd::SkinnedMessage(const std::string& text) {
  events_.push_back(UiEvent{EventKind::SkinnedMessage, "", text});
}

bool ScriptedFrontEnd::SkinnedQuestion(const std::string& text) {
  UiEvent e{EventKind::SkinnedQuestion, "", text, Buttons::YesNo};
  e.answer = NextAnswer();
  events_.push_back(e);
  return *e.answer;
}

std::optional<std::string> ScriptedFrontEnd::SaveFileDialog(const std::string& title,
                                                            const std::string& initialDir,
                                                            const std::string& initialName) {
  UiEvent e{EventKind::SaveDialog, title, initialDir};
  e.initialName = initialName;
  e.path = NextFile();
  events_.push_back(e);
  return e.path;
}

std::optional<std::string> ScriptedFrontEnd::OpenFileDialog(const std::string& title,
                                                            const std::string& initialDir) {
  UiEvent e{EventKind::OpenDialog, title, initialDir};
  e.path = NextFile();
  events_.push_back(e);
  return e.path;
}

void ScriptedFrontEnd::SetLabel(Label label, const std::string& text) {
  UiEvent e{EventKind::SetLabel, "", text};
  e.label = label;
  events_.push_back(e);
}

void ScriptedFrontEnd::SetStatus(const std::string& text) {
  events_.push_back(UiEvent{EventKind::SetStatus, "", text});
}

void ScriptedFrontEnd::SetCommandButtonsEnabled(bool enabled) {
  UiEvent e{EventKind::ButtonsEnabled};
  e.answer = enabled;
  events_.push_back(e);
}

void ScriptedFrontEnd::LoadSkin() { events_.push_back(UiEvent{EventKind::LoadSkin}); }
void ScriptedFrontEnd::SizeWindowToBackground() {
  events_.push_back(UiEvent{EventKind::SizeWindow});
}
void ScriptedFrontEnd::ProcessEvents() { events_.push_back(UiEvent{EventKind::ProcessEvents}); }

std::vector<std::string> ScriptedUi::Messages() const {
  std::vector<std::string> out;
  for (const auto& e : Events()) {
    if (e.kind == EventKind::MessageBox || e.kind == EventKind::SimpleMessage ||
        e.kind == EventKind::SkinnedMessage || e.kind == EventKind::SkinnedQuestion)
      out.push_back(e.text);
  }
  return out;
}

std::optional<std::string> ScriptedUi::LabelText(Label label) const {
  std::optional<std::string> t;
  for (const auto& e : Events())
    if (e.kind == EventKind::SetLabel && e.label == label) t = e.text;
  return t;
}

std::optional<std::string> ScriptedUi::StatusText() const {
  std::optional<std::string> t;
  for (const auto& e : Events())
    if (e.kind == EventKind::SetStatus) t = e.text;
  return t;
}

}  // namespace rz::ui
