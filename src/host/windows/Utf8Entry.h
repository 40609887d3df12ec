// SPDX-License-Identifier: GPL-3.0-or-later
// The entry of a Windows console program whose own code reads its command line and writes its
// text in UTF-8: its wmain (linked with -municode, so that the runtime splits the command line as
// it always did, in UTF-16) hands its arguments and the program over to RunWithUtf8.
#pragma once
#include <string>
#include <vector>

namespace rz::platform::win {

// The command line's arguments in UTF-8.
class Utf8Arguments {
 public:
  Utf8Arguments(int argc, const wchar_t* const* argv);
  Utf8Arguments(const Utf8Arguments&) = delete;
  Utf8Arguments& operator=(const Utf8Arguments&) = delete;

  int Count() const { return static_cast<int>(text_.size()); }
  // argv's form: Count() texts, then a null pointer; valid while this lives.
  char** Argv() { return pointers_.data(); }
  // Empty when every argument converted exactly. Otherwise why the first one that did not could
  // not be read: it holds an unpaired surrogate (a file name NTFS allows that no UTF-8 text can
  // carry), shown with U+FFFD in its place, as it stands in Argv() too.
  const std::string& Problem() const { return problem_; }

 private:
  std::vector<std::string> text_;
  std::vector<char*> pointers_;
  std::string problem_;
};

// While it lives, the console the program writes to (if any) shows UTF-8: its output code page is
// CP_UTF8, and the one it had comes back when this goes or when a console control event ends
// the program. Standard output and error that are no console (files, pipes) get the bytes as
// they are either way.
class Utf8ConsoleOutput {
 public:
  Utf8ConsoleOutput();
  ~Utf8ConsoleOutput();
  Utf8ConsoleOutput(const Utf8ConsoleOutput&) = delete;
  Utf8ConsoleOutput& operator=(const Utf8ConsoleOutput&) = delete;

 private:
  unsigned before_ = 0;  // the console's code page before; 0: no console, or it was UTF-8 already
};

// The program's own entry: its arguments in UTF-8 and, when they cannot all be read, the reason
// (Utf8Arguments::Problem), which the program reports in its own way.
using Utf8Program = int (*)(int argc, char** argv, const std::string& argumentProblem);

// Runs `program` with the arguments converted and the console showing UTF-8; its exit status.
int RunWithUtf8(int argc, const wchar_t* const* argv, Utf8Program program);

}  // namespace rz::platform::win
