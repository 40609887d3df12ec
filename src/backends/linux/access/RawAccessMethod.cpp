// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/linux/access/RawAccessMethod.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define RZ_HAVE_PORT_INSTRUCTIONS 1
#else
#define RZ_HAVE_PORT_INSTRUCTIONS 0
#endif

#include "backends/linux/access/MapFileRange.h"
#include "backends/linux/access/ProcPciDevices.h"
#include "base/LittleEndian.h"

namespace rz::platform {
namespace {

int OpenRw(const std::string& path, int extra) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | extra);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace

std::unique_ptr<AccessMethod> RawAccessMethod::Detect(const AccessSources& sources,
                                                      std::string& why) {
  const LinuxDriverPaths& paths = sources.raw;
  const int port = OpenRw(paths.port, 0);
  if (port < 0) {
    why = paths.port + " cannot be opened for reading and writing: " + std::strerror(errno);
    return nullptr;
  }
  const int mem = OpenRw(paths.mem, O_SYNC);
  if (mem < 0) {
    why = paths.mem + " cannot be opened for reading and writing: " + std::strerror(errno);
    ::close(port);
    return nullptr;
  }
  return std::make_unique<RawAccessMethod>(paths, port, mem);
}

RawAccessMethod::RawAccessMethod(LinuxDriverPaths paths, int portFd, int memFd)
    : paths_(std::move(paths)), portFd_(portFd), memFd_(memFd) {}

RawAccessMethod::~RawAccessMethod() {
  ::close(portFd_);
  ::close(memFd_);
}

bool RawAccessMethod::GrantPorts(std::uint16_t port, std::uint16_t width) {
#if RZ_HAVE_PORT_INSTRUCTIONS
  bool all = true;
  for (std::uint32_t p = port; p < std::uint32_t{port} + width; ++p) all = all && granted_[p];
  if (all) return true;
  if (::ioperm(port, width, 1) != 0) return false;
  for (std::uint32_t p = port; p < std::uint32_t{port} + width; ++p) granted_[p] = true;
  return true;
#else
  (void)port;
  (void)width;
  return false;
#endif
}

bool RawAccessMethod::PortRead(std::uint16_t port, std::uint16_t width, std::uint32_t& value) {
  if (width > 1 && paths_.wide == WidePortAccess::Native) {
#if RZ_HAVE_PORT_INSTRUCTIONS
    if (!GrantPorts(port, width)) return false;
    value = width == 2 ? ::inw(port) : ::inl(port);
    return true;
#else
    return false;
#endif
  }
  std::uint8_t bytes[4] = {};
  if (::pread(portFd_, bytes, width, port) != static_cast<ssize_t>(width)) return false;
  value = 0;
  for (int i = width - 1; i >= 0; --i) value = (value << 8) | bytes[i];
  return true;
}

bool RawAccessMethod::PortWrite(std::uint16_t port, std::uint16_t width, std::uint32_t value) {
  if (width > 1 && paths_.wide == WidePortAccess::Native) {
#if RZ_HAVE_PORT_INSTRUCTIONS
    if (!GrantPorts(port, width)) return false;
    if (width == 2) ::outw(static_cast<std::uint16_t>(value), port);
    else ::outl(value, port);
    return true;
#else
    return false;
#endif
  }
  std::uint8_t bytes[4];
  le::Put32(bytes, value);
  return ::pwrite(portFd_, bytes, width, port) == static_cast<ssize_t>(width);
}

std::unique_ptr<MappedMemory> RawAccessMethod::Map(std::uint32_t physical, std::uint32_t length,
                                                 std::string& why) {
  // Read at every map: the BARs may have been moved since the last one (a rescan, a hot plug).
  const auto text = ReadProcFile(paths_.pciDevices, why);
  if (!text) return nullptr;
  for (const PciBar& bar : ParseProcPciDevices(*text)) {
    if (!bar.IsMemory() || !bar.Holds(physical, 1)) continue;
    auto memory = MapFileRange(memFd_, physical, bar.HeldPart(physical, length));
    if (!memory) why = paths_.mem + " cannot be mapped at " + HexAddress(physical) + ": " + std::strerror(errno);
    return memory;
  }
  why = "no memory BAR in " + paths_.pciDevices + " holds " + HexAddress(physical);
  return nullptr;
}

}  // namespace rz::platform
