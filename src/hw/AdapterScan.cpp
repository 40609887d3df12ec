// SPDX-License-Identifier: GPL-3.0-or-later
// The display-adapter scan over PCI configuration space.
#include "hw/AdapterScan.h"

#include "base/BuildConfig.h"
#include "hw/PciConfig.h"

namespace rz::hw {
namespace {

constexpr std::uint8_t kCapAgp = 0x02;
constexpr std::uint8_t kCapPciExpress = 0x10;

// Walks the capability list from the pointer at 0x34. A pointer of 0 means the device has no
// list: walking it would read the header at offset 0, where ATI's vendor id 0x1002 looks like an
// AGP capability, so such a device is rejected without a walk. A list longer than
// kMaxCapabilities (a loop) rejects the device.
bool HasAgpOrPciExpress(DriverRequests& io, std::uint8_t bus, std::uint8_t device) {
  std::uint8_t p = static_cast<std::uint8_t>(ReadPciConfigDword(io, bus, device, 0x34));
  if (p == 0) return false;
  for (std::uint32_t visited = 0; visited < kMaxCapabilities; ++visited) {
    const std::uint32_t header = ReadPciConfigDword(io, bus, device, p);
    const std::uint8_t id = static_cast<std::uint8_t>(header);
    const std::uint8_t next = static_cast<std::uint8_t>(header >> 8);
    if (id == kCapAgp || id == kCapPciExpress) return true;
    if (next == 0) return false;
    p = next;
  }
  return false;
}

}  // namespace

void ScanDisplayAdapters(DriverRequests& io, AdapterList& list) {
  ScanDisplayAdaptersWhere(io, list, [](const PciAdapter& a) {
    return a.SubsystemVendorId() == kMakerSubsystemVendorId || a.SubsystemVendorId() == kVendorAti;
  });
}

void ScanDisplayAdaptersWhere(DriverRequests& io, AdapterList& list,
                              const std::function<bool(const PciAdapter&)>& keep) {
  list.count = 0;
  for (unsigned bus = 0; bus < 256; ++bus) {
    for (std::uint8_t device = 0; device < 32; ++device) {
      const auto b = static_cast<std::uint8_t>(bus);
      const std::uint32_t ids = ReadPciConfigDword(io, b, device, 0x00);
      if ((ids & 0xFFFF) == 0xFFFF) continue;
      const std::uint32_t cls = ReadPciConfigDword(io, b, device, 0x08) & 0xFFFFFF00u;
      const std::uint32_t sub = ReadPciConfigDword(io, b, device, 0x2C);
      if (cls != 0x03000000u) continue;
      const PciAdapter adapter{b, device, ids, sub, 0};
      if (!keep(adapter)) continue;
      if (!HasAgpOrPciExpress(io, b, device)) continue;
      list.adapters[list.count] = adapter;
      if (++list.count == kMaxAdapters) return;
    }
  }
}

}  // namespace rz::hw
