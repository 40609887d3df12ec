// SPDX-License-Identifier: GPL-3.0-or-later
// The emulated NVIDIA card's registers, PROM aperture routing and serial master, driven through the
// emulated bus.
#include <gtest/gtest.h>

#include "SimCardProbe.h"
#include "sim/devices/FlashChipSpi.h"
#include "sim/scenario/Presets.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

using nlohmann::json;
using sim::NvidiaCard;

std::unique_ptr<sim::EmulatedPlatform> MakePlatform(const json& scenario, const TempDir& dir) {
  return std::make_unique<sim::EmulatedPlatform>(sim::ParseScenario(scenario, dir.Path().string()));
}

NvidiaCard& Card(sim::EmulatedPlatform& p) { return dynamic_cast<NvidiaCard&>(*p.AdapterDevice(0)); }

TEST(SimNvidiaCard, GpioLayoutFollowsTheDeviceIdBlocks) {
  const std::pair<std::uint16_t, bool> cases[] = {
      {0x0190, true},  {0x019F, true},  {0x01A0, false}, {0x018F, false}, {0x0400, true},
      {0x042F, true},  {0x0610, true},  {0x06EF, true},  {0x0620, true},  {0x0600, true},
      {0x064A, true},  {0x065F, true},  {0x05E0, true},  {0x0A6F, true},  {0x0A20, true},
      {0x0A30, false}, {0x0040, false}, {0x0410, false}, {0x0660, false}, {0xFFFF, false}};
  for (const auto& [id, newer] : cases) EXPECT_EQ(sim::IsNewGpioLayoutDevice(id), newer) << std::hex << id;
  TempDir dir;
  EXPECT_EQ(Card(*MakePlatform(CardScenario(nullptr, 0x0A25), dir)).GpioOffset(), 0xE204u);
  EXPECT_EQ(Card(*MakePlatform(CardScenario(nullptr, 0x0040), dir)).GpioOffset(), 0x1204u);
}

// Serial or parallel shows in the strap bits of the card's own layout; the other layout's bits say
// the opposite, so testing the wrong bits gives the wrong answer.
TEST(SimNvidiaCard, StrapTellsSerialFromParallel) {
  struct Case {
    std::uint16_t deviceId;
    const char* chip;
    bool bit22, bits29or30;
  };
  const Case cases[] = {{0x0400, "PMC PM25LV010", true, false},
                        {0x0400, "SST 39VF010", false, true},
                        {0x0040, "PMC PM25LV010", false, true},
                        {0x0040, "SST 39VF010", true, false}};
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.chip) + " " + std::to_string(c.deviceId));
    auto platform = MakePlatform(CardScenario(json{{"chip", c.chip}}, c.deviceId), dir);
    CardProbe p(*platform);
    const std::uint32_t strap = p.Reg(0x101000);
    EXPECT_EQ((strap & 0x00400000u) != 0, c.bit22);
    EXPECT_EQ((strap & 0x60000000u) != 0, c.bits29or30);
    EXPECT_EQ(strap & NvidiaCard::kStrapFixedBits, NvidiaCard::kStrapFixedBits);
    p.SetReg(0x101000, 0);
    EXPECT_EQ(p.Reg(0x101000), strap) << "read only";
  }
  auto platform = MakePlatform(CardScenario(json{{"chip", "SST 39VF010"}, {"strap", 0x40000000}}), dir);
  EXPECT_EQ(CardProbe(*platform).Reg(0x101000), 0x40000000u);
}

TEST(SimNvidiaCard, RegistersAreSparseAndRecorded) {
  TempDir dir;
  auto platform = MakePlatform(CardScenario(json{{"chip", "SST 39VF010"}}), dir);
  CardProbe p(*platform);
  auto& card = Card(*platform);
  EXPECT_EQ(p.Reg(0xFFFFFC), 0u) << "never written";
  p.SetReg(0xFFFFFC, 0xDEADBEEF);
  EXPECT_EQ(p.Reg(0xFFFFFC), 0xDEADBEEFu) << "the last register of the 16 MiB BAR0";
  p.SetReg(0x1FFFFFC, 0xDEADBEEF);
  EXPECT_EQ(p.Reg(0x1FFFFFC), 0xFFFFFFFFu) << "past BAR0 nothing answers";
  EXPECT_EQ(p.Reg(0x1850), 1u) << "PROM access is off at power-up";

  const std::uint32_t boot = p.Reg(0x200);
  EXPECT_EQ(boot & 0x00100000u, 0u);
  p.SetReg(0x200, boot);
  EXPECT_FALSE(card.BootBit20Set());
  p.SetReg(0x200, boot | 0x00100000u);
  EXPECT_TRUE(card.BootBit20Set());
  EXPECT_EQ(card.RegisterWrites(0x200), 2u);

  const std::uint32_t c040 = p.Reg(0xC040);
  EXPECT_EQ(c040 & 0x30000000u, 0x30000000u);
  p.SetReg(0xC040, c040 & 0xCFFFFFFFu);
  EXPECT_EQ(card.Register(0xC040), c040 & 0xCFFFFFFFu);
  p.SetReg(0xC040, c040);
  EXPECT_EQ(card.Register(0xC040), c040);
  EXPECT_EQ(card.RegisterWrites(0xC040), 2u);
}

