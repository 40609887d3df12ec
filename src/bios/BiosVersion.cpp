// SPDX-License-Identifier: GPL-3.0-or-later
#include "bios/BiosVersion.h"

#include <algorithm>

namespace rz::bios {

bool IsDigitText(const std::string& text) {
  return text.size() == 1 && text[0] >= '0' && text[0] <= '9';
}

bool IsUpperText(const std::string& text) {
  if (text.empty()) return false;
  const auto c = static_cast<std::int8_t>(text[0]);
  return c >= 'A' && c <= 'Z';
}

bool IsAlnumText(const std::string& text) { return IsDigitText(text) || IsUpperText(text); }

std::string CharAt(const std::string& s, std::size_t position) {
  if (position == 0 || position > s.size()) return {};
  return std::string(1, s[position - 1]);
}

void ParseModelVersion(const std::string& modelText, std::string& modelName, BiosVersion& version) {
  const std::string s = modelText.substr(0, modelText.find('\0'));
  std::size_t base = 0;
  std::size_t p = s.find('/');
  if (p != std::string::npos) {
    base = p + 2;  // 1-based position of the character after the "/"
  } else {
    p = s.find('F');
    if (p == std::string::npos) return;
    base = p + 1;  // the "F" itself
  }
  // p is the 0-based index of the split character: the model name is everything before it.
  version.Letter = CharAt(s, base);
  if (IsAlnumText(CharAt(s, base + 1))) {
    version.Digit1 = CharAt(s, base + 1);
    ++version.DigitCount;
    if (IsAlnumText(CharAt(s, base + 2))) {
      version.Digit2 = CharAt(s, base + 2);
      ++version.DigitCount;
      if (CharAt(s, base + 3) == "_" && IsAlnumText(CharAt(s, base + 4))) {
        version.Suffix = CharAt(s, base + 4);
        version.Separator = "_";
      }
    } else if (CharAt(s, base + 2) == "_" && IsAlnumText(CharAt(s, base + 3))) {
      version.Suffix = CharAt(s, base + 3);
      version.Separator = "_";
    }
  }
  modelName = s.substr(0, std::min(p, kCardModelNameMax));
}

}  // namespace rz::bios
