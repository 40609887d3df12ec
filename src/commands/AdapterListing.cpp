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

}  // namespace rz::commands
