// SPDX-License-Identifier: GPL-3.0-or-later
// A printf-style message text with one text argument, however long the argument is.
#pragma once
#include <cstdio>
#include <string>

namespace rz {

inline std::string FormatText(const char* format, const std::string& argument) {
  const int n = std::snprintf(nullptr, 0, format, argument.c_str());
  std::string text(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  std::snprintf(text.data(), text.size() + 1, format, argument.c_str());
  return text;
}

// The message a save shows when its target cannot be written.
inline constexpr const char* kCannotOpenFileFormat = "Cannot open file: %s.";

}  // namespace rz
