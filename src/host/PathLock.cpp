// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/PathLock.h"

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "base/Utf8Path.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace rz::platform {

namespace fs = std::filesystem;

namespace {

// The path as the lock names it: absolute, links followed, one separator; on Windows without
// regard to case (of every script), as the system finds files.
std::string LockedPath(const std::string& path) {
  std::error_code ec;
  const fs::path given = PathFromUtf8(path);
  fs::path p = fs::weakly_canonical(fs::absolute(given, ec), ec);
  if (ec) p = fs::absolute(given, ec).lexically_normal();
#ifdef _WIN32
  std::wstring text = p.generic_wstring();
  if (!text.empty())  // same length: lower case maps each UTF-16 unit to one
    ::LCMapStringW(LOCALE_INVARIANT, LCMAP_LOWERCASE, text.data(), static_cast<int>(text.size()),
                   text.data(), static_cast<int>(text.size()));
  return Utf8FromPath(fs::path(text));
#else
  return p.generic_string();
#endif
}

// 64-bit FNV-1a of the path, in hex: a name of fixed length for any path.
std::string Digest(const std::string& text) {
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (const unsigned char c : text) {
    h ^= c;
    h *= 0x100000001b3ull;
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
  return hex;
}

}  // namespace

#ifdef _WIN32
PathLock::PathLock(const std::string& path)
    : name_("Local\\rzflash-path-" + Digest(LockedPath(path))) {
  const HANDLE h = ::CreateMutexA(nullptr, FALSE, name_.c_str());  // ASCII: a digest of the path
  const DWORD error = ::GetLastError();
  if (!h) {
    error_ = "the lock " + name_ + " could not be made (error " + std::to_string(error) + ")";
    return;
  }
  if (error == ERROR_ALREADY_EXISTS) {
    ::CloseHandle(h);
    state_ = State::HeldElsewhere;
    return;
  }
  handle_ = reinterpret_cast<std::intptr_t>(h);
  state_ = State::Held;
}

PathLock::~PathLock() {
  if (handle_ != -1) ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
}
#else
PathLock::PathLock(const std::string& path) : name_("rzflash-path-" + Digest(LockedPath(path))) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    error_ = std::string("no socket for the lock: ") + std::strerror(errno);
    return;
  }
  // An abstract name (a leading zero byte): no file, gone with the last descriptor.
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path + 1, name_.data(), name_.size());
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name_.size());
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0) {
    handle_ = fd;
    state_ = State::Held;
    return;
  }
  const int error = errno;
  ::close(fd);
  if (error == EADDRINUSE)
    state_ = State::HeldElsewhere;
  else
    error_ = "the lock " + name_ + " could not be taken: " + std::strerror(error);
}

PathLock::~PathLock() {
  if (handle_ != -1) ::close(static_cast<int>(handle_));
}
#endif

}  // namespace rz::platform
