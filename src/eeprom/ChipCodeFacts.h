// SPDX-License-Identifier: GPL-3.0-or-later
// What a ChipCode means to programming, a view of kChipParts (eeprom/ChipParts.h): the algorithm
// that writes the chip, the chip-erase opcode of the serial page algorithm, and whether the chip
// writes whole pages (and so erases as it programs). Codes without a row are not programmed.
#pragma once
#include <cstdint>
#include <optional>
#include <span>

namespace rz::eeprom {

enum class Algorithm { None, JedecPages, JedecBytes, SpiAai, Serial45, SpiPages };

struct ChipCodeFacts {
  std::uint8_t code = 0;
  Algorithm algorithm = Algorithm::None;
  std::uint8_t eraseOpcode = 0;  // ProgramSpiPages only; 0 for the other algorithms
  bool pageWrite = false;        // a page write erases the page: no chip erase unless forced
};

// Every programmable ChipCode, in code order.
std::span<const ChipCodeFacts> ChipCodeFactsTable();

// The row of `code`; nullopt for 0, 20, 32 and above.
std::optional<ChipCodeFacts> FactsFor(std::uint8_t code);

}  // namespace rz::eeprom
