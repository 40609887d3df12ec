// SPDX-License-Identifier: GPL-3.0-or-later
// The chip catalogue and the ChipCode table, the option-ROM length, and the signature scans of
// the card's ROM.
#include <gtest/gtest.h>

#include <cstring>

#include "eeprom/ChipCatalogue.h"
#include "eeprom/Identify.h"
#include "eeprom/RomAccess.h"
#include "eeprom/Signature.h"
#include "support/EepromRig.h"

namespace rz::test {
namespace {

using nlohmann::json;

TEST(EepromCatalogue, HasThirtyTwoRowsAndAnEmptyEnd) {
  const auto rows = eeprom::ChipCatalogue();
  ASSERT_EQ(rows.size(), 33u);
  EXPECT_STREQ(rows[32].name, "");
  EXPECT_STREQ(rows[23].name, "SST 25VF010\t\t 128KX8,S2.7-3.6V  128B page,32k blk");
  EXPECT_STREQ(rows[0].name, "SST 29EE512         64Kx8,5.0V,      128B page, 0k blk");
  EXPECT_STREQ(rows[31].name, "ICE 25P05           64Kx8, 2.7-3.6V, 256B page,32k blk");
}

TEST(EepromCatalogue, LookupGivesTheFirstRowOfAnIdWord) {
  struct Case {
    std::uint8_t m, d;
    int row;  // -1: not in the catalogue
  };
  for (const Case& c : {Case{0xDA, 0xC1, 7}, Case{0xBF, 0xD5, 5}, Case{0x1F, 0x25, 13},
                        Case{0x5E, 0x01, 31}, Case{0xBF, 0x49, 23}, Case{0x1F, 0x17, -1},
                        Case{0x00, 0x00, -1}, Case{0xD5, 0xBF, -1}}) {
    std::string name = "stale";
    const int found = eeprom::LookupChipName(static_cast<std::uint16_t>(c.d << 8 | c.m), name);
    EXPECT_EQ(found, c.row >= 0 ? 1 : 0);
    EXPECT_EQ(name, c.row >= 0 ? eeprom::ChipCatalogue()[c.row].name : "");
  }
}

TEST(EepromCatalogue, ChipCodesAcceptTheirManufacturerGroups) {
  struct Case {
    std::uint8_t m, d, code;
    std::uint32_t size;
  };
  const Case cases[] = {
      {0xBF, 0x5D, 1, 0x10000},  {0x37, 0x5D, 1, 0x10000},  {0xDA, 0x5D, 1, 0x10000},
      {0xBF, 0xD5, 6, 0x20000},  {0xDA, 0xC1, 10, 0x20000}, {0x9D, 0x1C, 12, 0x20000},
      {0x20, 0x1C, 12, 0x20000}, {0x9D, 0x7B, 13, 0x20000}, {0x20, 0x05, 15, 0x10000},
      {0x20, 0x10, 16, 0x10000}, {0x1F, 0x5D, 18, 0x10000}, {0x1F, 0x05, 22, 0x20000},
      {0x1F, 0x17, 24, eeprom::kCode24Size},                {0x1F, 0x40, 25, 0x10000},
      {0x01, 0x6D, 29, 0x20000}, {0xBF, 0x42, 30, 0x20000}, {0x5E, 0x01, 31, 0x10000},
      // Not in the table: other manufacturers of a listed device id, catalogue-only rows.
      {0x01, 0x5D, 0, 0},        {0x9D, 0x5D, 0, 0},        {0x1F, 0x25, 0, 0},
      {0x1F, 0x10, 0, 0},        {0xBF, 0xFF, 0, 0},        {0x00, 0x00, 0, 0},
      {0x20, 0xD5, 0, 0},
  };
  for (const Case& c : cases) {
    const auto match = eeprom::FindChipCode(c.m, c.d);
    EXPECT_EQ(match.code, c.code) << std::hex << int(c.m) << "/" << int(c.d);
    EXPECT_EQ(match.chipSize, c.size) << std::hex << int(c.m) << "/" << int(c.d);
  }
  // Code 20 is never assigned and codes are unique.
  std::set<int> codes;
  for (const auto& row : eeprom::ChipCodeTable()) {
    EXPECT_NE(row.code, 20);
    EXPECT_TRUE(codes.insert(row.code).second) << int(row.code);
  }
  EXPECT_EQ(codes.size(), 30u);
}

// A rig with the register card and the given bytes in its ROM.
struct RomRig {
  EepromRig rig;
  RegisterCard& card = rig.UseRegisterCard();
  void Put(std::uint32_t at, const std::vector<std::uint8_t>& bytes) {
    std::copy(bytes.begin(), bytes.end(), card.rom.begin() + at);
  }
  void Put(std::uint32_t at, const char* text) {
    std::memcpy(card.rom.data() + at, text, std::strlen(text));
  }
};

TEST(EepromImageSize, LengthByteAndExtension) {
  struct Case {
    const char* name;
    std::uint8_t units, extFlag;
    std::uint16_t w;
    std::uint8_t extUnits;
    bool ok;
    std::uint32_t length;
  };
  const Case cases[] = {
      {"plain", 0x80, 0x00, 0xF000, 0x40, true, 0x10000},
      {"extended", 0x40, 0x80, 0xF000, 0x40, true, 0x11000},
      {"extension not beyond", 0x40, 0x80, 0x8000, 0x40, true, 0x8000},
      {"extension below", 0x40, 0xFF, 0x7000, 0x40, true, 0x8000},
      {"zero", 0x00, 0x80, 0xF000, 0x40, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RomRig r;
    r.card.rom[2] = c.units;
    r.card.rom[0x34] = c.extFlag;
    r.card.rom[0x36] = static_cast<std::uint8_t>(c.w);
    r.card.rom[0x37] = static_cast<std::uint8_t>(c.w >> 8);
    r.card.rom[c.w + 1u] = c.extUnits;
    std::uint16_t id;
    std::int16_t idx;
    ASSERT_TRUE(eeprom::OpenRomWindow(r.rig.ctx, 1, 0, id, idx));
    eeprom::EnablePromAccess(r.rig.ctx);
    std::uint32_t length = 77;
    EXPECT_EQ(eeprom::GetRomImageSize(r.rig.ctx, length), c.ok);
    EXPECT_EQ(length, c.length);
    eeprom::DisablePromAccess(r.rig.ctx);
    eeprom::CloseRomWindow(r.rig.ctx);
    if (!c.ok) {
      ASSERT_EQ(r.rig.harness.ui.Events().size(), 1u);
      EXPECT_EQ(r.rig.harness.ui.Events()[0].caption, "ERROR");
      EXPECT_EQ(r.rig.harness.ui.Events()[0].text, "found zero ROM size.");
      EXPECT_EQ(r.rig.harness.ui.Events()[0].icon, ui::Icon::Error);
    } else {
      EXPECT_TRUE(r.rig.harness.ui.Events().empty());
    }
  }
}

TEST(EepromSignature, FirstBlockFromOffset80AndLastModelTextBeforeIt) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::uint32_t, const char*>> marks;
    int result;
    std::uint32_t blockAt;       // where the copied block starts (result 0)
    const char* model;           // nullptr: no model text found
    std::uint8_t cardNumber;
  };
  const Case cases[] = {
      {"block and texts", {{0x100, "RZ-FIRST"}, {0x180, "RZ-SECOND"}, {0x400, "$RZ"},
                           {0x500, "RZ-AFTER"}, {0x600, "$RZ"}}, 0, 0x400, "RZ-SECOND", 0x44},
      {"block before 0x80 ignored", {{0x10, "$RZ"}, {0x7E, "$RZ"}, {0x900, "$RZ"}}, 0, 0x900,
       nullptr, 0x44},
      {"block at the last offset", {{0xFFFE, "$RZ"}}, 0, 0xFFFE, nullptr, 0x44},
      {"only a model text", {{0x200, "RZ-ONLY/F2"}}, 1, 0, "RZ-ONLY/F2", 0xFF},
      {"nothing", {}, 1, 0, nullptr, 0xFF},
      {"beyond the scan", {{0xFFFF, "$RZ"}}, 1, 0, nullptr, 0xFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RomRig r;
    std::fill(r.card.rom.begin(), r.card.rom.end(), 0);
    for (const auto& [at, text] : c.marks) {
      r.Put(at, text);
      if (text[0] == '$') r.card.rom[at + 14] = 0x44;
    }
    r.rig.StartTrace();
    const bios::SignatureBlock* block = nullptr;
    EXPECT_EQ(eeprom::GetSignatureBlock(r.rig.ctx, 0, block), static_cast<std::uint32_t>(c.result));
    EXPECT_EQ(block != nullptr, c.result == 0);
    if (block) {
      EXPECT_TRUE(std::equal(block->begin(), block->end(), r.card.rom.begin() + c.blockAt));
    }
    EXPECT_EQ(r.rig.ctx.modelText.found, c.model != nullptr);
    if (c.model) {
      EXPECT_EQ(r.rig.ctx.modelText.Text(), c.model);
    }
    EXPECT_TRUE(r.rig.LeftClean());
    EXPECT_EQ(eeprom::ReadCardNumber(r.rig.ctx, 1, 0), c.cardNumber);
    EXPECT_TRUE(r.rig.LeftClean());
  }
}

TEST(EepromSignature, RefusedAdaptersAndIndexes) {
  EepromRig other(json{{"vendor_id", 0x1002}});
  const bios::SignatureBlock* block = &other.ctx.signature;
  EXPECT_EQ(eeprom::GetSignatureBlock(other.ctx, 0, block), 2u);
  EXPECT_EQ(block, nullptr);
  EXPECT_EQ(eeprom::ReadCardNumber(other.ctx, 1, 0), 0xFF);
  EXPECT_EQ(eeprom::GetSignatureBlock(other.ctx, 1, block), eeprom::kBadAdapterIndex);
  EXPECT_TRUE(other.harness.ui.Events().empty());

  EepromRig unlisted;
  unlisted.harness.program->asics.entries.clear();
  unlisted.StartTrace();
  EXPECT_EQ(eeprom::GetSignatureBlock(unlisted.ctx, 0, block), 2u);
  EXPECT_EQ(eeprom::ReadCardNumber(unlisted.ctx, 1, 0), 0xFF);
  EXPECT_EQ(unlisted.harness.ui.Messages(),
            (std::vector<std::string>{"Supported device not found.", "Supported device not found."}));
  EXPECT_TRUE(unlisted.LeftClean());
}

}  // namespace
}  // namespace rz::test
