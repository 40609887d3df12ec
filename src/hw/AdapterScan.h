// SPDX-License-Identifier: GPL-3.0-or-later
// The list of display adapters of the board maker or ATI found on the PCI bus; adapter 0 is the card.
#pragma once
#include <array>
#include <cstdint>
#include <functional>

#include "hw/DriverRequests.h"

namespace rz::hw {

struct PciAdapter {
  std::uint8_t bus = 0;
  std::uint8_t device = 0;
  std::uint32_t ids = 0;           // vendor id bits 0-15, device id bits 16-31
  std::uint32_t subsystemIds = 0;  // subsystem vendor id bits 0-15, subsystem id bits 16-31
  std::uint8_t cardNumber = 0;     // set by card detection from the card's ROM

  std::uint16_t VendorId() const { return static_cast<std::uint16_t>(ids); }
  std::uint16_t DeviceId() const { return static_cast<std::uint16_t>(ids >> 16); }
  std::uint16_t SubsystemVendorId() const { return static_cast<std::uint16_t>(subsystemIds); }
  std::uint16_t SubsystemId() const { return static_cast<std::uint16_t>(subsystemIds >> 16); }
};

inline constexpr std::uint32_t kMaxAdapters = 10;
// A capability list longer than this is taken as malformed and the device is rejected.
inline constexpr std::uint32_t kMaxCapabilities = 48;

struct AdapterList {
  std::array<PciAdapter, kMaxAdapters> adapters{};
  std::uint32_t count = 0;
};

// Buses 0-255, devices 0-31, function 0: VGA class 03/00/00 with subsystem vendor of the maker or
// ATI and an AGP or PCI Express capability; at most ten, in bus and device order.
void ScanDisplayAdapters(DriverRequests& io, AdapterList& list);

// The same walk, keeping the VGA-class devices with an AGP or PCI Express capability that `keep`
// takes (it sees their ids and subsystem ids); the capability list is read for those alone.
void ScanDisplayAdaptersWhere(DriverRequests& io, AdapterList& list,
                              const std::function<bool(const PciAdapter&)>& keep);
inline const AdapterList& GetAdapterList(const AdapterList& list) { return list; }

}  // namespace rz::hw
