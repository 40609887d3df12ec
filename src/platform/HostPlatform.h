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

// This computer's interrupt hold on its own, for a front end that runs on an emulated machine
// (the host platform's seams hold one already). One hold at a time may be open in a process.
std::unique_ptr<InterruptHold> MakeHostInterruptHold();

// Delivers an interrupt request of `kind` to this process as the system would: the hold takes it
// while open, otherwise its default action ends the program. The emulated machine's test hook.
void DeliverInterrupt(InterruptKind kind);

// Whether `stream` is a terminal (a console), so that questions may be asked on it.
bool IsTerminal(std::FILE* stream);

// Sets up standard output and error for the terminal front end: lines end in a line feed alone on
// every system, so that scripts see the same bytes everywhere.
void PrepareStandardStreams();

}  // namespace rz::platform
