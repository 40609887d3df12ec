// Starts an outside program in a given folder and waits for it to end.
#pragma once
#include <string>

namespace rz::platform {

struct LaunchResult {
  bool started = false;  // false when the program could not be started
  int exitCode = -1;     // the program's exit status when it was started
};

class ToolLauncher {
 public:
  virtual ~ToolLauncher() = default;
  // Runs `path` with `parameters` with `folder` as its current folder (empty: the program's own
  // current folder) and waits for its end.
  virtual LaunchResult RunAndWait(const std::string& path, const std::string& parameters,
                                  const std::string& folder) = 0;
};

}  // namespace rz::platform
