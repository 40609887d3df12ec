// SPDX-License-Identifier: GPL-3.0-or-later
// The ZPCIDrv kernel driver's device: opened with CreateFileW, requests checked as every driver
// device checks them and then sent with DeviceIoControl, and the memory it maps reached at the
// linear addresses its map requests return.
#pragma once
#include <cstdint>
#include <map>
#include <string>

#include "host/windows/OwnedHandles.h"
#include "platform/driver/DriverServer.h"
#include "platform/driver/TableMappedDevice.h"

namespace rz::platform {

class WindowsDriverDevice final : public TableMappedDevice, private DriverRequestTarget {
 public:
  WindowsDriverDevice() = default;
  WindowsDriverDevice(const WindowsDriverDevice&) = delete;
  WindowsDriverDevice& operator=(const WindowsDriverDevice&) = delete;

  // Read and write access, no sharing, existing only. The handle value is the device handle.
  DeviceHandle Open(const std::string& devicePath) override;
  // Closes the system handle and forgets the mappings made through it.
  void Close(DeviceHandle handle) override;
  // Handles this object did not open are refused without a call (last error
  // ERROR_INVALID_HANDLE); malformed requests, and unmaps of an address that no mapping starts
  // at, too (ERROR_INVALID_PARAMETER). Others are one synchronous DeviceIoControl. A successful
  // map is recorded at the address it returned (a map the record refuses, as it overlaps a live
  // one, is undone at the driver and fails with ERROR_INVALID_ADDRESS); an unmap forgets the
  // mapping whatever the driver answers.
  bool Control(DeviceHandle handle, std::uint32_t code, const std::uint8_t* in,
               std::uint32_t inSize, std::uint8_t* out, std::uint32_t outSize) override;

  // The system's error code of the last failed Open or Control.
  std::uint32_t LastError() const { return lastError_; }

 private:
  // Well-formed requests, sent to the driver through the handle of the current request.
  bool Port(PortAccessRequest& request) override;
  bool Map(std::uint32_t physical, std::uint32_t length, std::uint32_t& linear) override;
  bool Unmap(std::uint32_t linear) override;
  bool Send(std::uint32_t code, const std::uint8_t* in, std::uint32_t inSize, std::uint8_t* out,
            std::uint32_t outSize);

  std::map<DeviceHandle, win::OwnedHandle> open_;  // by the device handle handed out
  DeviceHandle current_ = kInvalidDeviceHandle;    // the handle of the request being served
  std::uint32_t lastError_ = 0;
};

}  // namespace rz::platform
