// SPDX-License-Identifier: GPL-3.0-or-later
// Display adapters whose board lost its subsystem ids (a BIOS erased or cut short by a failed
// flash): NVIDIA chips that RZFLASH.CFG lists, which the adapter scan passes by because their
// subsystem vendor is no longer the maker's.
#pragma once
#include <cstdint>
#include <functional>

#include "hw/AdapterScan.h"

namespace rz::hw {

// Whether a graphics chip of this NVIDIA device id is one the program programs (RZFLASH.CFG).
using KnownDevice = std::function<bool(std::uint16_t deviceId)>;

// Subsystem ids a board reads without its BIOS: vendor 0x0000 or 0xFFFF, or the maker's vendor
// with subsystem id 0x0000 or 0xFFFF.
bool SubsystemIdsLost(std::uint32_t subsystemIds);

// An NVIDIA adapter of a known graphics chip whose subsystem ids are lost.
bool NeedsRecovery(const PciAdapter& adapter, const KnownDevice& known);

// The adapters of the bus that need recovery, in bus and device order (the scan's walk and its
// capability check), at most ten.
void ScanAdaptersNeedingRecovery(DriverRequests& io, const KnownDevice& known, AdapterList& list);

}  // namespace rz::hw
