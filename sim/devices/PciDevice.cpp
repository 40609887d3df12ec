// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/devices/PciDevice.h"

#include "base/LittleEndian.h"

namespace rz::sim {
namespace {

constexpr std::uint32_t kMemory64Prefetchable = 0x0C;  // type 10b (64-bit), prefetchable
constexpr std::uint8_t kRomBar = 0x30;
constexpr std::size_t kNoBar = 7;

// The address bits of a memory BAR of `size` bytes: every bit from the size up (bits 0-3 are the
// type).
std::uint32_t AddressBits(std::uint64_t size) {
  return static_cast<std::uint32_t>(~(size - 1)) & 0xFFFFFFF0u;
}

}  // namespace

std::size_t PciDevice::BarIndex(std::uint8_t offset) {
  if (offset >= 0x10 && offset <= 0x24) return (offset - 0x10u) / 4;
  return offset == kRomBar ? 6 : kNoBar;
}

PciDevice::PciDevice(const PciIdentity& id) : identity_(id) {
  SetConfigDword(0x00, id.vendorId | (std::uint32_t{id.deviceId} << 16));
  SetConfigDword(0x04, 0x00100000u);  // status: capabilities list present
  SetConfigDword(0x08, (id.classCode << 8) | id.revision);
  if (id.bar0Size != 0) {
    barWritable_[0] = AddressBits(id.bar0Size);
    SetConfigDword(0x10, id.bar0 & barWritable_[0]);
  }
  if (id.framebufferSize != 0) {
    barWritable_[1] = AddressBits(id.framebufferSize);
    barWritable_[2] = 0xFFFFFFFFu;  // the upper half: sizes below 4 GiB leave every bit writable
    SetConfigDword(0x14, (static_cast<std::uint32_t>(id.framebuffer) & barWritable_[1]) |
                             kMemory64Prefetchable);
    SetConfigDword(0x18, static_cast<std::uint32_t>(id.framebuffer >> 32));
  }
  if (id.romSize != 0) {
    barWritable_[6] = (~(id.romSize - 1) & 0xFFFFF800u) | 1u;  // address bits and the enable bit
    SetConfigDword(kRomBar, 0);
  }
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

std::uint32_t PciDevice::ConfigRead(std::uint8_t offset) const { return Dword(offset); }

void PciDevice::ConfigWrite(std::uint8_t offset, std::uint32_t value) {
  offset &= 0xFC;
  if (offset == 0x04) {
    // Command register is writable; the status half is kept (its bits are not changed by writes).
    SetConfigDword(0x04, (Dword(0x04) & 0xFFFF0000u) | (value & 0x0000FFFFu));
  } else if (const std::size_t bar = BarIndex(offset); bar != kNoBar) {
    // Only the writable bits take the value; the type bits and the bits below the size stay.
    const std::uint32_t writable = barWritable_[bar];
    SetConfigDword(offset, (Dword(offset) & ~writable) | (value & writable));
  }
  // Every other register is read-only here.
}

}  // namespace rz::sim
