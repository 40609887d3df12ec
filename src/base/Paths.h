// SPDX-License-Identifier: GPL-3.0-or-later
// Path separator of the platform the program runs on, and the folder part of a path.
#pragma once
#include <string>

namespace rz {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
// Windows takes "/" between folders as well as its own separator.
inline constexpr const char* kPathSeparators = "\\/";
#else
inline constexpr char kPathSeparator = '/';
inline constexpr const char* kPathSeparators = "/";
#endif

// The folder part of `path` including its trailing separator; empty when it has none.
inline std::string FolderOf(const std::string& path) {
  const auto pos = path.find_last_of(kPathSeparators);
  return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

// The file name of `path` without its folder.
inline std::string FileNameOf(const std::string& path) {
  const auto pos = path.find_last_of(kPathSeparators);
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

}  // namespace rz
