#include "ChildProcess.h"

#include <fstream>
#include <iterator>
#include <vector>

namespace rz::test {

namespace {

platform::win::OwnedHandle InheritableFile(const std::string& path, DWORD access,
                                           DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return platform::win::OwnedHandle(::CreateFileA(path.c_str(), access,
                                                  FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                                  disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

ChildProcess::ChildProcess(const std::string& commandLine, const std::string& folder) {
  if (output_.Path().empty()) return;
  const auto in = InheritableFile("NUL", GENERIC_READ, OPEN_EXISTING);
  const auto out = InheritableFile(output_.File("out"), GENERIC_WRITE, CREATE_ALWAYS);
  const auto err = InheritableFile(output_.File("err"), GENERIC_WRITE, CREATE_ALWAYS);
  if (!in || !out || !err) return;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in.get();
  startup.hStdOutput = out.get();
  startup.hStdError = err.get();
  PROCESS_INFORMATION info{};
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info))
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
  result.out = ReadWhole(output_.File("out"));
  result.err = ReadWhole(output_.File("err"));
  return result;
}

ChildResult RunChild(const std::string& commandLine, const std::string& folder) {
  return ChildProcess(commandLine, folder).Wait();
}

ScopedEnvironment::ScopedEnvironment(std::string name, const std::optional<std::string>& value)
    : name_(std::move(name)) {
  const DWORD needed = ::GetEnvironmentVariableA(name_.c_str(), nullptr, 0);
  if (needed > 0) {
    std::vector<char> text(needed);
    const DWORD n = ::GetEnvironmentVariableA(name_.c_str(), text.data(), needed);
    before_ = std::string(text.data(), n);
  }
  ::SetEnvironmentVariableA(name_.c_str(), value ? value->c_str() : nullptr);
}

ScopedEnvironment::~ScopedEnvironment() {
  ::SetEnvironmentVariableA(name_.c_str(), before_ ? before_->c_str() : nullptr);
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

}  // namespace rz::test
