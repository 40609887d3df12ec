#include "sim/Cards.h"

#include "sim/AtiCard.h"

namespace rz::sim {

std::unique_ptr<PciDevice> MakeAdapterDevice(const AdapterSpec& a, const ScenarioSpec& scenario,
                                             Machine&, std::uint32_t bar0) {
  PciIdentity id;
  id.vendorId = a.vendorId;
  id.deviceId = a.deviceId;
  id.classCode = a.classCode;
  id.revision = a.revision;
  id.subsystemVendorId = a.subsystemVendorId;
  id.subsystemId = a.subsystemId;
  id.capabilities = a.capabilities;
  id.loopingCapabilities = a.loopingCapabilities;
  id.bar0 = bar0;
  id.bar0Size = kCardWindowSize;
  if (a.vendorId == kAtiVendorId) return MakeAtiCard(a, scenario, id);
  return std::make_unique<PciDevice>(id);
}

}  // namespace rz::sim
