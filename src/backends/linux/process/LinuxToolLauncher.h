// SPDX-License-Identifier: GPL-3.0-or-later
// Starts the vendor flash tool on Linux and waits for it. Root's program starts it itself; an
// ordinary user's program has the run's access helper start the installed tool. Either way the
// tool runs in the given folder with the requests to stop that a terminal sends ignored
// (Subprocess.h: SpawnUninterruptible), so a Ctrl-C or a hang-up never stops it halfway through
// programming the card; the program holds such a request and ends once the tool is done.
#pragma once
#include <string>

#include "backends/linux/broker/AccessSession.h"
#include "platform/ToolLauncher.h"

namespace rz::platform {

class LinuxToolLauncher final : public ToolLauncher {
 public:
  // `helper` is the run's access session; null or root's: the tool is started directly.
  explicit LinuxToolLauncher(AccessSession* helper = nullptr) : helper_(helper) {}

  // The parameter text is split on blanks into separate arguments; `path` is taken whole (a relative
  // one in `folder`, as exec takes it; never a program on PATH). Through the helper only the
  // fixed command lines (ToolCommands.h) can be run, and the tool is the installed one, whatever
  // `path` says; another parameter text is not started. A folder that cannot be entered is not
  // replaced by another: the tool is not started. The exit status is the tool's, 128 + the signal
  // number when a signal ended it.
  LaunchResult RunAndWait(const std::string& path, const std::string& parameters,
                          const std::string& folder) override;
  // The same, telling `watch` once per interval while the tool runs.
  LaunchResult RunAndWatch(const std::string& path, const std::string& parameters,
                           const std::string& folder, const WaitWatch& watch) override;

 private:
  AccessSession* helper_;
};

}  // namespace rz::platform
