// SPDX-License-Identifier: GPL-3.0-or-later
// Waiting for the vendor tool on Linux while telling a WaitWatch once per interval: for a child
// of this process, and for the access helper's answer that the tool it started has ended.
#pragma once
#include <sys/types.h>

#include "platform/ToolLauncher.h"

namespace rz::platform {

// As WaitForExit (Subprocess.h), telling `watch` while the child runs.
int WaitForExitWatched(pid_t pid, const WaitWatch& watch);

// Returns once `fd` has something to read (or an error to report), telling `watch` while it waits.
void WaitReadableWatched(int fd, const WaitWatch& watch);

}  // namespace rz::platform
