// SPDX-License-Identifier: GPL-3.0-or-later
// Why the ZPCIDrv driver could not be brought up, in words a user can act on: which file and
// device the program needs, whether the file is there, and whether the program has the
// administrator rights that installing a driver service takes.
#pragma once
#include <optional>
#include <string>

namespace rz::platform {

struct DriverAccessFacts {
  std::string driverFile;   // full path of the build this system needs
  std::string devicePath;   // the device that build makes
  bool driverFileFound = false;
  std::optional<bool> elevated;  // whether the process runs with administrator rights; unknown
};

// One problem a line, each ending in a line feed except the last.
std::string DescribeDriverAccessProblem(const DriverAccessFacts& facts);

// Whether this process runs elevated (with the administrators' rights); nullopt when the token
// cannot say.
std::optional<bool> ProcessIsElevated();

}  // namespace rz::platform
