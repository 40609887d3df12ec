// SPDX-License-Identifier: GPL-3.0-or-later
// Run by an ordinary user inside the test virtual machine: starts the access helper through
// pkexec as the program does, asks it for the PCI files and prints one line per descriptor it
// handed over: "<device> <file> <r|w as announced> <r|w as the kernel opened it>". The second
// mode is what the descriptor really allows (fcntl), whatever the helper said.
#include <fcntl.h>

#include <cstdio>
#include <string>

#include "backends/linux/broker/AccessProtocol.h"
#include "backends/linux/broker/AccessSession.h"
#include "backends/linux/broker/HandedSysfsFiles.h"

int main() {
  using namespace rz::platform;
  AccessSession session;
  if (!session.Start()) {
    std::fprintf(stderr, "helper not started: %s\n", session.Reason().c_str());
    return 1;
  }
  const int limit = session.Options().replyLimitMs;
  ReceivedSysfsFiles received =
      ReceiveSysfsFiles(session.Ask(std::string(kAccessFilesRequest) + "\n"),
                        [&session, limit] { return session.Next(limit); });
  if (received.outcome != ReceivedSysfsFiles::Outcome::Received) {
    std::fprintf(stderr, "no files received: %s\n", session.Reason().c_str());
    return 1;
  }
  for (const HandedFile& f : received.files) {
    const int flags = ::fcntl(f.fd.Get(), F_GETFL);
    const char* opened = flags < 0 ? "-" : (flags & O_ACCMODE) == O_RDWR ? "w" : "r";
    std::printf("%s %s %s %s\n", f.device.c_str(), f.file.c_str(), f.writable ? "w" : "r", opened);
  }
  return 0;
}
