// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a program as a child process the way a user's shell would for the end-to-end suite: in a
// given folder, with standard input empty, output and errors into files, and the temporary folder
// variables pointing into that folder. fork/exec on POSIX systems, CreateProcess on Windows.
#pragma once
#include <string>
#include <vector>

namespace rz::e2e {

// The child's exit status (128 + the signal number when a signal ended it). Throws
// std::runtime_error when it cannot be started at all.
int RunChild(const std::string& program, const std::vector<std::string>& args,
             const std::string& folder, const std::string& outPath, const std::string& errPath);

#ifndef _WIN32
// This process's environment with the temporary folder variables pointing at `folder`, one
// "NAME=value" entry each: what a child started for a test gets.
std::vector<std::string> ChildEnvironment(const std::string& folder);
#endif

}  // namespace rz::e2e
