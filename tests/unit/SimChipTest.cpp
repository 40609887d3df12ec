// SPDX-License-Identifier: GPL-3.0-or-later
// The emulated flash chips, driven through the emulated card exactly as a program drives real ones:
// every chip identifies with its catalogue ids, programs, reads back and erases; protection and
// the write-enable latch behave as on the parts.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "SimChipDriving.h"

namespace rz::test {
namespace {

using nlohmann::json;
using namespace simchip;
using sim::ChipFamily;
using sim::ChipInterface;
using sim::ChipModel;

TEST(SimChips, TableHoldsEveryCataloguePartWithItsIdsAndSize) {
  for (const auto& row : kCatalogue) {
    const ChipModel* c = sim::FindChipModel(row.key);
    ASSERT_NE(c, nullptr) << row.key;
    EXPECT_EQ(c->manufacturerId, row.m) << row.key;
    EXPECT_EQ(c->deviceId, row.d) << row.key;
    EXPECT_EQ(c->size, row.size) << row.key;
    EXPECT_EQ(c->interface == ChipInterface::Spi, row.spi) << row.key;
  }
  EXPECT_EQ(sim::FindChipModel("pmc pm25lv010"), sim::FindChipModel("PMC PM25LV010"));
  EXPECT_EQ(sim::FindChipModel("SST 39VF"), nullptr);
}

// Every chip: identification through its interface gives the catalogue ids; erase, program, read
// back; a second erase brings back 0xFF everywhere that was written.
TEST(SimChips, EveryChipIdentifiesProgramsReadsBackAndErases) {
  for (const ChipModel& c : sim::ChipModels()) {
    SCOPED_TRACE(c.key);
    TempDir dir;
    auto platform = MakePlatform(CardScenario(ChipEeprom(c)), dir);
    CardProbe p(*platform);
    std::pair<std::uint8_t, std::uint8_t> want{c.manufacturerId, c.deviceId};
    if (c.interface == ChipInterface::Spi && c.manufacturerId != 0xBF && c.manufacturerId != 0x9D &&
        c.reply15.bytes.empty())
      want.first = 0x20;  // identified through 0xAB/0x90: other makers read as 0x20
    EXPECT_EQ(Identify(p, c), want);

    if (c.interface == ChipInterface::Spi) Unprotect(p, c);
    ASSERT_TRUE(Erase(p, c));
    const auto data = Pattern(512);
    ASSERT_TRUE(Program(p, c, 0, data));
    EXPECT_EQ(ReadBack(p, 0, 512), data);
    EXPECT_EQ(ReadBack(p, 512, 1)[0], 0xFF);
    auto& chip = *Card(*platform).Chip();
    EXPECT_EQ(chip.Counters().bytesProgrammed, 512u);
    EXPECT_EQ(std::vector<std::uint8_t>(chip.Contents().begin(), chip.Contents().begin() + 512), data);

    ASSERT_TRUE(Erase(p, c));
    EXPECT_EQ(ReadBack(p, 0, 512), std::vector<std::uint8_t>(512, 0xFF));
    EXPECT_EQ(chip.Counters().chipErases, 2u);
  }
}

TEST(SimChips, IdAnswersFollowTheirQuirks) {
  TempDir dir;
  {  // 0x90 answers one bit late: 0xBF arrives as 0x5F followed by a byte with the low bit on top.
    auto platform = MakePlatform(CardScenario(json{{"chip", "SST 45LF010"}}), dir);
    CardProbe p(*platform);
    p.PromOn();
    p.Begin();
    const auto a = p.Frame({0x90, 0, 0, 0}, 2);
    const auto b = p.Frame({0x15}, 2);
    p.End();
    EXPECT_EQ(a[0], 0x5F);
    EXPECT_EQ(a[1] & 0x80, 0x80);
    EXPECT_EQ(b, (std::vector<std::uint8_t>{0xFF, 0xFF})) << "no answer to 0x15: the line stays high";
  }
  {  // The continuation answer to 0x15 goes on in the same frame.
    auto platform = MakePlatform(CardScenario(json{{"chip", "ICE 25P05"}}), dir);
    CardProbe p(*platform);
    p.PromOn();
    p.Begin();
    EXPECT_EQ(p.Frame({0x15}, 4), (std::vector<std::uint8_t>{0x7F, 0x7F, 0x5E, 0x01}));
    p.End();
  }
  {  // Read-ID with A0 = 1 gives the device id first.
    auto platform = MakePlatform(CardScenario(json{{"chip", "SST 25VF010"}}), dir);
    CardProbe p(*platform);
    p.PromOn();
    p.Begin();
    EXPECT_EQ(p.Frame({0xAB, 0, 0, 1}, 3), (std::vector<std::uint8_t>{0x49, 0xBF, 0x49}));
    p.End();
  }
}

// Block protection: an SST 25VF part powers up protected and takes no program or erase until the
// status register is cleared; other parts can be protected by writing BP bits.
TEST(SimChips, BlockProtectionBlocksProgramAndErase) {
  TempDir dir;
  for (const char* key : {"SST 25VF010", "PMC PM25LV010", "ST M25P05", "AT AT25F512", "ICE 25P05"}) {
    SCOPED_TRACE(key);
    const ChipModel& c = *sim::FindChipModel(key);
    auto platform = MakePlatform(CardScenario(json{{"chip", key}}), dir);
    CardProbe p(*platform);
    auto& chip = *Card(*platform).Chip();
    p.PromOn();
    if (!c.quirks.powerUpProtected) {
      p.Begin();
      EXPECT_EQ(p.Status() & 0x1C, 0) << "shipped unprotected";
      p.Frame({0x06});
      p.Frame({0x01, 0x1C});
      ASSERT_TRUE(p.WaitReady(sim::kMillisecond, 100));
      p.End();
    }
    p.Begin();
    EXPECT_NE(p.Status() & 0x0C, 0);
    p.End();
    EXPECT_FALSE(Program(p, c, 0, Pattern(4)) && ReadBack(p, 0, 4) == Pattern(4));
    EXPECT_EQ(ReadBack(p, 0, 4), std::vector<std::uint8_t>(4, 0xFF));
    EXPECT_TRUE(Erase(p, c));
    EXPECT_EQ(chip.Counters().chipErases, 0u);
    EXPECT_GT(chip.Counters().refused, 0u);
    Unprotect(p, c);
    ASSERT_TRUE(Program(p, c, 0, Pattern(4)));
    EXPECT_EQ(ReadBack(p, 0, 4), Pattern(4));
  }
}

// A write command needs the write-enable latch, which each program or erase clears again.
TEST(SimChips, SerialWritesNeedWriteEnable) {
  TempDir dir;
  auto platform = MakePlatform(CardScenario(json{{"chip", "ST M25P10"}}), dir);
  CardProbe p(*platform);
  p.PromOn();
  p.Begin();
  auto f = Addr(0);
  f.insert(f.begin(), 0x02);
  f.push_back(0x12);
  p.Frame(f);  // no 0x06 before
  EXPECT_EQ(p.Status() & 0x03, 0);
  p.Frame({0x06});
  EXPECT_EQ(p.Status() & 0x02, 0x02);
  p.Frame(f);
  EXPECT_EQ(p.Status() & 0x03, 0x01) << "busy, latch cleared";
  p.End();
  p.Wait(5 * sim::kMillisecond);
  EXPECT_EQ(ReadBack(p, 0, 1)[0], 0x12);
}

}  // namespace
}  // namespace rz::test
