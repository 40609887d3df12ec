// SPDX-License-Identifier: GPL-3.0-or-later
// The file of the machine's single-instance lock on Linux. It lies in a folder only root may
// write (/run), belongs to root and has mode 0600, so no ordinary user can create it, open it or
// hold a lock on it: every run of either front end, whoever started it, locks the same file.
// Root's program opens it itself, an ordinary user's program receives the descriptor from the
// access helper; the program then takes the lock (flock) on it.
#pragma once
#include <string>

#include "backends/linux/process/UniqueFd.h"

namespace rz::platform {

inline constexpr const char* kRunLockPath = "/run/rzflash.lock";

// Opens the lock file at `path` read-write, making it (mode 0600) when it is missing. Refused
// when the path is a link or not a regular file, or the file belongs to another user than this
// process's effective one; a file that others may read or write is made 0600 first. Invalid on
// failure, with `reason` saying why.
UniqueFd OpenRunLockFile(const std::string& path, std::string& reason);

}  // namespace rz::platform
