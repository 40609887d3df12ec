// Starting other programs on Linux with fork and exec: waited for (with their exit status) or
// detached. Exec failures are reported back from the child through a close-on-exec pipe.
#pragma once
#include <string>
#include <vector>

#include "platform/ToolLauncher.h"

namespace rz::platform {

// The parameter text split on blanks and tabs; empty words are dropped.
std::vector<std::string> SplitParameters(const std::string& parameters);

// Full path of `program`: itself when it holds a '/', else the first executable of that name in
// the folders of PATH; empty when there is none.
std::string FindProgram(const std::string& program);

// Runs `path` with `args` (argv[1]...) in `folder` (empty: the current folder) and waits for its
// end. started is false when it could not be executed (or `folder` could not be entered);
// exitCode is the exit status, or 128 + the signal number when a signal ended it.
LaunchResult SpawnAndWait(const std::string& path, const std::vector<std::string>& args,
                          const std::string& folder = {});

// Starts `path` with `args` in a session of its own and does not wait for it (no zombie is left
// behind). False when it could not be executed.
bool SpawnDetached(const std::string& path, const std::vector<std::string>& args);

}  // namespace rz::platform
