// SPDX-License-Identifier: GPL-3.0-or-later
// The serial id read: its frames and how the answers become manufacturer and device id.
#include <gtest/gtest.h>

#include "eeprom/Identify.h"
#include "eeprom/RomAccess.h"
#include "support/EepromRig.h"

namespace rz::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Case {
  const char* name;
  std::map<std::uint8_t, RegisterCard::Reply> replies;
  std::uint8_t m, d;
  std::vector<Bytes> framesOut;  // bytes sent per frame (answers read as 0xFF dummies)
};

TEST(EepromSerialId, FramesAndAnswers) {
  const Bytes id15 = {0x15, 0xFF, 0xFF};
  const Bytes idAB = {0xAB, 0, 0, 0, 0xFF, 0xFF};
  const Bytes id90a = {0x90, 0, 0, 0, 0xFF, 0xFF};
  const Bytes id90b = {0x90, 0, 0, 1, 0xFF, 0xFF};
  const std::vector<Case> cases = {
      {"0x15 answer of another maker is not final",
       {{0x15, {1, {0xBF, 0x48}}}, {0xAB, {4, {0x9D, 0x7C}}}}, 0x9D, 0x7C, {id15, idAB}},
      {"0x15 continuation", {{0x15, {1, {0x7F, 0x00, 0x9D, 0x7B}}}}, 0x9D, 0x7B,
       {{0x15, 0xFF, 0xFF, 0xFF, 0xFF}}},
      {"0x15 Atmel stops", {{0x15, {1, {0x1F, 0x60}}}}, 0x1F, 0x60, {id15}},
      {"0xAB answers", {{0xAB, {4, {0xBF, 0x48}}}}, 0xBF, 0x48, {id15, idAB}},
      {"0xAB other maker becomes 0x20", {{0xAB, {4, {0x13, 0x05}}}}, 0x20, 0x05, {id15, idAB}},
      {"0x90 one bit late", {{0x90, {4, {0x5F, 0x80}}}}, 0xBF, 0xBF, {id15, idAB, id90a, id90b}},
      {"0x90 device", {{0x90, {4, {0x5F, 0xA4, 0x24}}}}, 0xBF, 0xBF, {id15, idAB, id90a, id90b}},
      {"nothing answers", {}, 0x20, 0xFF, {id15, idAB, id90a, id90b}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EepromRig rig;
    auto& card = rig.UseRegisterCard();
    card.regs[eeprom::kRegStrap] = eeprom::kStrapSpiNew;
    card.replies = c.replies;
    rig.StartTrace();
    std::uint8_t code = 0;
    std::uint16_t idWord = 0;
    std::uint32_t size = 0;
    ASSERT_TRUE(eeprom::IdentifyEeprom(rig.ctx, 1, 0, code, idWord, size));
    EXPECT_TRUE(rig.ctx.window.spiMode);
    EXPECT_EQ(idWord & 0xFF, c.m);
    EXPECT_EQ(idWord >> 8, c.d);
    const auto frames = DecodeSpiFrames(rig.Trace(), eeprom::kRegGpioNew);
    ASSERT_EQ(frames.size(), c.framesOut.size());
    for (std::size_t i = 0; i < frames.size(); ++i) {
      Bytes sent = frames[i].out;
      // Receive phases shift out nothing in particular: compare only the command part.
      const std::size_t header = c.framesOut[i][0] == 0x15 ? 1 : 4;
      for (std::size_t k = header; k < sent.size(); ++k) sent[k] = 0xFF;
      EXPECT_EQ(sent.size(), c.framesOut[i].size()) << "frame " << i;
      EXPECT_TRUE(std::equal(sent.begin(), sent.begin() + static_cast<long>(header),
                             c.framesOut[i].begin()))
          << "frame " << i;
    }
    EXPECT_FALSE(card.regs[eeprom::kRegGpioNew] & 0x01) << "serial interface released";
    eeprom::CloseRomWindow(rig.ctx);
    EXPECT_TRUE(rig.LeftClean());
  }
}

}  // namespace
}  // namespace rz::test
