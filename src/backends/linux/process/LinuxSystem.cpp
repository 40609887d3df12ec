// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/linux/process/LinuxSystem.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <vector>

#include "host/RunFolder.h"
#include "platform/driver/DriverFacts.h"

namespace rz::platform {
namespace {

std::string FromEnvironment(const char* name, const char* fallback) {
  const char* v = std::getenv(name);
  return (v && v[0] == '/') ? std::string(v) : std::string(fallback);
}

std::string WithoutTrailingSlash(std::string p) {
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return p;
}

// The home folder of the account this process runs as, from the password database.
std::string AccountHome() {
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
      !found->pw_dir || found->pw_dir[0] != '/')
    return {};
  return found->pw_dir;
}

}  // namespace

LinuxSystem::LinuxSystem(LinuxSystemOptions options)
    : options_(std::move(options)), lock_(options_.lockFile, options_.helper) {}

LinuxSystem::~LinuxSystem() {
  ReleaseSingleInstance();
}

std::string LinuxSystem::ExecutablePath() {
  std::vector<char> buffer(4096);
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) return {};
  return std::string(buffer.data(), static_cast<std::size_t>(n));
}

bool LinuxSystem::AnotherInstanceRunning(const std::string&) {
  return lock_.Take() == RunLockState::HeldElsewhere;
}

void LinuxSystem::ReleaseSingleInstance() { lock_.Release(); }

void LinuxSystem::Sleep(std::uint32_t milliseconds) {
  timespec left{static_cast<time_t>(milliseconds / 1000),
                static_cast<long>(milliseconds % 1000) * 1000000L};
  while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

std::string LinuxSystem::GetCurrentDirectory() {
  std::vector<char> buffer(4096);
  for (;;) {
    if (::getcwd(buffer.data(), buffer.size())) return std::string(buffer.data());
    if (errno != ERANGE || buffer.size() > (1u << 20)) return {};
    buffer.resize(buffer.size() * 2);
  }
}

bool LinuxSystem::SetCurrentDirectory(const std::string& path) {
  return !path.empty() && ::chdir(path.c_str()) == 0;
}

std::string LinuxSystem::ScratchDirectory() {
  if (scratch_.empty()) {
    // A run folder, so that the next run clears it when this one is killed.
    scratchFolder_ = std::make_unique<RunFolder>(RunFolderKind::Run, options_.tempDirectory);
    scratch_ = scratchFolder_->Path();
  }
  return scratch_;
}

std::uint32_t LinuxSystem::GetOSVer() { return sizeof(void*) == 8 ? kOwnCode64Bit : kOwnCode32Bit; }

LocalTime LinuxSystem::Now() {
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  if (!localtime_r(&now, &t)) return {};
  return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

void LinuxSystem::WriteStdoutLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

UserFolders LinuxSystem::GetUserFolders() {
  UserFolders folders;
  folders.home = WithoutTrailingSlash(FromEnvironment("HOME", ""));
  if (folders.home.empty()) folders.home = WithoutTrailingSlash(AccountHome());
  folders.dataHome = WithoutTrailingSlash(FromEnvironment("XDG_DATA_HOME", ""));
  if (folders.dataHome.empty() && !folders.home.empty())
    folders.dataHome = (folders.home == "/" ? "" : folders.home) + "/.local/share";
  return folders;
}

}  // namespace rz::platform
