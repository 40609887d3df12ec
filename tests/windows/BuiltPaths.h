// SPDX-License-Identifier: GPL-3.0-or-later
// Where the programs the tests start were built, as paths the system's calls take.
#pragma once
#include <string>

namespace rz::test {

// `built` as the build wrote it: a native path, or under Wine a path of the host, which Wine
// translates into its own form.
std::string HostPath(const char* built);

std::string CliPath();
std::string InstanceProbePath();
std::string ConsoleProbePath();
std::string ImageToolPath();
std::string OsVersionStandinPath();
std::string VendorToolStandinPath();

}  // namespace rz::test
