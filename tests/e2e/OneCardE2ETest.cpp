// SPDX-License-Identifier: GPL-3.0-or-later
// Two runs, one emulated card: a scenario whose EEPROM image is kept in a file is one card. While
// a program works on it, rzflash-cli started on the same scenario is refused as a second instance
// ("Kelvara is running!", caption "Error") and leaves the card as it was; once that program has
// ended, the same command flashes.
#include <gtest/gtest.h>

#include <algorithm>

#include "CliRunner.h"
#include "Machines.h"
#include "app/Program.h"
#include "sim/seams/EmulatedPlatform.h"
#include "support/ScriptedUi.h"

namespace rz::e2e {
namespace {

using nlohmann::json;
using testimage::BuildImage;

const char* const kRefused = "box \"Error\" ok none: Kelvara is running!";

struct Card {
  const char* name;
  const char* imageFile;
  std::vector<std::uint8_t> old;
  std::vector<std::uint8_t> next;
  const char* completed;
};

std::vector<Card> Cards() {
  testimage::ImageRecipe nvidia = PresetNvidiaImage();
  nvidia.block->number = 5;
  nvidia.seed = 9;
  return {{"NVIDIA", "card.rom", BuildImage(PresetNvidiaImage()), BuildImage(nvidia),
           "msg: Flash BIOS completed!!!"},
          {"ATI", "ati-card.rom", BuildImage(PresetAtiImage()),
           BuildImage(AtiImage(0x21B8, "RZ-HD485/F3")), "msg: Flash VGA BIOS completed!!!"}};
}

json MachineFor(const CliSandbox& box, const Card& card) {
  return std::string(card.name) == "ATI" ? AtiMachine(box, 0x21B8, card.old)
                                         : NvidiaMachine(box, "SST 39VF010", 0x34C7, card.old);
}

TEST(OneCard, ARunOnACardAnotherRunHoldsIsRefusedAndLeavesTheCard) {
  for (const Card& card : Cards()) {
    SCOPED_TRACE(card.name);
    CliSandbox box;
    const std::string scenario = box.WriteScenario("m.json", MachineFor(box, card));
    box.Write("new.rom", card.next);
    {
      // The other run: the windowed program's start-up on the same scenario, in this process.
      sim::EmulatedPlatform other(sim::LoadScenarioFile(scenario));
      ui::ScriptedUi ui;
      app::Program program(other.Seams(), ui);
      ASSERT_EQ(program.FormCreate(), app::StartResult::Ready);
      for (const Lines& command : {Lines{"flash", "new.rom"}, Lines{"info"}}) {
        SCOPED_TRACE(command[0]);
        const CliResult r = box.Run(Join({"--machine", scenario}, command));
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_EQ(r.lines, (Lines{kRefused, "exit 1"}));
        EXPECT_EQ(box.Read(card.imageFile), card.old) << "nothing was written back";
      }
      program.FormDestroy();
      other.Finish();
    }
    const CliResult r = box.Run({"--machine", scenario, "flash", "new.rom"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.Has(card.completed));
    const auto now = box.Read(card.imageFile);
    ASSERT_GE(now.size(), card.next.size());
    EXPECT_TRUE(std::equal(card.next.begin(), card.next.end(), now.begin())) << "flashed once free";
  }
}

}  // namespace
}  // namespace rz::e2e
