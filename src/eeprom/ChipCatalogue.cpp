// SPDX-License-Identifier: GPL-3.0-or-later
#include "eeprom/ChipCatalogue.h"

#include <algorithm>
#include <string_view>

namespace rz::eeprom {

namespace {

constexpr std::size_t kCatalogueRows = 32;

// The catalogue in its own order, from the names of the parts, and the terminating row.
constexpr std::array<EepromChipEntry, kCatalogueRows + 1> BuildCatalogue() {
  std::array<EepromChipEntry, kCatalogueRows + 1> rows{};
  for (auto& row : rows) row = {"", 0x00, 0x00};
  for (const ChipPart& part : kChipParts)
    for (const CatalogueName& n : part.names)
      if (n.position >= 0)
        rows[static_cast<std::size_t>(n.position)] = {n.text, n.manufacturerId, part.deviceId};
  return rows;
}
constexpr auto kCatalogue = BuildCatalogue();

// Each place of the catalogue is taken by exactly one name, and every name fits its field.
constexpr bool CataloguePlacesTakenOnce() {
  std::array<int, kCatalogueRows> taken{};
  for (const ChipPart& part : kChipParts)
    for (const CatalogueName& n : part.names) {
      if (n.position < 0) continue;
      if (static_cast<std::size_t>(n.position) >= kCatalogueRows) return false;
      if (std::string_view(n.text).empty() || std::string_view(n.text).size() >= kChipNameField)
        return false;
      ++taken[static_cast<std::size_t>(n.position)];
    }
  return std::all_of(taken.begin(), taken.end(), [](int t) { return t == 1; });
}
static_assert(CataloguePlacesTakenOnce(), "catalogue places 0-31 each named once, names fit");

constexpr std::size_t CodedParts() {
  std::size_t n = 0;
  for (const ChipPart& part : kChipParts) n += part.code != 0 ? 1 : 0;
  return n;
}

constexpr std::array<ChipCodeEntry, CodedParts()> BuildChipCodes() {
  std::array<ChipCodeEntry, CodedParts()> rows{};
  std::size_t i = 0;
  for (const ChipPart& part : kChipParts)
    if (part.code != 0)
      rows[i++] = {part.code, part.manufacturers, part.deviceId, part.chipSize, part.partSize};
  return rows;
}
constexpr auto kChipCodes = BuildChipCodes();
static_assert(kChipCodes.size() == 30);

// Codes ascend, 20 is never assigned, and a coded part has a size and a manufacturer.
constexpr bool ChipCodesWellFormed() {
  for (std::size_t i = 0; i < kChipCodes.size(); ++i) {
    const ChipCodeEntry& row = kChipCodes[i];
    if (row.code == 20 || row.code >= 32 || row.chipSize == 0 || row.partSize == 0) return false;
    if (row.manufacturers[0] == 0) return false;
    if (i > 0 && row.code <= kChipCodes[i - 1].code) return false;
  }
  return true;
}
static_assert(ChipCodesWellFormed(), "one row per code, in code order, each sized");

}  // namespace

std::span<const EepromChipEntry> ChipCatalogue() { return kCatalogue; }
std::span<const ChipCodeEntry> ChipCodeTable() { return kChipCodes; }

std::uint32_t PartSize(std::uint8_t code) {
  if (code == 0) return 0;
  for (const auto& row : kChipCodes)
    if (row.code == code) return row.partSize;
  return 0;
}

ChipCodeMatch FindChipCode(std::uint8_t manufacturerId, std::uint8_t deviceId) {
  if (manufacturerId == 0) return {};  // 0 only pads the manufacturer lists
  for (const auto& row : kChipCodes) {
    if (row.deviceId != deviceId) continue;
    for (std::uint8_t m : row.manufacturers)
      if (m == manufacturerId) return {row.code, row.chipSize};
  }
  return {};
}

int LookupChipName(std::uint16_t idWord, std::string& name) {
  for (const auto& row : kCatalogue) {
    if (row.name[0] == '\0') break;
    if (row.IdWord() == idWord) {
      name = row.name;
      return 1;
    }
  }
  name.clear();
  return 0;
}

}  // namespace rz::eeprom
