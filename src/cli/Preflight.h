// SPDX-License-Identifier: GPL-3.0-or-later
// What rzflash-cli checks before it runs the program: a command line that would have the
// transcript replace the command's own file, an empty file name, a current folder that is gone,
// and a temporary folder that cannot be used. Each gets a message of its own instead of a crash
// or a destroyed file later.
#pragma once
#include <optional>
#include <string>

#include "cli/Options.h"

namespace rz::cli {

struct PreflightProblem {
  int exitCode;         // app::kExitUsage for a usage error, app::kExitFailed for a failure
  std::string message;  // without the program name
};

// True when `a` and `b` name the same file (the same file reached by two names included), or
// would once one of them is created.
bool SameFile(const std::string& a, const std::string& b);

std::optional<PreflightProblem> CheckBeforeRun(const Options& options);

}  // namespace rz::cli
