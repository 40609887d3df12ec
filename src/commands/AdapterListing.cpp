// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands/AdapterListing.h"

#include <algorithm>

#include "hw/PciConfig.h"

namespace rz::commands {

const char* CardRoadName(CardRoad road) {
  switch (road) {
    case CardRoad::Programmed: return "programmed";
    case CardRoad::VendorTool: return "vendor tool";
    case CardRoad::None: break;
  }
  return "none";
}

CardRoad RoadFor(std::uint16_t vendorId) {
  if (vendorId == hw::kVendorNvidia) return CardRoad::Programmed;
  if (vendorId == hw::kVendorAti) return CardRoad::VendorTool;
  return CardRoad::None;
}

std::vector<AdapterListing> ListAdapters(const hw::AdapterList& adapters,
                                         const config::AsicTable& asics) {
  std::vector<AdapterListing> out;
  for (std::uint32_t i = 0; i < adapters.count && i < hw::kMaxAdapters; ++i) {
    AdapterListing a;
    a.adapter = adapters.adapters[i];
    a.index = i;
    a.listedInConfig =
        std::any_of(asics.entries.begin(), asics.entries.end(), [&](const config::AsicEntry& e) {
          return e.vendorId == a.adapter.VendorId() && e.deviceId == a.adapter.DeviceId();
        });
    if (i == 0) a.road = RoadFor(a.adapter.VendorId());
    out.push_back(a);
  }
  return out;
}

hw::KnownDevice NvidiaChipsOf(const config::AsicTable& asics) {
  return [&asics](std::uint16_t deviceId) {
    return std::any_of(asics.entries.begin(), asics.entries.end(), [&](const config::AsicEntry& e) {
      return e.vendorId == hw::kVendorNvidia && e.deviceId == deviceId;
    });
  };
}

void AddAdaptersNeedingRecovery(std::vector<AdapterListing>& listing,
                                const hw::AdapterList& needing) {
  for (std::uint32_t i = 0; i < needing.count && i < hw::kMaxAdapters; ++i) {
    const hw::PciAdapter& n = needing.adapters[i];
    const auto same = std::find_if(listing.begin(), listing.end(), [&](const AdapterListing& a) {
      return a.adapter.bus == n.bus && a.adapter.device == n.device;
    });
    if (same != listing.end()) {
      same->needsRecovery = true;
      continue;
    }
    AdapterListing a;
    a.adapter = n;
    a.listedInConfig = true;  // the recovery scan finds listed chips only
    a.road = CardRoad::Programmed;
    a.needsRecovery = true;
    a.inScan = false;
    listing.push_back(a);
  }
}

}  // namespace rz::commands
