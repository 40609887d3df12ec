// rzflash-access: the only part of RZFLASH that runs as root when the program is started by an
// ordinary user. pkexec starts it (polkit action org.rzflash.access) with a Unix socket as its
// standard input and output. It opens the PCI files under /sys/bus/pci/devices that reading and
// programming a graphics card's BIOS needs (every device's config read-only; the config and memory
// BAR resource files of NVIDIA and ATI display devices read-write), sends their descriptors over
// the socket and exits. It takes no path or option from the caller, only the protocol version as
// its one argument, and reads nothing else from its environment. It is small on purpose (this file
// and AccessBroker.cpp, a few hundred lines) so that it can be audited.
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/linux/AccessBroker.h"
#include "platform/linux/AccessProtocol.h"
#include "platform/linux/StandardDescriptors.h"

namespace {

bool IsSocket(int fd) {
  struct stat st{};
  return ::fstat(fd, &st) == 0 && S_ISSOCK(st.st_mode);
}

// The sysfs root: always /sys, except in the test build of this program, which takes a fake tree
// from its environment so that the program can be exercised without root.
std::string SysfsRoot() {
#ifdef RZFLASH_ACCESS_TEST_ROOT_VARIABLE
  if (const char* root = std::getenv(RZFLASH_ACCESS_TEST_ROOT_VARIABLE)) return root;
#endif
  return "/sys";
}

}  // namespace

int main(int argc, char** argv) {
  if (!rz::platform::OpenNullOntoClosedStandardDescriptors())
    return rz::platform::kAccessExitSocketFailed;
  if (!IsSocket(STDIN_FILENO)) {
    std::fprintf(stderr, "rzflash-access: standard input must be the program's socket\n");
    return rz::platform::kAccessExitSocketFailed;
  }
  const std::string version = argc == 2 ? argv[1] : "";
  return rz::platform::ServeAccessBroker(STDIN_FILENO, SysfsRoot(), version);
}
