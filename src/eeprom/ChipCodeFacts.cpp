// SPDX-License-Identifier: GPL-3.0-or-later
#include "eeprom/ChipCodeFacts.h"

#include "eeprom/ChipParts.h"

namespace rz::eeprom {

namespace {

constexpr std::size_t ProgrammableParts() {
  std::size_t n = 0;
  for (const ChipPart& part : kChipParts) n += part.code != 0 ? 1 : 0;
  return n;
}

constexpr std::array<ChipCodeFacts, ProgrammableParts()> BuildFacts() {
  std::array<ChipCodeFacts, ProgrammableParts()> rows{};
  std::size_t i = 0;
  for (const ChipPart& part : kChipParts)
    if (part.code != 0) rows[i++] = {part.code, part.algorithm, part.eraseOpcode, part.pageWrite};
  return rows;
}
constexpr auto kFacts = BuildFacts();

// Every coded part is programmed, over the interface its algorithm drives; only the serial page
// algorithm takes an erase opcode, and only JEDEC page chips write whole pages. A part without a
// code is not programmed.
constexpr bool ProgrammingConsistent() {
  for (const ChipPart& part : kChipParts) {
    const Algorithm a = part.algorithm;
    const bool serial =
        a == Algorithm::SpiAai || a == Algorithm::Serial45 || a == Algorithm::SpiPages;
    if ((part.code != 0) != (a != Algorithm::None)) return false;
    const ChipInterface expected = a == Algorithm::None ? ChipInterface::None
                                   : serial             ? ChipInterface::Serial
                                                        : ChipInterface::Parallel;
    if (part.interface != expected) return false;
    if ((part.eraseOpcode != 0) != (a == Algorithm::SpiPages)) return false;
    if (part.pageWrite != (a == Algorithm::JedecPages)) return false;
  }
  return true;
}
static_assert(ProgrammingConsistent(),
              "each row's interface, erase and page write fit its algorithm");

}  // namespace

std::span<const ChipCodeFacts> ChipCodeFactsTable() { return kFacts; }

std::optional<ChipCodeFacts> FactsFor(std::uint8_t code) {
  if (code == 0) return std::nullopt;
  for (const ChipCodeFacts& row : kFacts)
    if (row.code == code) return row;
  return std::nullopt;
}

}  // namespace rz::eeprom
