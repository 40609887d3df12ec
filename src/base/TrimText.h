// SPDX-License-Identifier: GPL-3.0-or-later
// Texts without the blanks that pad them to a fixed width.
#pragma once
#include <string>
#include <string_view>

namespace rz {

// `text` without its trailing spaces and tabs.
inline std::string TrimmedRight(std::string_view text) {
  const auto last = text.find_last_not_of(" \t");
  return std::string(last == std::string_view::npos ? std::string_view{} : text.substr(0, last + 1));
}

}  // namespace rz
