// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Transcript.h"

namespace rz::ui {

std::string EscapeTranscriptText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      default: out += c;
    }
  }
  return out;
}

namespace {
// Built by appending: GCC 12 at -O3 reports a false -Wrestrict for "\"" + std::string&&.
std::string Quoted(const std::string& s) {
  std::string out(1, '"');
  out += EscapeTranscriptText(s);
  out += '"';
  return out;
}
const char* YesNoWord(bool yes) { return yes ? "yes" : "no"; }
}  // namespace

void Transcript::MessageBox(const std::string& caption, const std::string& text, Buttons buttons,
                            Icon icon, std::optional<bool> answer) {
  std::string line = "box " + Quoted(caption) + (buttons == Buttons::YesNo ? " yesno " : " ok ") +
                     (icon == Icon::Error ? "error" : "none");
  if (buttons == Buttons::YesNo) line += std::string(" -> ") + YesNoWord(answer.value_or(false));
  Add(line + ": " + EscapeTranscriptText(text));
}
void Transcript::Dialog(const std::string& text) { Add("dialog: " + EscapeTranscriptText(text)); }
void Transcript::Msg(const std::string& text) { Add("msg: " + EscapeTranscriptText(text)); }
void Transcript::YesNo(const std::string& text, bool answer) {
  Add(std::string("yesno -> ") + YesNoWord(answer) + ": " + EscapeTranscriptText(text));
}
void Transcript::SaveDialog(const std::string& dir, const std::string& name,
                            const std::optional<std::string>& result) {
  Add("save-dialog " + Quoted(dir) + " " + Quoted(name) + " -> " +
      (result ? EscapeTranscriptText(*result) : std::string("cancel")));
}
void Transcript::OpenDialog(const std::string& dir, const std::optional<std::string>& result) {
  Add("open-dialog " + Quoted(dir) + " -> " +
      (result ? EscapeTranscriptText(*result) : std::string("cancel")));
}
void Transcript::SetLabel(Label label, const std::string& text) {
  Add(std::string("label ") + LabelName(label) + ": " + EscapeTranscriptText(text));
}
void Transcript::Status(const std::string& text) { Add("status: " + EscapeTranscriptText(text)); }
void Transcript::Repeated(std::uint64_t times, const std::string& text) {
  Add("repeated " + std::to_string(times) + ": " + EscapeTranscriptText(text));
}
void Transcript::Launch(const std::string& path, const std::string& args) {
  Add("launch " + Quoted(path) + " " + Quoted(args));
}
void Transcript::Kept(const KeptCopy& copy) {
  Add(std::string("kept ") + KeptCopyKindName(copy.kind) + " sha256 " + copy.sha256 +
      (copy.checksumStored ? "" : " unstored") + ": " + EscapeTranscriptText(copy.path));
}
void Transcript::Restart() { Add("restart"); }
void Transcript::Help(const std::string& path) { Add("help " + Quoted(path)); }
void Transcript::Stdout(const std::string& text) { Add("stdout: " + EscapeTranscriptText(text)); }
void Transcript::Exit(int code) { Add("exit " + std::to_string(code)); }

std::string Transcript::Text() const {
  std::string out;
  for (const auto& l : lines_) out += l + "\n";
  return out;
}

}  // namespace rz::ui
