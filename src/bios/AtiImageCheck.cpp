// SPDX-License-Identifier: GPL-3.0-or-later
#include "bios/AtiImageCheck.h"

#include <algorithm>
#include <array>

#include "base/LittleEndian.h"
#include "bios/BiosFile.h"
#include "bios/ByteScanner.h"
#include "bios/ImageLayout.h"
#include "bios/VersionCompare.h"

namespace rz::bios {
namespace {

constexpr std::uint8_t kAtomSignature[] = {'A', 'T', 'O', 'M', 0};
// From just after the zero to "A" + 20.
constexpr std::int64_t kAtomToSubsystem = 15;
// Window searched for "PCIR" and the positions a "PCIR" may start at.
constexpr std::size_t kPcirWindow = 50;
constexpr std::size_t kPcirLastStart = 46;

}  // namespace

AtiImageIds ReadAtiImageIds(platform::File& file) {
  AtiImageIds found;
  if (!ScanForBytes(file, kAtomSignature, sizeof kAtomSignature)) return found;
  if (!file.Seek(kAtomToSubsystem, platform::SeekOrigin::Current)) return found;
  // The window and the ids after a "PCIR" at its last start.
  std::array<std::uint8_t, kPcirWindow + 4> window{};
  const std::size_t n = file.Read(window.data(), window.size());
  const Bytes data(window.data(), n);
  std::uint32_t subsystem = 0;
  if (le::Read32(data, 0, subsystem)) found.subsystemIds = subsystem;
  if (const auto pcir = FindSignature(data.first(std::min(n, kPcirWindow)), 0, kPcirLastStart + 1,
                                      kPciDataSignature)) {
    std::uint32_t ids = 0;
    if (le::Read32(data, *pcir + 4, ids)) found.ids = ids;
  }
  return found;
}

bool CheckAtiImage(AtiCheckContext& ctx, const std::string& atiImageFile) {
  ctx.versionCheckResult = ati_check::kFits;
  AtiImageIds found;
  VersionSource fileVersion;
  if (auto file = OpenBiosFile(ctx.files, atiImageFile)) {
    found = ReadAtiImageIds(*file);
    ctx.modelText.found = false;
    if (file->Seek(0, platform::SeekOrigin::Begin)) {
      if (ScanForSignatures(*file, ctx.modelText)) {
        std::array<std::uint8_t, kBlockHeadSize> head{};
        if (file->Seek(-static_cast<std::int64_t>(kBlockSignature.size()),
                       platform::SeekOrigin::Current))
          file->Read(head.data(), head.size());
        fileVersion.hasBlock = true;
        le::Read16(head, kBlockVersionWord, fileVersion.versionWord);
      } else if (ctx.modelText.found) {
        fileVersion = ParseFileVersion(ctx.modelText.Text(), /*letterAfterF=*/false);
      }
    }
    file->Close();
  }

  if (!found.ids || *found.ids != ctx.cardIds || !found.subsystemIds ||
      *found.subsystemIds != ctx.cardSubsystemIds) {
    ctx.versionCheckResult = ati_check::kOtherCard;
    return false;
  }
  if (!ctx.cardImageIntact) return true;
  VersionSource cardVersion;
  cardVersion.hasBlock = ctx.card.VersionWord != 0;
  cardVersion.versionWord = ctx.card.VersionWord;
  cardVersion.record = ctx.card.Version;
  switch (CompareVersions(fileVersion, cardVersion)) {
    case VersionOutcome::Compatible:
      ctx.versionCheckResult = ati_check::kFits;
      return true;
    case VersionOutcome::Same:
      ctx.versionCheckResult = ati_check::kSame;
      return false;
    case VersionOutcome::Malformed:
      ctx.versionCheckResult = ati_check::kMalformed;
      return false;
    case VersionOutcome::NotCompatible:
      break;
  }
  ctx.versionCheckResult = ati_check::kNotCompatible;
  return false;
}

}  // namespace rz::bios
