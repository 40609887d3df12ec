// SPDX-License-Identifier: GPL-3.0-or-later
// A BIOS version split into one-character texts, the character tests, the result codes the
// version checks leave behind, and the parser of "RZ-" model texts.
#pragma once
#include <cstdint>
#include <string>

namespace rz::bios {

// BIOS_VERSION: each field holds one character or is empty when the character is absent.
struct BiosVersion {
  std::string Letter;
  std::string Digit1;
  std::string Digit2;
  std::string Separator;
  std::string Suffix;
  int DigitCount = 0;  // how many of Digit1, Digit2 were found

  void Clear() { *this = BiosVersion{}; }
  bool operator==(const BiosVersion&) const = default;
};

// The result code a version check leaves for its caller. Its meaning depends on the check.
using VersionCheckResult = std::int32_t;

// Codes of the file validation's version check.
namespace file_check {
inline constexpr VersionCheckResult kCompatible = 0;
inline constexpr VersionCheckResult kSame = 1;
inline constexpr VersionCheckResult kNotCompatible = 2;
inline constexpr VersionCheckResult kMalformed = 3;
}  // namespace file_check

// Codes of the ATI image check.
namespace ati_check {
inline constexpr VersionCheckResult kFits = 0;
inline constexpr VersionCheckResult kOtherCard = 1;
inline constexpr VersionCheckResult kNotCompatible = 2;
inline constexpr VersionCheckResult kMalformed = 3;
inline constexpr VersionCheckResult kSame = 4;
}  // namespace ati_check

// True for a one-character text "0" to "9"; false for an empty text.
bool IsDigitText(const std::string& text);
// True when the first character, taken as a signed 8-bit value, lies from 'A' to 'Z'.
bool IsUpperText(const std::string& text);
// A version character: IsDigitText or IsUpperText.
bool IsAlnumText(const std::string& text);

// The one-character text at 1-based `position` of `s`; empty beyond its end (or at 0).
std::string CharAt(const std::string& s, std::size_t position);

// Longest model name and info text the fixed fields of the card's identity hold.
inline constexpr std::size_t kCardModelNameMax = 19;
inline constexpr std::size_t kBiosInfoTextMax = 127;

// Splits a model text (up to its first zero) at its first "/" (the letter follows it) or, without
// one, at its first "F" (the letter itself) into the model name (cut to kCardModelNameMax
// characters) and version characters added to `version`. Neither found: nothing changes.
void ParseModelVersion(const std::string& modelText, std::string& modelName, BiosVersion& version);

}  // namespace rz::bios
