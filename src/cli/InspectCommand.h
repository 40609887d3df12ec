// SPDX-License-Identifier: GPL-3.0-or-later
// `rzflash-cli inspect FILE`: a look inside a BIOS file with no card, no driver and no
// privileges. The program does not start; RZFLASH.CFG is read quietly from the program folder
// (or from the --machine's) to say which boards the file's images fit.
#pragma once
#include <cstdio>

#include "cli/Options.h"
#include "cli/RunEnd.h"

namespace rz::cli {

// Prints the inspection on `human` (and its members into `end`'s JSON object); the exit status:
// 0 when the file holds an image or a package the program can take, 1 when it cannot be read or
// holds none (the reason is the run's problem), 2 when the --machine cannot be loaded.
int RunInspect(const Options& o, std::FILE* human, RunEnd& end);

}  // namespace rz::cli
