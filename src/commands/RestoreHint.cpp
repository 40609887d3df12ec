// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands/RestoreHint.h"

#include <optional>

#include "base/Paths.h"
#include "bios/AtiImageCheck.h"
#include "bios/BiosFile.h"
#include "bios/BiosFileChecks.h"
#include "commands/SafetyBackup.h"

namespace rz::commands {

bool ImageChecksOut(platform::FileSystem& files, const std::string& path) {
  std::uint8_t sum = 0;
  return bios::ImageChecksum(files, path, sum) == bios::ChecksumStatus::Summed && sum == 0;
}

bool ProgrammedImageOfCard(platform::FileSystem& files, const std::string& path,
                           std::uint32_t cardIds, std::uint32_t cardSubsystemIds) {
  return bios::CheckBiosId(files, path, cardIds, cardSubsystemIds);
}

bool AtiImageOfCard(platform::FileSystem& files, const std::string& path, std::uint32_t cardIds,
                    std::uint32_t cardSubsystemIds) {
  const auto file = bios::OpenBiosFile(files, path);
  if (!file) return false;
  const bios::AtiImageIds found = bios::ReadAtiImageIds(*file);
  return found.ids == cardIds && found.subsystemIds == cardSubsystemIds;
}

std::string NewestGoodBackup(platform::FileSystem& files, const std::string& keepFolder,
                             const BackupOfCard& ofCard) {
  const std::string folder = keepFolder + kBackupFolderName + kPathSeparator;
  std::optional<BackupMoment> newest;
  std::string found;
  for (const std::string& name : files.FileNames(folder)) {
    const auto moment = ReadBackupMoment(name);
    if (!moment || (newest && *moment <= *newest)) continue;
    const std::string path = folder + name;
    if (!ImageChecksOut(files, path) || !ofCard(path)) continue;
    newest = moment;
    found = path;
  }
  return found;
}

std::string RestoreHint(platform::FileSystem& files, const std::string& keepFolder,
                        const std::string& backupPath, const BackupOfCard& ofCard) {
  // The backup was written whole moments ago: a file that cannot be opened now (a passing
  // failure) says nothing about the BIOS it holds, so only one that was read and did not check
  // out calls the card's old BIOS damaged.
  std::uint8_t sum = 0;
  const bios::ChecksumStatus status = bios::ImageChecksum(files, backupPath, sum);
  if (status == bios::ChecksumStatus::OpenFailed ||
      (status == bios::ChecksumStatus::Summed && sum == 0))
    return RestoreHintText(backupPath);
  return DamagedRestoreHintText(backupPath, NewestGoodBackup(files, keepFolder, ofCard));
}

std::string RestoredText(const std::string& backupPath) {
  return std::string(kRestoredText) + kRestoredBackupStart + backupPath + ".";
}

std::string RestoreFailedText(const std::string& hint) {
  return std::string(kRestoreFailedText) + " " + hint;
}

}  // namespace rz::commands
