// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/ConfigScanner.h"

namespace rz::config {
namespace {

bool IsCSpace(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int HexDigit(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

int ConfigScanner::Peek() const {
  if (pos_ >= text_.size()) return kEof;
  const char c = text_[pos_];
  if (c == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') return '\n';
  return static_cast<unsigned char>(c);
}

int ConfigScanner::Get() {
  const int c = Peek();
  if (c == kEof) return c;
  pos_ += (text_[pos_] == '\r' && c == '\n') ? 2 : 1;
  return c;
}

void ConfigScanner::SkipWhiteSpace() {
  while (IsCSpace(Peek())) Get();
}

void ConfigScanner::SkipLine() {
  for (int c = Get(); c != kEof && c != '\n'; c = Get()) {
  }
}

int ConfigScanner::ReadKeyword(std::string& keyword) {
  keyword.clear();
  int c = Get();
  for (;;) {
    if (c == kEof) return -1;
    if (c == ' ' || c == '\n') {
      c = Get();
      continue;
    }
    if (c != ';') break;
    // A comment runs to the end of its line; one on the last, unterminated line ends the file.
    do {
      c = Get();
    } while (c != kEof && c != '\n');
    if (c == kEof) return -1;
    c = Get();
  }
  for (;;) {
    if (keyword.size() < kKeywordMax) keyword.push_back(static_cast<char>(c));
    c = Get();
    if (c == kEof || c == ' ' || c == '\n') break;
    if (c == ';') {
      SkipLine();
      break;
    }
  }
  return static_cast<int>(keyword.size());
}

bool ConfigScanner::ScanHex(std::uint32_t& value) {
  SkipWhiteSpace();
  if (AtEnd()) return false;
  bool negative = false;
  if (Peek() == '+' || Peek() == '-') negative = Get() == '-';
  bool digits = false;
  std::uint32_t v = 0;
  if (Peek() == '0') {
    Get();
    digits = true;
    if (Peek() == 'x' || Peek() == 'X') Get();
  }
  for (int d = HexDigit(Peek()); d >= 0; d = HexDigit(Peek())) {
    Get();
    digits = true;
    v = (v << 4) | static_cast<std::uint32_t>(d);  // wraps modulo 2^32
  }
  if (!digits) return false;
  value = negative ? 0u - v : v;
  return true;
}

bool ConfigScanner::ScanWord(std::string& word, std::size_t keep) {
  SkipWhiteSpace();
  if (AtEnd()) return false;
  word.clear();
  bool terminated = false;
  for (int c = Peek(); c != kEof && !IsCSpace(c); c = Peek()) {
    Get();
    if (c == 0) terminated = true;
    if (!terminated && word.size() < keep) word.push_back(static_cast<char>(c));
  }
  return true;
}

}  // namespace rz::config
