// SPDX-License-Identifier: GPL-3.0-or-later
// rzflash-access: the only part of RZFLASH that runs as root when the program is started by an
// ordinary user. pkexec starts it (polkit action org.rzflash.access, which asks for an
// administrator's password every time) once per run, with a Unix socket as its standard input and
// output, and it serves the program until the program closes its end of the socket (ends or is
// killed); nothing it grants outlives the run. It hands over three things only (see
// AccessProtocol.h): the PCI files of /sys/bus/pci/devices that reading and programming a
// graphics card's BIOS needs (every device's config read-only; the config and memory BAR resource
// files of NVIDIA and ATI display devices read-write), the descriptor of the machine's
// single-instance lock file /run/rzflash.lock, and runs of the vendor flash tool of the installed
// data folder (found from this program's own place: ../../share/rzflash beside its folder) with
// one of its fixed command lines, in a folder of the user's own that the program hands over as a
// descriptor. It takes no path, option or argument from the caller but the protocol version,
// reads nothing else from its environment, and ignores the requests to stop that a terminal sends
// (it ends with its socket; a tool it started is always waited for). It is small on purpose (this
// file, AccessBroker.cpp and the few files that CMakeLists.txt lists beside it) so that it can be
// audited.
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "backends/linux/broker/AccessBroker.h"
#include "backends/linux/broker/AccessProtocol.h"
#include "backends/linux/process/StandardDescriptors.h"
#include "backends/linux/process/ToolCommands.h"

namespace {

bool IsSocket(int fd) {
  struct stat st{};
  return ::fstat(fd, &st) == 0 && S_ISSOCK(st.st_mode);
}

// The test build of this program takes the places it serves from its environment, so that it can
// be exercised on folders laid out like the real ones; the installed one never does.
const char* TestSetting(const char* name) {
#ifdef RZFLASH_ACCESS_TEST_BUILD
  return std::getenv(name);
#else
  (void)name;
  return nullptr;
#endif
}

// The installed data folder: ../../share/rzflash beside this program's folder
// (/usr/libexec/rzflash -> /usr/share/rzflash); empty when this program's place is unknown.
std::string DataFolder() {
  if (const char* folder = TestSetting("RZFLASH_ACCESS_TEST_DATA_FOLDER")) return folder;
  char self[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return {};
  std::string path(self, static_cast<std::size_t>(n));
  const auto slash = path.rfind('/');
  if (slash == std::string::npos || slash == 0) return {};
  return path.substr(0, slash) + "/../../share/rzflash";
}

rz::platform::BrokerSetup Setup() {
  rz::platform::BrokerSetup setup;
  if (const char* root = TestSetting("RZFLASH_ACCESS_TEST_SYSFS_ROOT")) setup.sysfsRoot = root;
  if (const char* lock = TestSetting("RZFLASH_ACCESS_TEST_LOCK_FILE")) setup.lockFile = lock;
  const std::string data = DataFolder();
  if (!data.empty()) setup.tool = data + "/" + rz::platform::kToolInDataFolder;
  return setup;
}

// A request to stop from the terminal is the program's to handle; this helper ends with its
// socket. SIGPIPE: a program gone away shows as a failed send.
void IgnoreRequestsToStop() {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  for (const int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) ::sigaction(s, &ignore, nullptr);
}

// Moves the socket off the standard descriptors, so that nothing started from here (the vendor
// tool) can read or write it: standard input becomes /dev/null, standard output the helper's
// standard error (the program's). Returns the socket's new descriptor, or -1.
int TakeSocketOffStandardDescriptors() {
  const int socket = ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3);
  const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  if (socket < 0 || null < 0) return -1;
  const bool ok = ::dup2(null, STDIN_FILENO) == STDIN_FILENO &&
                  (::dup2(STDERR_FILENO, STDOUT_FILENO) == STDOUT_FILENO ||
                   ::dup2(null, STDOUT_FILENO) == STDOUT_FILENO);
  ::close(null);
  return ok ? socket : -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (!rz::platform::OpenNullOntoClosedStandardDescriptors())
    return rz::platform::kAccessExitSocketFailed;
  IgnoreRequestsToStop();
  if (!IsSocket(STDIN_FILENO)) {
    std::fprintf(stderr, "rzflash-access: standard input must be the program's socket\n");
    return rz::platform::kAccessExitSocketFailed;
  }
  const int socket = TakeSocketOffStandardDescriptors();
  if (socket < 0) return rz::platform::kAccessExitSocketFailed;
  const std::string version = argc == 2 ? argv[1] : "";
  return rz::platform::ServeAccessBroker(socket, Setup(), version);
}
