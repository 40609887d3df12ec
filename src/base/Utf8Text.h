// SPDX-License-Identifier: GPL-3.0-or-later
// Well-formed UTF-8 in the program's texts, byte by byte: what Unicode defines (no stray or
// missing continuation bytes, no overlong forms, no surrogates, nothing past U+10FFFF).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace rz {

// The length of the well-formed UTF-8 sequence that starts at text[i]; 0 when none starts there.
inline std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
  const auto at = [&](std::size_t k) { return static_cast<std::uint8_t>(text[k]); };
  const std::uint8_t b = at(i);
  std::size_t length = 0;
  std::uint8_t low = 0x80, high = 0xBF;  // the range of the second byte
  if (b < 0x80) return 1;
  if (b >= 0xC2 && b <= 0xDF) length = 2;
  else if (b == 0xE0) length = 3, low = 0xA0;
  else if (b == 0xED) length = 3, high = 0x9F;
  else if (b >= 0xE1 && b <= 0xEF) length = 3;
  else if (b == 0xF0) length = 4, low = 0x90;
  else if (b >= 0xF1 && b <= 0xF3) length = 4;
  else if (b == 0xF4) length = 4, high = 0x8F;
  else return 0;
  if (i + length > text.size() || at(i + 1) < low || at(i + 1) > high) return 0;
  for (std::size_t k = 2; k < length; ++k)
    if (at(i + k) < 0x80 || at(i + k) > 0xBF) return 0;
  return length;
}

}  // namespace rz
