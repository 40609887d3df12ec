// SPDX-License-Identifier: GPL-3.0-or-later
// The write-protection check before a flash: which chips it reads, the one status frame it sends,
// which status bits count as protection, and a driver request failing during the read.
#include <gtest/gtest.h>

#include "eeprom/RomAccess.h"
#include "eeprom/WriteProtection.h"
#include "support/EepromRig.h"

namespace rz::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Case {
  const char* name;
  std::uint8_t code;
  bool spiMode;
  std::uint8_t status;  // what the chip answers to 0x05
  bool readsStatus;
  bool isProtected;
};

TEST(EepromWriteProtection, ReadsTheStatusOfPageProgrammedSerialChipsOnly) {
  const Case cases[] = {
      {"page chip, no BP bit", 14, true, 0x00, true, false},
      {"page chip, BP0", 14, true, 0x04, true, true},
      {"page chip, BP1", 15, true, 0x08, true, true},
      {"page chip, BP2 alone", 31, true, 0x10, true, true},
      {"page chip, every BP bit", 26, true, 0x1C, true, true},
      {"Atmel erase opcode 0x62 chip, BP0", 25, true, 0x04, true, true},
      {"status lock bit alone protects nothing", 16, true, 0x80, true, false},
      {"latch and busy bits are no protection", 13, true, 0x03, true, false},
      {"bit 6 and bit 5 are no BP bits", 13, true, 0x60, true, false},
      // The auto-address-increment algorithm clears the protection itself.
      {"AAI chip powered up protected", 7, true, 0x0C, false, false},
      {"AAI chip 010", 8, true, 0x0C, false, false},
      {"45-series chip", 30, true, 0x1C, false, false},
      {"parallel chip", 6, false, 0x1C, false, false},
      {"page chip code on a parallel card", 14, false, 0x1C, false, false},
      {"no chip", 0, true, 0x1C, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EepromRig rig;
    auto& card = rig.UseRegisterCard();
    card.replies[0x05] = {1, {c.status}};
    std::uint16_t id;
    std::int16_t idx;
    ASSERT_TRUE(eeprom::OpenRomWindow(rig.ctx, 1, 0, id, idx));
    rig.ctx.window.spiMode = c.spiMode;
    rig.StartTrace();
    EXPECT_EQ(eeprom::IsWriteProtected(rig.ctx, c.code), c.isProtected);
    const auto frames = DecodeSpiFrames(rig.Trace(), card.gpio);
    if (c.readsStatus) {
      ASSERT_EQ(frames.size(), 1u);
      EXPECT_EQ(frames[0].out.size(), 2u);
      EXPECT_EQ(frames[0].out[0], 0x05);
      EXPECT_EQ(frames[0].in.at(1), c.status);
      EXPECT_EQ(rig.LastWrite(eeprom::kRegPromAccess), 1u) << "PROM access switched off again";
      EXPECT_EQ(rig.LastWrite(card.gpio).value_or(0) & 0x03, 0x02u)
          << "deselected, serial interface released";
    } else {
      EXPECT_TRUE(rig.Trace().empty()) << "the chip is not touched";
    }
    EXPECT_TRUE(rig.harness.ui.Messages().empty());
    eeprom::CloseRomWindow(rig.ctx);
  }
}

// A driver request of the status read that fails leaves the status unknown: nothing may be
// written after it, so the chip counts as protected, wherever in the read the request fails.
TEST(EepromWriteProtection, FailedRequestDuringTheReadCountsAsProtected) {
  for (std::uint64_t k : {0u, 1u, 17u, 37u}) {
    SCOPED_TRACE("request " + std::to_string(k) + " of the read fails");
    EepromRig rig;
    auto& card = rig.UseRegisterCard();
    card.replies[0x05] = {1, {0x00}};
    std::uint16_t id;
    std::int16_t idx;
    ASSERT_TRUE(eeprom::OpenRomWindow(rig.ctx, 1, 0, id, idx));
    rig.ctx.window.spiMode = true;
    rig.StartTrace();
    rig.Machine().Faults().failRequestAt = rig.Machine().DriverRequests() + k;
    EXPECT_TRUE(eeprom::IsWriteProtected(rig.ctx, 14));
    EXPECT_TRUE(rig.Machine().Injected().has_value());
    EXPECT_EQ(rig.LastWrite(card.gpio).value_or(0) & 0x03, 0x02u)
        << "the frame still ends: deselected, serial interface released";
    EXPECT_EQ(rig.LastWrite(eeprom::kRegPromAccess), 1u);
    eeprom::CloseRomWindow(rig.ctx);
  }
}

}  // namespace
}  // namespace rz::test
