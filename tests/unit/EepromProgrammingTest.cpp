// SPDX-License-Identifier: GPL-3.0-or-later
// Chip erase and the parallel polling limits, on a card whose aperture answers as scripted.
#include <gtest/gtest.h>

#include "eeprom/Programming.h"
#include "eeprom/RomAccess.h"
#include "support/EepromRig.h"

namespace rz::test {
namespace {

using sim::TraceKind;

std::vector<std::pair<std::uint32_t, std::uint8_t>> ApertureWrites(EepromRig& rig) {
  std::vector<std::pair<std::uint32_t, std::uint8_t>> out;
  for (const auto& e : rig.Trace())
    if (e.kind == TraceKind::MemWrite && e.width == 1)
      out.emplace_back(e.address - eeprom::kPromOffset, static_cast<std::uint8_t>(e.value));
  return out;
}

TEST(EepromProgramming, EraseChipByCodeAndInterface) {
  using W = std::vector<std::pair<std::uint32_t, std::uint8_t>>;
  const W sixCycles = {{0x5555, 0xAA}, {0x2AAA, 0x55}, {0x5555, 0x80},
                       {0x5555, 0xAA}, {0x2AAA, 0x55}, {0x5555, 0x10}};
  struct Case {
    std::uint8_t code;
    bool serial, force, result;
    bool erases;
  };
  for (const Case& c : {Case{5, false, false, true, true}, Case{3, false, false, true, false},
                        Case{3, false, true, true, true}, Case{10, false, false, true, false},
                        Case{15, true, false, true, false}, Case{15, false, false, true, true},
                        Case{24, false, false, true, true}, Case{0, false, true, false, false},
                        Case{20, false, true, false, false}, Case{32, false, true, false, false},
                        Case{255, false, false, false, false}}) {
    SCOPED_TRACE("code " + std::to_string(c.code) + (c.serial ? " serial" : " parallel"));
    EepromRig rig;
    rig.UseRegisterCard();
    std::uint16_t id;
    std::int16_t idx;
    ASSERT_TRUE(eeprom::OpenRomWindow(rig.ctx, 1, 0, id, idx));
    rig.ctx.window.spiMode = c.serial;
    rig.StartTrace();
    EXPECT_EQ(eeprom::EraseChip(rig.ctx, c.code, c.force), c.result);
    if (c.erases) {
      EXPECT_EQ(ApertureWrites(rig), sixCycles);
      EXPECT_EQ(rig.RegisterWrites(eeprom::kRegPromAccess).size(), 2u);
      EXPECT_EQ(rig.LastWrite(eeprom::kRegPromAccess), 1u);
    } else {
      EXPECT_TRUE(rig.Trace().empty()) << "no bus cycle at all";
    }
    eeprom::CloseRomWindow(rig.ctx);
  }
}

TEST(EepromProgramming, EraseWaitsUntilTheChipReadsErased) {
  for (int busyReads : {0, 5, 2000, 2001}) {
    SCOPED_TRACE(busyReads);
    EepromRig rig;
    auto& card = rig.UseRegisterCard();
    card.rom[0] = 0xFF;
    card.wrongReads[0] = busyReads;  // reads 0x00 while "erasing"
    std::uint16_t id;
    std::int16_t idx;
    ASSERT_TRUE(eeprom::OpenRomWindow(rig.ctx, 1, 0, id, idx));
    rig.StartTrace();
    EXPECT_EQ(eeprom::EraseChip(rig.ctx, 6, false), busyReads <= 2000);
    EXPECT_EQ(rig.LastWrite(eeprom::kRegPromAccess), 1u);
    EXPECT_EQ(rig.RegisterWrites(eeprom::kRegPromAccess).size(), 2u) << "on once, off once";
    eeprom::CloseRomWindow(rig.ctx);
  }
}

// A byte that reads right on exactly the 1,000th wait counts; one more wait is a failure.
TEST(EepromProgramming, ParallelPollingLimits) {
  struct Case {
    std::uint8_t code;
    std::uint32_t offset;  // the polled offset of the first unit
    int wrong;
    std::uint32_t programmed;
  };
  for (const Case& c : {Case{6, 0, 1000, 4}, Case{6, 0, 1001, 0}, Case{6, 2, 1001, 2},
                        Case{1, 127, 1000, 256}, Case{1, 127, 1001, 0}, Case{1, 255, 1001, 128}}) {
    SCOPED_TRACE("code " + std::to_string(c.code) + " wrong " + std::to_string(c.wrong) +
                 " at " + std::to_string(c.offset));
    EepromRig rig;
    auto& card = rig.UseRegisterCard();
    std::vector<std::uint8_t> image(c.code == 1 ? 256 : 4);
    for (std::size_t i = 0; i < image.size(); ++i) card.rom[i] = image[i] = static_cast<std::uint8_t>(i + 1);
    card.wrongReads[c.offset] = c.wrong;
    std::uint16_t id;
    std::int16_t idx;
    ASSERT_TRUE(eeprom::OpenRomWindow(rig.ctx, 1, 0, id, idx));
    rig.StartTrace();
    EXPECT_EQ(eeprom::ProgramImage(rig.ctx, c.code, image.data(),
                                   static_cast<std::uint32_t>(image.size())),
              c.programmed);
    EXPECT_EQ(rig.LastWrite(eeprom::kRegPromAccess), 1u);
    // A unit that fails switches access off once, as a run that succeeds does.
    EXPECT_EQ(rig.RegisterWrites(eeprom::kRegPromAccess).size(), 2u);
    EXPECT_TRUE(rig.harness.ui.Messages().empty());
    eeprom::CloseRomWindow(rig.ctx);
  }
}

TEST(EepromProgramming, UnsupportedCodesProgramNothing) {
  for (std::uint8_t code : {0, 20, 32, 200}) {
    EepromRig rig;
    rig.UseRegisterCard();
    std::uint16_t id;
    std::int16_t idx;
    ASSERT_TRUE(eeprom::OpenRomWindow(rig.ctx, 1, 0, id, idx));
    rig.StartTrace();
    const std::uint8_t data[4] = {1, 2, 3, 4};
    EXPECT_EQ(eeprom::ProgramImage(rig.ctx, code, data, 4), 0u);
    EXPECT_TRUE(rig.Trace().empty());
    eeprom::CloseRomWindow(rig.ctx);
  }
}

}  // namespace
}  // namespace rz::test
