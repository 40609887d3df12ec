// SPDX-License-Identifier: GPL-3.0-or-later
// Bring-up of the kernel I/O driver: choose its build, reinstall and start its service, open its
// device; and the teardown that removes the service again.
#pragma once
#include <cstdint>
#include <string>

#include "platform/DriverDevice.h"
#include "platform/ServiceControl.h"
#include "platform/System.h"
#include "platform/driver/DriverFacts.h"

namespace rz::hw {

class IoDriver {
 public:
  IoDriver(platform::ServiceControl& services, platform::DriverDevice& device,
           platform::System& system)
      : services_(services), device_(device), system_(system) {}

  bool OpenDriver();
  void CloseDriver();
  bool ResolveDriverPaths();
  bool InstallDriverService(bool demandStart);
  bool RemoveDriverService();
  bool StopDriverService();
  bool StartDriverService();

  bool IsOpen() const { return deviceHandle != platform::kInvalidDeviceHandle; }
  platform::DriverDevice& Device() { return device_; }

  std::uint32_t osVersion = 0;
  std::string driverFilePath;
  platform::DeviceHandle deviceHandle = platform::kInvalidDeviceHandle;
  std::string devicePath;

 private:
  // Opens the manager and the driver's service; the manager handle is closed again at once.
  platform::ServiceHandle OpenDriverService();

  platform::ServiceControl& services_;
  platform::DriverDevice& device_;
  platform::System& system_;
};

}  // namespace rz::hw
