// SPDX-License-Identifier: GPL-3.0-or-later
// The stock BIOS files shipped beside the program for some boards, chosen by adapter 0's
// subsystem id and the number of version characters of the card's BIOS.
#pragma once
#include <cstdint>
#include <string>

namespace rz::commands {

inline constexpr const char* kStockBiosFolder = "BIOS Files";

bool HasStockBiosOffer(std::uint16_t subsystemId);

// Fills the path (program folder + "BIOS Files" + the file) and the offer's display name (the file
// name alone); both stay empty when there is no file for this subsystem id and digit count.
void PickStockBios(const std::string& programFolder, std::uint16_t subsystemId, int digitCount,
                   std::string& path, std::string& displayName);

}  // namespace rz::commands
