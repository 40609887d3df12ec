// SPDX-License-Identifier: GPL-3.0-or-later
// The I/O driver's requests on Linux, carried out by the first access method (AccessMethod.h)
// that works here: the sysfs PCI files, else the kernel's /dev/port and /dev/mem. The device
// keeps what every method shares: the open handle, and the mappings reached by 32-bit tokens. A
// map gets the part of its range that one BAR holds; the rest of its tokens reach nothing.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "backends/linux/access/AccessMethod.h"
#include "platform/driver/DriverServer.h"
#include "platform/driver/TableMappedDevice.h"

namespace rz::platform {

class LinuxDriverDevice final : public TableMappedDevice, private DriverRequestTarget {
 public:
  // The raw method alone, on `paths`.
  explicit LinuxDriverDevice(LinuxDriverPaths paths = {});
  // `methods` tried in their order on `sources` at every open.
  LinuxDriverDevice(AccessSources sources, std::vector<AccessMethodRecord> methods);
  ~LinuxDriverDevice() override;
  LinuxDriverDevice(const LinuxDriverDevice&) = delete;
  LinuxDriverDevice& operator=(const LinuxDriverDevice&) = delete;

  // Chooses the first method whose detect step succeeds; fails when none does (Attempts() then
  // says why each failed). The Windows-style device path is ignored.
  DeviceHandle Open(const std::string& devicePath) override;
  // Removes every mapping and lets the method go.
  void Close(DeviceHandle handle) override;
  bool Control(DeviceHandle handle, std::uint32_t code, const std::uint8_t* in,
               std::uint32_t inSize, std::uint8_t* out, std::uint32_t outSize) override;

  // Accesses through a mapping go by its 32-bit linear token (TableMappedDevice).

  // The method serving requests ("sysfs", "raw"); empty while not open.
  const std::string& MethodName() const { return methodName_; }
  // The methods the last open tried before the chosen one (all of them when it failed).
  const std::vector<AccessAttempt>& Attempts() const { return attempts_; }
  // Why the method refused or failed the last map request that failed; empty when none has.
  const std::string& MapProblem() const { return mapProblem_; }

 private:
  // The requests the protocol server has checked, carried out by the method.
  bool Port(PortAccessRequest& request) override;
  bool Map(std::uint32_t physical, std::uint32_t length, std::uint32_t& token) override;
  bool Unmap(std::uint32_t token) override;
  void CloseMethod();

  AccessSources sources_;
  std::vector<AccessMethodRecord> methods_;
  std::unique_ptr<AccessMethod> method_;
  std::string methodName_;
  std::vector<AccessAttempt> attempts_;
  std::string mapProblem_;
  DeviceHandle handle_ = kInvalidDeviceHandle;
  DeviceHandle nextHandle_ = 1;
};

}  // namespace rz::platform
