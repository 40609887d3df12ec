// SPDX-License-Identifier: GPL-3.0-or-later
// The I/O driver's device: open by path, device-control requests, and access to memory it mapped.
// Request codes and buffers are built and parsed by hw/DriverProtocol, whatever the backend.
#pragma once
#include <cstdint>
#include <string>

namespace rz::platform {

using DeviceHandle = std::uint64_t;
inline constexpr DeviceHandle kInvalidDeviceHandle = ~DeviceHandle{0};

class DriverDevice {
 public:
  virtual ~DriverDevice() = default;

  // Opens the device for reading and writing, unshared, existing only.
  // Returns kInvalidDeviceHandle when it cannot be opened.
  virtual DeviceHandle Open(const std::string& devicePath) = 0;
  virtual void Close(DeviceHandle handle) = 0;

  // One synchronous, buffered device-control request. `in` and `out` may be the same buffer.
  // Returns whether the request succeeded.
  virtual bool Control(DeviceHandle handle, std::uint32_t code, const std::uint8_t* in,
                       std::uint32_t inSize, std::uint8_t* out, std::uint32_t outSize) = 0;

  // Accesses to memory mapped by an earlier map request, at linear addresses inside a mapping.
  virtual std::uint8_t ReadMapped8(std::uint32_t linear) = 0;
  virtual void WriteMapped8(std::uint32_t linear, std::uint8_t value) = 0;
  virtual std::uint32_t ReadMapped32(std::uint32_t linear) = 0;
  virtual void WriteMapped32(std::uint32_t linear, std::uint32_t value) = 0;
};

}  // namespace rz::platform
