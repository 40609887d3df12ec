// SPDX-License-Identifier: GPL-3.0-or-later
// Builds the PCI device that emulates one adapter of a scenario (an NVIDIA card with its EEPROM, an
// ATI card, or a plain display device).
#pragma once
#include <memory>

#include "sim/devices/Machine.h"
#include "sim/devices/PciDevice.h"
#include "sim/scenario/Scenario.h"

namespace rz::sim {

// The BARs of the maker's boards of this era: 16 MiB of registers behind BAR0 (32-bit, not
// prefetchable), a 256 MiB framebuffer behind BAR1 (64-bit prefetchable, as the PCI Express boards
// report it, so BAR2 is its upper half) and a 128 KiB expansion ROM.
inline constexpr std::uint32_t kCardRegisterSize = 0x1000000;
inline constexpr std::uint32_t kCardFramebufferSize = 0x10000000;
inline constexpr std::uint32_t kCardRomSize = 0x20000;

// Where an adapter's BARs lie when the scenario does not say: BAR0 64 MiB apart from 0xC0000000
// (the 32 MiB the program maps from it reach no other device), framebuffers above 4 GiB.
std::uint32_t DefaultBar0(std::size_t adapterIndex);
std::uint64_t DefaultFramebuffer(std::size_t adapterIndex);

// Reads the card's EEPROM image file; throws ScenarioError when it cannot be used.
std::unique_ptr<PciDevice> MakeAdapterDevice(const AdapterRecipe& adapter, Machine& machine,
                                             std::uint32_t bar0, std::uint64_t framebuffer);

}  // namespace rz::sim
