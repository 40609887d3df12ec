// SPDX-License-Identifier: GPL-3.0-or-later
// Identification of every supported chip on the emulated card, over its own interface, and the
// identity card detection shows.
#include <gtest/gtest.h>

#include "eeprom/Identify.h"
#include "eeprom/RomAccess.h"
#include "sim/images/TestImage.h"
#include "support/ChipCases.h"
#include "support/EepromRig.h"

namespace rz::test {
namespace {

using nlohmann::json;

TEST(FlashIdentify, EveryChipCodeOverItsOwnInterface) {
  for (const ChipCase& c : AllChipCases()) {
    SCOPED_TRACE("code " + std::to_string(c.code));
    EepromRig rig(json{{"eeprom", ChipEeprom(c)}});
    rig.StartTrace();
    std::uint8_t code = 0;
    std::uint16_t idWord = 0;
    std::uint32_t size = 0;
    ASSERT_TRUE(eeprom::IdentifyEeprom(rig.ctx, 1, 0, code, idWord, size));
    EXPECT_EQ(rig.ctx.window.spiMode, c.serial);
    EXPECT_EQ(code, c.code);
    EXPECT_EQ(idWord, c.device << 8 | c.manufacturer);
    EXPECT_EQ(size, eeprom::FindChipCode(c.manufacturer, c.device).chipSize);
    EXPECT_GT(size, 0u);
    std::string name;
    EXPECT_EQ(eeprom::LookupChipName(idWord, name), c.row >= 0 ? 1 : 0);
    if (c.row >= 0) {
      EXPECT_EQ(name, eeprom::ChipCatalogue()[static_cast<std::size_t>(c.row)].name);
    }
    EXPECT_TRUE(rig.ctx.window.IsOpen()) << "identification leaves the window to its caller";
    EXPECT_EQ(rig.LastWrite(eeprom::kRegPromAccess), 1u);
    eeprom::CloseRomWindow(rig.ctx);
    EXPECT_TRUE(rig.LeftClean());
  }
}

// Detection's view: name, size, image length and result of GetEepromInfo.
TEST(FlashIdentify, EepromInfoResults) {
  struct Case {
    const char* name;
    json eeprom;
    bool withImage;
    std::uint32_t result;
    std::string chipName;
    std::uint32_t chipSize;
    std::vector<std::string> messages;
  };
  const std::string row5 = eeprom::ChipCatalogue()[5].name;
  const std::string row13 = eeprom::ChipCatalogue()[13].name;
  const std::string row7 = eeprom::ChipCatalogue()[7].name;
  const Case cases[] = {
      {"parallel 39VF010", json{{"chip", "SST 39VF010"}}, true, 0, row5, 0x20000, {}},
      {"ids 0xDA 0xC1 name row 7", json{{"ids", {0xDA, 0xC1}}, {"interface", "parallel"}}, true, 0,
       row7, 0x20000, {}},
      {"catalogue without code", json{{"ids", {0x1F, 0x25}}, {"interface", "parallel"}}, true, 2,
       row13, 0, {}},
      {"unknown ids", json{{"ids", {0xC2, 0x99}}, {"interface", "parallel"}}, true, 2, "", 0, {}},
      {"zero length byte", json{{"chip", "SST 39VF010"}}, false, 2, row5, 0x20000,
       {"found zero ROM size."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir images;
    json e = c.eeprom;
    if (c.withImage) {
      testimage::ImageRecipe recipe;
      recipe.lengthByte = 0x40;
      ASSERT_TRUE(testimage::WriteFile(images.File("card.rom"), testimage::BuildImage(recipe)));
      e["image"] = images.File("card.rom");
    } else {
      std::vector<std::uint8_t> zero(0x8000, 0);
      ASSERT_TRUE(testimage::WriteFile(images.File("card.rom"), zero));
      e["image"] = images.File("card.rom");
    }
    EepromRig rig(json{{"eeprom", e}});
    rig.StartTrace();
    eeprom::EepromIdentity identity;
    std::uint32_t length = 0;
    EXPECT_EQ(eeprom::GetEepromInfo(rig.ctx, 0, identity, length), c.result);
    EXPECT_EQ(identity.name, c.chipName);
    EXPECT_EQ(identity.chipSize, c.chipSize);
    if (c.withImage) {
      EXPECT_EQ(length, 0x8000u);
    }
    EXPECT_EQ(rig.harness.ui.Messages(), c.messages);
    EXPECT_TRUE(rig.LeftClean());
  }
}

TEST(FlashIdentify, EepromInfoWithoutWindow) {
  EepromRig unlisted(json{{"eeprom", {{"chip", "SST 39VF010"}}}});
  unlisted.harness.program->asics.entries.clear();
  unlisted.StartTrace();
  eeprom::EepromIdentity identity{"stale", 5};
  std::uint32_t length = 0;
  EXPECT_EQ(eeprom::GetEepromInfo(unlisted.ctx, 0, identity, length), 2u);
  EXPECT_EQ(identity.name, "");
  EXPECT_EQ(identity.chipSize, 0u);
  EXPECT_EQ(unlisted.harness.ui.Messages(),
            (std::vector<std::string>{"Supported device not found.", "mapNV"}));
  EXPECT_EQ(eeprom::GetEepromInfo(unlisted.ctx, 1, identity, length), eeprom::kBadAdapterIndex);
  EXPECT_TRUE(unlisted.LeftClean());
}

}  // namespace
}  // namespace rz::test
