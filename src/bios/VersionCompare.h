// SPDX-License-Identifier: GPL-3.0-or-later
// The rules by which a BIOS file's version is read and compared with the card's, shared by the
// file validation and the ATI image check (each maps the outcome to its own result codes).
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "bios/BiosVersion.h"

namespace rz::bios {

enum class VersionOutcome { Compatible, Same, NotCompatible, Malformed };

// The version of one side: the "$RZ" block's version word when the BIOS carries a block,
// otherwise the record parsed from its model text.
struct VersionSource {
  bool hasBlock = false;
  std::uint16_t versionWord = 0;
  BiosVersion record;
  bool malformed = false;  // the model text's version could not be read
};

// A file's version from its model text (up to its first zero). With `letterAfterF` the first "F"
// is taken as the letter when the text has no "/"; otherwise only the "/" form is understood.
// Neither form present: an empty record. The separator is never filled.
VersionSource ParseFileVersion(const std::string& modelText, bool letterAfterF);

// The record a version word prints as: letter, then the number's decimal digits (one or two).
// nullopt for numbers of three digits, which no record can hold.
std::optional<BiosVersion> RecordFromVersionWord(std::uint16_t versionWord);

// Record rule: all of letter, digits and suffix equal is "same"; otherwise equal non-zero digit
// counts, with the same first digit when there are two, is "compatible"; a malformed file
// version is "malformed"; anything else "not compatible".
VersionOutcome CompareRecords(const BiosVersion& file, const BiosVersion& card, bool malformed);

// Both sides with a block: equal version words are "same", different ones "compatible".
// Otherwise a side with a block takes part as the record its version word prints as, and the
// record rule decides.
VersionOutcome CompareVersions(const VersionSource& file, const VersionSource& card);

}  // namespace rz::bios
