// SPDX-License-Identifier: GPL-3.0-or-later
// The emulated service manager and driver device. The manager records every call and can be made
// to fail at any step; the device opens only while the driver's service runs and serves the driver
// protocol against the emulated machine.
#pragma once
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/DriverDevice.h"
#include "platform/ServiceControl.h"
#include "platform/driver/DriverServer.h"
#include "sim/devices/Machine.h"

namespace rz::sim {

// Steps of the service manager that a scenario can make fail.
struct ServiceFaults {
  std::set<std::string> failing;       // "open_manager", "open_service", "create", "start",
                                       // "stop", "delete", "open_device"
  bool startAnswersAlreadyRunning = false;  // start fails with error 1056
  bool driverMissing = false;               // the driver file cannot be loaded: start fails
};

class EmulatedServiceControl final : public platform::ServiceControl {
 public:
  ServiceFaults& Faults() { return faults_; }
  // Calls in order, e.g. "OpenManager", "OpenService ZPCIDrv", "Control 1", "Delete",
  // "Create ZPCIDrv /path/ZPCIDrv.sys", "Start", "Close".
  const std::vector<std::string>& Calls() const { return calls_; }
  bool ServiceExists() const { return exists_; }
  bool ServiceRunning() const { return running_; }
  const std::string& BinaryPath() const { return binaryPath_; }
  // A service left behind by an earlier run.
  void InstallLeftoverService(bool running, const std::string& binaryPath);

  platform::ServiceHandle OpenManager(std::uint32_t access) override;
  platform::ServiceHandle OpenService(platform::ServiceHandle manager, const std::string& name,
                                      std::uint32_t access) override;
  platform::ServiceHandle CreateService(platform::ServiceHandle manager,
                                        const platform::ServiceParams& params) override;
  bool StartService(platform::ServiceHandle service) override;
  bool ControlService(platform::ServiceHandle service, std::uint32_t control) override;
  bool DeleteService(platform::ServiceHandle service) override;
  void CloseServiceHandle(platform::ServiceHandle handle) override;
  std::uint32_t LastError() const override { return lastError_; }

  std::size_t OpenHandles() const { return handles_.size(); }

 private:
  bool Fails(const char* step) const { return faults_.failing.count(step) != 0; }
  platform::ServiceHandle NewHandle(bool manager);
  bool IsServiceHandle(platform::ServiceHandle h) const;

  ServiceFaults faults_;
  std::vector<std::string> calls_;
  std::set<platform::ServiceHandle> handles_;
  std::set<platform::ServiceHandle> managerHandles_;
  platform::ServiceHandle next_ = 1;
  bool exists_ = false;
  bool running_ = false;
  std::string binaryPath_;
  std::uint32_t lastError_ = 0;
};

class EmulatedDriverDevice final : public platform::DriverDevice,
                                   private platform::DriverRequestTarget {
 public:
  EmulatedDriverDevice(Machine& machine, EmulatedServiceControl& services)
      : machine_(machine), services_(services) {}

  platform::DeviceHandle Open(const std::string& devicePath) override;
  void Close(platform::DeviceHandle handle) override;
  bool Control(platform::DeviceHandle handle, std::uint32_t code, const std::uint8_t* in,
               std::uint32_t inSize, std::uint8_t* out, std::uint32_t outSize) override;
  std::uint8_t ReadMapped8(std::uint32_t linear) override { return machine_.Read8(linear); }
  void WriteMapped8(std::uint32_t linear, std::uint8_t v) override { machine_.Write8(linear, v); }
  std::uint32_t ReadMapped32(std::uint32_t linear) override { return machine_.Read32(linear); }
  void WriteMapped32(std::uint32_t linear, std::uint32_t v) override { machine_.Write32(linear, v); }

  bool IsOpen() const { return !open_.empty(); }
  const std::string& LastOpenedPath() const { return lastPath_; }

 private:
  // Requests the protocol server has checked go to the machine.
  bool Port(platform::PortAccessRequest& r) override { return machine_.PortRequest(r); }
  bool Map(std::uint32_t physical, std::uint32_t length, std::uint32_t& linear) override {
    return machine_.Map(physical, length, linear);
  }
  bool Unmap(std::uint32_t linear) override { return machine_.Unmap(linear); }

  Machine& machine_;
  EmulatedServiceControl& services_;
  std::set<platform::DeviceHandle> open_;
  // An open handle checked already, so the requests that follow skip the lookup in open_.
  std::optional<platform::DeviceHandle> known_;
  platform::DeviceHandle next_ = 0x100;
  std::string lastPath_;
};

}  // namespace rz::sim
