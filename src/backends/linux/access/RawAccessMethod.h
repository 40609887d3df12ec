// SPDX-License-Identifier: GPL-3.0-or-later
// The raw access method: port requests through /dev/port (x86 port instructions after ioperm for
// wide accesses), map requests by mmap of /dev/mem, each with the part of the range that the
// memory BAR holding its start holds (the BARs as /proc/bus/pci/devices lists them). Needs root and a kernel without lockdown;
// RawAccessProblem.h tells the user why it fails.
#pragma once
#include <bitset>

#include "backends/linux/access/AccessMethod.h"

namespace rz::platform {

class RawAccessMethod final : public AccessMethod {
 public:
  // Opens both files read-write; null with the reason in `why` when either fails.
  static std::unique_ptr<AccessMethod> Detect(const AccessSources& sources, std::string& why);
  RawAccessMethod(LinuxDriverPaths paths, int portFd, int memFd);
  ~RawAccessMethod() override;
  RawAccessMethod(const RawAccessMethod&) = delete;
  RawAccessMethod& operator=(const RawAccessMethod&) = delete;

  bool PortRead(std::uint16_t port, std::uint16_t width, std::uint32_t& value) override;
  bool PortWrite(std::uint16_t port, std::uint16_t width, std::uint32_t value) override;
  std::unique_ptr<MappedMemory> Map(std::uint32_t physical, std::uint32_t length,
                                    std::string& why) override;

 private:
  bool GrantPorts(std::uint16_t port, std::uint16_t width);

  LinuxDriverPaths paths_;
  int portFd_;
  int memFd_;
  std::bitset<0x10000> granted_;  // ports opened to this process by ioperm()
};

}  // namespace rz::platform
