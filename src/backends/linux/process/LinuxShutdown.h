// SPDX-License-Identifier: GPL-3.0-or-later
// Restart on Linux: the init system is asked to reboot (`systemctl reboot`), which stops the
// services and syncs the file systems first, so a backup just written is never lost.
#pragma once
#include <string>
#include <vector>

#include "platform/Shutdown.h"

namespace rz::platform {

class LinuxShutdown final : public Shutdown {
 public:
  // `command` is the reboot request, program first; tests give a harmless one.
  explicit LinuxShutdown(std::vector<std::string> command = {"systemctl", "reboot"});

  // A version without the top bit: the privilege step runs (and does nothing here).
  std::uint32_t GetVersion() override { return kLinuxVersion; }
  // The init system decides whether this user may reboot (polkit); nothing to enable.
  void EnableShutdownPrivilege() override {}
  // Runs the reboot request and waits for its answer; true when it exited with status 0. Flags
  // without kEwxReboot are refused.
  bool ExitWindows(std::uint32_t flags, std::uint32_t reason) override;

  static constexpr std::uint32_t kLinuxVersion = 0x00000006;

 private:
  std::vector<std::string> command_;
};

}  // namespace rz::platform
