// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/linux/process/LinuxToolLauncher.h"

#include <fcntl.h>

#include "backends/linux/process/Subprocess.h"
#include "backends/linux/process/ToolCommands.h"
#include "backends/linux/process/UniqueFd.h"
#include "backends/linux/process/WatchedWait.h"

namespace rz::platform {

LaunchResult LinuxToolLauncher::RunAndWait(const std::string& path, const std::string& parameters,
                                           const std::string& folder) {
  return RunAndWatch(path, parameters, folder, {});
}

LaunchResult LinuxToolLauncher::RunAndWatch(const std::string& path, const std::string& parameters,
                                            const std::string& folder, const WaitWatch& watch) {
  const std::vector<std::string> args = SplitParameters(parameters);
  UniqueFd where;
  if (!folder.empty()) {
    where = UniqueFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!where.Valid()) return {};
  }
  if (helper_ && !helper_->Options().asRoot) {
    const auto request = ToolRequestFor(args);
    if (!request || !helper_->Start()) return {};
    if (!where.Valid()) where = UniqueFd(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!where.Valid()) return {};
    return helper_->RunTool(*request, where.Get(), watch);
  }
  const pid_t pid = SpawnUninterruptible(path, args, where.Get());
  if (pid < 0) return {};
  return {true, WaitForExitWatched(pid, watch)};
}

}  // namespace rz::platform
