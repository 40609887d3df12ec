// SPDX-License-Identifier: GPL-3.0-or-later
// The EEPROM catalogue as the program works with it: each row's ids joined with the ChipCode
// that selects its size, programming algorithm and erase command.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace rz::commands {

struct ChipListing {
  std::string name;            // the catalogue text up to its description
  std::string catalogueText;   // the whole catalogue text
  std::uint8_t manufacturerId = 0;
  std::uint8_t deviceId = 0;
  std::uint8_t chipCode = 0;   // 0: the program does not program this chip
  std::uint32_t size = 0;      // bytes, from the ChipCode table; 0 without a code
  std::string interface;       // "parallel", "serial" or "none"
  std::string algorithm;       // how the chip is programmed; "none" without a code
  std::string erase;           // the chip-erase command the program sends
};

// One entry per catalogue row, in the catalogue's order (the terminating row left out).
std::vector<ChipListing> ListChips();

}  // namespace rz::commands
