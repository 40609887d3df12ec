// SPDX-License-Identifier: GPL-3.0-or-later
// The emulated flash chips over time and under faults: busy times on the virtual clock, scenario
// timings, programming that only clears bits, injected faults, images kept in files, and
// descriptions a scenario may not give.
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

// Busy times on the virtual clock, and commands while busy are ignored.
TEST(SimChips, BusyTimesAreHonoured) {
  TempDir dir;
  {  // SPI page program: busy for the part's page program time; a program command meanwhile is lost.
    const ChipModel& c = *sim::FindChipModel("PMC PM25LV010");
    auto platform = MakePlatform(CardScenario(json{{"chip", c.key}}), dir);
    CardProbe p(*platform);
    p.PromOn();
    p.Begin();
    p.Frame({0x06});
    p.Frame({0x02, 0x30, 0x00, 0x00, 0x11});
    const std::uint64_t end = p.Machine().Clock().Now() + c.timings.pageProgramNs;
    p.Frame({0x06});
    p.Frame({0x02, 0x30, 0x00, 0x10, 0x22});
    EXPECT_EQ(p.Status() & 1, 1);
    // A status frame takes a few microseconds of bus time; stay well clear of the edge.
    p.Wait(end - p.Machine().Clock().Now() - 20 * sim::kMicrosecond);
    EXPECT_EQ(p.Status() & 1, 1);
    p.Wait(40 * sim::kMicrosecond);
    EXPECT_EQ(p.Status() & 1, 0);
    p.End();
    EXPECT_EQ(ReadBack(p, 0, 1)[0], 0x11);
    EXPECT_EQ(ReadBack(p, 0x10, 1)[0], 0xFF) << "the program command during the busy time was dropped";
  }
  {  // Parallel byte program: data polling shows the complement of bit 7 until the time is up.
    const ChipModel& c = *sim::FindChipModel("SST 39VF010");
    auto platform = MakePlatform(CardScenario(json{{"chip", c.key}}), dir);
    CardProbe p(*platform);
    p.PromOn();
    p.Jedec(0xA0);
    p.RomWrite(0x100, 0x35);
    const std::uint8_t polled = p.Rom(0x100);
    EXPECT_EQ(polled & 0x80, 0x80);
    EXPECT_NE(polled, 0x35);
    p.Wait(c.timings.byteProgramNs);
    EXPECT_EQ(p.Rom(0x100), 0x35);
    // Chip erase: the array is not readable until the erase time has passed.
    p.Jedec(0x80);
    p.Jedec(0x10);
    p.Wait(c.timings.chipEraseNs / 2);
    EXPECT_NE(p.Rom(0x100), 0xFF);
    p.Jedec(0xA0);  // ignored while erasing
    p.RomWrite(0x200, 0x00);
    p.Wait(c.timings.chipEraseNs);
    EXPECT_EQ(p.Rom(0x100), 0xFF);
    EXPECT_EQ(p.Rom(0x200), 0xFF);
  }
  {  // Page write: loads more than the load window apart start the write cycle after the first.
    const ChipModel& c = *sim::FindChipModel("SST 29EE010");
    dir.Write("img.bin", std::string(256, '\x5A'));
    auto platform = MakePlatform(CardScenario(json{{"chip", c.key}, {"image", "img.bin"}}), dir);
    CardProbe p(*platform);
    p.PromOn();
    p.Jedec(0xA0);
    p.RomWrite(0x80, 0x00);
    p.Wait(c.timings.pageLoadWindowNs + 1000);
    p.RomWrite(0x81, 0x00);  // too late: the chip is writing, this write is dropped
    p.Wait(c.timings.pageWriteNs);
    EXPECT_EQ(p.RomBytes(0x80, 3), (std::vector<std::uint8_t>{0x00, 0xFF, 0xFF}))
        << "the page is erased, only the loaded byte written";
    EXPECT_EQ(p.Rom(0x7F), 0x5A) << "the page before is untouched";
    p.RomWrite(0x90, 0x00);  // without the command prefix: software data protection drops it
    EXPECT_EQ(p.Rom(0x90), 0xFF);
  }
}

TEST(SimChips, ScenarioTimingsOverrideTheTable) {
  TempDir dir;
  auto platform = MakePlatform(
      CardScenario(json{{"chip", "ATMEL 49F010"}, {"timings", {{"chip_erase_us", 500}}}}), dir);
  CardProbe p(*platform);
  p.PromOn();
  p.Jedec(0x80);
  p.Jedec(0x10);
  EXPECT_TRUE(Card(*platform).Chip()->Busy());
  p.Wait(500 * sim::kMicrosecond);
  EXPECT_FALSE(Card(*platform).Chip()->Busy());
}

