// The copy of the card's current BIOS that every flash keeps before it touches the chip, in the
// program folder's "Backups" folder, named after the card and the moment it was taken.
#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "platform/FileSystem.h"
#include "platform/System.h"

namespace rz::commands {

inline constexpr const char* kBackupFolderName = "Backups";
inline constexpr const char* kBackupFailedText =
    "Cannot back up the current BIOS. Nothing was written to the card.";

// The file name stem of a backup: the card's proposed backup name cut at its first zero
// character, every character that cannot stand in a file name replaced by "_". A name that would
// be empty or only dots becomes "BIOS".
std::string BackupNameStem(const std::string& proposedName);

// "<stem>-YYYYMMDD-HHMMSS.rom", with "-<n>" before ".rom" for n > 1.
std::string BackupFileName(const std::string& stem, const platform::LocalTime& when, int n);

// "The previous BIOS was saved to <path>. Flash that file to restore the card."
std::string RestoreHintText(const std::string& backupPath);

// Writes `image` to a new file in <keepFolder>Backups (made with the folders above it when
// missing), in full before it
// bears its name: a temporary file beside it is renamed into place after a complete write and a
// good close. Never replaces an existing backup. Returns the backup's path, empty on failure
// (nothing is left behind then).
std::string WriteSafetyBackup(platform::FileSystem& files, platform::System& system,
                              const std::string& keepFolder, const std::string& proposedName,
                              std::span<const std::uint8_t> image);

}  // namespace rz::commands
