// SPDX-License-Identifier: GPL-3.0-or-later
// The chip-code facts table against the chip catalogue's code table and the emulated chips: every
// code the identification can give has a way to program it that fits the chip that answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "eeprom/ChipCatalogue.h"
#include "eeprom/ChipCodeFacts.h"
#include "sim/devices/ChipModel.h"
#include "support/ChipCases.h"

namespace rz::test {
namespace {

using eeprom::Algorithm;

const sim::ChipModel* ModelWithIds(std::uint8_t m, std::uint8_t d) {
  for (const auto& model : sim::ChipModels())
    if (model.manufacturerId == m && model.deviceId == d) return &model;
  return nullptr;
}

TEST(EepromChipCodeFacts, SameCodesAsTheCatalogue) {
  std::set<int> identified, programmable;
  for (const auto& row : eeprom::ChipCodeTable()) identified.insert(row.code);
  for (const auto& row : eeprom::ChipCodeFactsTable()) programmable.insert(row.code);
  EXPECT_EQ(identified, programmable);
  for (int code : {0, 20, 32, 255})
    EXPECT_FALSE(eeprom::FactsFor(static_cast<std::uint8_t>(code))) << code;
}

TEST(EepromChipCodeFacts, EveryCodeFitsTheChipThatAnswersItsIds) {
  for (const ChipCase& c : AllChipCases()) {
    SCOPED_TRACE("code " + std::to_string(c.code));
    ASSERT_EQ(eeprom::FindChipCode(c.manufacturer, c.device).code, c.code);
    const auto facts = eeprom::FactsFor(c.code);
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->code, c.code);
    const bool serial = facts->algorithm == Algorithm::SpiAai ||
                        facts->algorithm == Algorithm::Serial45 ||
                        facts->algorithm == Algorithm::SpiPages;
    EXPECT_EQ(serial, c.serial);
    EXPECT_EQ(facts->pageWrite, facts->algorithm == Algorithm::JedecPages);
    EXPECT_EQ(facts->eraseOpcode != 0, facts->algorithm == Algorithm::SpiPages);

    const sim::ChipModel* model = ModelWithIds(c.manufacturer, c.device);
    if (!model) continue;  // code 24 has no catalogue chip to emulate by name
    switch (facts->algorithm) {
      case Algorithm::JedecPages:
        EXPECT_EQ(model->family, sim::ChipFamily::JedecPageWrite);
        break;
      case Algorithm::JedecBytes:
        EXPECT_EQ(model->family, sim::ChipFamily::JedecByteProgram);
        break;
      case Algorithm::SpiAai:
        EXPECT_EQ(model->family, sim::ChipFamily::Spi25);
        EXPECT_TRUE(model->quirks.autoAddressIncrement);
        break;
      case Algorithm::Serial45:
        EXPECT_EQ(model->family, sim::ChipFamily::Spi45);
        break;
      case Algorithm::SpiPages:
        EXPECT_EQ(model->family, sim::ChipFamily::Spi25);
        EXPECT_NE(std::find(model->eraseOpcodes.begin(), model->eraseOpcodes.end(),
                            facts->eraseOpcode),
                  model->eraseOpcodes.end())
            << "the chip honours the erase opcode";
        break;
      case Algorithm::None:
        ADD_FAILURE() << "a row without an algorithm";
        break;
    }
  }
}

}  // namespace
}  // namespace rz::test
