// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/windows/Utf16.h"

#include <cstdint>

namespace rz::platform::win {
namespace {

static_assert(sizeof(wchar_t) == 2, "the system's wide characters are UTF-16 code units");

constexpr char32_t kReplacement = 0xFFFD;

// The range the second byte of a sequence must fall in, by its lead byte (Unicode's table of
// well-formed byte sequences); every later byte is 0x80..0xBF. Zero length: not a lead byte.
struct Lead {
  int length;
  std::uint8_t low;
  std::uint8_t high;
};

Lead LeadOf(std::uint8_t b) {
  if (b < 0x80) return {1, 0, 0};
  if (b >= 0xC2 && b <= 0xDF) return {2, 0x80, 0xBF};
  if (b == 0xE0) return {3, 0xA0, 0xBF};  // no overlong forms
  if (b == 0xED) return {3, 0x80, 0x9F};  // no surrogates
  if (b >= 0xE1 && b <= 0xEF) return {3, 0x80, 0xBF};
  if (b == 0xF0) return {4, 0x90, 0xBF};  // no overlong forms
  if (b >= 0xF1 && b <= 0xF3) return {4, 0x80, 0xBF};
  if (b == 0xF4) return {4, 0x80, 0x8F};  // nothing past U+10FFFF
  return {0, 0, 0};  // a continuation byte, C0, C1, F5..FF
}

void AppendUtf16(std::wstring& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<wchar_t>(c);
    return;
  }
  c -= 0x10000;
  out += static_cast<wchar_t>(0xD800 + (c >> 10));
  out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Converts all of `in`; false when some part had to be replaced.
bool ToUtf16(std::string_view in, std::wstring& out) {
  bool exact = true;
  out.reserve(in.size());
  for (std::size_t i = 0; i < in.size();) {
    const auto b = static_cast<std::uint8_t>(in[i]);
    const Lead lead = LeadOf(b);
    if (lead.length == 1) {
      out += static_cast<wchar_t>(b);
      ++i;
      continue;
    }
    // The longest well-formed start of a sequence: all of it is a character, a part of it one
    // replacement character (at least the lead byte is used up).
    char32_t c = lead.length == 2 ? (b & 0x1F) : lead.length == 3 ? (b & 0x0F) : (b & 0x07);
    int taken = 1;
    for (; lead.length > 0 && taken < lead.length && i + taken < in.size(); ++taken) {
      const auto next = static_cast<std::uint8_t>(in[i + taken]);
      const std::uint8_t low = taken == 1 ? lead.low : 0x80;
      const std::uint8_t high = taken == 1 ? lead.high : 0xBF;
      if (next < low || next > high) break;
      c = (c << 6) | (next & 0x3F);
    }
    if (lead.length == 0 || taken < lead.length) {
      exact = false;
      c = kReplacement;
    }
    AppendUtf16(out, c);
    i += static_cast<std::size_t>(taken);
  }
  return exact;
}

bool ToUtf8(std::wstring_view in, std::string& out) {
  bool exact = true;
  out.reserve(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    char32_t c = static_cast<char16_t>(in[i]);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < in.size() &&
        static_cast<char16_t>(in[i + 1]) >= 0xDC00 && static_cast<char16_t>(in[i + 1]) <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char16_t>(in[i + 1]) - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      exact = false;
      c = kReplacement;
    }
    AppendUtf8(out, c);
  }
  return exact;
}

}  // namespace

std::wstring Widen(std::string_view utf8) {
  std::wstring out;
  ToUtf16(utf8, out);
  return out;
}

std::string Narrow(std::wstring_view utf16) {
  std::string out;
  ToUtf8(utf16, out);
  return out;
}

std::optional<std::wstring> WidenExact(std::string_view utf8) {
  std::wstring out;
  if (!ToUtf16(utf8, out)) return std::nullopt;
  return out;
}

std::optional<std::string> NarrowExact(std::wstring_view utf16) {
  std::string out;
  if (!ToUtf8(utf16, out)) return std::nullopt;
  return out;
}

}  // namespace rz::platform::win
