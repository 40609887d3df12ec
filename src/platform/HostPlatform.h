// SPDX-License-Identifier: GPL-3.0-or-later
// The computer the program runs on, with every seam of its platform backend, as the executables
// build it. Each backend (backends/linux, backends/windows) defines these functions.
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

// The path of this program's executable on this computer, whatever machine the program works on
// (a front end on an emulated machine too); empty when unknown.
std::string HostExecutablePath();

// This computer's interrupt hold on its own, for a front end that runs on an emulated machine
// (the host platform's seams hold one already). One hold at a time may be open in a process.
std::unique_ptr<InterruptHold> MakeHostInterruptHold();

// Delivers an interrupt request of `kind` to this process as the system would: the hold takes it
// while open, otherwise its default action ends the program. The emulated machine's test hook.
void DeliverInterrupt(InterruptKind kind);

// Whether `stream` is a terminal (a console), so that questions may be asked on it.
bool IsTerminal(std::FILE* stream);

// Called first thing by every program's main (the windows, the terminal front end): a standard
// descriptor left closed by whoever started the program is opened onto the null device, so that
// no file the program opens takes its number and its messages; and a write to a pipe nobody reads
// any more, or past the file-size limit, fails like a write to a full disk instead of ending the
// program. False when that cannot be done: the program then ends at once.
bool PrepareProcess();

// Whether what `stream` writes to is gone, after flushing it: a write to it failed, or it is a
// pipe or socket that nobody reads any more.
bool OutputLost(std::FILE* stream);

// Sets up standard output and error for the terminal front end: lines end in a line feed alone on
// every system, so that scripts see the same bytes everywhere.
void PrepareStandardStreams();

}  // namespace rz::platform
