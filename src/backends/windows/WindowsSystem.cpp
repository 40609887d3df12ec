// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/windows/WindowsSystem.h"

#include <cstdio>
#include <vector>

#include "backends/windows/driver/OsVersionCode.h"
#include "base/Paths.h"
#include "host/windows/Utf16.h"
#include "host/windows/WideName.h"

namespace rz::platform {

WindowsSystem::WindowsSystem(WindowsSystemOptions options) : options_(std::move(options)) {}

WindowsSystem::~WindowsSystem() = default;

std::string WindowsSystem::ExecutablePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size())
      return win::NarrowExact(std::wstring_view(buffer.data(), n)).value_or(std::string());
    // A path that filled the buffer may have been cut: read it again with room to spare.
    if (buffer.size() >= 0x8000) return {};
    buffer.resize(buffer.size() * 2);
  }
}

bool WindowsSystem::AnotherInstanceRunning(const std::string& name) {
  instance_.reset();  // a mutex this object holds already is not another instance
  // The name is the program's own, in ASCII: the code page's calls take it as it is.
  const std::string global = "Global\\" + name;
  instance_.reset(::OpenMutexA(MUTEX_ALL_ACCESS, FALSE, global.c_str()));
  if (instance_) return true;
  const HANDLE created = ::CreateMutexA(nullptr, FALSE, global.c_str());
  const DWORD error = ::GetLastError();
  instance_.reset(created);
  return (created && error == ERROR_ALREADY_EXISTS) || (!created && error == ERROR_ACCESS_DENIED);
}

void WindowsSystem::ReleaseSingleInstance() { instance_.reset(); }

void WindowsSystem::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

std::string WindowsSystem::GetCurrentDirectory() {
  for (int attempt = 0; attempt < 3; ++attempt) {
    const DWORD needed = ::GetCurrentDirectoryW(0, nullptr);
    if (needed == 0) return {};
    std::vector<wchar_t> buffer(needed);
    const DWORD n = ::GetCurrentDirectoryW(needed, buffer.data());
    if (n > 0 && n < needed)
      return win::NarrowExact(std::wstring_view(buffer.data(), n)).value_or(std::string());
    // The folder changed between the two calls to a longer one: ask again.
  }
  return {};
}

bool WindowsSystem::SetCurrentDirectory(const std::string& path) {
  const win::WideName name(path);
  return !path.empty() && name && ::SetCurrentDirectoryW(name.c_str()) != FALSE;
}

std::string WindowsSystem::ScratchDirectory() {
  if (!scratch_ || scratch_->Path().empty())
    scratch_ = std::make_unique<RunFolder>(RunFolderKind::Run, options_.tempRoot);
  return scratch_->Path();
}

std::uint32_t WindowsSystem::GetOSVer() {
  const std::string folder =
      options_.libraryFolder.empty() ? FolderOf(ExecutablePath()) : options_.libraryFolder;
  // Without a folder the library would be searched for, the current folder included.
  if (folder.empty()) return MachineIs64Bit() ? kOwnCode64Bit : kOwnCode32Bit;
  return OsVersionCode(folder + kMakerLibraryName);
}

LocalTime WindowsSystem::Now() {
  SYSTEMTIME t{};
  ::GetLocalTime(&t);
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

void WindowsSystem::WriteStdoutLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace rz::platform
