// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/TerminalUi.h"

#include <algorithm>
#include <cctype>

#include "base/TrimText.h"
#include "commands/BackupChecksum.h"

namespace rz::cli {

namespace {

// One whole line from `in`, without its line feed; nullopt at the end of input.
std::optional<std::string> ReadLine(std::FILE* in) {
  std::string line;
  for (int c; (c = std::fgetc(in)) != EOF;) {
    if (c == '\n') return line;
    line += static_cast<char>(c);
  }
  if (line.empty()) return std::nullopt;
  return line;
}

// "y"/"yes" and "n"/"no" in any letter case, blanks around ignored; an empty line takes the
// default the prompt shows (No). nullopt for anything else.
std::optional<bool> ParseAnswer(std::string s) {
  const auto notBlank = [](unsigned char c) { return !std::isspace(c); };
  s.erase(s.begin(), std::find_if(s.begin(), s.end(), notBlank));
  s.erase(std::find_if(s.rbegin(), s.rend(), notBlank).base(), s.end());
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (s == "y" || s == "yes") return true;
  if (s.empty() || s == "n" || s == "no") return false;
  return std::nullopt;
}

}  // namespace

TerminalUi::TerminalUi(std::FILE* out, std::FILE* err, std::deque<bool> answers, bool interactive,
                       std::FILE* in)
    : out_(out), err_(err), in_(in), answers_(std::move(answers)), interactive_(interactive) {}

void TerminalUi::Print(const std::string& text) {
  EndProgress();
  // Message texts may carry CR LF pairs; a terminal wants plain line feeds.
  std::string s;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    s += text[i];
  }
  std::fprintf(out_, "%s\n", s.c_str());
  std::fflush(out_);
}

bool TerminalUi::Ask(const std::string& text) {
  if (!answers_.empty()) {
    const bool a = answers_.front();
    answers_.pop_front();
    std::fprintf(out_, "%s [y/N] %s\n", text.c_str(), a ? "yes" : "no");
    std::fflush(out_);
    return a;
  }
  if (!interactive_) {
    std::fprintf(out_, "%s [y/N] no\n", text.c_str());
    std::fflush(out_);
    return false;
  }
  // A whole line is one answer, however long: nothing of it is left for the next question.
  for (;;) {
    std::fprintf(out_, "%s [y/N] ", text.c_str());
    std::fflush(out_);
    const auto line = ReadLine(in_);
    if (!line) {
      std::fprintf(out_, "no\n");
      return false;
    }
    if (const auto answer = ParseAnswer(*line)) return *answer;
    std::fprintf(out_, "Please answer yes or no.\n");
  }
}

bool TerminalUi::MessageBox(const std::string& caption, const std::string& text,
                            ui::Buttons buttons, ui::Icon, ui::Owner) {
  EndProgress();
  const std::string shown = caption.empty() ? text : caption + ": " + text;
  if (buttons == ui::Buttons::YesNo) return Ask(shown);
  Print(shown);
  return false;
}

void TerminalUi::ShowMessage(const std::string& text) { Print(text); }

void TerminalUi::SkinnedMessage(const std::string& text) { Print(completed_.Shown(text, true)); }

std::string TerminalUi::Flat(std::string text) {
  std::replace(text.begin(), text.end(), '\r', ' ');
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

bool TerminalUi::SkinnedQuestion(const std::string& text) {
  EndProgress();
  return Ask(Flat(text));
}

void TerminalUi::AnsweredQuestion(const std::string& text, bool answer) {
  EndProgress();
  std::fprintf(out_, "%s [y/N] %s\n", Flat(text).c_str(), answer ? "yes" : "no");
  std::fflush(out_);
}

std::optional<std::string> TerminalUi::SaveFileDialog(const std::string&, const std::string&,
                                                      const std::string&) {
  return dialogAnswer_;
}

std::optional<std::string> TerminalUi::OpenFileDialog(const std::string&, const std::string&) {
  return dialogAnswer_;
}

void TerminalUi::SetLabel(ui::Label label, const std::string& text) {
  static const char* const kNames[] = {"BIOS version", "EEPROM", "EEPROM size"};
  const auto i = static_cast<int>(label);
  labels_[i] = text;
  EndProgress();
  // The EEPROM name label is padded to a fixed width; the terminal line is not.
  std::fprintf(out_, "%s: %s\n", kNames[i], TrimmedRight(text).c_str());
  std::fflush(out_);
}

void TerminalUi::SetStatus(const std::string& text) {
  EndProgress();
  std::fprintf(out_, "[%s]\n", text.c_str());
  std::fflush(out_);
}

void TerminalUi::Notice(const std::string& text) {
  EndProgress();
  std::fprintf(stderr, "rzflash-cli: %s\n", text.c_str());
  std::fflush(stderr);
}

void TerminalUi::MessageRepeated(const std::string& text, std::uint64_t times) {
  Print("(" + std::to_string(times) + " more times: " + text + ")");
}

void TerminalUi::CopyKept(const ui::KeptCopy& copy) {
  kept_.push_back(copy);
  completed_.Kept(copy);
  if (copy.kind == ui::KeptCopy::Kind::SafetyBackup) Print("Safety backup: " + copy.path);
  const std::string where = copy.path + commands::kChecksumSuffix;
  Print("SHA-256: " + copy.sha256 +
        (copy.checksumStored ? " (in " + where + ")" : " (" + where + " could not be written)"));
}

void TerminalUi::ReportProgress(ui::Phase phase, std::uint32_t done, std::uint32_t total) {
  if (!err_) return;
  if (progressShown_ != phase) EndProgress();  // each phase on a line of its own
  const char* name = ui::PhaseName(phase);
  if (const auto percent = ui::ProgressPercent(done, total)) {
    std::string bar(*percent / 4, '#');
    bar.resize(25, '.');
    std::fprintf(err_, "\r%-11s [%s] %3u%% ", name, bar.c_str(), *percent);
  } else if (!progressShown_) {
    std::fprintf(err_, "%-11s ...", name);
  }
  std::fflush(err_);
  progressShown_ = phase;
  if (total != ui::kUnknownTotal && done >= total) EndProgress();
}

void TerminalUi::EndProgress() {
  if (!progressShown_) return;
  std::fprintf(err_, "\n");
  std::fflush(err_);
  progressShown_.reset();
}

std::optional<std::string> TerminalUi::Label(ui::Label label) const {
  return labels_[static_cast<int>(label)];
}

}  // namespace rz::cli
