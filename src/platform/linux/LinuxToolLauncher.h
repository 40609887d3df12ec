// Starts the vendor flash tool on Linux: fork and exec in the current folder, then wait for it.
#pragma once
#include "platform/ToolLauncher.h"

namespace rz::platform {

class LinuxToolLauncher final : public ToolLauncher {
 public:
  // The parameter text is split on blanks into separate arguments; `path` is taken whole.
  LaunchResult RunAndWait(const std::string& path, const std::string& parameters) override;
};

}  // namespace rz::platform
