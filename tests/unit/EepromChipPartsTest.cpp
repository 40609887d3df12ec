// SPDX-License-Identifier: GPL-3.0-or-later
// The one table of parts against the values its views gave before they were derived from it: every
// code's size, ids and programming, the first-match code of every id pair, the catalogue's order.
#include <gtest/gtest.h>

#include "eeprom/ChipCatalogue.h"
#include "eeprom/ChipCodeFacts.h"
#include "eeprom/ChipParts.h"

namespace rz::test {
namespace {

using A = eeprom::Algorithm;

struct CodeRow {
  std::uint8_t code;
  std::array<std::uint8_t, 3> manufacturers;
  std::uint8_t device;
  std::uint32_t chipSize, partSize;
  A algorithm;
  std::uint8_t erase;
  bool pageWrite;
};

constexpr std::array<std::uint8_t, 3> kA{0x37, 0xBF, 0xDA}, kB{0x20, 0x9D, 0x00};
constexpr std::array<std::uint8_t, 3> k1F{0x1F}, k01{0x01}, k5E{0x5E};
constexpr std::uint32_t k64 = 0x10000, k128 = 0x20000;

// The ChipCode table and the facts table as they were written out by hand, joined by code.
constexpr CodeRow kOldCodes[] = {
    {1, kA, 0x5D, k64, k64, A::JedecPages, 0, true},
    {2, kA, 0x3D, k64, k64, A::JedecPages, 0, true},
    {3, kA, 0x07, k128, k128, A::JedecPages, 0, true},
    {4, kA, 0x08, k128, k128, A::JedecPages, 0, true},
    {5, kA, 0xD4, k64, k64, A::JedecBytes, 0, false},
    {6, kA, 0xD5, k128, k128, A::JedecBytes, 0, false},
    {7, kA, 0x48, k64, k64, A::SpiAai, 0, false},
    {8, kA, 0x49, k128, k128, A::SpiAai, 0, false},
    {9, kA, 0xB5, k128, k128, A::JedecBytes, 0, false},
    {10, kA, 0xC1, k128, k128, A::JedecPages, 0, true},
    {11, kA, 0x31, k128, k128, A::JedecBytes, 0, false},
    {12, kB, 0x1C, k128, k128, A::JedecBytes, 0, false},
    {13, kB, 0x7B, k128, k64, A::SpiPages, 0xC7, false},
    {14, kB, 0x7C, k128, k128, A::SpiPages, 0xC7, false},
    {15, kB, 0x05, k64, k64, A::SpiPages, 0xC7, false},
    {16, kB, 0x10, k64, k128, A::SpiPages, 0xC7, false},
    {17, kA, 0xA1, k128, k128, A::JedecBytes, 0, false},
    {18, k1F, 0x5D, k64, k64, A::JedecPages, 0, true},
    {19, k1F, 0x3D, k64, k64, A::JedecPages, 0, true},
    {21, k1F, 0x03, k64, k64, A::JedecBytes, 0, false},
    {22, k1F, 0x05, k128, k128, A::JedecBytes, 0, false},
    {23, k1F, 0x04, k128, k128, A::JedecBytes, 0, false},
    {24, k1F, 0x17, k128, k128, A::JedecBytes, 0, false},
    {25, k1F, 0x40, k64, k64, A::SpiPages, 0x62, false},
    {26, k1F, 0x60, k128, k128, A::SpiPages, 0x62, false},
    {27, k01, 0x6E, k128, k128, A::JedecBytes, 0, false},
    {28, k01, 0xED, k128, k128, A::JedecBytes, 0, false},
    {29, k01, 0x6D, k128, k128, A::JedecBytes, 0, false},
    {30, kA, 0x42, k128, k128, A::Serial45, 0, false},
    {31, k5E, 0x01, k64, k64, A::SpiPages, 0xC7, false},
};

const CodeRow* OldRow(int code) {
  for (const CodeRow& row : kOldCodes)
    if (row.code == code) return &row;
  return nullptr;
}

TEST(EepromChipParts, EveryCodeKeepsItsSizesIdsAndProgramming) {
  for (int code = 0; code < 256; ++code) {
    SCOPED_TRACE("code " + std::to_string(code));
    const CodeRow* old = OldRow(code);
    const auto facts = eeprom::FactsFor(static_cast<std::uint8_t>(code));
    EXPECT_EQ(eeprom::PartSize(static_cast<std::uint8_t>(code)), old ? old->partSize : 0u);
    ASSERT_EQ(facts.has_value(), old != nullptr);
    if (!old) continue;
    EXPECT_EQ(facts->code, old->code);
    EXPECT_EQ(facts->algorithm, old->algorithm);
    EXPECT_EQ(facts->eraseOpcode, old->erase);
    EXPECT_EQ(facts->pageWrite, old->pageWrite);
  }
  const auto table = eeprom::ChipCodeTable();
  ASSERT_EQ(table.size(), std::size(kOldCodes));
  for (std::size_t i = 0; i < table.size(); ++i) {
    EXPECT_EQ(table[i].code, kOldCodes[i].code);
    EXPECT_EQ(table[i].manufacturers, kOldCodes[i].manufacturers) << int(table[i].code);
    EXPECT_EQ(table[i].deviceId, kOldCodes[i].device) << int(table[i].code);
    EXPECT_EQ(table[i].chipSize, kOldCodes[i].chipSize) << int(table[i].code);
  }
}

TEST(EepromChipParts, EveryIdPairFindsTheFirstOldRowThatAcceptsIt) {
  for (int m = 0; m < 256; ++m)
    for (int d = 0; d < 256; ++d) {
      const CodeRow* expected = nullptr;
      for (const CodeRow& row : kOldCodes)
        if (!expected && m != 0 && row.device == d &&
            std::find(row.manufacturers.begin(), row.manufacturers.end(), m) !=
                row.manufacturers.end())
          expected = &row;
      const auto match =
          eeprom::FindChipCode(static_cast<std::uint8_t>(m), static_cast<std::uint8_t>(d));
      ASSERT_EQ(match.code, expected ? expected->code : 0) << m << "/" << d;
      ASSERT_EQ(match.chipSize, expected ? expected->chipSize : 0u) << m << "/" << d;
    }
}

TEST(EepromChipParts, CatalogueKeepsItsOrderIdsAndTexts) {
  // Manufacturer and device id of catalogue rows 0-31, then the terminating row.
  constexpr std::uint8_t kOldIds[33][2] = {
      {0xBF, 0x5D}, {0xBF, 0x3D}, {0xBF, 0x07}, {0xBF, 0x08}, {0xBF, 0xD4}, {0xBF, 0xD5},
      {0xBF, 0xB5}, {0xDA, 0xC1}, {0xDA, 0xC1}, {0xDA, 0x31}, {0x37, 0xA1}, {0x1F, 0x5D},
      {0x1F, 0x3D}, {0x1F, 0x25}, {0x1F, 0x03}, {0x1F, 0x05}, {0x1F, 0x04}, {0x1F, 0x10},
      {0x01, 0x6E}, {0x01, 0xED}, {0x01, 0x6D}, {0x9D, 0x1C}, {0xBF, 0x48}, {0xBF, 0x49},
      {0x9D, 0x7B}, {0x9D, 0x7C}, {0x20, 0x05}, {0x20, 0x10}, {0x1F, 0x40}, {0x1F, 0x60},
      {0xBF, 0x42}, {0x5E, 0x01}, {0x00, 0x00}};
  const auto rows = eeprom::ChipCatalogue();
  ASSERT_EQ(rows.size(), std::size(kOldIds));
  std::uint64_t hash = 1469598103934665603ull;  // FNV-1a over the texts, each ended by '\n'
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].manufacturerId, kOldIds[i][0]) << i;
    EXPECT_EQ(rows[i].deviceId, kOldIds[i][1]) << i;
    for (const char* p = rows[i].name; *p; ++p)
      hash = (hash ^ static_cast<unsigned char>(*p)) * 1099511628211ull;
    hash = (hash ^ '\n') * 1099511628211ull;
  }
  EXPECT_EQ(hash, 0xC6C120FCC94C6EC5ull) << "a catalogue text changed";
}

}  // namespace
}  // namespace rz::test
