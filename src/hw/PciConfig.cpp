// SPDX-License-Identifier: GPL-3.0-or-later
#include "hw/PciConfig.h"

namespace rz::hw {

std::uint32_t ReadPciConfigDword(DriverRequests& io, std::uint8_t bus, std::uint8_t device,
                                 std::uint8_t offset) {
  io.WritePortDword(kPciConfigAddressPort, PciConfigAddress(bus, device, offset));
  return io.ReadPortDword(kPciConfigDataPort);
}

std::uint16_t ReadPciConfigWord(DriverRequests& io, std::uint8_t bus, std::uint8_t device,
                                std::uint8_t offset) {
  const std::uint32_t dword = ReadPciConfigDword(io, bus, device, offset & 0xFC);
  return static_cast<std::uint16_t>((offset & 2) ? dword >> 16 : dword);
}

void WritePciConfigWord(DriverRequests& io, std::uint8_t bus, std::uint8_t device,
                        std::uint8_t offset, std::uint16_t value) {
  const std::uint32_t address = PciConfigAddress(bus, device, offset);
  io.WritePortDword(kPciConfigAddressPort, address);
  const std::uint32_t old = io.ReadPortDword(kPciConfigDataPort);
  const std::uint32_t updated = (offset & 2) ? (old & 0x0000FFFFu) | (std::uint32_t{value} << 16)
                                             : (old & 0xFFFF0000u) | value;
  io.WritePortDword(kPciConfigAddressPort, address);
  io.WritePortDword(kPciConfigDataPort, updated);
}

bool IsNvidiaVgaAdapter(DriverRequests& io, std::uint8_t bus, std::uint8_t device,
                        std::uint16_t& deviceId) {
  const std::uint32_t ids = ReadPciConfigDword(io, bus, device, 0x00);
  if ((ids & 0xFFFF) != kVendorNvidia) return false;
  if ((ReadPciConfigDword(io, bus, device, 0x08) & 0xFFFF0000u) != 0x03000000u) return false;
  deviceId = static_cast<std::uint16_t>(ids >> 16);
  return true;
}

}  // namespace rz::hw
