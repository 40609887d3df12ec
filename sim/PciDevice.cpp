#include "sim/PciDevice.h"

#include "base/LittleEndian.h"

namespace rz::sim {

PciDevice::PciDevice(const PciIdentity& id) : identity_(id) {
  SetConfigDword(0x00, id.vendorId | (std::uint32_t{id.deviceId} << 16));
  SetConfigDword(0x04, 0x00100000u);  // status: capabilities list present
  SetConfigDword(0x08, (id.classCode << 8) | id.revision);
  SetConfigDword(0x10, id.bar0 & 0xFFFFFFF0u);
  SetConfigDword(0x2C, id.subsystemVendorId | (std::uint32_t{id.subsystemId} << 16));
  if (!id.capabilities.empty()) {
    SetConfigDword(0x34, 0x40);
    for (std::size_t i = 0; i < id.capabilities.size() && i < 12; ++i) {
      const auto at = static_cast<std::uint8_t>(0x40 + 0x10 * i);
      std::uint8_t next = (i + 1 < id.capabilities.size() && i + 1 < 12)
                              ? static_cast<std::uint8_t>(at + 0x10)
                              : 0;
      if (next == 0 && id.loopingCapabilities) next = 0x40;
      SetConfigDword(at, id.capabilities[i] | (std::uint32_t{next} << 8));
    }
  }
}

void PciDevice::SetConfigDword(std::uint8_t offset, std::uint32_t value) {
  le::Put32(&config_[offset & 0xFC], value);
}

std::uint32_t PciDevice::ConfigRead(std::uint8_t offset) const {
  offset &= 0xFC;
  if (offset == 0x10 && barProbe_) return ~(identity_.bar0Size - 1) & 0xFFFFFFF0u;
  return Dword(offset);
}

void PciDevice::ConfigWrite(std::uint8_t offset, std::uint32_t value) {
  offset &= 0xFC;
  if (offset == 0x04) {
    // Command register is writable; the status half is kept (its bits are not changed by writes).
    SetConfigDword(0x04, (Dword(0x04) & 0xFFFF0000u) | (value & 0x0000FFFFu));
  } else if (offset == 0x10 && identity_.bar0Size != 0) {
    barProbe_ = (value == 0xFFFFFFFFu);
    if (!barProbe_) SetConfigDword(0x10, value & ~(identity_.bar0Size - 1) & 0xFFFFFFF0u);
  }
  // Every other register is read-only here.
}

}  // namespace rz::sim
