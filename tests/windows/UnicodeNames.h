// SPDX-License-Identifier: GPL-3.0-or-later
// File names outside any one code page, for the tests of names in every language: one in
// Cyrillic, one in Chinese, one in Latin with an accent (outside the code pages of Asia and of
// Cyrillic systems), each in UTF-8 as the program holds it.
#pragma once
#include <ostream>
#include <string>

namespace rz::test {

struct UnicodeName {
  const char* label;  // ASCII, for the test's name
  std::string stem;   // UTF-8
  std::string File() const { return stem + ".rom"; }
};

// The compiler writes narrow literals in UTF-8 (GCC's default execution character set).
static_assert(sizeof("é") == 3, "narrow literals are UTF-8");
inline const UnicodeName kCyrillicName{"Cyrillic", "Видеокарта"};
inline const UnicodeName kChineseName{"Chinese", "显卡备份"};
inline const UnicodeName kAccentedName{"Accented", "café"};

// A folder name for the program's own folder.
inline const std::string kFirmwareFolder = "Прошивка";

inline void PrintTo(const UnicodeName& n, std::ostream* os) { *os << n.label; }

}  // namespace rz::test
