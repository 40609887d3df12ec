// SPDX-License-Identifier: GPL-3.0-or-later
// The copy of the card's current BIOS that every flash keeps before it touches the chip, in the
// program folder's "Backups" folder, named after the card and the moment it was taken.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/FileSystem.h"
#include "platform/System.h"

namespace rz::commands {

inline constexpr const char* kBackupFolderName = "Backups";
inline constexpr const char* kBackupFailedText =
    "Cannot back up the current BIOS. Nothing was written to the card.";

// The restore hints shown when a flash failed after the card was touched. Normally the backup
// just made is named; when the card's own BIOS did not check out before the flash, that backup
// is no cure, and the newest backup of this card that checks out is named instead.
inline constexpr const char* kRestoreHintStart = "The previous BIOS was saved to ";
inline constexpr const char* kRestoreHintEnd = ". Flash that file to restore the card.";
inline constexpr const char* kDamagedBiosStart =
    "The card's BIOS was already damaged before this flash; it was saved to ";
inline constexpr const char* kNewestGoodBackupStart =
    ". The newest backup of this card that checks out is ";
inline constexpr const char* kNoGoodBackupEnd =
    ". No backup of this card checks out: flash a BIOS file made for this card.";

// The file name stem of a backup: the card's proposed backup name cut at its first zero
// character, every character that cannot stand in a file name replaced by "_" (on Windows also
// every byte that is no part of UTF-8 text), blanks at either end and dots at the end taken off.
// A stem that would start with a dot (a hidden file) gets "BIOS" in front; one that would be
// empty becomes "BIOS"; one whose part before its first dot is a device name of Windows (CON, PRN,
// AUX, NUL, COM0-9, LPT0-9, any case) gets "_" after that part.
std::string BackupNameStem(const std::string& proposedName);

// "<stem>-YYYYMMDD-HHMMSS.rom", with "-<n>" before ".rom" for n > 1.
std::string BackupFileName(const std::string& stem, const platform::LocalTime& when, int n);

// When a backup was taken and its number within that second, read from a name BackupFileName
// made; nullopt for any other name. Later backups compare greater.
struct BackupMoment {
  std::string stamp;  // "YYYYMMDDHHMMSS"
  int n = 1;
  auto operator<=>(const BackupMoment&) const = default;
};
std::optional<BackupMoment> ReadBackupMoment(const std::string& fileName);

// "The previous BIOS was saved to <path>. Flash that file to restore the card."
std::string RestoreHintText(const std::string& backupPath);
// The card's BIOS did not check out: where its copy went, and the newest backup of this card that
// checks out (none when `goodBackup` is empty).
std::string DamagedRestoreHintText(const std::string& backupPath, const std::string& goodBackup);

// Writes `image` to a new file in <keepFolder>Backups (made with the folders above it when
// missing), in full before it bears its name: a temporary file beside it is flushed to the disk,
// closed, and renamed into place, and the folders whose entries changed are flushed, so that the
// backup survives a power cut once this returns. Never replaces an existing backup. Returns the
// backup's path, empty on failure (nothing is left behind then).
std::string WriteSafetyBackup(platform::FileSystem& files, platform::System& system,
                              const std::string& keepFolder, const std::string& proposedName,
                              std::span<const std::uint8_t> image);

}  // namespace rz::commands