// The aperture reaches the chip only while 0x1850 holds 0: otherwise reads are not the ROM and
// writes (here a JEDEC id entry) go nowhere.
TEST(SimNvidiaCard, ApertureIsTheRomOnlyWhilePromAccessIsOn) {
  TempDir dir;
  dir.Write("bios.rom", std::string("\x55\xAA\x40", 3));
  auto platform = MakePlatform(CardScenario(json{{"chip", "SST 39VF010"}, {"image", "bios.rom"}}), dir);
  CardProbe p(*platform);
  auto& card = Card(*platform);
  const auto off = p.RomBytes(0, 3);
  EXPECT_NE(off, (std::vector<std::uint8_t>{0x55, 0xAA, 0x40}));
  EXPECT_NE(off, (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF}));
  p.Jedec(0x90);  // lost
  p.PromOn();
  EXPECT_EQ(p.RomBytes(0, 3), (std::vector<std::uint8_t>{0x55, 0xAA, 0x40}));
  EXPECT_EQ(card.Chip()->Counters().idReads, 0u);
  EXPECT_EQ(card.Counters().apertureMisses, 6u);
  p.SetReg(0x1850, 1);
  EXPECT_EQ(p.Rom(0), NvidiaCard::NotRomByte(0));
}

TEST(SimNvidiaCard, ApertureRepeatsTheChipAndReadsWide) {
  TempDir dir;
  dir.Write("bios.rom", std::string("\x55\xAA\x40\x01", 4));
  auto platform = MakePlatform(CardScenario(json{{"chip", "SST 39VF512"}, {"image", "bios.rom"}}), dir);
  CardProbe p(*platform);
  p.PromOn();
  EXPECT_EQ(p.Rom(0x10000), 0x55);
  EXPECT_EQ(p.Rom(0x30001), 0xAA);
  EXPECT_EQ(p.Reg(CardProbe::kAperture), 0x0140AA55u);
}

TEST(SimNvidiaCard, SerialChipIsReadThroughTheApertureOnlyWithTheInterfaceReleased) {
  TempDir dir;
  dir.Write("bios.rom", std::string("\x55\xAA", 2));
  auto platform = MakePlatform(CardScenario(json{{"chip", "ST M25P05"}, {"image", "bios.rom"}}), dir);
  CardProbe p(*platform);
  p.PromOn();
  p.Begin();
  EXPECT_NE(p.RomBytes(0, 2), (std::vector<std::uint8_t>{0x55, 0xAA}));
  p.End();
  EXPECT_EQ(p.RomBytes(0, 2), (std::vector<std::uint8_t>{0x55, 0xAA}));
}

// Mode 0 timing: the chip samples on the rising edge and changes its output on the falling edge;
// the first reply bit is there right after the last falling edge of the command.
TEST(SimNvidiaCard, SerialReplyShiftsOnFallingEdgesMostSignificantBitFirst) {
  TempDir dir;
  auto platform = MakePlatform(CardScenario(json{{"chip", "SST 25VF010"}}), dir);
  CardProbe p(*platform);
  const std::uint32_t g = p.GpioOffset();
  p.PromOn();
  p.Begin();
  p.Select();
  for (int b : {0xAB, 0, 0, 0}) p.Send(static_cast<std::uint8_t>(b));
  // 0xBF = 1011 1111.
  EXPECT_EQ(p.Reg(g) & 0x10, 0x10u) << "bit 7";
  const std::uint32_t v = p.Reg(g);
  p.SetReg(g, v | 0x04);
  EXPECT_EQ(p.Reg(g) & 0x10, 0x10u) << "the rising edge does not change the output";
  p.SetReg(g, v & ~0x04u);
  EXPECT_EQ(p.Reg(g) & 0x10, 0x00u) << "bit 6 after the falling edge";
  EXPECT_EQ(p.Reg(g) & ~0x1Fu, NvidiaCard::kGpioInitial) << "other bits kept";
  p.Deselect();
  p.End();
  EXPECT_EQ(p.Reg(g) & 0x10, 0x00u) << "no data in while the interface is released";
  EXPECT_EQ(Card(*platform).Counters().frames, 1u);
}

