// SPDX-License-Identifier: GPL-3.0-or-later
// Flashing serial EEPROMs whose block protection is set: every serial part unprotected, as it
// powers up, and left protected (wholly or its upper quarter). The chip then holds the new image,
// or the job refused it before touching it and the chip is byte for byte what it was.
#include <gtest/gtest.h>

#include <algorithm>

#include "eeprom/FlashJob.h"
#include "sim/devices/NvidiaCard.h"
#include "sim/images/TestImage.h"
#include "support/ChipCases.h"
#include "support/EepromRig.h"

namespace rz::test {
namespace {

using nlohmann::json;
using Bytes = std::vector<std::uint8_t>;

Bytes Image(std::uint8_t lengthByte, std::uint32_t seed) {
  testimage::ImageRecipe recipe;
  recipe.lengthByte = lengthByte;
  recipe.seed = seed;
  return testimage::BuildImage(recipe);
}

struct Start {
  const char* name;
  json blockProtect;  // null: the key is absent, the part starts as it powers up
};

// Whether the part's own algorithm clears the protection before it erases (the auto-address-
// increment parts, codes 7 and 8), and whether it has BP bits at all (not the 45-series part).
bool ClearsProtection(std::uint8_t code) { return code == 7 || code == 8; }
bool HasBlockProtect(std::uint8_t code) { return code != 30; }
bool PowersUpProtected(std::uint8_t code) { return code == 7 || code == 8; }

TEST(WriteProtectedFlash, EverySerialPartIsFlashedOrRefusedUntouched) {
  const Start starts[] = {
      {"unprotected", false}, {"as powered up", nullptr}, {"protected", true}, {"upper quarter", 1}};
  const Bytes old = Image(0x20, 3);
  const Bytes next = Image(0x10, 7);
  int refused = 0, flashedProtected = 0;
  for (const ChipCase& c : AllChipCases()) {
    if (!c.serial) continue;
    for (const Start& s : starts) {
      if (!s.blockProtect.is_null() && !HasBlockProtect(c.code)) continue;  // refused by the key
      if (s.blockProtect == 1 && (c.code == 25)) continue;  // one BP bit: 1 protects the whole part
      SCOPED_TRACE("code " + std::to_string(c.code) + ", " + s.name);
      TempDir files;
      ASSERT_TRUE(testimage::WriteFile(files.File("old.rom"), old));
      ASSERT_TRUE(testimage::WriteFile(files.File("new.rom"), next));
      json eeprom = ChipEeprom(c, files.File("old.rom"));
      if (!s.blockProtect.is_null()) eeprom["block_protect"] = s.blockProtect;
      EepromRig rig(json{{"eeprom", eeprom}});
      auto& card = dynamic_cast<sim::NvidiaCard&>(*rig.Machine().DeviceAt(1, 0));
      const auto before = card.Chip()->Contents();
      const Bytes chipBefore(before.begin(), before.end());

      const bool startsProtected =
          s.blockProtect.is_null() ? PowersUpProtected(c.code) : s.blockProtect != false;
      const bool refuses = startsProtected && !ClearsProtection(c.code);
      const std::uint32_t result = eeprom::RunFlashJob(rig.ctx, 0, files.File("new.rom"), 1);
      const auto after = card.Chip()->Contents();
      if (refuses) {
        ++refused;
        EXPECT_EQ(result, eeprom::kFlashWriteProtected);
        EXPECT_TRUE(std::equal(after.begin(), after.end(), chipBefore.begin(), chipBefore.end()))
            << "the chip is byte for byte as it was";
        EXPECT_EQ(card.Chip()->Counters().refused, 0u) << "not one write command was sent";
      } else {
        flashedProtected += startsProtected;
        EXPECT_EQ(result, eeprom::kFlashOk);
        EXPECT_TRUE(std::equal(next.begin(), next.end(), after.begin()));
        EXPECT_TRUE(std::all_of(after.begin() + static_cast<long>(next.size()), after.end(),
                                [](std::uint8_t b) { return b == 0xFF; }));
      }
      EXPECT_TRUE(rig.harness.ui.Messages().empty()) << "the job itself shows nothing";
      EXPECT_TRUE(rig.LeftClean());
    }
  }
  // 7 page-programmed parts refused when wholly protected, 6 of them (not the one-bit AT25F512)
  // also for the upper quarter; the two auto-address-increment parts flashed in three protected
  // starts each.
  EXPECT_EQ(refused, 13);
  EXPECT_EQ(flashedProtected, 6);
}

}  // namespace
}  // namespace rz::test
