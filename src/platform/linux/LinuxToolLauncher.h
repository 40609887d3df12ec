// Starts the vendor flash tool on Linux: fork, change to the given folder and exec, then wait.
#pragma once
#include "platform/ToolLauncher.h"

namespace rz::platform {

class LinuxToolLauncher final : public ToolLauncher {
 public:
  // The parameter text is split on blanks into separate arguments; `path` is taken whole.
  LaunchResult RunAndWait(const std::string& path, const std::string& parameters,
                          const std::string& folder) override;
};

}  // namespace rz::platform
