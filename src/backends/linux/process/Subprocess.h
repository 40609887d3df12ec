// SPDX-License-Identifier: GPL-3.0-or-later
// Starting other programs on Linux with fork and exec: waited for (with their exit status) or
// detached. Exec failures are reported back from the child through a close-on-exec pipe.
#pragma once
#include <sys/types.h>

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

// Starts `path` with `args` with `stdio` as its standard input and output (standard error is
// shared) and does not wait. The child's pid, or -1 when it could not be executed.
pid_t SpawnWithStdio(const std::string& path, const std::vector<std::string>& args, int stdio);

// Waits for the child `pid` to end: its exit status, 128 + the signal number when a signal ended
// it, -1 when it cannot be waited for.
int WaitForExit(pid_t pid);

// Starts `path` with `args` in the folder of `folderFd` (-1: the current folder) so that nothing
// meant for the program stops it halfway: SIGINT, SIGTERM, SIGHUP and SIGQUIT (what a terminal
// sends its foreground programs, and a termination request) and SIGPIPE (a reader of its output
// that went away) are ignored in it, and no signal is blocked. It stays in the caller's process
// group, so a password prompt or the tool itself keeps the terminal. The child's pid, or -1 when
// it could not be executed or the folder not entered; wait for it with WaitForExit.
pid_t SpawnUninterruptible(const std::string& path, const std::vector<std::string>& args,
                           int folderFd);

// Starts `path` with `args` in a session of its own and does not wait for it (no zombie is left
// behind). False when it could not be executed.
bool SpawnDetached(const std::string& path, const std::vector<std::string>& args);

}  // namespace rz::platform
