// SPDX-License-Identifier: GPL-3.0-or-later
// Starts the vendor flash tool through the shell (ShellExecuteExW, verb "open", shown) in the given
// folder, and waits for its process to end. Paths and parameters are UTF-8.
#pragma once
#include <cstdint>

#include "platform/ToolLauncher.h"

namespace rz::platform {

class WindowsToolLauncher final : public ToolLauncher {
 public:
  // `parameters` go to the tool as one text, exactly as given. Not started when the shell refuses
  // the launch (a missing program, a folder that cannot be entered) or hands back no process to
  // wait for, and when a text is not UTF-8 (ERROR_NO_UNICODE_TRANSLATION, nothing is started);
  // LastError() then has the system's code.
  LaunchResult RunAndWait(const std::string& path, const std::string& parameters,
                          const std::string& folder) override;
  // The same, telling `watch` once per interval while the tool runs.
  LaunchResult RunAndWatch(const std::string& path, const std::string& parameters,
                           const std::string& folder, const WaitWatch& watch) override;
  std::uint32_t LastError() const { return lastError_; }

 private:
  std::uint32_t lastError_ = 0;
};

}  // namespace rz::platform
