// SPDX-License-Identifier: GPL-3.0-or-later
// The safety backup of every catalogue part, each emulated at the capacity of its datasheet and
// filled to the last byte with a pattern of its own: the backup taken before the erase holds
// every byte the flash changed, so that nothing the chip erase wipes is lost.
#include <gtest/gtest.h>

#include "eeprom/ChipCatalogue.h"
#include "eeprom/FlashJob.h"
#include "sim/devices/ChipModel.h"
#include "sim/devices/NvidiaCard.h"
#include "sim/images/TestImage.h"
#include "support/ChipCases.h"
#include "support/EepromRig.h"

namespace rz::test {
namespace {

using nlohmann::json;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t k512Kbit = 0x10000;
constexpr std::uint32_t k1Mbit = 0x20000;

// The capacity each catalogue row's part has by its datasheet (its part number: "512" parts hold
// 512 Kbit; "010", "011", "001", "10" and "1024" parts 1 Mbit), in catalogue order.
constexpr std::uint32_t kDatasheet[] = {
    k512Kbit, k512Kbit, k1Mbit,   k1Mbit,    // SST 29EE512, 29LE/VE512, 29EE010, 29LE/VE010
    k512Kbit, k1Mbit,   k1Mbit,              // SST 39VF512, 39VF010, 39SF010
    k1Mbit,   k1Mbit,   k1Mbit,   k1Mbit,    // W29C011A, W29EE011, W39L010, A290011
    k512Kbit, k512Kbit, k1Mbit,              // AT29C512, AT29LV512, AT29LV010A
    k512Kbit, k1Mbit,   k1Mbit,   k1Mbit,    // AT49F512, AT49F001, AT49F001T, AT49F010
    k1Mbit,   k1Mbit,   k1Mbit,   k1Mbit,    // Am29LV010, Am29LV001T, Am29LV001B, Pm39LV010
    k512Kbit, k1Mbit,   k512Kbit, k1Mbit,    // SST 25VF512, 25VF010, Pm25LV512, Pm25LV010
    k512Kbit, k1Mbit,   k512Kbit, k1Mbit,    // M25P05, M25P10, AT25F512, AT25F1024
    k1Mbit,   k512Kbit,                      // SST 45LF010, ICE 25P05
};

// No two bytes of a 64 KiB stretch repeat the stretch below it, so that a backup read around a
// smaller chip (the aperture wraps) cannot pass for the whole part.
Bytes Pattern(std::uint32_t size, int row) {
  Bytes b(size);
  for (std::uint32_t i = 0; i < size; ++i)
    b[i] = static_cast<std::uint8_t>(i * 7 + (i >> 8) * 13 + (i >> 16) * 0x5B + row);
  return b;
}

struct Part {
  int row;  // catalogue row, -1 for the Atmel part without one
  std::string chip;
  std::uint32_t capacity;
};

std::vector<Part> Parts() {
  std::vector<Part> parts;
  const auto catalogue = eeprom::ChipCatalogue();
  for (std::size_t row = 0; row + 1 < catalogue.size(); ++row)
    parts.push_back(
        {static_cast<int>(row), LeadingWords(catalogue[row].name), kDatasheet[row]});
  parts.push_back({-1, "ATMEL 49F 0x17", k1Mbit});  // 1 Mbit, like the other 49F010 parts
  return parts;
}

TEST(WholePartBackup, HoldsEveryByteTheFlashChangedOnEveryCataloguePart) {
  static_assert(std::size(kDatasheet) == 32);
  int backedUp = 0;
  for (const Part& part : Parts()) {
    SCOPED_TRACE(part.chip);
    const sim::ChipModel* model = sim::FindChipModel(part.chip);
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->size, part.capacity) << "emulated at its datasheet capacity";

    TempDir dir;
    const Bytes before = Pattern(part.capacity, part.row);
    ASSERT_TRUE(testimage::WriteFile(dir.File("card.rom"), before));
    testimage::ImageRecipe recipe;
    recipe.lengthByte = 0x04;
    recipe.deviceId = kRigDeviceId;
    ASSERT_TRUE(testimage::WriteFile(dir.File("new.rom"), testimage::BuildImage(recipe)));
    EepromRig rig(json{{"eeprom", {{"chip", part.chip}, {"image", dir.File("card.rom")}}}});

    std::optional<Bytes> backup;
    const eeprom::ChipBackup keep = [&](std::span<const std::uint8_t> contents) {
      backup = Bytes(contents.begin(), contents.end());
      return true;
    };
    const std::uint32_t result = eeprom::RunFlashJob(rig.ctx, 0, dir.File("new.rom"), 1, keep);
    auto& card = dynamic_cast<sim::NvidiaCard&>(*rig.Machine().DeviceAt(1, 0));
    const auto after = card.Chip()->Contents();
    if (eeprom::FindChipCode(model->manufacturerId, model->deviceId).code == 0) {
      // A part the program does not program is never touched, so nothing needs keeping.
      EXPECT_EQ(result, eeprom::kFlashNoWindow);
      EXPECT_FALSE(backup.has_value());
      EXPECT_TRUE(std::equal(before.begin(), before.end(), after.begin(), after.end()));
      continue;
    }
    ++backedUp;
    ASSERT_EQ(result, eeprom::kFlashOk) << ::testing::PrintToString(rig.harness.ui.Messages());
    ASSERT_TRUE(backup.has_value());
    ASSERT_GE(backup->size(), before.size()) << "the backup covers the whole part";
    EXPECT_TRUE(std::equal(before.begin(), before.end(), backup->begin()));
    std::size_t changedAbove64K = 0;
    for (std::size_t i = 0x10000; i < after.size(); ++i) changedAbove64K += after[i] != before[i];
    if (part.capacity > 0x10000 && card.Chip()->Counters().chipErases > 0) {
      EXPECT_GT(changedAbove64K, 0u) << "the chip erase wiped the upper half the backup holds";
    }
  }
  EXPECT_EQ(backedUp, 31) << "every part with a chip code (rows 13 and 17 have none)";
}

}  // namespace
}  // namespace rz::test
