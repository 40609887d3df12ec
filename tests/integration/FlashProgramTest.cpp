// SPDX-License-Identifier: GPL-3.0-or-later
// Programming on the emulated card: every algorithm flashes a full image that reads back
// byte-exact, and the frame sequences of the serial algorithms.
#include <gtest/gtest.h>

#include <algorithm>

#include "eeprom/FlashJob.h"
#include "eeprom/Identify.h"
#include "eeprom/Programming.h"
#include "eeprom/RomAccess.h"
#include "sim/devices/NvidiaCard.h"
#include "sim/images/TestImage.h"
#include "support/ChipCases.h"
#include "support/EepromRig.h"
#include "support/FrameCollector.h"

namespace rz::test {
namespace {

using nlohmann::json;
using Bytes = std::vector<std::uint8_t>;

sim::NvidiaCard& Card(EepromRig& rig) {
  return dynamic_cast<sim::NvidiaCard&>(*rig.Machine().DeviceAt(1, 0));
}

Bytes Image(std::uint8_t lengthByte, std::uint32_t seed) {
  testimage::ImageRecipe recipe;
  recipe.lengthByte = lengthByte;
  recipe.seed = seed;
  return testimage::BuildImage(recipe);
}

TEST(FlashProgram, EveryAlgorithmFlashesAFullImageThatReadsBackExactly) {
  // 8 KiB images keep the serial chips quick; full 64 KiB runs are the frame tests below.
  const Bytes next = Image(0x10, 7);
  for (const ChipCase& c : AllChipCases()) {
    SCOPED_TRACE("code " + std::to_string(c.code));
    TempDir files;
    ASSERT_TRUE(testimage::WriteFile(files.File("old.rom"), Image(0x40, 3)));
    ASSERT_TRUE(testimage::WriteFile(files.File("new.rom"), next));
    EepromRig rig(json{{"eeprom", ChipEeprom(c, files.File("old.rom"))}});
    EXPECT_EQ(eeprom::RunFlashJob(rig.ctx, 0, files.File("new.rom"), 1), eeprom::kFlashOk);
    const auto contents = Card(rig).Chip()->Contents();
    ASSERT_GE(contents.size(), next.size());
    EXPECT_TRUE(std::equal(next.begin(), next.end(), contents.begin()));
    EXPECT_TRUE(rig.harness.ui.Messages().empty());
    EXPECT_TRUE(rig.harness.platform->System().StdoutLines().empty());
    EXPECT_FALSE(Card(rig).PromAccessOn());
    EXPECT_EQ(rig.Machine().LiveMappings(), 0u);
    EXPECT_EQ(rig.ctx.imageBuffer.length, 0u);
  }
}

// Opens the window, identifies the chip and leaves it open for a direct algorithm call.
std::uint8_t Identified(EepromRig& rig) {
  std::uint8_t code = 0;
  std::uint16_t idWord = 0;
  std::uint32_t size = 0;
  EXPECT_TRUE(eeprom::IdentifyEeprom(rig.ctx, 1, 0, code, idWord, size));
  return code;
}

Bytes Head(const SpiFrameRecord& f, std::size_t n) {
  return Bytes(f.out.begin(), f.out.begin() + static_cast<long>(std::min(n, f.out.size())));
}

TEST(FlashProgram, AutoAddressIncrementSendsOneAddressFrameThenTwoByteFrames) {
  EepromRig rig(json{{"eeprom", {{"chip", "SST 25VF512"}}}});
  ASSERT_EQ(Identified(rig), 7);
  FrameCollector frames(rig.Machine(), Card(rig).GpioOffset());
  eeprom::EepromContext ctx = WithUi(rig.ctx, frames);
  const Bytes image = Image(0x80, 9);
  EXPECT_EQ(eeprom::ProgramImage(ctx, 7, image.data(), 0x10000), 0x10000u);
  frames.Collect();
  eeprom::CloseRomWindow(rig.ctx);

  std::size_t i = 0;
  const auto& f = frames.frames;
  auto skipStatus = [&] {
    std::size_t n = 0;
    while (i < f.size() && !f[i].out.empty() && f[i].out[0] == 0x05) ++i, ++n;
    return n;
  };
  ASSERT_GT(f.size(), 10u);
  EXPECT_EQ(f[i++].out, Bytes{0x06});
  EXPECT_EQ(f[i++].out, Bytes{0x50});
  EXPECT_EQ(f[i++].out, (Bytes{0x01, 0x00}));
  EXPECT_GE(skipStatus(), 1u);
  EXPECT_EQ(f[i++].out, Bytes{0x06});
  EXPECT_EQ(f[i++].out, Bytes{0x60});
  EXPECT_GE(skipStatus(), 1u);
  EXPECT_EQ(f[i++].out, Bytes{0x06});
  EXPECT_EQ(f[i++].out, (Bytes{0xAF, 0x00, 0x00, 0x00, image[0]}));
  EXPECT_GE(skipStatus(), 1u);
  std::size_t twoByte = 0;
  bool dataOk = true;
  for (; i < f.size() && f[i].out.size() == 2 && f[i].out[0] == 0xAF; ++i, ++twoByte)
    dataOk = dataOk && f[i].out[1] == image[twoByte + 1];
  EXPECT_EQ(twoByte, 65535u);
  EXPECT_TRUE(dataOk);
  ASSERT_EQ(i + 1, f.size());
  EXPECT_EQ(f[i].out, Bytes{0x04});
  const auto contents = Card(rig).Chip()->Contents();
  EXPECT_TRUE(std::equal(image.begin(), image.end(), contents.begin()));
  EXPECT_FALSE(frames.reports.empty());
  EXPECT_EQ(frames.reports.back(), (std::pair<std::uint32_t, std::uint32_t>{0x10000, 0x10000}));
}

// Page program frames of a serial chip: (address bytes, data length), status reads left out.
std::vector<Bytes> PageFrames(const std::vector<SpiFrameRecord>& frames) {
  std::vector<Bytes> pages;
  for (const auto& f : frames)
    if (!f.out.empty() && f.out[0] == 0x02) pages.push_back(f.out);
  return pages;
}

TEST(FlashProgram, SerialPagesCarryAddressesAbove0x300000) {
  EepromRig rig(json{{"eeprom", {{"chip", "PMC PM25LV010"}}}});
  ASSERT_EQ(Identified(rig), 14);
  FrameCollector frames(rig.Machine(), Card(rig).GpioOffset());
  eeprom::EepromContext ctx = WithUi(rig.ctx, frames);
  Bytes image(0x20000);
  for (std::size_t k = 0; k < image.size(); ++k) image[k] = static_cast<std::uint8_t>(k * 13 + k / 256);
  EXPECT_EQ(eeprom::ProgramImage(ctx, 14, image.data(), 0x20000), 0x20000u);
  frames.Collect();
  eeprom::CloseRomWindow(rig.ctx);
  const auto pages = PageFrames(frames.frames);
  ASSERT_EQ(pages.size(), 0x20000u / 128);
  EXPECT_EQ(Head({pages[0]}, 4), (Bytes{0x02, 0x30, 0x00, 0x00}));
  EXPECT_EQ(Head({pages[1]}, 4), (Bytes{0x02, 0x30, 0x00, 0x80}));
  EXPECT_EQ(Head({pages[512]}, 4), (Bytes{0x02, 0x31, 0x00, 0x00}));
  EXPECT_EQ(Head({pages[1023]}, 4), (Bytes{0x02, 0x31, 0xFF, 0x80}));
  for (const auto& p : pages) ASSERT_EQ(p.size(), 4u + 128u);
  EXPECT_TRUE(std::equal(pages[1].begin() + 4, pages[1].end(), image.begin() + 128));
  // The erase before the pages uses the chip's opcode.
  EXPECT_EQ(frames.frames[1].out, Bytes{0xC7});
  const auto contents = Card(rig).Chip()->Contents();
  EXPECT_TRUE(std::equal(image.begin(), image.end(), contents.begin()));
}

// A page that has not read back right after its third try stops programming there: the count is
// the page's offset, as the parallel algorithms return the offset of their failed unit.
TEST(FlashProgram, UnverifiedSerialPageIsTriedThreeTimesThenProgrammingStopsAtIt) {
  EepromRig rig(json{{"eeprom", {{"chip", "AT AT25F512"}, {"faults", {{"stuck_cells", {{"offset", 130}}}}}}}});
  ASSERT_EQ(Identified(rig), 25);
  FrameCollector frames(rig.Machine(), Card(rig).GpioOffset());
  eeprom::EepromContext ctx = WithUi(rig.ctx, frames);
  Bytes image(512, 0x5A);
  for (std::size_t k = 0; k < image.size(); ++k) image[k] = static_cast<std::uint8_t>(k);
  rig.StartTrace();
  EXPECT_EQ(eeprom::ProgramImage(ctx, 25, image.data(), 512), 128u);
  EXPECT_EQ(rig.RegisterWrites(eeprom::kRegPromAccess).size(), 2u) << "access on once, off once";
  frames.Collect();
  eeprom::CloseRomWindow(rig.ctx);
  EXPECT_EQ(frames.frames[1].out, Bytes{0x62});
  const auto pages = PageFrames(frames.frames);
  std::vector<std::uint32_t> addresses;
  for (const auto& p : pages) addresses.push_back(p[1] << 16 | p[2] << 8 | p[3]);
  EXPECT_EQ(addresses, (std::vector<std::uint32_t>{0x300000, 0x300080, 0x300080, 0x300080}));
  const auto contents = Card(rig).Chip()->Contents();
  EXPECT_TRUE(std::all_of(contents.begin() + 256, contents.begin() + 512,
                          [](std::uint8_t b) { return b == 0xFF; }))
      << "nothing after the failed page";
}

TEST(FlashProgram, PageWriteChipWritesOnePagePer128Bytes) {
  EepromRig rig(json{{"eeprom", {{"chip", "SST 29EE512"}}}});
  ASSERT_EQ(Identified(rig), 1);
  const Bytes image = Image(0x80, 5);
  const auto before = Card(rig).Chip()->Counters().pageOperations;
  EXPECT_EQ(eeprom::ProgramImage(rig.ctx, 1, image.data(), 61440), 61440u);
  EXPECT_EQ(Card(rig).Chip()->Counters().pageOperations - before, 480u);
  rig.StartTrace();
  EXPECT_EQ(eeprom::ProgramImage(rig.ctx, 1, image.data(), 1000), 0u);
  EXPECT_EQ(rig.RegisterWrites(eeprom::kRegPromAccess).size(), 2u) << "access on once, off once";
  EXPECT_EQ(rig.harness.ui.Messages(),
            std::vector<std::string>{"Call to program a buffer NOT on 128 byte boundary ... Aborting."});
  EXPECT_EQ(rig.harness.ui.Events()[0].caption, "ERROR");
  eeprom::CloseRomWindow(rig.ctx);
  EXPECT_FALSE(Card(rig).PromAccessOn());
  const auto contents = Card(rig).Chip()->Contents();
  EXPECT_TRUE(std::equal(image.begin(), image.begin() + 61440, contents.begin()));
}

// A serial chip that stays busy stops the algorithm at its first status poll: one wait line, the
// programming failure reported, and no page sent to a chip that would drop it.
TEST(FlashProgram, BusySerialChipStopsProgrammingAtItsFirstWait) {
  TempDir files;
  ASSERT_TRUE(testimage::WriteFile(files.File("new.rom"), Image(0x01, 2)));
  EepromRig rig(json{{"eeprom", {{"chip", "ST M25P05"}}}},
                json{{"faults", {{"chip_stuck_busy", true}}}});
  rig.StartTrace();
  EXPECT_EQ(eeprom::RunFlashJob(rig.ctx, 0, files.File("new.rom"), 1), eeprom::kFlashFailed);
  EXPECT_EQ(rig.harness.platform->System().StdoutLines(),
            std::vector<std::string>{"Exceeded maximum wait time to program a single page"});
  EXPECT_EQ(rig.harness.ui.Messages(),
            std::vector<std::string>{"Programming cycle had an error ... Aborting."});
  const auto frames = DecodeSpiFrames(rig.Trace(), Card(rig).GpioOffset());
  EXPECT_TRUE(std::none_of(frames.begin(), frames.end(), [](const SpiFrameRecord& f) {
    return !f.out.empty() && f.out[0] == 0x02;
  })) << "no page program after the stuck erase";
  EXPECT_FALSE(Card(rig).PromAccessOn());
  EXPECT_EQ(rig.Machine().LiveMappings(), 0u);
}

}  // namespace
}  // namespace rz::test
