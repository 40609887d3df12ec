// SPDX-License-Identifier: GPL-3.0-or-later
// PCI configuration access by mechanism 1 (address to port 0xCF8, data at port 0xCFC), function 0.
#pragma once
#include <cstdint>

#include "hw/DriverRequests.h"

namespace rz::hw {

inline constexpr std::uint16_t kPciConfigAddressPort = 0xCF8;
inline constexpr std::uint16_t kPciConfigDataPort = 0xCFC;

inline constexpr std::uint16_t kVendorAti = 0x1002;
inline constexpr std::uint16_t kVendorNvidia = 0x10DE;

constexpr std::uint32_t PciConfigAddress(std::uint8_t bus, std::uint8_t device, std::uint8_t offset) {
  return 0x80000000u + bus * 0x10000u + (device & 0x1Fu) * 0x800u + (offset & 0xFCu);
}

std::uint32_t ReadPciConfigDword(DriverRequests& io, std::uint8_t bus, std::uint8_t device,
                                 std::uint8_t offset);
std::uint16_t ReadPciConfigWord(DriverRequests& io, std::uint8_t bus, std::uint8_t device,
                                std::uint8_t offset);
// Read-modify-write of the containing dword; the other half is written back as read.
void WritePciConfigWord(DriverRequests& io, std::uint8_t bus, std::uint8_t device,
                        std::uint8_t offset, std::uint16_t value);

// True for vendor 0x10DE with class 03/00 (any programming interface); gives the device id.
bool IsNvidiaVgaAdapter(DriverRequests& io, std::uint8_t bus, std::uint8_t device,
                        std::uint16_t& deviceId);

}  // namespace rz::hw
