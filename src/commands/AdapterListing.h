// The display adapters of the scan as the terminal lists them: ids, which one the program works
// on, whether RZFLASH.CFG lists its graphics chip, and the road the program takes to its card.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "config/AsicTable.h"
#include "hw/AdapterScan.h"

namespace rz::commands {

enum class CardRoad { None, Programmed, VendorTool };

// "programmed", "vendor tool" or "none".
const char* CardRoadName(CardRoad road);

// The road for a card of this PCI vendor: the program's own programming for NVIDIA, the vendor
// flash tool for ATI, none for any other.
CardRoad RoadFor(std::uint16_t vendorId);

struct AdapterListing {
  hw::PciAdapter adapter;
  std::uint32_t index = 0;      // 0: the adapter the program works on
  bool listedInConfig = false;  // RZFLASH.CFG has a record with its vendor and device id
  CardRoad road = CardRoad::None;  // set for adapter 0 only
};

// One entry per adapter of the list, in scan order.
std::vector<AdapterListing> ListAdapters(const hw::AdapterList& adapters,
                                         const config::AsicTable& asics);

}  // namespace rz::commands
