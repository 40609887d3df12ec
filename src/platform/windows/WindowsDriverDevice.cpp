#include "platform/windows/WindowsDriverDevice.h"

#include "base/LittleEndian.h"
#include "hw/DriverProtocol.h"

namespace rz::platform {

namespace {
DeviceHandle ToDeviceHandle(HANDLE h) { return reinterpret_cast<std::uintptr_t>(h); }
}  // namespace

DeviceHandle WindowsDriverDevice::Open(const std::string& devicePath) {
  win::OwnedHandle h(::CreateFileA(devicePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
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
  ranges_.RemoveOwnedBy(handle);
}

bool WindowsDriverDevice::Control(DeviceHandle handle, std::uint32_t code, const std::uint8_t* in,
                                  std::uint32_t inSize, std::uint8_t* out, std::uint32_t outSize) {
  const auto it = open_.find(handle);
  if (it == open_.end()) {
    lastError_ = ERROR_INVALID_HANDLE;
    return false;
  }
  if (code == hw::kIoctlUnmapPhysToLinear && in && inSize >= 4) ranges_.Remove(le::Get32(in));
  DWORD returned = 0;  // the request's byte count; the protocol's sizes are fixed
  const BOOL ok = ::DeviceIoControl(it->second.get(), code,
                                    const_cast<std::uint8_t*>(in), inSize, out, outSize,
                                    &returned, nullptr);
  if (!ok) {
    lastError_ = ::GetLastError();
    return false;
  }
  if (code == hw::kIoctlMapPhysToLinear && in && inSize >= hw::kPhysMapRequestSize && out &&
      outSize >= 4)
    ranges_.Add(le::Get32(out), hw::DecodePhysMap(in).length, handle);
  return true;
}

volatile std::uint8_t* WindowsDriverDevice::Resolve(std::uint32_t linear, std::uint32_t size) {
  volatile std::uint8_t* p = ranges_.Resolve(linear, size);
  if (!p) ++invalidAccesses_;
  return p;
}

volatile std::uint32_t* WindowsDriverDevice::ResolveAligned32(std::uint32_t linear) {
  if (linear % 4 != 0) {
    ++invalidAccesses_;
    return nullptr;
  }
  return reinterpret_cast<volatile std::uint32_t*>(Resolve(linear, 4));
}

std::uint8_t WindowsDriverDevice::ReadMapped8(std::uint32_t linear) {
  volatile std::uint8_t* p = Resolve(linear, 1);
  return p ? *p : 0xFF;
}

void WindowsDriverDevice::WriteMapped8(std::uint32_t linear, std::uint8_t value) {
  if (volatile std::uint8_t* p = Resolve(linear, 1)) *p = value;
}

// Registers are little-endian, as Windows machines are.
std::uint32_t WindowsDriverDevice::ReadMapped32(std::uint32_t linear) {
  volatile std::uint32_t* p = ResolveAligned32(linear);
  return p ? *p : 0xFFFFFFFFu;
}

void WindowsDriverDevice::WriteMapped32(std::uint32_t linear, std::uint32_t value) {
  if (volatile std::uint32_t* p = ResolveAligned32(linear)) *p = value;
}

}  // namespace rz::platform
