// SPDX-License-Identifier: GPL-3.0-or-later
#include "backends/windows/driver/WindowsDriverDevice.h"

#include <memory>

#include "base/LittleEndian.h"
#include "host/windows/WideName.h"

namespace rz::platform {

namespace {

DeviceHandle ToDeviceHandle(HANDLE h) { return reinterpret_cast<std::uintptr_t>(h); }

// The range the driver mapped into this process, at the address its map request returned.
// Registers are little-endian, as Windows machines are.
class LinearMemory final : public MappedMemory {
 public:
  LinearMemory(std::uint32_t linear, std::uint32_t length)
      : start_(reinterpret_cast<volatile std::uint8_t*>(static_cast<std::uintptr_t>(linear))),
        length_(length) {}
  std::uint32_t Length() const override { return length_; }
  std::uint8_t Read8(std::uint32_t offset) override { return start_[offset]; }
  void Write8(std::uint32_t offset, std::uint8_t value) override { start_[offset] = value; }
  std::uint32_t Read32(std::uint32_t offset) override { return *Word(offset); }
  void Write32(std::uint32_t offset, std::uint32_t value) override { *Word(offset) = value; }

 private:
  volatile std::uint32_t* Word(std::uint32_t offset) {
    return reinterpret_cast<volatile std::uint32_t*>(start_ + offset);
  }
  volatile std::uint8_t* start_;
  std::uint32_t length_;
};

}  // namespace

DeviceHandle WindowsDriverDevice::Open(const std::string& devicePath) {
  const win::WideName name(devicePath);
  win::OwnedHandle h(name ? ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                          : INVALID_HANDLE_VALUE);
  if (!h) {
    lastError_ = ::GetLastError();
    return kInvalidDeviceHandle;
  }
  const DeviceHandle handle = ToDeviceHandle(h.get());
  open_.emplace(handle, std::move(h));
  return handle;
}

void WindowsDriverDevice::Close(DeviceHandle handle) {
  const auto it = open_.find(handle);
  if (it == open_.end()) return;
  open_.erase(it);  // closes the system handle
  mappings_.RemoveOwnedBy(handle);
}

bool WindowsDriverDevice::Control(DeviceHandle handle, std::uint32_t code, const std::uint8_t* in,
                                  std::uint32_t inSize, std::uint8_t* out, std::uint32_t outSize) {
  if (open_.count(handle) == 0) {
    lastError_ = ERROR_INVALID_HANDLE;
    return false;
  }
  current_ = handle;
  RequestFault fault = RequestFault::None;
  const bool ok = ServeDriverRequest(*this, code, in, inSize, out, outSize, &fault);
  current_ = kInvalidDeviceHandle;
  if (fault != RequestFault::None) lastError_ = ERROR_INVALID_PARAMETER;
  return ok;
}

bool WindowsDriverDevice::Send(std::uint32_t code, const std::uint8_t* in, std::uint32_t inSize,
                               std::uint8_t* out, std::uint32_t outSize) {
  DWORD returned = 0;  // the request's byte count; the protocol's sizes are fixed
  if (::DeviceIoControl(open_.at(current_).get(), code, const_cast<std::uint8_t*>(in), inSize, out,
                        outSize, &returned, nullptr))
    return true;
  lastError_ = ::GetLastError();
  return false;
}

bool WindowsDriverDevice::Port(PortAccessRequest& request) {
  auto buffer = EncodePortAccess(request);
  if (!Send(kIoctlAccessPortData, buffer.data(), kPortAccessRequestSize, buffer.data(),
            kPortAccessRequestSize))
    return false;
  request = DecodePortAccess(buffer.data());
  return true;
}

bool WindowsDriverDevice::Map(std::uint32_t physical, std::uint32_t length, std::uint32_t& linear) {
  const auto request = EncodePhysMap(PhysMapRequest{physical, length});
  std::uint8_t answer[4] = {};
  if (!Send(kIoctlMapPhysToLinear, request.data(), kPhysMapRequestSize, answer, 4)) return false;
  linear = le::Get32(answer);
  if (mappings_.Add(linear, length, physical, std::make_unique<LinearMemory>(linear, length),
                    current_))
    return true;
  // An address that cannot be a mapping of its own: give it back rather than use it.
  Send(kIoctlUnmapPhysToLinear, answer, 4, answer, 4);
  lastError_ = ERROR_INVALID_ADDRESS;
  return false;
}

bool WindowsDriverDevice::Unmap(std::uint32_t linear) {
  if (!mappings_.Remove(linear)) {
    lastError_ = ERROR_INVALID_PARAMETER;
    return false;
  }
  std::uint8_t buffer[4];
  le::Put32(buffer, linear);
  return Send(kIoctlUnmapPhysToLinear, buffer, 4, buffer, 4);
}

}  // namespace rz::platform