TEST(SimChips, ProgrammingOnlyClearsBitsAndAddressesWrap) {
  TempDir dir;
  {
    auto platform = MakePlatform(CardScenario(json{{"chip", "ST M25P05"}}), dir);
    CardProbe p(*platform);
    const ChipModel& c = *sim::FindChipModel("ST M25P05");
    ASSERT_TRUE(Program(p, c, 0x10, {0x0F}));
    ASSERT_TRUE(Program(p, c, 0x10, {0xF3}));
    EXPECT_EQ(ReadBack(p, 0x10, 1)[0], 0x03);
    // A page program that runs over the page end wraps to the page start (pages of 128 here).
    p.PromOn();
    p.Begin();
    p.Frame({0x06});
    p.Frame({0x02, 0x30, 0x01, 0x7E, 1, 2, 3, 4});
    ASSERT_TRUE(p.WaitReady(sim::kMillisecond, 100));
    p.End();
    EXPECT_EQ(ReadBack(p, 0x17E, 2), (std::vector<std::uint8_t>{1, 2}));
    EXPECT_EQ(ReadBack(p, 0x100, 2), (std::vector<std::uint8_t>{3, 4}));
    // The aperture repeats the chip: 0x300000 + size is offset 0 again.
    EXPECT_EQ(ReadBack(p, c.size + 0x10, 1)[0], 0x03);
  }
}

TEST(SimChips, InjectedFaults) {
  TempDir dir;
  {  // Stuck busy: the first program never finishes; data polling / status busy forever.
    for (const char* key : {"SST 39VF010", "PMC PM25LV010"}) {
      SCOPED_TRACE(key);
      const ChipModel& c = *sim::FindChipModel(key);
      auto platform = MakePlatform(CardScenario(json{{"chip", key}}, 0x0191, {{"chip_stuck_busy", true}}), dir);
      CardProbe p(*platform);
      EXPECT_EQ(Identify(p, c).second, c.deviceId) << "ids still readable";
      EXPECT_FALSE(Program(p, c, 0, Pattern(1)));
      p.Wait(10 * 1000 * sim::kMillisecond);
      EXPECT_TRUE(Card(*platform).Chip()->Busy());
    }
  }
  {  // Stuck cells, per eeprom: bytes from 0x40 do not program.
    const ChipModel& c = *sim::FindChipModel("ST M25P10");
    auto platform = MakePlatform(
        CardScenario(json{{"chip", c.key}, {"faults", {{"stuck_cells", {{"from", 0x40}}}}}}), dir);
    CardProbe p(*platform);
    ASSERT_TRUE(Program(p, c, 0, Pattern(128)));
    const auto back = ReadBack(p, 0, 128);
    EXPECT_TRUE(std::equal(back.begin(), back.begin() + 0x40, Pattern(128).begin()));
    EXPECT_EQ(std::vector<std::uint8_t>(back.begin() + 0x40, back.end()),
              std::vector<std::uint8_t>(0x40, 0xFF));
  }
  {  // One stuck byte on a parallel chip: the data poll never matches.
    const ChipModel& c = *sim::FindChipModel("AMD 29LV010");
    auto platform =
        MakePlatform(CardScenario(json{{"chip", c.key}}, 0x0191, {{"stuck_cells", {{"offset", 3}}}}), dir);
    CardProbe p(*platform);
    EXPECT_FALSE(Program(p, c, 0, Pattern(8)));
    EXPECT_EQ(ReadBack(p, 0, 4), (std::vector<std::uint8_t>{3, 10, 17, 0xFF}));
  }
  {  // Power cut after 5 bytes: the rest of the program is lost; the chip keeps what it had.
    const ChipModel& c = *sim::FindChipModel("SST 39SF010");
    dir.Write("cut.bin", std::string(16, '\x00'));
    auto platform = MakePlatform(CardScenario(json{{"chip", c.key}, {"image", "cut.bin"}}, 0x0191,
                                              {{"power_cut_after_bytes", 5}}),
                                 dir);
    CardProbe p(*platform);
    ASSERT_TRUE(Erase(p, c));
    EXPECT_FALSE(Program(p, c, 0, Pattern(8)));
    EXPECT_EQ(ReadBack(p, 0, 6), (std::vector<std::uint8_t>{3, 10, 17, 24, 31, 0xFF}));
    EXPECT_TRUE(Card(*platform).Chip()->PowerCut());
    EXPECT_FALSE(Erase(p, c)) << "an erase after the cut is lost";
    EXPECT_EQ(ReadBack(p, 0, 1)[0], 3);
  }
  {  // Power cut after 2 pages on a serial chip.
    const ChipModel& c = *sim::FindChipModel("PMC PM25LV512");
    auto platform = MakePlatform(
        CardScenario(json{{"chip", c.key}, {"faults", {{"power_cut_after_pages", 2}}}}), dir);
    CardProbe p(*platform);
    ASSERT_TRUE(Program(p, c, 0, Pattern(512)));
    const auto back = ReadBack(p, 0, 512);
    EXPECT_TRUE(std::equal(back.begin(), back.begin() + 256, Pattern(512).begin()));
    EXPECT_EQ(std::vector<std::uint8_t>(back.begin() + 256, back.end()),
              std::vector<std::uint8_t>(256, 0xFF));
    EXPECT_EQ(Card(*platform).Chip()->Counters().lostToPowerCut, 2u);
  }
  {  // Unknown ids, on both interfaces.
    for (const char* key : {"SST 39VF010", "AT AT25F1024"}) {
      SCOPED_TRACE(key);
      const ChipModel& c = *sim::FindChipModel(key);
      auto platform = MakePlatform(CardScenario(json{{"chip", key}}, 0x0191, {{"unknown_ids", true}}), dir);
      CardProbe p(*platform);
      const auto ids = Identify(p, c);
      EXPECT_EQ(ids.second, 0x99);
      EXPECT_EQ(ids.first, c.interface == ChipInterface::Spi ? 0x20 : 0xC2);
    }
  }
}

