// SPDX-License-Identifier: GPL-3.0-or-later
// The EEPROM chip catalogue (display names by JEDEC ids) and the ChipCode table that turns the two
// ids into the code that selects chip size and programming algorithm: views of kChipParts.
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "eeprom/ChipParts.h"

namespace rz::eeprom {

inline constexpr std::size_t kChipNameField = 56;  // bytes, zero included

struct EepromChipEntry {
  const char* name;  // at most kChipNameField - 1 characters
  std::uint8_t manufacturerId;
  std::uint8_t deviceId;

  // manufacturerId in bits 0-7, deviceId in bits 8-15.
  constexpr std::uint16_t IdWord() const {
    return static_cast<std::uint16_t>(manufacturerId | (deviceId << 8));
  }
};

// The 32 catalogue rows followed by the terminating row with an empty name.
std::span<const EepromChipEntry> ChipCatalogue();

struct EepromIdentity {
  std::string name;          // catalogue name; empty when the id word is not in the catalogue
  std::uint32_t chipSize = 0;
};

struct ChipCodeEntry {
  std::uint8_t code;
  std::array<std::uint8_t, 3> manufacturers;  // unused places hold 0
  std::uint8_t deviceId;
  std::uint32_t chipSize;  // what the program reads, shows and fits images to
  // The capacity of the part behind the code, from its datasheet: what a chip erase wipes. Two
  // codes differ from chipSize: 13 (a 512-Kbit part given 128 KiB) and 16 (a 1-Mbit part given
  // 64 KiB).
  std::uint32_t partSize;
};

std::span<const ChipCodeEntry> ChipCodeTable();

// The datasheet capacity of the part of `code` (ChipCodeEntry::partSize): what the safety backup
// before a flash reads, so that it holds every byte the chip erase wipes. 0 for a code without a row.
std::uint32_t PartSize(std::uint8_t code);

// First row of the ChipCode table that matches; code 0 and size 0 when none does.
struct ChipCodeMatch {
  std::uint8_t code = 0;
  std::uint32_t chipSize = 0;
};
ChipCodeMatch FindChipCode(std::uint8_t manufacturerId, std::uint8_t deviceId);

// 1 and the row's name at the first row with this id word; 0 and an empty name otherwise.
int LookupChipName(std::uint16_t idWord, std::string& name);

}  // namespace rz::eeprom
