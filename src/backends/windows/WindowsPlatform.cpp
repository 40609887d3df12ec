// SPDX-License-Identifier: GPL-3.0-or-later
// This Windows computer with all its seams: the ZPCIDrv driver through the service control manager
// and DeviceIoControl, the process facilities, the shell for the vendor tool and the help file,
// the registry, and the restart.
#include <fcntl.h>
#include <io.h>

#include "backends/windows/WindowsInterruptHold.h"
#include "backends/windows/WindowsRegistry.h"
#include "backends/windows/WindowsShellOpen.h"
#include "backends/windows/WindowsShutdown.h"
#include "backends/windows/WindowsSystem.h"
#include "backends/windows/WindowsToolLauncher.h"
#include "backends/windows/driver/DriverAccessProblem.h"
#include "backends/windows/driver/WindowsDriverDevice.h"
#include "backends/windows/driver/WindowsServiceControl.h"
#include "base/Paths.h"
#include "host/windows/Win32.h"
#include "platform/HostPlatform.h"
#include "platform/driver/DriverFacts.h"

namespace rz::platform {

namespace {

class WindowsPlatform final : public HostPlatform {
 public:
  Platform& Seams() override { return seams_; }
  std::string DescribeAccessProblem() override;

 private:
  WindowsDriverDevice device_;
  WindowsServiceControl services_;
  WindowsSystem system_;
  std::unique_ptr<FileSystem> files_ = MakeHostFileSystem();
  WindowsToolLauncher launcher_;
  WindowsRegistry registry_;
  WindowsShutdown shutdown_;
  WindowsShellOpen shell_;
  WindowsInterruptHold interrupts_;
  Platform seams_{device_,   services_, system_, *files_,     launcher_,
                  registry_, shutdown_, shell_,  &interrupts_};
};

std::string WindowsPlatform::DescribeAccessProblem() {
  // The same choice of build as the driver's bring-up makes.
  const std::uint32_t os = system_.GetOSVer();
  DriverAccessFacts facts;
  facts.driverFile = FolderOf(system_.ExecutablePath()) + DriverFileFor(os);
  facts.devicePath = DevicePathFor(os);
  facts.driverFileFound = files_->Kind(facts.driverFile) == PathKind::File;
  facts.elevated = ProcessIsElevated();
  return DescribeDriverAccessProblem(facts);
}

}  // namespace

std::unique_ptr<HostPlatform> MakeHostPlatform() { return std::make_unique<WindowsPlatform>(); }

std::string HostExecutablePath() { return WindowsSystem().ExecutablePath(); }

bool IsTerminal(std::FILE* stream) {
  if (!stream) return false;
  const int fd = _fileno(stream);
  // The null device is a character device too, which _isatty alone takes for a terminal: only a
  // console answers GetConsoleMode.
  if (fd < 0 || !_isatty(fd)) return false;
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) != FALSE;
}

// Windows programs work with handles, not the C runtime's descriptors, so a standard handle
// missing at start takes no file's place; and a write to a closed pipe fails with an error by
// itself (there are no SIGPIPE or SIGXFSZ to end the program). Nothing to do.
bool PrepareProcess() { return true; }

bool OutputLost(std::FILE* stream) {
  return !stream || std::fflush(stream) != 0 || std::ferror(stream) != 0;
}

void PrepareStandardStreams() {
  // Text mode would turn every line feed into a carriage return and a line feed.
  std::fflush(stdout);
  std::fflush(stderr);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  // A console shows UTF-8 (its code page is UTF-8 for the run, Utf8Entry.h) only when it gets each
  // character's bytes in one write; the runtime writes an unbuffered stream byte by byte. A stream
  // that is a console gets a buffer, and the program flushes it after each thing it says.
  for (std::FILE* stream : {stdout, stderr})
    if (IsTerminal(stream)) std::setvbuf(stream, nullptr, _IOFBF, 0x10000);
}

}  // namespace rz::platform
