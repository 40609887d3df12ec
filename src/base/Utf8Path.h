// SPDX-License-Identifier: GPL-3.0-or-later
// std::filesystem paths from the program's UTF-8 text and back. On POSIX systems a path is the
// text's bytes. On Windows a path is UTF-16, and a path built from a std::string (or read with
// .string()) goes through another encoding than UTF-8 with the mingw-w64 runtime: every path the
// program gives std::filesystem or a file stream is built here.
#pragma once
#include <filesystem>
#include <string>
#include <string_view>

namespace rz {

#ifdef _WIN32
// What a text that is not UTF-8 becomes: a name no Windows file system takes ('|' is refused in
// every name), so every call on it fails and none reaches another file.
inline const wchar_t* const kUnusablePath = L"|not UTF-8|";
// What a path that is not Unicode text (an unpaired surrogate) becomes: a text that is not UTF-8
// either, which every file call refuses in turn.
inline constexpr std::string_view kUnreadablePathText = "\xFF";
#endif

inline std::filesystem::path PathFromUtf8(std::string_view text) {
#ifdef _WIN32
  try {
    return std::filesystem::path(
        std::u8string_view(reinterpret_cast<const char8_t*>(text.data()), text.size()));
  } catch (const std::filesystem::filesystem_error&) {
    return std::filesystem::path(kUnusablePath);
  }
#else
  return std::filesystem::path(text);
#endif
}

inline std::string Utf8FromPath(const std::filesystem::path& path) {
#ifdef _WIN32
  try {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
  } catch (const std::filesystem::filesystem_error&) {
    return std::string(kUnreadablePathText);
  }
#else
  return path.string();
#endif
}

}  // namespace rz
