// SPDX-License-Identifier: GPL-3.0-or-later
// One line per thing a person sees or answers, in fixed forms, so that runs can be compared.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "ui/Ui.h"

namespace rz::ui {

// Escapes backslash, double quote, carriage return and line feed as \\, \", \r and \n, so that
// a line stays one line and a quoted field ends only at its closing quote.
std::string EscapeTranscriptText(const std::string& text);

class Transcript {
 public:
  void MessageBox(const std::string& caption, const std::string& text, Buttons buttons, Icon icon,
                  std::optional<bool> answer);
  void Dialog(const std::string& text);
  void Msg(const std::string& text);
  void YesNo(const std::string& text, bool answer);
  void SaveDialog(const std::string& dir, const std::string& name,
                  const std::optional<std::string>& result);
  void OpenDialog(const std::string& dir, const std::optional<std::string>& result);
  void SetLabel(Label label, const std::string& text);
  void Status(const std::string& text);
  void Repeated(std::uint64_t times, const std::string& text);
  void Launch(const std::string& path, const std::string& args);
  void Kept(const KeptCopy& copy);
  void Restart();
  void Help(const std::string& path);
  void Stdout(const std::string& text);
  void Exit(int code);

  const std::vector<std::string>& Lines() const { return lines_; }
  void Clear() { lines_.clear(); }
  // All lines, each ended by a line feed.
  std::string Text() const;

 private:
  void Add(std::string line) { lines_.push_back(std::move(line)); }
  std::vector<std::string> lines_;
};

}  // namespace rz::ui
