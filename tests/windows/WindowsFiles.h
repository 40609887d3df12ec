// SPDX-License-Identifier: GPL-3.0-or-later
// Files on Windows for the file-system tests: whole-file text reads and writes, and the count of
// the replacement's temporary files left in a folder. The ...Wide helpers take UTF-8 paths and
// reach the system's wide calls through the system's own converter, apart from the program's.
#pragma once
#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

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

// UTF-8 to UTF-16 by the system (MultiByteToWideChar).
inline std::wstring SystemWide(const std::string& utf8) {
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                      nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

inline std::string SystemUtf8(const std::wstring& utf16) {
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()),
                                      nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), out.data(), n,
                        nullptr, nullptr);
  return out;
}

// The names in `folder` (files and folders), as the system lists them, in UTF-8, sorted.
inline std::vector<std::string> ListingWide(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileW(SystemWide(folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(SystemUtf8(name));
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

inline std::string ReadWide(const std::string& path) {
  std::ifstream in(SystemWide(path).c_str(), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline bool WriteWide(const std::string& path, const std::string& text) {
  std::ofstream out(SystemWide(path).c_str(), std::ios::binary);
  out << text;
  out.close();
  return !out.fail();
}

inline bool MakeFolderWide(const std::string& path) {
  return ::CreateDirectoryW(SystemWide(path).c_str(), nullptr) != FALSE;
}

}  // namespace rz::test::winfiles
