// SPDX-License-Identifier: GPL-3.0-or-later
// What every program does first on Linux: no closed standard descriptor, and writes that fail
// instead of ending the program.
#include <signal.h>

#include "backends/linux/process/StandardDescriptors.h"
#include "platform/HostPlatform.h"

namespace rz::platform {

namespace {

// Nothing to do: the write that raised the signal fails by itself (EPIPE for a pipe or socket
// whose reader is gone, EFBIG past the file-size limit), and its caller sees the failure.
extern "C" void OnFailedWriteSignal(int) {}

}  // namespace

bool PrepareProcess() {
  if (!OpenNullOntoClosedStandardDescriptors()) return false;
  // A handler rather than SIG_IGN: an ignored signal stays ignored in the programs this one
  // starts (the vendor tool, pkexec), a caught one goes back to its default action at their exec.
  struct sigaction quiet {};
  quiet.sa_handler = OnFailedWriteSignal;
  quiet.sa_flags = SA_RESTART;
  sigemptyset(&quiet.sa_mask);
  for (const int signal : {SIGPIPE, SIGXFSZ}) ::sigaction(signal, &quiet, nullptr);
  return true;
}

}  // namespace rz::platform
