// This Linux computer with all its seams: raw ports and /dev/mem for the driver, the sysfs PCI
// files obtained at bring-up (through the access broker when not root), the Linux process
// facilities, fork and exec for the vendor tool (through pkexec when not root).
#include <unistd.h>

#include "platform/HostPlatform.h"
#include "platform/linux/LinuxDriverDevice.h"
#include "platform/linux/LinuxInterruptHold.h"
#include "platform/linux/LinuxRegistry.h"
#include "platform/linux/LinuxServiceControl.h"
#include "platform/linux/LinuxShellOpen.h"
#include "platform/linux/LinuxShutdown.h"
#include "platform/linux/LinuxSystem.h"
#include "platform/linux/LinuxToolLauncher.h"
#include "platform/linux/RawAccessProblem.h"
#include "platform/linux/SysfsFilesSlot.h"

namespace rz::platform {

namespace {

class LinuxPlatform final : public HostPlatform {
 public:
  Platform& Seams() override { return seams_; }
  // Why the PCI files could not be obtained when that failed the bring-up; else why raw access
  // failed.
  std::string DescribeAccessProblem() override {
    const std::string& obtain = services_.AccessProblem();
    return obtain.empty() ? DescribeRawAccessProblem() : obtain;
  }

 private:
  SysfsFilesSlot slot_;  // before the device and the services, which use it
  LinuxDriverDevice device_;
  LinuxServiceControl services_{slot_, AccessOptions{}};
  LinuxSystem system_;
  std::unique_ptr<FileSystem> files_ = MakeHostFileSystem();
  LinuxToolLauncher launcher_;
  LinuxRegistry registry_;
  LinuxShutdown shutdown_;
  LinuxShellOpen shell_;
  LinuxInterruptHold interrupts_;
  Platform seams_{device_,   services_, system_, *files_,     launcher_,
                  registry_, shutdown_, shell_,  &interrupts_};
};

}  // namespace

std::unique_ptr<HostPlatform> MakeHostPlatform() { return std::make_unique<LinuxPlatform>(); }

bool IsTerminal(std::FILE* stream) { return stream && ::isatty(::fileno(stream)) != 0; }

void PrepareStandardStreams() {}  // lines already end in a line feed

}  // namespace rz::platform
