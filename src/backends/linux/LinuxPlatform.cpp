// SPDX-License-Identifier: GPL-3.0-or-later
// This Linux computer with all its seams: the access methods (sysfs, else raw ports and
// /dev/mem) for the driver, with the sysfs PCI files obtained at bring-up, the machine's
// single-instance lock, and fork and exec for the vendor tool. A program that is not root has the
// run's one access helper (started through pkexec at the single-instance test, the run's only
// password prompt) open the lock and the files and start the tool.
#include <poll.h>
#include <unistd.h>

#include "backends/linux/LinuxRegistry.h"
#include "backends/linux/LinuxServiceControl.h"
#include "backends/linux/LinuxShellOpen.h"
#include "backends/linux/access/LinuxDriverDevice.h"
#include "backends/linux/access/RawAccessProblem.h"
#include "backends/linux/access/SysfsFilesSlot.h"
#include "backends/linux/process/LinuxInterruptHold.h"
#include "backends/linux/process/LinuxShutdown.h"
#include "backends/linux/process/LinuxSystem.h"
#include "backends/linux/process/LinuxToolLauncher.h"
#include "platform/HostPlatform.h"

namespace rz::platform {

namespace {

class LinuxPlatform final : public HostPlatform {
 public:
  Platform& Seams() override { return seams_; }
  // Why the PCI files could not be obtained when that failed the bring-up; else why each access
  // method failed.
  std::string DescribeAccessProblem() override {
    const std::string& obtain = services_.AccessProblem();
    if (!obtain.empty()) return obtain;
    return DescribeAccessMethodProblems(device_.Attempts(), CurrentRawAccessFacts());
  }

 private:
  // The helper ends when this goes (its socket closes), after everything that uses it.
  AccessSession helper_;
  SysfsFilesSlot sysfs_;  // filled by the service calls; declared first, so it outlives the device
  LinuxDriverDevice device_{AccessSources{&sysfs_, {}}, LinuxAccessMethods()};
  LinuxSystem system_{LinuxSystemOptions{kRunLockPath, {}, &helper_}};
  LinuxServiceControl services_{sysfs_, helper_, &system_.Lock()};
  std::unique_ptr<FileSystem> files_ = MakeHostFileSystem();
  LinuxToolLauncher launcher_{&helper_};
  LinuxRegistry registry_;
  LinuxShutdown shutdown_;
  LinuxShellOpen shell_;
  LinuxInterruptHold interrupts_;
  Platform seams_{device_,   services_, system_, *files_,     launcher_,
                  registry_, shutdown_, shell_,  &interrupts_};
};

}  // namespace

std::unique_ptr<HostPlatform> MakeHostPlatform() { return std::make_unique<LinuxPlatform>(); }

std::string HostExecutablePath() { return LinuxSystem().ExecutablePath(); }

bool IsTerminal(std::FILE* stream) { return stream && ::isatty(::fileno(stream)) != 0; }

bool OutputLost(std::FILE* stream) {
  if (!stream) return true;
  if (std::fflush(stream) != 0 || std::ferror(stream)) return true;
  // A pipe whose reader is gone (or a socket whose peer left) polls as an error at once.
  pollfd out{::fileno(stream), POLLOUT, 0};
  return ::poll(&out, 1, 0) == 1 && (out.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
}

void PrepareStandardStreams() {}  // lines already end in a line feed

}  // namespace rz::platform
