// Starts the vendor flash tool on Linux: fork, change to the given folder and exec, then wait.
// The tool needs the hardware, so a program that is not root starts it through pkexec.
#pragma once
#include <string>

#include "platform/ToolLauncher.h"
#include "platform/linux/ObtainSysfsFiles.h"

namespace rz::platform {

struct ToolLaunchOptions {
  bool asRoot = RunningAsRoot();
  std::string pkexec = kPkexecPath;
  // Runs the fixed script that enters the folder and execs the tool (see RunAndWait).
  std::string shell = "/bin/sh";
};

class LinuxToolLauncher final : public ToolLauncher {
 public:
  explicit LinuxToolLauncher(ToolLaunchOptions options = {}) : options_(std::move(options)) {}

  // The parameter text is split on blanks into separate arguments; `path` is taken whole. Not as
  // root the command becomes `pkexec /bin/sh -c 'cd -- "$1" && shift && exec "$@"' rzflash-tool
  // <folder> <path> <arguments>`: pkexec starts its program in root's home folder, and the script
  // (a constant) enters the tool's folder again. The folder, the tool and its arguments are
  // separate arguments of the script that it never parses, whatever characters they hold (`env -C`
  // would take a word holding '=' for a variable assignment). The exit status is the tool's
  // (pkexec's own 126 or 127 when authentication is refused or impossible).
  LaunchResult RunAndWait(const std::string& path, const std::string& parameters,
                          const std::string& folder) override;

 private:
  ToolLaunchOptions options_;
};

}  // namespace rz::platform
