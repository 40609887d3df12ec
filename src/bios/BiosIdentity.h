// SPDX-License-Identifier: GPL-3.0-or-later
// What the program knows about the BIOS on the card: version word, model name, version record,
// the label text and the suggested backup name; and how a "$RZ" block or a model text fills them.
#pragma once
#include <cstdint>
#include <string>

#include "bios/BiosVersion.h"
#include "bios/ImageLayout.h"
#include "bios/SignatureData.h"

namespace rz::bios {

struct CardBiosIdentity {
  std::uint16_t VersionWord = 0;  // "$RZ" block +0x0C: low byte letter, high byte number; 0 without
  std::string CardModelName;      // at most kCardModelNameMax characters
  BiosVersion Version;            // the card's BIOS_VERSION, parsed from a model text
  std::string BiosInfoText;       // at most kBiosInfoTextMax characters
  std::string BackupFileName;

  void Clear() { *this = CardBiosIdentity{}; }
};

// Bytes of a "$RZ" block that ParseSignatureBlock reads.
inline constexpr std::size_t kBlockHeadSize = 50;

// Model name of a "$RZ" block (at least kBlockHeadSize bytes from the "$"): 5 characters from
// +0x07 when the name starts with "RZ-" or "QB-" (any case), else 8 from +0x04; the continuation
// at +0x20 appended when the revision is 0x12 or more; every copy stops at a zero byte; cut at the
// first blank. Empty when the block is too short.
std::string BlockModelName(Bytes block);

// "<model> <letter><number><suffix>" from the version word and the block's suffix character (none
// when 0); cut at a zero letter and to kBiosInfoTextMax.
std::string BlockInfoText(const std::string& modelName, std::uint16_t versionWord, char suffix = 0);
// "<model> " followed by the characters of the record; cut to kBiosInfoTextMax.
std::string RecordInfoText(const std::string& modelName, const BiosVersion& version);
// "<model>.<letter><number>"; a zero letter ends the name after the point.
std::string MakeBackupFileName(const std::string& modelName, std::uint16_t versionWord);

// The version word of a "$RZ" block: low byte the version letter, high byte the version number.
std::uint16_t BlockVersionWord(const SignatureBlock& block);

// Where ReadCardIdentity found the identity of the BIOS on the card.
enum class IdentitySource { Block, ModelText, None };

// The identity of the BIOS on the card, as the card's ROM gives it: from its "$RZ" block when it
// has one (`block`, null without), else from its model text. The model name and the version word
// (block) or version record (model text) go into `identity`, and `infoText` gets the label text
// (a block's with its suffix). With neither, `identity` and `infoText` are left alone.
IdentitySource ReadCardIdentity(const SignatureBlock* block, const ModelText& modelText,
                                CardBiosIdentity& identity, std::string& infoText);

// Fills VersionWord, CardModelName, BiosInfoText and BackupFileName from the head of a "$RZ"
// block. The version record is left alone.
void ParseSignatureBlock(Bytes block, CardBiosIdentity& identity);

}  // namespace rz::bios
