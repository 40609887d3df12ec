// SPDX-License-Identifier: GPL-3.0-or-later
// Reads RZFLASH.CFG from memory the way a text-mode C stream with formatted input reads it:
// keywords, line skipping, and free-format hexadecimal and word fields across line ends.
//
// Matched corner cases of the C library's "%x" conversion into a 32-bit unsigned:
//  - leading white space (space, tab, line ends, vertical tab, form feed) is skipped;
//  - an optional "+" or "-" sign; "-n" gives the two's complement of n; a sign without digits
//    is a matching failure (the sign is consumed);
//  - an optional "0x"/"0X" prefix; "0x" not followed by a hex digit converts as 0 with both
//    characters consumed (the next field starts after the "x");
//  - more digits than fit keep the low 32 bits (the value is taken modulo 2^32).
// Text mode: CR LF reads as one line feed; a lone CR is an ordinary (white-space) character.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace rz::config {

inline constexpr std::size_t kKeywordMax = 127;  // characters stored of a keyword

class ConfigScanner {
 public:
  static constexpr int kEof = -1;

  explicit ConfigScanner(std::string_view text) : text_(text) {}
  explicit ConfigScanner(const char* text) : text_(text) {}
  ConfigScanner(std::string&&) = delete;  // the scanner only views the text

  // Skips spaces, line ends and ";" comments, then reads one keyword (at most kKeywordMax
  // characters kept; tabs belong to it). Returns its length (at least 1) or -1 at end of file.
  int ReadKeyword(std::string& keyword);
  // Reads up to and including the next line end, or to end of file.
  void SkipLine();

  // One "%x" conversion; false on a matching or input failure.
  bool ScanHex(std::uint32_t& value);
  // One "%s" conversion: the whole word is consumed, at most `keep` characters are kept (and
  // none after a zero byte, as in a zero-terminated field). False at end of file.
  bool ScanWord(std::string& word, std::size_t keep);

  bool AtEnd() const { return Peek() == kEof; }

 private:
  int Peek() const;
  int Get();
  void SkipWhiteSpace();

  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace rz::config
