#include "eeprom/ChipCodeFacts.h"

#include "eeprom/ChipCommands.h"

namespace rz::eeprom {

namespace {

constexpr ChipCodeFacts Pages(std::uint8_t code) { return {code, Algorithm::JedecPages, 0, true}; }
constexpr ChipCodeFacts Bytes(std::uint8_t code) { return {code, Algorithm::JedecBytes, 0, false}; }
constexpr ChipCodeFacts Aai(std::uint8_t code) { return {code, Algorithm::SpiAai, 0, false}; }
constexpr ChipCodeFacts SpiPages(std::uint8_t code, std::uint8_t erase) {
  return {code, Algorithm::SpiPages, erase, false};
}

constexpr ChipCodeFacts kFacts[] = {
    Pages(1),  Pages(2),  Pages(3),  Pages(4),
    Bytes(5),  Bytes(6),
    Aai(7),    Aai(8),
    Bytes(9),  Pages(10), Bytes(11), Bytes(12),
    SpiPages(13, spi::kChipEraseC7), SpiPages(14, spi::kChipEraseC7),
    SpiPages(15, spi::kChipEraseC7), SpiPages(16, spi::kChipEraseC7),
    Bytes(17), Pages(18), Pages(19),
    // 20 has no chip.
    Bytes(21), Bytes(22), Bytes(23), Bytes(24),
    SpiPages(25, spi::kChipErase62), SpiPages(26, spi::kChipErase62),
    Bytes(27), Bytes(28), Bytes(29),
    {30, Algorithm::Serial45, 0, false},
    SpiPages(31, spi::kChipEraseC7),
};

constexpr bool InCodeOrder() {
  for (std::size_t i = 1; i < std::size(kFacts); ++i)
    if (kFacts[i].code <= kFacts[i - 1].code) return false;
  return true;
}
static_assert(InCodeOrder(), "one row per code, in code order");

}  // namespace

std::span<const ChipCodeFacts> ChipCodeFactsTable() { return kFacts; }

std::optional<ChipCodeFacts> FactsFor(std::uint8_t code) {
  for (const ChipCodeFacts& row : kFacts)
    if (row.code == code) return row;
  return std::nullopt;
}

}  // namespace rz::eeprom
