// SPDX-License-Identifier: GPL-3.0-or-later
#include "bios/BiosIdentity.h"

#include "base/LittleEndian.h"
#include "bios/SignatureData.h"

namespace rz::bios {
namespace {

void AppendUntilZero(std::string& out, Bytes block, std::size_t from, std::size_t count) {
  for (std::size_t i = 0; i < count && from + i < block.size(); ++i) {
    const std::uint8_t b = block[from + i];
    if (b == 0) break;
    out += static_cast<char>(b);
  }
}

bool HasModelPrefix(Bytes block) {
  if (block.size() < kBlockModel + 3) return false;
  auto up = [&](std::size_t i) {
    const std::uint8_t c = block[kBlockModel + i];
    return c >= 'a' && c <= 'z' ? static_cast<std::uint8_t>(c - ('a' - 'A')) : c;
  };
  return (up(0) == 'R' && up(1) == 'Z' && up(2) == '-') ||
         (up(0) == 'Q' && up(1) == 'B' && up(2) == '-');
}

std::string CutAtZero(std::string s) { return s.substr(0, s.find('\0')); }

std::string Cut(std::string s, std::size_t max) {
  if (s.size() > max) s.resize(max);
  return s;
}

}  // namespace

std::string BlockModelName(Bytes block) {
  if (block.size() < kBlockHeadSize) return {};
  std::string name;
  if (HasModelPrefix(block))
    AppendUntilZero(name, block, kBlockModel + 3, 5);
  else
    AppendUntilZero(name, block, kBlockModel, 8);
  if (block[kBlockRevision] >= 0x12) AppendUntilZero(name, block, kBlockContinuation, 8);
  name = name.substr(0, name.find(' '));
  return Cut(name, kCardModelNameMax);
}

std::string BlockInfoText(const std::string& modelName, std::uint16_t versionWord, char suffix) {
  const char letter = static_cast<char>(versionWord & 0xFF);
  std::string text = modelName + " ";
  if (letter == 0) return Cut(text, kBiosInfoTextMax);  // a zero letter ends the text
  text += letter;
  text += std::to_string(versionWord >> 8);
  if (suffix != 0) text += suffix;
  return Cut(text, kBiosInfoTextMax);
}

std::string RecordInfoText(const std::string& modelName, const BiosVersion& v) {
  return Cut(CutAtZero(modelName + " " + v.Letter + v.Digit1 + v.Digit2 + v.Separator + v.Suffix),
             kBiosInfoTextMax);
}

std::string MakeBackupFileName(const std::string& modelName, std::uint16_t versionWord) {
  const char letter = static_cast<char>(versionWord & 0xFF);
  std::string name = modelName + ".";
  if (letter == 0) return name;  // read as a zero-terminated text the name ends after the point
  name += letter;
  name += std::to_string(versionWord >> 8);
  return name;
}

std::uint16_t BlockVersionWord(const SignatureBlock& block) {
  return le::Get16(block.data() + kBlockVersionWord);
}

IdentitySource ReadCardIdentity(const SignatureBlock* block, const ModelText& modelText,
                                CardBiosIdentity& identity, std::string& infoText) {
  if (block) {
    identity.VersionWord = BlockVersionWord(*block);
    identity.CardModelName = BlockModelName(Bytes(block->data(), block->size()));
    infoText = BlockInfoText(identity.CardModelName, identity.VersionWord,
                             static_cast<char>((*block)[kBlockSuffix]));
    return IdentitySource::Block;
  }
  if (!modelText.found) return IdentitySource::None;
  ParseModelVersion(modelText.Text(), identity.CardModelName, identity.Version);
  infoText = RecordInfoText(identity.CardModelName, identity.Version);
  return IdentitySource::ModelText;
}

void ParseSignatureBlock(Bytes block, CardBiosIdentity& identity) {
  std::uint16_t word = 0;
  le::Read16(block, kBlockVersionWord, word);
  identity.VersionWord = word;
  identity.CardModelName = BlockModelName(block);
  identity.BiosInfoText = BlockInfoText(identity.CardModelName, word);
  identity.BackupFileName = MakeBackupFileName(identity.CardModelName, word);
}

}  // namespace rz::bios
