// SPDX-License-Identifier: GPL-3.0-or-later
// Starts an outside program in a given folder and waits for it to end.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace rz::platform {

struct LaunchResult {
  bool started = false;  // false when the program could not be started
  int exitCode = -1;     // the program's exit status when it was started
};

// What the caller is told while it waits for a started program: once for every `intervalMs` of
// waiting, with the time waited so far. Nothing is told once the program has ended, and the
// program is never stopped or killed for taking long.
struct WaitWatch {
  std::uint32_t intervalMs = 0;  // 0: nothing is told
  std::function<void(std::uint64_t waitedMs)> onInterval;
  bool Active() const { return intervalMs > 0 && onInterval != nullptr; }
};

class ToolLauncher {
 public:
  virtual ~ToolLauncher() = default;
  // Runs `path` with `parameters` with `folder` as its current folder (empty: the program's own
  // current folder) and waits for its end.
  virtual LaunchResult RunAndWait(const std::string& path, const std::string& parameters,
                                  const std::string& folder) = 0;
  // The same, telling `watch` while it waits. Default: a launcher that cannot tell waits without.
  virtual LaunchResult RunAndWatch(const std::string& path, const std::string& parameters,
                                   const std::string& folder, const WaitWatch& watch) {
    (void)watch;
    return RunAndWait(path, parameters, folder);
  }
};

}  // namespace rz::platform
