// SPDX-License-Identifier: GPL-3.0-or-later
// Test helper, started in a console of its own (CREATE_NO_WINDOW gives one without a window):
//   rz_console_probe RESULT-FILE
// sets the console's output code page to 437, runs the command line in RZ_PROBE_COMMAND in the
// same console and waits for it, then writes to RESULT-FILE (UTF-8): "exit N", "codepage N" (the
// console's output code page after the run), and the console's characters as they are shown,
// row after row, up to the cursor's row.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/windows/OwnedHandles.h"

namespace {

std::string Utf8(const std::wstring& text) {
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
  return out;
}

std::wstring ShownText() {
  const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!::GetConsoleScreenBufferInfo(out, &info)) return L"";
  const DWORD cells = static_cast<DWORD>(info.dwSize.X) * (info.dwCursorPosition.Y + 1);
  std::wstring text(cells, L' ');
  DWORD got = 0;
  ::ReadConsoleOutputCharacterW(out, text.data(), cells, COORD{0, 0}, &got);
  text.resize(got);
  return text;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const wchar_t* command = ::_wgetenv(L"RZ_PROBE_COMMAND");
  if (argc < 2 || !command || !::SetConsoleOutputCP(437)) return 3;
  std::vector<wchar_t> line(command, command + std::wcslen(command) + 1);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info))
    return 4;
  const rz::platform::win::OwnedHandle process(info.hProcess);
  ::CloseHandle(info.hThread);
  ::WaitForSingleObject(process.get(), INFINITE);
  DWORD code = 0;
  ::GetExitCodeProcess(process.get(), &code);
  const std::string result = "exit " + std::to_string(code) + "\ncodepage " +
                             std::to_string(::GetConsoleOutputCP()) + "\n" + Utf8(ShownText());
  std::FILE* file = ::_wfopen(argv[1], L"wb");
  if (!file) return 5;
  std::fwrite(result.data(), 1, result.size(), file);
  return std::fclose(file) == 0 ? 0 : 5;
}
