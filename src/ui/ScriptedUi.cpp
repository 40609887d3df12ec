#include "ui/ScriptedUi.h"

namespace rz::ui {

bool ScriptedUi::NextAnswer() {
  if (answers_.empty()) return false;
  const bool a = answers_.front();
  answers_.pop_front();
  return a;
}

std::optional<std::string> ScriptedUi::NextFile() {
  if (files_.empty()) return std::nullopt;
  auto f = std::move(files_.front());
  files_.pop_front();
  return f;
}

bool ScriptedUi::MessageBox(const std::string& caption, const std::string& text, Buttons buttons,
                            Icon icon, Owner owner) {
  UiEvent e{EventKind::MessageBox, caption, text, buttons, icon, owner};
  if (buttons == Buttons::YesNo) e.answer = NextAnswer();
  events_.push_back(e);
  transcript_.MessageBox(caption, text, buttons, icon, e.answer);
  return e.answer.value_or(false);
}

void ScriptedUi::ShowMessage(const std::string& text) {
  events_.push_back(UiEvent{EventKind::SimpleMessage, kApplicationTitle, text});
  transcript_.Dialog(text);
}

void ScriptedUi::SkinnedMessage(const std::string& text) {
  events_.push_back(UiEvent{EventKind::SkinnedMessage, "", text});
  transcript_.Msg(text);
}

bool ScriptedUi::SkinnedQuestion(const std::string& text) {
  UiEvent e{EventKind::SkinnedQuestion, "", text, Buttons::YesNo};
  e.answer = NextAnswer();
  events_.push_back(e);
  transcript_.YesNo(text, *e.answer);
  return *e.answer;
}

std::optional<std::string> ScriptedUi::SaveFileDialog(const std::string& title,
                                                      const std::string& initialDir,
                                                      const std::string& initialName) {
  UiEvent e{EventKind::SaveDialog, title, initialDir};
  e.initialName = initialName;
  e.path = NextFile();
  events_.push_back(e);
  transcript_.SaveDialog(initialDir, initialName, e.path);
  return e.path;
}

std::optional<std::string> ScriptedUi::OpenFileDialog(const std::string& title,
                                                      const std::string& initialDir) {
  UiEvent e{EventKind::OpenDialog, title, initialDir};
  e.path = NextFile();
  events_.push_back(e);
  transcript_.OpenDialog(initialDir, e.path);
  return e.path;
}

void ScriptedUi::SetLabel(Label label, const std::string& text) {
  UiEvent e{EventKind::SetLabel, "", text};
  e.label = label;
  events_.push_back(e);
  transcript_.SetLabel(label, text);
}

void ScriptedUi::SetStatus(const std::string& text) {
  events_.push_back(UiEvent{EventKind::SetStatus, "", text});
  transcript_.Status(text);
}

void ScriptedUi::SetCommandButtonsEnabled(bool enabled) {
  UiEvent e{EventKind::ButtonsEnabled};
  e.answer = enabled;
  events_.push_back(e);
}

void ScriptedUi::LoadSkin() { events_.push_back(UiEvent{EventKind::LoadSkin}); }
void ScriptedUi::SizeWindowToBackground() { events_.push_back(UiEvent{EventKind::SizeWindow}); }
void ScriptedUi::ProcessEvents() { events_.push_back(UiEvent{EventKind::ProcessEvents}); }
void ScriptedUi::MessageRepeated(const std::string& text, std::uint64_t times) {
  transcript_.Repeated(times, text);
}

std::vector<std::string> ScriptedUi::Messages() const {
  std::vector<std::string> out;
  for (const auto& e : events_) {
    if (e.kind == EventKind::MessageBox || e.kind == EventKind::SimpleMessage ||
        e.kind == EventKind::SkinnedMessage || e.kind == EventKind::SkinnedQuestion)
      out.push_back(e.text);
  }
  return out;
}

std::optional<std::string> ScriptedUi::LabelText(Label label) const {
  std::optional<std::string> t;
  for (const auto& e : events_)
    if (e.kind == EventKind::SetLabel && e.label == label) t = e.text;
  return t;
}

std::optional<std::string> ScriptedUi::StatusText() const {
  std::optional<std::string> t;
  for (const auto& e : events_)
    if (e.kind == EventKind::SetStatus) t = e.text;
  return t;
}

}  // namespace rz::ui
