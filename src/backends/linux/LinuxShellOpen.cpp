// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/linux/LinuxShellOpen.h"

#include "backends/linux/process/Subprocess.h"

namespace rz::platform {

void LinuxShellOpen::Open(const std::string& path) {
  // The seam has no result: a missing opener shows nothing.
  (void)SpawnDetached(FindProgram(opener_), {path});
}

}  // namespace rz::platform
