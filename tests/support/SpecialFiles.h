// SPDX-License-Identifier: GPL-3.0-or-later
// Files of the kinds that are not plain files, for tests that make them where the system has
// them: named pipes and endless devices exist on POSIX systems only, and symbolic links may need
// rights a Windows user lacks. A test that needs one skips, with the reason, where it cannot be.
#pragma once
#include <filesystem>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace rz::test {

#ifdef _WIN32
inline constexpr const char* kNoPipes = "no named pipes in a Windows file system";
inline constexpr const char* kEndlessDevice = "";
#else
inline constexpr const char* kNoPipes = "";
// A device that reads without end.
inline constexpr const char* kEndlessDevice = "/dev/zero";
#endif

// A named pipe nobody writes to (opening it for reading would wait); false where there are none.
inline bool MakeNamedPipe(const std::string& path) {
#ifdef _WIN32
  (void)path;
  return false;
#else
  return ::mkfifo(path.c_str(), 0600) == 0;
#endif
}

// A symbolic link at `link` to `target`; false where it cannot be made.
inline bool MakeLink(const std::filesystem::path& target, const std::filesystem::path& link) {
  std::error_code ec;
  std::filesystem::create_symlink(target, link, ec);
  return !ec;
}

}  // namespace rz::test
