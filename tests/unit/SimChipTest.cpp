// The emulated flash chips, driven through the emulated card exactly as a program drives real ones:
// every chip identifies with its catalogue ids, programs, reads back and erases; protection, busy
// times and injected faults behave as on the parts.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "SimCardProbe.h"
#include "sim/devices/ChipModel.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

using nlohmann::json;
using sim::ChipFamily;
using sim::ChipInterface;
using sim::ChipModel;

// The catalogue's parts with the ids a program must see and the sizes of their datasheets, written
// down independently of the emulator's table.
struct CatalogueRow {
  const char* key;
  std::uint8_t m, d;
  std::uint32_t size;
  bool spi;
};
const CatalogueRow kCatalogue[] = {
    {"SST 29EE512", 0xBF, 0x5D, 0x10000, false},    {"SST 29LE/VE512", 0xBF, 0x3D, 0x10000, false},
    {"SST 29EE010", 0xBF, 0x07, 0x20000, false},    {"SST 29LE/VE010", 0xBF, 0x08, 0x20000, false},
    {"SST 39VF512", 0xBF, 0xD4, 0x10000, false},    {"SST 39VF010", 0xBF, 0xD5, 0x20000, false},
    {"SST 39SF010", 0xBF, 0xB5, 0x20000, false},    {"WINBOND W29C011A", 0xDA, 0xC1, 0x20000, false},
    {"WINBOND W29EE011", 0xDA, 0xC1, 0x20000, false}, {"WINBOND W39L010P", 0xDA, 0x31, 0x20000, false},
    {"AMIC A290011", 0x37, 0xA1, 0x20000, false},   {"ATMEL 29C512", 0x1F, 0x5D, 0x10000, false},
    {"ATMEL 29LV512", 0x1F, 0x3D, 0x10000, false},  {"ATMEL 29LV/BV010A", 0x1F, 0x25, 0x20000, false},
    {"ATMEL 49F512", 0x1F, 0x03, 0x10000, false},   {"ATMEL 49F001", 0x1F, 0x05, 0x20000, false},
    {"ATMEL 49F001T", 0x1F, 0x04, 0x20000, false},  {"ATMEL 49F010", 0x1F, 0x10, 0x20000, false},
    {"AMD 29LV010", 0x01, 0x6E, 0x20000, false},    {"AMD 29LV001T", 0x01, 0xED, 0x20000, false},
    {"AMD 29LV001B", 0x01, 0x6D, 0x20000, false},   {"PMC Pm39LV010R", 0x9D, 0x1C, 0x20000, false},
    {"SST 25VF512", 0xBF, 0x48, 0x10000, true},     {"SST 25VF010", 0xBF, 0x49, 0x20000, true},
    {"PMC PM25LV512", 0x9D, 0x7B, 0x10000, true},   {"PMC PM25LV010", 0x9D, 0x7C, 0x20000, true},
    {"ST M25P05", 0x20, 0x05, 0x10000, true},       {"ST M25P10", 0x20, 0x10, 0x20000, true},
    {"AT AT25F512", 0x1F, 0x40, 0x10000, true},     {"AT AT25F1024", 0x1F, 0x60, 0x20000, true},
    {"SST 45LF010", 0xBF, 0x42, 0x20000, true},     {"ICE 25P05", 0x5E, 0x01, 0x10000, true},
    {"ATMEL 49F 0x17", 0x1F, 0x17, 0x20000, false},
};

std::unique_ptr<sim::EmulatedPlatform> MakePlatform(const json& scenario, const TempDir& dir) {
  return std::make_unique<sim::EmulatedPlatform>(sim::ParseScenario(scenario, dir.Path().string()));
}

sim::NvidiaCard& Card(sim::EmulatedPlatform& p) {
  auto* card = dynamic_cast<sim::NvidiaCard*>(p.AdapterDevice(0));
  if (!card) throw std::runtime_error("adapter 0 is not an NVIDIA card");
  return *card;
}

std::vector<std::uint8_t> Pattern(std::size_t n, std::uint8_t seed = 3) {
  std::vector<std::uint8_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(i * 7 + seed);
  return v;
}

std::pair<std::uint8_t, std::uint8_t> Identify(CardProbe& p, const ChipModel& c) {
  p.PromOn();
  auto ids = c.interface == ChipInterface::Spi ? p.SerialIds() : p.ParallelIds();
  p.PromOff();
  return ids;
}

