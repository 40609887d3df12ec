// The ZPCIDrv kernel driver's device: opened with CreateFileA, requests sent with DeviceIoControl,
// and the memory it maps reached at the linear addresses its map requests return.
#pragma once
#include <cstdint>
#include <map>
#include <string>

#include "platform/DriverDevice.h"
#include "platform/windows/MappedRanges.h"
#include "platform/windows/OwnedHandles.h"

namespace rz::platform {

class WindowsDriverDevice final : public DriverDevice {
 public:
  WindowsDriverDevice() = default;
  WindowsDriverDevice(const WindowsDriverDevice&) = delete;
  WindowsDriverDevice& operator=(const WindowsDriverDevice&) = delete;

  // Read and write access, no sharing, existing only. The handle value is the device handle.
  DeviceHandle Open(const std::string& devicePath) override;
  void Close(DeviceHandle handle) override;
  // One synchronous DeviceIoControl. Handles this object did not open are refused without a
  // call (last error ERROR_INVALID_HANDLE). A successful map request records the range at the
  // address it returned; an unmap request forgets it, whatever the driver answers.
  bool Control(DeviceHandle handle, std::uint32_t code, const std::uint8_t* in,
               std::uint32_t inSize, std::uint8_t* out, std::uint32_t outSize) override;

  // Outside every recorded range reads answer all ones and writes are dropped (counted). 32-bit
  // accesses must be 4-byte aligned, as device registers need one access of the full width.
  std::uint8_t ReadMapped8(std::uint32_t linear) override;
  void WriteMapped8(std::uint32_t linear, std::uint8_t value) override;
  std::uint32_t ReadMapped32(std::uint32_t linear) override;
  void WriteMapped32(std::uint32_t linear, std::uint32_t value) override;

  std::size_t LiveMappings() const { return ranges_.Count(); }
  std::uint64_t InvalidAccesses() const { return invalidAccesses_; }
  // The system's error code of the last failed Open or Control.
  std::uint32_t LastError() const { return lastError_; }

 private:
  volatile std::uint8_t* Resolve(std::uint32_t linear, std::uint32_t size);
  volatile std::uint32_t* ResolveAligned32(std::uint32_t linear);

  std::map<DeviceHandle, win::OwnedHandle> open_;  // by the device handle handed out
  MappedRanges ranges_;
  std::uint64_t invalidAccesses_ = 0;
  std::uint32_t lastError_ = 0;
};

}  // namespace rz::platform
