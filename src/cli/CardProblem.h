// SPDX-License-Identifier: GPL-3.0-or-later
// Why a command could not be carried out on the card that detection found, in words for the
// terminal: the windows show only their fixed messages (or nothing), a script needs the reason.
#pragma once
#include <optional>
#include <string>

#include "app/Program.h"
#include "cli/Options.h"

namespace rz::cli {

// The reason when the card is one the program cannot read or program for `command` (no card,
// another vendor, an EEPROM that could not be identified, a backup the vendor tool did not
// write); nullopt when the card itself is usable.
std::optional<std::string> DescribeCardProblem(app::Program& program, Command command,
                                               bool atiBackupShown);

}  // namespace rz::cli
