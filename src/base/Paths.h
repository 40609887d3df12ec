// Path separator of the platform the program runs on, and the folder part of a path.
#pragma once
#include <string>

namespace rz {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// The folder part of `path` including its trailing separator; empty when it has none.
inline std::string FolderOf(const std::string& path) {
  const auto pos = path.find_last_of(kPathSeparator);
  return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

// The file name of `path` without its folder.
inline std::string FileNameOf(const std::string& path) {
  const auto pos = path.find_last_of(kPathSeparator);
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

}  // namespace rz
