// SPDX-License-Identifier: GPL-3.0-or-later
// The save command: backs the card's BIOS up into a file the user chooses.
#pragma once
#include "commands/CommandContext.h"

namespace rz::commands {

inline constexpr const char* kSaveDialogTitle = "Select target file to save BIOS";
inline constexpr const char* kBlankScreenWarning = "The screen may go *BLANK* during EEPROM flash";
inline constexpr std::uint32_t kAfterWarningPauseMs = 500;

// btSaveClick. True when the backup was written ("Save VGA BIOS completed!!!").
bool btSaveClick(CommandContext& ctx);

}  // namespace rz::commands
