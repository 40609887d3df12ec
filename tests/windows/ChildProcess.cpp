// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChildProcess.h"

#include <fstream>
#include <iterator>
#include <vector>

#include "WindowsFiles.h"

namespace rz::test {

namespace {

platform::win::OwnedHandle InheritableFile(const std::string& path, DWORD access,
                                           DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return platform::win::OwnedHandle(::CreateFileW(winfiles::SystemWide(path).c_str(), access,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                                  disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

ChildProcess::ChildProcess(const std::string& commandLine, const std::string& folder)
    : ChildProcess(winfiles::SystemWide(commandLine), folder) {}

ChildProcess::ChildProcess(const std::wstring& commandLine, const std::string& folder) {
  if (output_.Path().empty()) return;
  const auto in = InheritableFile("NUL", GENERIC_READ, OPEN_EXISTING);
  const auto out = InheritableFile(output_.File("out"), GENERIC_WRITE, CREATE_ALWAYS);
  const auto err = InheritableFile(output_.File("err"), GENERIC_WRITE, CREATE_ALWAYS);
  if (!in || !out || !err) return;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in.get();
  startup.hStdOutput = out.get();
  startup.hStdError = err.get();
  PROCESS_INFORMATION info{};
  std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
  line.push_back(L'\0');
  const std::wstring inFolder = winfiles::SystemWide(folder);
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        folder.empty() ? nullptr : inFolder.c_str(), &startup, &info))
    return;
  ::CloseHandle(info.hThread);
  process_.reset(info.hProcess);
}

ChildResult ChildProcess::Wait() {
  ChildResult result;
  if (!process_) return result;
  ::WaitForSingleObject(process_.get(), INFINITE);
  DWORD code = 0;
  ::GetExitCodeProcess(process_.get(), &code);
  result.started = true;
  result.exitCode = code;
  result.out = winfiles::ReadWide(output_.File("out"));
  result.err = winfiles::ReadWide(output_.File("err"));
  return result;
}

ChildResult RunChild(const std::string& commandLine, const std::string& folder) {
  return ChildProcess(commandLine, folder).Wait();
}

ScopedEnvironment::ScopedEnvironment(std::string name, const std::optional<std::string>& value)
    : name_(std::move(name)) {
  const std::wstring wide = winfiles::SystemWide(name_);
  const DWORD needed = ::GetEnvironmentVariableW(wide.c_str(), nullptr, 0);
  if (needed > 0) {
    std::vector<wchar_t> text(needed);
    const DWORD n = ::GetEnvironmentVariableW(wide.c_str(), text.data(), needed);
    before_ = winfiles::SystemUtf8(std::wstring(text.data(), n));
  }
  Set(value);
}

ScopedEnvironment::~ScopedEnvironment() { Set(before_); }

void ScopedEnvironment::Set(const std::optional<std::string>& value) {
  ::SetEnvironmentVariableW(winfiles::SystemWide(name_).c_str(),
                            value ? winfiles::SystemWide(*value).c_str() : nullptr);
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

}  // namespace rz::test
