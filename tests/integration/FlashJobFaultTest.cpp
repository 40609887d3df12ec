// SPDX-License-Identifier: GPL-3.0-or-later
// The flash job against chips that misbehave (stuck busy, power lost part-way) and a property run
// over random images, chips and faults: a job reports success only when the chip holds exactly
// the image, and every job leaves PROM access off and the window closed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>

#include "eeprom/ChipCodeFacts.h"
#include "eeprom/FlashJob.h"
#include "sim/devices/NvidiaCard.h"
#include "sim/images/TestImage.h"
#include "support/ChipCases.h"
#include "support/EepromRig.h"

namespace rz::test {
namespace {

using nlohmann::json;
using Bytes = std::vector<std::uint8_t>;

constexpr const char* kStuckLine = "Exceeded maximum wait time to program a single page";

struct Outcome {
  std::uint32_t result = 0;
  bool clean = false;
  bool holdsImage = false;
  std::vector<std::string> stdoutLines;
  std::vector<std::string> messages;
  Bytes image;
  Bytes contents;
  std::uint64_t bytesProgrammed = 0;
};

Outcome Flash(const json& eeprom, const json& faults, std::uint8_t lengthByte, std::uint32_t seed) {
  TempDir files;
  testimage::ImageRecipe recipe;
  recipe.lengthByte = lengthByte;
  recipe.seed = seed;
  recipe.deviceId = kRigDeviceId;
  const Bytes image = testimage::BuildImage(recipe);
  testimage::WriteFile(files.File("new.rom"), image);
  EepromRig rig(json{{"eeprom", eeprom}}, json{{"faults", faults}});
  Outcome o;
  o.result = eeprom::RunFlashJob(rig.ctx, 0, files.File("new.rom"), 1);
  o.clean = rig.LeftClean();
  auto* chip = dynamic_cast<sim::NvidiaCard&>(*rig.Machine().DeviceAt(1, 0)).Chip();
  const auto contents = chip->Contents();
  o.contents.assign(contents.begin(), contents.end());
  o.holdsImage = std::equal(image.begin(), image.end(), o.contents.begin());
  o.stdoutLines = rig.harness.platform->System().StdoutLines();
  o.messages = rig.harness.ui.Messages();
  o.image = image;
  o.bytesProgrammed = chip->Counters().bytesProgrammed;
  return o;
}

constexpr const char* kProgrammingLine = "Programming cycle had an error ... Aborting.";

bool PollsStatus(eeprom::Algorithm a) {
  return a == eeprom::Algorithm::SpiAai || a == eeprom::Algorithm::SpiPages;
}

// Every serial chip whose algorithm polls the status register: a chip stuck busy stops the job at
// its first poll with one wait line and the programming failure, before any byte is programmed.
TEST(FlashJobFaults, StuckBusySerialChipStopsAtItsFirstWait) {
  int chips = 0;
  for (const ChipCase& c : AllChipCases()) {
    if (!PollsStatus(eeprom::FactsFor(c.code)->algorithm)) continue;
    ++chips;
    SCOPED_TRACE("code " + std::to_string(c.code));
    const Outcome o = Flash(ChipEeprom(c), json{{"chip_stuck_busy", true}}, 0x02, 5);
    EXPECT_EQ(o.result, eeprom::kFlashFailed);
    EXPECT_TRUE(o.clean);
    EXPECT_EQ(o.stdoutLines, std::vector<std::string>{kStuckLine});
    EXPECT_EQ(o.messages, std::vector<std::string>{kProgrammingLine});
    EXPECT_EQ(o.bytesProgrammed, 0u);
  }
  EXPECT_EQ(chips, 9);
}

// Every serial page-program chip: a page whose cells will not program stops the job at that page
// with the programming failure; the pages before it hold the image, the chip after it is erased.
TEST(FlashJobFaults, SerialPageThatWillNotProgramStopsTheJobThere) {
  constexpr std::uint32_t kBadPage = 0x180;
  int chips = 0;
  for (const ChipCase& c : AllChipCases()) {
    if (eeprom::FactsFor(c.code)->algorithm != eeprom::Algorithm::SpiPages) continue;
    ++chips;
    SCOPED_TRACE("code " + std::to_string(c.code));
    const Outcome o =
        Flash(ChipEeprom(c), json{{"stuck_cells", {{"offset", kBadPage + 5}}}}, 0x04, 17);
    EXPECT_EQ(o.result, eeprom::kFlashFailed);
    EXPECT_TRUE(o.clean);
    EXPECT_EQ(o.messages, std::vector<std::string>{kProgrammingLine});
    EXPECT_TRUE(std::equal(o.image.begin(), o.image.begin() + kBadPage, o.contents.begin()));
    EXPECT_TRUE(std::all_of(o.contents.begin() + kBadPage + 128, o.contents.begin() + 0x800,
                            [](std::uint8_t b) { return b == 0xFF; }));
  }
  EXPECT_EQ(chips, 7);
}

TEST(FlashJobFaults, PowerCutIsAClearFailureNeverSuccess) {
  const struct {
    json eeprom;
    json faults;
  } cases[] = {
      {json{{"chip", "SST 39VF010"}}, json{{"power_cut_after_bytes", 100}}},
      {json{{"chip", "SST 29EE010"}}, json{{"power_cut_after_pages", 3}}},
      {json{{"chip", "PMC PM25LV010"}}, json{{"power_cut_after_pages", 3}}},
      {json{{"chip", "SST 25VF010"}}, json{{"power_cut_after_bytes", 700}}},
      {json{{"chip", "SST 45LF010"}}, json{{"power_cut_after_bytes", 700}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.eeprom.dump());
    const Outcome o = Flash(c.eeprom, c.faults, 0x04, 11);
    EXPECT_EQ(o.result, eeprom::kFlashFailed);
    EXPECT_FALSE(o.holdsImage);
    EXPECT_TRUE(o.clean);
  }
}

// Runs RZFLASH_PROPERTY_RUNS jobs (default 24) with a fixed seed, so a failure can be replayed.
TEST(FlashJobFaults, RandomImagesChipsAndFaults) {
  const char* chips[] = {"SST 29EE010", "SST 39VF010", "WINBOND W29C011A", "AMD 29LV010",
                         "SST 25VF512",  "PMC PM25LV010", "AT AT25F512",    "ST M25P05",
                         "SST 45LF010",  "ICE 25P05",     "ATMEL 29C512",   "PMC Pm39LV010R"};
  const char* env = std::getenv("RZFLASH_PROPERTY_RUNS");
  const int runs = env ? std::max(1, std::atoi(env)) : 24;
  std::mt19937 rng(20261207);
  for (int run = 0; run < runs; ++run) {
    const char* chip = chips[rng() % std::size(chips)];
    const auto lengthByte = static_cast<std::uint8_t>(1 + rng() % 8);
    json faults = json::object();
    switch (rng() % 4) {
      case 0: faults["stuck_cells"] = {{"offset", rng() % (lengthByte * 512u)}}; break;
      case 1: faults["power_cut_after_bytes"] = rng() % (lengthByte * 512u); break;
      default: break;  // no fault in half the runs
    }
    SCOPED_TRACE(std::string(chip) + " run " + std::to_string(run) + " faults " + faults.dump());
    const Outcome o = Flash(json{{"chip", chip}}, faults, lengthByte, rng());
    EXPECT_TRUE(o.clean);
    if (o.result == eeprom::kFlashOk) {
      EXPECT_TRUE(o.holdsImage);
    }
    if (faults.empty()) {
      EXPECT_EQ(o.result, eeprom::kFlashOk);
    }
  }
}

}  // namespace
}  // namespace rz::test