// Serial address bytes as the program sends them: chip offset + 0x300000.
std::vector<std::uint8_t> Addr(std::uint32_t offset) {
  const std::uint32_t a = offset + 0x300000;
  return {static_cast<std::uint8_t>(a >> 16), static_cast<std::uint8_t>(a >> 8),
          static_cast<std::uint8_t>(a)};
}

void Unprotect(CardProbe& p, const ChipModel& c) {
  p.Begin();
  p.Frame({0x06});
  if (c.quirks.statusWriteByEwsr) p.Frame({0x50});
  p.Frame({0x01, 0x00});
  p.WaitReady(sim::kMillisecond, 100);
  p.End();
}

bool Erase(CardProbe& p, const ChipModel& c) {
  p.PromOn();
  bool ok;
  if (c.interface == ChipInterface::Parallel) {
    p.Jedec(0x80);
    p.Jedec(0x10);
    ok = p.PollRom(0, 0xFF, sim::kMillisecond, 20000);
  } else {
    p.Begin();
    p.Frame({0x06});
    const std::uint8_t op = c.eraseOpcodes.at(0);
    if (c.quirks.eraseNeedsConfirm) p.Frame({op, 0, 0, 0, 0xD0, 0x00});
    else p.Frame({op});
    ok = p.WaitReady(sim::kMillisecond, 20000);
    p.End();
  }
  p.PromOff();
  return ok;
}

// Programs `data` at `offset` with the part's own program operation; false when a poll timed out.
bool Program(CardProbe& p, const ChipModel& c, std::uint32_t offset,
             const std::vector<std::uint8_t>& data) {
  p.PromOn();
  bool ok = true;
  if (c.family == ChipFamily::JedecByteProgram) {
    for (std::size_t i = 0; i < data.size() && ok; ++i) {
      p.Jedec(0xA0);
      p.RomWrite(offset + static_cast<std::uint32_t>(i), data[i]);
      ok = p.PollRom(offset + static_cast<std::uint32_t>(i), data[i], sim::kMicrosecond, 1000);
    }
  } else if (c.family == ChipFamily::JedecPageWrite) {
    for (std::size_t o = 0; o < data.size() && ok; o += 128) {
      p.Jedec(0xA0);
      for (std::size_t i = o; i < o + 128; ++i) p.RomWrite(offset + static_cast<std::uint32_t>(i), data[i]);
      const auto last = static_cast<std::uint32_t>(offset + o + 127);
      ok = p.PollRom(last, data[o + 127], 100 * sim::kMicrosecond, 500);
    }
  } else if (c.quirks.autoAddressIncrement) {
    p.Begin();
    p.Frame({0x06});
    auto first = Addr(offset);
    first.insert(first.begin(), 0xAF);
    first.push_back(data[0]);
    p.Frame(first);
    for (std::size_t i = 1; i < data.size() && ok; ++i) {
      ok = p.WaitReady(sim::kMicrosecond, 1000);
      p.Frame({0xAF, data[i]});
    }
    ok = ok && p.WaitReady(sim::kMicrosecond, 1000);
    p.Frame({0x04});
    p.End();
  } else if (c.quirks.byteProgram10) {
    p.Begin();
    for (std::size_t i = 0; i < data.size() && ok; ++i) {
      auto f = Addr(offset + static_cast<std::uint32_t>(i));
      f.insert(f.begin(), 0x10);
      f.push_back(data[i]);
      f.push_back(0x00);
      p.Frame(f);
      ok = p.WaitReady(sim::kMicrosecond, 1000);
    }
    p.End();
  } else {
    p.Begin();
    for (std::size_t o = 0; o < data.size() && ok; o += 128) {
      p.Frame({0x06});
      auto f = Addr(offset + static_cast<std::uint32_t>(o));
      f.insert(f.begin(), 0x02);
      f.insert(f.end(), data.begin() + static_cast<std::ptrdiff_t>(o),
               data.begin() + static_cast<std::ptrdiff_t>(std::min(o + 128, data.size())));
      p.Frame(f);
      ok = p.WaitReady(100 * sim::kMicrosecond, 1000);
    }
    p.End();
  }
  p.PromOff();
  return ok;
}

std::vector<std::uint8_t> ReadBack(CardProbe& p, std::uint32_t offset, std::uint32_t n) {
  p.PromOn();
  auto v = p.RomBytes(offset, n);
  p.PromOff();
  return v;
}

json ChipEeprom(const ChipModel& c) { return json{{"chip", c.key}}; }

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
