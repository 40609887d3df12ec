// Files on Windows for the file-system tests: whole-file text reads and writes, and the count of
// the replacement's temporary files left in a folder.
#pragma once
#include <fstream>
#include <iterator>
#include <string>

#include "host/windows/Win32.h"
#include "platform/files/FileReplacement.h"

namespace rz::test::winfiles {

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Names in `folder` that look like the replacement's temporary files.
inline int Leftovers(const std::string& folder) {
  int n = 0;
  WIN32_FIND_DATAA found{};
  const HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  do {
    if (std::string(found.cFileName).rfind(platform::kReplacementPrefix, 0) == 0) ++n;
  } while (::FindNextFileA(search, &found));
  ::FindClose(search);
  return n;
}

}  // namespace rz::test::winfiles
