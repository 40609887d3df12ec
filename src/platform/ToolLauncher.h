// Starts an outside program in the current folder and waits for it to end.
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
  virtual LaunchResult RunAndWait(const std::string& path, const std::string& parameters) = 0;
};

}  // namespace rz::platform
