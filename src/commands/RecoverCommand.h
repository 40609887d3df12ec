// SPDX-License-Identifier: GPL-3.0-or-later
// Bringing back a card that lost its BIOS: the file is checked against the card's graphics chip
// (the chip's own ids are gone, so the usual card-versus-image check cannot be made), the person
// confirms, and the flash step runs with its safety backup, verify and automatic restore.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "commands/CommandContext.h"
#include "commands/FlashCommand.h"

namespace rz::commands {

inline constexpr const char* kNoRecoveryCardText = "No card that needs recovery was found.";

// What a recovery image must be: its first image whole, with the 55 AA signature, a PCI data
// structure of NVIDIA and `deviceId`, and (a legacy image) an 8-bit sum of 0.
struct RecoveryImage {
  std::optional<std::string> problem;  // why the file is refused; none when it fits
  std::string version;                 // the BIOS version the file carries, when it shows one
};
RecoveryImage CheckRecoveryImage(platform::FileSystem& files, const std::string& path,
                                 std::uint16_t deviceId);

// The question asked before the card that needs recovery is written.
// `card` tells which card it is (its bus address and ids).
std::string RecoveryQuestion(const std::string& card, const std::string& path,
                             const std::string& version);

// Flashes `path` onto adapter 0, a card that needs recovery, which `card` describes. NotStarted when the file was refused
// or the person declined; nothing is written then.
FlashOutcome RecoverCard(CommandContext& ctx, const std::string& path, const std::string& card);

}  // namespace rz::commands
