// SPDX-License-Identifier: GPL-3.0-or-later
// UTF-8, the program's text everywhere (paths, labels, messages, the command line), and UTF-16,
// the text of the system's wide ("...W") calls: conversions both ways, in two kinds.
//
// - Widen and Narrow never fail: a byte sequence that is not UTF-8, or an unpaired surrogate,
//   becomes U+FFFD (one for each maximal ill-formed part, as Unicode recommends). For text a
//   person reads: labels, messages, titles.
// - WidenExact and NarrowExact convert exactly or not at all (nullopt). For names the system
//   acts on: a path that reached the system in another form could name another file. A path a
//   file dialog returns goes through NarrowExact; nullopt means no UTF-8 text can name that file.
//   (WideName.h hands a path to a wide call this way.)
//
// Well-formed UTF-8 here is what Unicode defines: no stray or missing continuation bytes, no
// overlong forms, no encoded surrogates (U+D800..U+DFFF), nothing past U+10FFFF. A byte-order
// mark is an ordinary character (U+FEFF) both ways. Zero characters pass through as they are.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace rz::platform::win {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// nullopt when `utf8` is not well-formed UTF-8.
std::optional<std::wstring> WidenExact(std::string_view utf8);
// nullopt when `utf16` holds an unpaired surrogate (NTFS allows such names; UTF-8 cannot carry
// them).
std::optional<std::string> NarrowExact(std::wstring_view utf16);

}  // namespace rz::platform::win
