// SPDX-License-Identifier: GPL-3.0-or-later
// The commands of the terminal front end that answer without running the program: help, version,
// chips, machines and inspect.
#pragma once
#include <cstdio>
#include <optional>

#include "cli/Options.h"
#include "cli/RunEnd.h"

namespace rz::cli {

// Writes the answer to `human` (and the JSON object to `end`, where the command has one); its exit
// status, or nullopt for a command the program runs.
std::optional<int> AnswerWithoutProgram(const Options& o, std::FILE* human, RunEnd& end);

}  // namespace rz::cli
