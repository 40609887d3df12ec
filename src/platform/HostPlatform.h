// The computer the program runs on, with every seam of its platform backend, as the executables
// build it. Each backend folder (platform/linux, platform/windows) defines these functions.
#pragma once
#include <cstdio>
#include <memory>
#include <string>

#include "platform/Platform.h"

namespace rz::platform {

class HostPlatform {
 public:
  virtual ~HostPlatform() = default;
  virtual Platform& Seams() = 0;
  // Why the hardware could not be reached, in words a user can act on, for the terminal after a
  // failed driver bring-up; one problem a line.
  virtual std::string DescribeAccessProblem() = 0;
};

std::unique_ptr<HostPlatform> MakeHostPlatform();

// Whether `stream` is a terminal (a console), so that questions may be asked on it.
bool IsTerminal(std::FILE* stream);

// Sets up standard output and error for the terminal front end: lines end in a line feed alone on
// every system, so that scripts see the same bytes everywhere.
void PrepareStandardStreams();

}  // namespace rz::platform