TEST(SimNvidiaCard, SerialFramesAreLoggedAsThePinsSawThem) {
  TempDir dir;
  auto platform = MakePlatform(CardScenario(json{{"chip", "SST 25VF512"}}), dir);
  auto& card = Card(*platform);
  card.RecordSerialFrames(true);
  CardProbe p(*platform);
  p.PromOn();
  p.Begin();
  p.Frame({0xAB, 0, 0, 0}, 2);
  p.Frame({0x06});
  p.Select();
  p.Send(0xA5);
  p.Bits(0x08, 0);
  p.Pulse();
  p.Deselect();
  p.End();
  ASSERT_EQ(card.SerialFrames().size(), 3u);
  const auto& id = card.SerialFrames()[0];
  EXPECT_EQ(id.out, (std::vector<std::uint8_t>{0xAB, 0, 0, 0, 0, 0}));
  EXPECT_EQ(id.in, (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0xBF, 0x48}));
  EXPECT_EQ(card.SerialFrames()[1].out, std::vector<std::uint8_t>{0x06});
  EXPECT_EQ(card.SerialFrames()[2].bits, 9u);
  EXPECT_EQ(card.SerialFrames()[2].out, (std::vector<std::uint8_t>{0xA5, 0x80}));
}

TEST(SimNvidiaCard, CommandsTakeEffectAtDeselectOnlyAfterWholeBytes) {
  TempDir dir;
  auto platform = MakePlatform(CardScenario(json{{"chip", "ST M25P10"}}), dir);
  CardProbe p(*platform);
  p.PromOn();
  p.Begin();
  auto& chip = dynamic_cast<sim::FlashChipSpi&>(*Card(*platform).Chip());
  p.Select();
  p.Send(0x06);
  EXPECT_EQ(chip.Status() & 0x02, 0) << "not yet: chip select is still low";
  p.Deselect();
  EXPECT_EQ(chip.Status() & 0x02, 0x02);
  EXPECT_EQ(p.Status() & 0x02, 0x02);
  p.Frame({0x04});
  // Chip select rising after 4 bits of 0x06: dropped.
  p.Select();
  for (int i = 0; i < 4; ++i) {
    p.Bits(0, 0x08);
    p.Pulse();
  }
  p.Deselect();
  EXPECT_EQ(p.Status() & 0x02, 0);
  // Releasing the interface while selected deselects the chip, which commits the command.
  p.Select();
  p.Send(0x06);
  p.End();
  p.Begin();
  EXPECT_EQ(p.Status() & 0x02, 0x02);
  p.End();
}

TEST(SimNvidiaCard, OnlyTheLiveGpioRegisterDrivesTheChip) {
  TempDir dir;
  auto platform = MakePlatform(CardScenario(json{{"chip", "PMC PM25LV512"}}, 0x0040), dir);
  CardProbe p(*platform);
  p.PromOn();
  for (std::uint32_t v : {0x3u, 0x1u, 0x5u, 0x1u, 0x3u}) p.SetReg(0xE204, v);
  EXPECT_EQ(Card(*platform).Counters().frames, 0u);
  EXPECT_EQ(p.Reg(0xE204), 0x3u) << "a plain register";
  p.Begin();
  EXPECT_EQ(p.Frame({0xAB, 0, 0, 0}, 2), (std::vector<std::uint8_t>{0x9D, 0x7B}));
  p.End();
}

TEST(SimNvidiaCard, AdaptersWithoutEepromOrFromOtherVendors) {
  TempDir dir;
  auto platform = MakePlatform(CardScenario(nullptr), dir);
  auto* card = dynamic_cast<NvidiaCard*>(platform->AdapterDevice(0));
  ASSERT_NE(card, nullptr);
  EXPECT_EQ(card->Chip(), nullptr);
  CardProbe p(*platform);
  p.PromOn();
  EXPECT_EQ(p.Rom(0), 0xFF);
  p.Begin();
  EXPECT_EQ(p.Frame({0x05}, 1)[0], 0x00) << "no chip drives the data line";
  p.End();

  json ati = CardScenario(nullptr);
  ati["adapters"][0]["vendor_id"] = 0x1002;
  auto other = MakePlatform(ati, dir);
  EXPECT_EQ(dynamic_cast<NvidiaCard*>(other->AdapterDevice(0)), nullptr);
}

TEST(SimNvidiaCard, SerialPresetCarriesABiosInItsChip) {
  TempDir dir;
  sim::EmulatedPlatform platform(sim::MaterializePreset("nvidia-spi", dir.Path().string()));
  CardProbe p(platform);
  p.PromOn();
  EXPECT_EQ(p.RomBytes(0, 2), (std::vector<std::uint8_t>{0x55, 0xAA}));
  EXPECT_EQ(p.SerialIds(), (std::pair<std::uint8_t, std::uint8_t>{0x9D, 0x7C}));
  EXPECT_NE(p.Reg(0x101000) & 0x00400000u, 0u) << "serial on the newer layout";
}

}  // namespace
}  // namespace rz::test
