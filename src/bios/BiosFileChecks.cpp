// SPDX-License-Identifier: GPL-3.0-or-later
#include "bios/BiosFileChecks.h"

#include <algorithm>
#include <array>

#include "base/BuildConfig.h"
#include "base/LittleEndian.h"
#include "bios/BiosFile.h"
#include "bios/ByteScanner.h"
#include "bios/VersionCompare.h"

namespace rz::bios {
namespace {

// "PCIR" is searched at positions 0 to 1,020 of the file; the head read also holds the ids that
// follow a "PCIR" at the last position.
constexpr std::size_t kIdSearchLast = 1020;
constexpr std::size_t kIdReadSize = kIdSearchLast + 8;

constexpr std::uint16_t kPairedBoards[] = {0x34C7, 0x34CB};

}  // namespace

std::optional<std::uint8_t> ImageCardNumber(Bytes image) {
  const auto at = FindSignature(image, kBlockSearchStart, image.size(), kBlockSignature);
  if (!at) return std::uint8_t{0};
  if (*at + kBlockCardNumber >= image.size()) return std::nullopt;
  return image[*at + kBlockCardNumber];
}

bool ImageMatchesCard(Bytes image, std::uint8_t cardNumber) {
  const auto number = ImageCardNumber(image);
  return number && *number == cardNumber;
}

bool IsInterchangeableBoard(std::uint32_t subsystemIds) {
  if ((subsystemIds & 0xFFFF) != kMakerSubsystemVendorId) return false;
  const auto id = static_cast<std::uint16_t>(subsystemIds >> 16);
  for (auto board : kPairedBoards)
    if (id == board) return true;
  return false;
}

bool CheckBiosId(platform::FileSystem& files, const std::string& path, std::uint32_t cardIds,
                 std::uint32_t cardSubsystemIds) {
  auto file = OpenBiosFile(files, path);
  if (!file) return false;
  std::array<std::uint8_t, kIdReadSize> head{};
  const std::size_t n = file->Read(head.data(), head.size());
  file->Close();
  const Bytes data(head.data(), n);
  const auto subsystem = ReadImageSubsystem(data);
  const auto pcir = FindSignature(data, 0, kIdSearchLast + 1, kPciDataSignature);
  if (!subsystem || !pcir) return false;
  const auto ids = ReadPciDataIds(data, *pcir);
  if (!ids || *ids != cardIds) return false;
  return *subsystem == cardSubsystemIds ||
         (IsInterchangeableBoard(*subsystem) && IsInterchangeableBoard(cardSubsystemIds));
}

bool CheckBiosVersion(platform::FileSystem& files, const std::string& path,
                      const CardBiosIdentity& card, ModelText& modelText,
                      VersionCheckResult& result) {
  result = file_check::kCompatible;
  auto file = OpenBiosFile(files, path);
  if (!file) return false;
  modelText.found = false;  // only a model text of this file counts
  VersionSource fileVersion;
  if (ScanForSignatures(*file, modelText)) {
    std::array<std::uint8_t, kBlockHeadSize> head{};
    if (file->Seek(-static_cast<std::int64_t>(kBlockSignature.size()), platform::SeekOrigin::Current))
      file->Read(head.data(), head.size());
    fileVersion.hasBlock = true;
    le::Read16(head, kBlockVersionWord, fileVersion.versionWord);
  } else if (modelText.found) {
    fileVersion = ParseFileVersion(modelText.Text(), /*letterAfterF=*/true);
  }
  file->Close();

  VersionSource cardVersion;
  cardVersion.hasBlock = card.VersionWord != 0;
  cardVersion.versionWord = card.VersionWord;
  cardVersion.record = card.Version;

  switch (CompareVersions(fileVersion, cardVersion)) {
    case VersionOutcome::Compatible:
      result = file_check::kCompatible;
      return true;
    case VersionOutcome::Same:
      result = file_check::kSame;
      return false;
    case VersionOutcome::Malformed:
      result = file_check::kMalformed;
      return false;
    case VersionOutcome::NotCompatible:
      break;
  }
  result = file_check::kNotCompatible;
  return false;
}

ChecksumStatus ImageChecksum(platform::FileSystem& files, const std::string& path,
                             std::uint8_t& sum) {
  sum = 0;
  auto file = OpenBiosFile(files, path);
  if (!file) return ChecksumStatus::OpenFailed;
  std::array<std::uint8_t, 1024> block{};
  const std::size_t head = file->Read(block.data(), 3);
  if (head < 3 || block[kImageLengthOffset] == 0 || !file->Seek(0, platform::SeekOrigin::Begin)) {
    file->Close();
    return ChecksumStatus::NoImage;
  }
  std::size_t left = ImageLength(block[kImageLengthOffset]);
  while (left > 0) {
    const std::size_t n = file->Read(block.data(), std::min(left, block.size()));
    for (std::size_t i = 0; i < n; ++i) sum = static_cast<std::uint8_t>(sum + block[i]);
    if (n == 0) break;
    left -= n;
  }
  file->Close();
  return left == 0 ? ChecksumStatus::Summed : ChecksumStatus::Truncated;
}

}  // namespace rz::bios
