// SPDX-License-Identifier: GPL-3.0-or-later
// Every ChipCode with the catalogue row that names it and the interface its chip uses, for tests
// that loop over all supported chips on the emulated card.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace rz::test {

struct ChipCase {
  std::uint8_t code;
  int row;  // catalogue row; -1 for code 24, which has none
  bool serial;
  std::uint8_t manufacturer, device;  // the ids the chip answers
};

const std::vector<ChipCase>& AllChipCases();

// The scenario's eeprom object for the case's chip (the catalogue name's leading words, or the ids
// for a chip without a catalogue row), filled with `image` when it is not empty.
nlohmann::json ChipEeprom(const ChipCase& c, const std::string& image = "");

// "SST 39VF010" from "SST 39VF010        128Kx8,...": the first two words.
std::string LeadingWords(const char* catalogueName);

}  // namespace rz::test
