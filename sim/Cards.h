// Builds the PCI device that emulates one adapter of a scenario (an NVIDIA card with its EEPROM, an
// ATI card, or a plain display device).
#pragma once
#include <memory>

#include "sim/Machine.h"
#include "sim/PciDevice.h"
#include "sim/Scenario.h"

namespace rz::sim {

inline constexpr std::uint32_t kCardWindowSize = 0x2000000;  // 32 MiB behind BAR0

// Reads the card's EEPROM image file; throws ScenarioError when it cannot be used.
std::unique_ptr<PciDevice> MakeAdapterDevice(const AdapterRecipe& adapter, Machine& machine,
                                             std::uint32_t bar0);

}  // namespace rz::sim