TEST(SimChips, ImageFillsTheChipAndPersistWritesItBack) {
  TempDir dir;
  const ChipModel& c = *sim::FindChipModel("SST 39VF512");
  for (bool persist : {false, true}) {
    SCOPED_TRACE(persist);
    dir.Write("bios.rom", std::string("\x55\xAA\x01rest", 7));
    {
      auto platform = MakePlatform(
          CardScenario(json{{"chip", c.key}, {"image", "bios.rom"}, {"persist", persist}}), dir);
      CardProbe p(*platform);
      EXPECT_EQ(ReadBack(p, 0, 8), (std::vector<std::uint8_t>{0x55, 0xAA, 0x01, 'r', 'e', 's', 't', 0xFF}));
      ASSERT_TRUE(Program(p, c, 7, {0x42}));
      platform->Finish();
    }
    std::ifstream in(dir.File("bios.rom"), std::ios::binary);
    const std::vector<char> file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (persist) {
      ASSERT_EQ(file.size(), c.size);
      EXPECT_EQ(file[7], 0x42);
      EXPECT_EQ(static_cast<std::uint8_t>(file[8]), 0xFF);
    } else {
      EXPECT_EQ(file.size(), 7u) << "without persist the image file is left alone";
    }
  }
  // A persisting chip whose file does not exist yet starts erased and creates it.
  {
    auto platform =
        MakePlatform(CardScenario(json{{"chip", c.key}, {"image", "new.rom"}, {"persist", true}}), dir);
  }
  EXPECT_EQ(std::filesystem::file_size(dir.File("new.rom")), c.size);
}

TEST(SimChips, BadEepromDescriptionsAreRejected) {
  TempDir dir;
  const json bad[] = {
      json{{"chip", "NO SUCH CHIP"}},
      json{{"ids", {1}}},
      json{{"ids", {0xC2, 0x99}}, {"interface", "usb"}},
      json{{"ids", {0xC2, 0x99}}, {"size", 1000}},
      json{{"chip", "SST 39VF010"}, {"image", "missing.rom"}},
      json{{"chip", "SST 39VF010"}, {"persist", true}},
      json{{"chip", "SST 39VF010"}, {"faults", {{"stuck_cells", {{"at", 1}}}}}},
      json{{"chip", 7}},
      json{{"chip", "SST 39VF010"}, {"faults", {{"chip_stuck_busy", "yes"}}}},
  };
  for (const auto& e : bad) EXPECT_THROW(MakePlatform(CardScenario(e), dir), sim::ScenarioError) << e.dump();
  auto platform = MakePlatform(
      CardScenario(json{{"ids", {0xC2, 0x99}}, {"interface", "spi"}, {"size", "0x10000"}}), dir);
  EXPECT_EQ(Card(*platform).Chip()->Size(), 0x10000u);
}

}  // namespace
}  // namespace rz::test
