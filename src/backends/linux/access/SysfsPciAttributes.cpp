// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/linux/access/SysfsPciAttributes.h"

#include <cctype>
#include <cstdio>
#include <sstream>

namespace rz::platform {
namespace {

// The value of the hexadecimal digits text[at, at + n); nullopt when one is not a digit.
std::optional<std::uint64_t> HexDigits(const std::string& text, std::size_t at, std::size_t n) {
  std::uint64_t value = 0;
  for (std::size_t i = at; i < at + n; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (!std::isxdigit(c)) return std::nullopt;
    value = value * 16 + static_cast<std::uint64_t>(std::isdigit(c) ? c - '0' : std::tolower(c) - 'a' + 10);
  }
  return value;
}

// A "0x"-prefixed hexadecimal number of at most 64 bits that fills `word` exactly.
std::optional<std::uint64_t> ParseHexWord(const std::string& word) {
  if (word.size() < 3 || word.size() > 18 || word[0] != '0' || (word[1] != 'x' && word[1] != 'X'))
    return std::nullopt;
  return HexDigits(word, 2, word.size() - 2);
}

}  // namespace

std::string HexAddress(std::uint32_t address) {
  char text[12];
  std::snprintf(text, sizeof text, "0x%08X", address);
  return text;
}

std::vector<PciBar> ParseResourceBars(const std::string& text) {
  std::vector<PciBar> bars;
  std::istringstream lines(text);
  std::string line;
  for (int index = 0; index < 6 && std::getline(lines, line); ++index) {
    std::istringstream words(line);
    std::string a, b, c, extra;
    if (!(words >> a >> b >> c) || (words >> extra)) break;
    const auto start = ParseHexWord(a), end = ParseHexWord(b), flags = ParseHexWord(c);
    if (!start || !end || !flags) break;
    bars.push_back(PciBar{index, *start, *end, *flags});
  }
  return bars;
}

std::optional<std::uint32_t> ParseHexAttribute(const std::string& text) {
  std::string word = text;
  if (!word.empty() && word.back() == '\n') word.pop_back();
  const auto value = ParseHexWord(word);
  if (!value || *value > 0xFFFFFFFFu) return std::nullopt;
  return static_cast<std::uint32_t>(*value);
}

std::optional<PciLocation> ParseDeviceName(const std::string& name) {
  // Exactly "0000:" then two, two and one hexadecimal digits.
  if (name.size() != 12 || name.compare(0, 5, "0000:") != 0 || name[7] != ':' || name[10] != '.')
    return std::nullopt;
  const auto bus = HexDigits(name, 5, 2), device = HexDigits(name, 8, 2),
             function = HexDigits(name, 11, 1);
  if (!bus || !device || !function || *device > 31 || *function > 7) return std::nullopt;
  return PciLocation{static_cast<std::uint8_t>(*bus), static_cast<std::uint8_t>(*device),
                     static_cast<std::uint8_t>(*function)};
}

}  // namespace rz::platform
