// SPDX-License-Identifier: GPL-3.0-or-later
// The display adapters of the scan as the terminal lists them: ids, which one the program works
// on, whether RZFLASH.CFG lists its graphics chip, and the road the program takes to its card.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "config/AsicTable.h"
#include "hw/AdapterScan.h"
#include "hw/RecoveryScan.h"

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
  // A card that lost its BIOS's subsystem ids (see hw/RecoveryScan.h); one the scan passed by
  // has no place among the adapters (`inScan` false).
  bool needsRecovery = false;
  bool inScan = true;
};

// The NVIDIA graphics chips RZFLASH.CFG lists, as the recovery scan asks for them; the table must
// outlive the result.
hw::KnownDevice NvidiaChipsOf(const config::AsicTable& asics);

// Marks the entries of `listing` that `needing` holds and adds the others after them, out of the
// scan, each marked as needing recovery.
void AddAdaptersNeedingRecovery(std::vector<AdapterListing>& listing, const hw::AdapterList& needing);

// One entry per adapter of the list, in scan order.
std::vector<AdapterListing> ListAdapters(const hw::AdapterList& adapters,
                                         const config::AsicTable& asics);

}  // namespace rz::commands
