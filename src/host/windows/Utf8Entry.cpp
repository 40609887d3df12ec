// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/windows/Utf8Entry.h"

#include <atomic>
#include <cstdio>

#include "host/windows/Utf16.h"
#include "host/windows/Win32.h"

namespace rz::platform::win {

namespace {

// The code page a control event must put back. The system runs the handler routine on a thread
// of its own and it reaches no object, so this one word is the process's; 0: nothing to put back.
std::atomic<UINT> codePageToRestore{0};

// Puts the console's code page back and lets the next routine (normally the system's default,
// which ends the program) answer the event.
BOOL WINAPI RestoreOnControlEvent(DWORD) {
  if (const UINT before = codePageToRestore.exchange(0)) ::SetConsoleOutputCP(before);
  return FALSE;
}

}  // namespace

Utf8Arguments::Utf8Arguments(int argc, const wchar_t* const* argv) {
  for (int i = 0; i < argc && argv && argv[i]; ++i) {
    const std::wstring_view argument(argv[i]);
    if (auto exact = NarrowExact(argument)) {
      text_.push_back(std::move(*exact));
      continue;
    }
    text_.push_back(Narrow(argument));
    if (problem_.empty())
      problem_ = "argument " + std::to_string(i) + " is not Unicode text (it holds a lone " +
                 "surrogate, shown as U+FFFD): " + text_.back();
  }
  for (std::string& t : text_) pointers_.push_back(t.data());
  pointers_.push_back(nullptr);
}

Utf8ConsoleOutput::Utf8ConsoleOutput() {
  const UINT current = ::GetConsoleOutputCP();  // 0 without a console
  if (current == 0 || current == CP_UTF8 || codePageToRestore.load() != 0) return;
  if (!::SetConsoleOutputCP(CP_UTF8)) return;
  before_ = current;
  codePageToRestore = current;
  ::SetConsoleCtrlHandler(RestoreOnControlEvent, TRUE);
}

Utf8ConsoleOutput::~Utf8ConsoleOutput() {
  if (before_ == 0) return;
  std::fflush(nullptr);  // what is still buffered is shown in UTF-8 too
  ::SetConsoleCtrlHandler(RestoreOnControlEvent, FALSE);
  if (codePageToRestore.exchange(0) != 0) ::SetConsoleOutputCP(before_);
}

int RunWithUtf8(int argc, const wchar_t* const* argv, Utf8Program program) {
  const Utf8ConsoleOutput console;
  Utf8Arguments arguments(argc, argv);
  return program(arguments.Count(), arguments.Argv(), arguments.Problem());
}

}  // namespace rz::platform::win
