// SPDX-License-Identifier: GPL-3.0-or-later
#include "bios/VersionCompare.h"

namespace rz::bios {

VersionSource ParseFileVersion(const std::string& modelText, bool letterAfterF) {
  VersionSource source;
  const std::string s = modelText.substr(0, modelText.find('\0'));
  std::size_t letter = 0;  // 1-based position of the version letter
  if (const auto slash = s.find('/'); slash != std::string::npos) {
    letter = slash + 2;
  } else if (const auto f = s.find('F'); letterAfterF && f != std::string::npos) {
    letter = f + 1;
  } else {
    return source;
  }
  BiosVersion& v = source.record;
  v.Letter = CharAt(s, letter);
  if (!IsAlnumText(CharAt(s, letter + 1))) {
    source.malformed = true;
    return source;
  }
  v.Digit1 = CharAt(s, letter + 1);
  v.DigitCount = 1;
  std::size_t tail = letter + 2;
  if (IsAlnumText(CharAt(s, tail))) {
    v.Digit2 = CharAt(s, tail);
    v.DigitCount = 2;
    ++tail;
  }
  const std::string t = CharAt(s, tail);
  if (t == "_") {
    if (IsAlnumText(CharAt(s, tail + 1)))
      v.Suffix = CharAt(s, tail + 1);
    else
      source.malformed = true;
  } else if (!t.empty() && t != " ") {
    source.malformed = true;
  }
  return source;
}

std::optional<BiosVersion> RecordFromVersionWord(std::uint16_t versionWord) {
  const char letter = static_cast<char>(versionWord & 0xFF);
  const std::string digits = std::to_string(versionWord >> 8);
  if (digits.size() > 2) return std::nullopt;
  BiosVersion v;
  if (letter != 0) v.Letter = std::string(1, letter);
  v.Digit1 = digits.substr(0, 1);
  v.Digit2 = digits.substr(1);
  v.DigitCount = static_cast<int>(digits.size());
  return v;
}

VersionOutcome CompareRecords(const BiosVersion& file, const BiosVersion& card, bool malformed) {
  if (!malformed && file.Letter == card.Letter && file.Digit1 == card.Digit1 &&
      file.Digit2 == card.Digit2 && file.Suffix == card.Suffix)
    return VersionOutcome::Same;
  if (!malformed && file.DigitCount != 0 && file.DigitCount == card.DigitCount &&
      (file.DigitCount == 1 || (file.DigitCount == 2 && file.Digit1 == card.Digit1)))
    return VersionOutcome::Compatible;
  return malformed ? VersionOutcome::Malformed : VersionOutcome::NotCompatible;
}

VersionOutcome CompareVersions(const VersionSource& file, const VersionSource& card) {
  if (file.hasBlock && card.hasBlock)
    return file.versionWord == card.versionWord ? VersionOutcome::Same : VersionOutcome::Compatible;
  auto recordOf = [](const VersionSource& side) -> std::optional<BiosVersion> {
    return side.hasBlock ? RecordFromVersionWord(side.versionWord) : side.record;
  };
  const auto fileRecord = recordOf(file);
  const auto cardRecord = recordOf(card);
  if (!fileRecord || !cardRecord) return VersionOutcome::NotCompatible;
  return CompareRecords(*fileRecord, *cardRecord, file.malformed);
}

}  // namespace rz::bios
