// SPDX-License-Identifier: GPL-3.0-or-later
// What a failed flash tells the user to flash to get the card back: the backup made just before
// it when the card's BIOS checked out then, else the newest backup of this card that checks out.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "platform/FileSystem.h"

namespace rz::commands {

// After a flash that failed once the chip was touched, the program writes the previous BIOS back
// itself. What it says when that worked, and in front of the hint when it did not.
inline constexpr const char* kRestoredText =
    "The flash failed. The previous BIOS was written back and verified.";
inline constexpr const char* kRestoredBackupStart = " Its backup is ";
inline constexpr const char* kRestoreFailedText =
    "The flash failed, and writing the previous BIOS back failed too.";

// "The flash failed. The previous BIOS was written back and verified. Its backup is <path>."
std::string RestoredText(const std::string& backupPath);
// kRestoreFailedText, a blank, and the hint.
std::string RestoreFailedText(const std::string& hint);

// Whether the file at a path holds a BIOS of this card (its ids).
using BackupOfCard = std::function<bool(const std::string& path)>;

// The file holds a BIOS image that checks out as the flash's own file validation judges it: an
// option-ROM header, the whole image its length byte gives, bytes summing to 0.
bool ImageChecksOut(platform::FileSystem& files, const std::string& path);

// The image's PCI and subsystem ids are the card's, as the validation of each road reads them:
// after "PCIR" and at 0x54 (the programmed road), or in the chip maker's "ATOM" header (ATI).
bool ProgrammedImageOfCard(platform::FileSystem& files, const std::string& path,
                           std::uint32_t cardIds, std::uint32_t cardSubsystemIds);
bool AtiImageOfCard(platform::FileSystem& files, const std::string& path, std::uint32_t cardIds,
                    std::uint32_t cardSubsystemIds);

// The path of the newest backup in <keepFolder>Backups (by the moment its name records) that is
// of this card and checks out; empty when there is none.
std::string NewestGoodBackup(platform::FileSystem& files, const std::string& keepFolder,
                             const BackupOfCard& ofCard);

// The hint after a flash that failed once `backupPath` was kept: RestoreHintText(backupPath)
// when that backup checks out (or cannot be opened now: a passing failure is no sign of a damaged
// BIOS), else DamagedRestoreHintText with the newest good backup.
std::string RestoreHint(platform::FileSystem& files, const std::string& keepFolder,
                        const std::string& backupPath, const BackupOfCard& ofCard);

}  // namespace rz::commands
