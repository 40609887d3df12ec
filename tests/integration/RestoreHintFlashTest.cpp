// SPDX-License-Identifier: GPL-3.0-or-later
// A second flash that fails on a card a first failed flash left half-written: its backup is of
// the damaged chip, so the hint says so and names the newest backup of this card that checks out,
// and flashing that one brings the card back. The same on the vendor tool's road.
#include <gtest/gtest.h>

#include <algorithm>

#include "commands/RestoreHint.h"
#include "commands/SafetyBackup.h"
#include "sim/images/TestImage.h"
#include "sim/scenario/Presets.h"
#include "sim/seams/VendorToolBehaviour.h"
#include "support/ProgramRun.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using Scenario = sim::ScenarioRecipe;

ByteVector NewImage(const sim::AdapterRecipe& a, std::uint8_t number) {
  testimage::ImageRecipe r;
  r.lengthByte = 0x04;
  r.deviceId = a.deviceId;
  r.subsystemId = a.subsystemId;
  r.seed = number;
  r.block = testimage::RzBlockRecipe{};
  r.block->number = number;
  return testimage::BuildImage(r);
}

// Backups present now that the earlier list did not hold.
std::vector<fs::path> NewBackups(const std::string& folder, const std::vector<fs::path>& earlier) {
  std::vector<fs::path> added;
  for (const auto& p : BackupsIn(folder))
    if (std::find(earlier.begin(), earlier.end(), p) == earlier.end()) added.push_back(p);
  return added;
}

TEST(RestoreHint, AfterASecondFailedFlashNamesTheLastBackupThatChecksOut) {
  TempDir dir;
  const Scenario scenario = sim::MaterializePreset("nvidia-spi", dir.Path().string());
  const auto& adapter = scenario.adapters.at(0);
  testimage::WriteFile(dir.File("f5.rom"), NewImage(adapter, 5));
  testimage::WriteFile(dir.File("f6.rom"), NewImage(adapter, 6));
  Scenario cut = scenario;
  cut.adapters[0].eeprom->faults.powerCutAfterPages = 2;

  ByteVector original;
  fs::path good;
  {
    ProgramRun first(cut);
    ASSERT_TRUE(first.started);
    original = first.Card();
    ASSERT_EQ(first.Flash(dir.File("f5.rom")), commands::FlashOutcome::Failed);
    const auto made = BackupsIn(first.ProgramFolder());
    ASSERT_EQ(made.size(), 1u);
    good = made[0];
    EXPECT_EQ(first.ui.Messages().back(), commands::RestoreFailedText(commands::RestoreHintText(good.string())));
    first.machine.Files().LosePower();
    first.machine.Finish();
  }
  // A backup of another board that checks out and is newer is not this card's.
  testimage::ImageRecipe other;
  other.lengthByte = 0x04;
  other.subsystemId = 0x34CA;
  testimage::WriteFile((fs::path(scenario.programFolder) / "Backups" / "PX-20991231-235959.rom")
                           .string(),
                       testimage::BuildImage(other));
  const auto earlier = BackupsIn(scenario.programFolder);
  {
    ProgramRun second(cut, {true});  // go on with a card whose BIOS is not found
    ASSERT_TRUE(second.started);
    ASSERT_EQ(second.Flash(dir.File("f6.rom")), commands::FlashOutcome::Failed);
    const auto made = NewBackups(second.ProgramFolder(), earlier);
    ASSERT_EQ(made.size(), 1u);
    EXPECT_NE(ReadAll(made[0]), original) << "the backup of the damaged chip";
    EXPECT_EQ(second.ui.Messages().back(),
              commands::RestoreFailedText(commands::DamagedRestoreHintText(made[0].string(), good.string())));
    second.machine.Files().LosePower();
    second.machine.Finish();
  }
  ProgramRun third(scenario, {true});
  ASSERT_TRUE(third.started);
  ASSERT_EQ(third.Flash(good.string()), commands::FlashOutcome::Completed)
      << ::testing::PrintToString(third.ui.Lines());
  EXPECT_EQ(third.Card(), original);
}

// Without any backup of the card that checks out, the hint says that none does.
TEST(RestoreHint, WithoutAGoodBackupSaysThatNoneChecksOut) {
  TempDir dir;
  Scenario scenario = sim::MaterializePreset("nvidia-spi", dir.Path().string());
  const auto& adapter = scenario.adapters.at(0);
  ByteVector damaged = NewImage(adapter, 4);
  damaged[0x300] ^= 0xFF;  // a card whose BIOS does not sum to 0
  testimage::WriteFile(scenario.adapters[0].eeprom->imagePath, damaged);
  testimage::WriteFile(dir.File("f6.rom"), NewImage(adapter, 6));
  scenario.adapters[0].eeprom->faults.powerCutAfterPages = 1;
  ProgramRun run(scenario);  // the card's block is still there: start-up asks nothing
  ASSERT_TRUE(run.started);
  ASSERT_EQ(run.Flash(dir.File("f6.rom")), commands::FlashOutcome::Failed);
  const auto made = BackupsIn(run.ProgramFolder());
  ASSERT_EQ(made.size(), 1u);
  EXPECT_EQ(run.ui.Messages().back(), commands::RestoreFailedText(commands::DamagedRestoreHintText(made[0].string(), "")));
}

// The vendor tool saved a card image that does not check out before its flash failed: the hint
// names the earlier backup of this card instead of the tool's damaged save.
TEST(RestoreHint, OnTheVendorToolRoadNamesTheLastBackupThatChecksOut) {
  TempDir dir;
  Scenario scenario = sim::MaterializePreset("ati", dir.Path().string());
  const auto& adapter = scenario.adapters.at(0);
  testimage::ImageRecipe card;
  card.vendorId = 0x1002;
  card.deviceId = adapter.deviceId;
  card.subsystemId = adapter.subsystemId;
  card.lengthByte = 0x20;
  card.modelText = "RZ-HD485/F2";
  card.atom = testimage::AtomRecipe{};
  const ByteVector intact = testimage::BuildImage(card);
  ByteVector damaged = intact;
  damaged[0x1000] ^= 0xFF;
  testimage::WriteFile(adapter.atiEeprom.imagePath, damaged);
  const fs::path backups = fs::path(scenario.programFolder) / "Backups";
  fs::create_directories(backups);
  const std::string good = (backups / "HD485.F2-20250101-000000.rom").string();
  testimage::WriteFile(good, intact);
  card.modelText = "RZ-HD485/F3";
  testimage::WriteFile(dir.File("f3.rom"), testimage::BuildImage(card));
  scenario.vendorTool = sim::ParseVendorToolBehaviour(json{{"save", "ok"}, {"program", "fails"}},
                                                      "vendor_tool");

  ProgramRun run(scenario);
  ASSERT_TRUE(run.started);
  ASSERT_EQ(run.Flash(dir.File("f3.rom")), commands::FlashOutcome::Failed)
      << ::testing::PrintToString(run.ui.Lines());
  std::vector<fs::path> made;
  for (const auto& p : BackupsIn(run.ProgramFolder()))
    if (p.string() != good) made.push_back(p);
  ASSERT_EQ(made.size(), 1u);
  EXPECT_EQ(ReadAll(made[0]), damaged);
  EXPECT_EQ(run.ui.Messages().back(),
            commands::RestoreFailedText(commands::DamagedRestoreHintText(made[0].string(), good)));
}

}  // namespace
}  // namespace rz::test
