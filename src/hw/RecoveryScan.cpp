// SPDX-License-Identifier: GPL-3.0-or-later
#include "hw/RecoveryScan.h"

#include "base/BuildConfig.h"
#include "hw/PciConfig.h"

namespace rz::hw {

bool SubsystemIdsLost(std::uint32_t subsystemIds) {
  const auto vendor = static_cast<std::uint16_t>(subsystemIds);
  const auto id = static_cast<std::uint16_t>(subsystemIds >> 16);
  if (vendor == 0x0000 || vendor == 0xFFFF) return true;
  return vendor == kMakerSubsystemVendorId && (id == 0x0000 || id == 0xFFFF);
}

bool NeedsRecovery(const PciAdapter& adapter, const KnownDevice& known) {
  return adapter.VendorId() == kVendorNvidia && SubsystemIdsLost(adapter.subsystemIds) &&
         known && known(adapter.DeviceId());
}

void ScanAdaptersNeedingRecovery(DriverRequests& io, const KnownDevice& known, AdapterList& list) {
  ScanDisplayAdaptersWhere(io, list,
                           [&](const PciAdapter& a) { return NeedsRecovery(a, known); });
}

}  // namespace rz::hw
