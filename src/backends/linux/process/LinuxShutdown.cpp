// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/linux/process/LinuxShutdown.h"

#include "backends/linux/process/Subprocess.h"

namespace rz::platform {

LinuxShutdown::LinuxShutdown(std::vector<std::string> command) : command_(std::move(command)) {}

bool LinuxShutdown::ExitWindows(std::uint32_t flags, std::uint32_t reason) {
  (void)reason;
  if ((flags & kEwxReboot) == 0 || command_.empty()) return false;
  const std::string program = FindProgram(command_.front());
  const std::vector<std::string> args(command_.begin() + 1, command_.end());
  const LaunchResult r = SpawnAndWait(program, args);
  return r.started && r.exitCode == 0;
}

}  // namespace rz::platform
