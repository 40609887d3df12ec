// SPDX-License-Identifier: GPL-3.0-or-later
// The safety backup every flash keeps before it touches the card, on the emulated machines of the
// presets: whole and exact, refused flashes when it cannot be kept, and a card brought back from a
// power cut by flashing it.
#include <gtest/gtest.h>

#include <filesystem>

#include "commands/FlashCommand.h"
#include "commands/RestoreHint.h"
#include "commands/SafetyBackup.h"
#include "sim/images/TestImage.h"
#include "sim/scenario/Presets.h"
#include "support/ProgramRun.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Scenario = sim::ScenarioRecipe;  // a machine as the emulator builds it

// A newer BIOS of the board the preset emulates.
Bytes NewerImageFor(const Scenario& scenario) {
  const auto& adapter = scenario.adapters.at(0);
  if (adapter.vendorId == 0x1002) {
    testimage::ImageRecipe image;
    image.vendorId = 0x1002;
    image.deviceId = adapter.deviceId;
    image.subsystemId = adapter.subsystemId;
    image.lengthByte = 0x20;
    image.modelText = "RZ-HD485/F3";
    image.atom = testimage::AtomRecipe{};
    return testimage::BuildImage(image);
  }
  testimage::ImageRecipe newer;
  newer.lengthByte = 0x04;
  newer.deviceId = adapter.deviceId;
  newer.subsystemId = adapter.subsystemId;
  newer.block = testimage::RzBlockRecipe{};
  newer.block->number = 5;
  return testimage::BuildImage(newer);
}

bool HasChip(const Scenario& scenario) {
  return !scenario.adapters.empty() && scenario.adapters[0].eeprom.has_value();
}

// Every preset with a BIOS chip: the flash keeps one backup, byte for byte what the chip held
// before, and says nothing about it when the flash completed.
TEST(SafetyBackup, IsTheWholeChipAsItWasOnEveryPreset) {
  int flashed = 0;
  for (const auto& preset : sim::ListPresets()) {
    TempDir dir;
    auto scenario = sim::MaterializePreset(preset.name, dir.Path().string());
    if (!HasChip(scenario)) continue;
    testimage::WriteFile(dir.File("new.rom"), NewerImageFor(scenario));
    ProgramRun run(scenario);
    if (!run.started) continue;  // presets that end at detection never reach a flash
    const Bytes before = run.Card();
    const auto outcome = run.Flash(dir.File("new.rom"));
    const auto backups = BackupsIn(run.ProgramFolder());
    SCOPED_TRACE(preset.name);
    if (outcome == commands::FlashOutcome::Completed) {
      ++flashed;
      ASSERT_EQ(backups.size(), 1u);
      EXPECT_EQ(ReadAll(backups[0]), before);
      for (const auto& m : run.ui.Messages()) EXPECT_EQ(m.find("previous BIOS"), std::string::npos);
    } else {
      // Refused before the chip was touched: no backup, and the chip as it was.
      EXPECT_TRUE(backups.empty());
      EXPECT_EQ(run.Card(), before);
    }
  }
  EXPECT_GE(flashed, 6) << "the chip presets and the ATI preset flash";
}

// A backup that cannot be kept (a full disk, a folder that cannot be made) stops the flash before
// the chip is touched, on both roads, and leaves no fragment behind.
TEST(SafetyBackup, ThatCannotBeWrittenStopsTheFlashWithTheChipUntouched) {
  for (const char* preset : {"nvidia-parallel", "nvidia-spi", "ati"}) {
    for (const bool folderRefused : {false, true}) {
      TempDir dir;
      auto scenario = sim::MaterializePreset(preset, dir.Path().string());
      const std::string folder = scenario.programFolder + commands::kBackupFolderName;
      if (folderRefused)
        scenario.faults.fileCreateFail.insert(folder);
      else
        scenario.faults.fileWriteFail.insert(folder + (fs::path("/").make_preferred().string()));
      testimage::WriteFile(dir.File("new.rom"), NewerImageFor(scenario));
      ProgramRun run(scenario);
      ASSERT_TRUE(run.started) << preset;
      const Bytes before = run.Card();
      EXPECT_EQ(run.Flash(dir.File("new.rom")), commands::FlashOutcome::Failed) << preset;
      EXPECT_EQ(run.Card(), before) << preset;
      const auto messages = run.ui.Messages();
      EXPECT_EQ(std::count(messages.begin(), messages.end(), commands::kBackupFailedText), 1)
          << preset;
      EXPECT_TRUE(BackupsIn(run.ProgramFolder()).empty()) << preset << folderRefused;
      for (const auto& line : run.ui.Lines())
        EXPECT_EQ(line.find("-p 0 Flash.bin"), std::string::npos) << preset;
    }
  }
}

// A backup that cannot be flushed to the disk (the disk fills up at the flush of its contents, or
// of its folder) is no backup: the flash stops before the chip is touched.
TEST(SafetyBackup, ThatCannotBeFlushedStopsTheFlashWithTheChipUntouched) {
  for (const char* preset : {"nvidia-parallel", "nvidia-spi"}) {
    for (const std::uint64_t flush : {1u, 2u}) {  // after the backup's one write
      SCOPED_TRACE(std::string(preset) + (flush == 1 ? ": its contents" : ": its folder"));
      TempDir dir;
      auto scenario = sim::MaterializePreset(preset, dir.Path().string());
      testimage::WriteFile(dir.File("new.rom"), NewerImageFor(scenario));
      ProgramRun run(scenario);
      ASSERT_TRUE(run.started);
      const Bytes before = run.Card();
      run.machine.Files().Faults().diskFullAtWrite = run.machine.Files().WritesSoFar() + flush;
      EXPECT_EQ(run.Flash(dir.File("new.rom")), commands::FlashOutcome::Failed);
      EXPECT_EQ(run.Card(), before);
      EXPECT_EQ(run.ui.Messages().back(), commands::kBackupFailedText);
      EXPECT_TRUE(BackupsIn(run.ProgramFolder()).empty());
    }
  }
}

// The power goes while the chip is programmed: the user is told where the old BIOS is, and
// flashing that file on the next start brings the chip back byte for byte.
TEST(SafetyBackup, FlashedBackRestoresTheChipAfterAPowerCut) {
  for (const char* preset : {"nvidia-parallel", "nvidia-spi"}) {
    TempDir dir;
    auto scenario = sim::MaterializePreset(preset, dir.Path().string());
    testimage::WriteFile(dir.File("new.rom"), NewerImageFor(scenario));
    auto cut = scenario;
    cut.adapters[0].eeprom->faults.powerCutAfterBytes = 300;
    Bytes before;
    fs::path backup;
    {
      ProgramRun run(cut);
      ASSERT_TRUE(run.started) << preset;
      before = run.Card();
      EXPECT_EQ(run.Flash(dir.File("new.rom")), commands::FlashOutcome::Failed) << preset;
      EXPECT_NE(run.Card(), before) << preset << ": the cut must leave the chip damaged";
      const auto backups = BackupsIn(run.ProgramFolder());
      ASSERT_EQ(backups.size(), 1u) << preset;
      backup = backups[0];
      EXPECT_EQ(run.ui.Messages().back(),
                commands::RestoreFailedText(commands::RestoreHintText(backup.string())))
          << preset;
      run.machine.Files().LosePower();  // the disk keeps what reached it before the cut
      run.machine.Finish();  // the damaged chip is what the next start finds
      EXPECT_EQ(ReadAll(backup), before) << preset;
    }
    ProgramRun again(scenario, {true});  // go on with a card whose BIOS is not found
    ASSERT_TRUE(again.started) << preset << ::testing::PrintToString(again.ui.Lines());
    EXPECT_EQ(again.Flash(backup.string()), commands::FlashOutcome::Completed)
        << preset << ::testing::PrintToString(again.ui.Lines());
    EXPECT_EQ(again.Card(), before) << preset;
  }
}

TEST(SafetyBackup, NamesTheCardAndTheMomentAndNeverReplacesAnEarlierOne) {
  EXPECT_EQ(commands::BackupNameStem(std::string("PX4R7.F5\0junk", 13)), "PX4R7.F5");
  EXPECT_EQ(commands::BackupNameStem("RZ/HD:4?5*<>|\"\\x\x01"), "RZ_HD_4_5______x_");
  EXPECT_EQ(commands::BackupNameStem("."), "BIOS");
  EXPECT_EQ(commands::BackupNameStem(""), "BIOS");
  const platform::LocalTime when{2026, 12, 8, 3, 4, 5};
  EXPECT_EQ(commands::BackupFileName("PX4R7.F5", when, 1), "PX4R7.F5-20261208-030405.rom");
  EXPECT_EQ(commands::BackupFileName("PX4R7.F5", when, 3), "PX4R7.F5-20261208-030405-3.rom");

  // Three backups within one virtual second get -2 and -3; each keeps its own contents.
  SimHarness h(nlohmann::json{{"adapters", nlohmann::json::array()}});
  auto& files = h.platform->Files();
  auto& system = h.platform->System();
  std::vector<std::string> paths;
  for (std::uint8_t i = 0; i < 3; ++i) {
    const Bytes image(1000, i);
    paths.push_back(commands::WriteSafetyBackup(files, system, h.dir.Folder(), "PX4R7.F5", image));
    ASSERT_FALSE(paths.back().empty());
    EXPECT_EQ(ReadAll(paths.back()), image);
  }
  const std::string stamp = "PX4R7.F5-20260101-000000";
  EXPECT_EQ(fs::path(paths[0]).filename(), stamp + ".rom");
  EXPECT_EQ(fs::path(paths[1]).filename(), stamp + "-2.rom");
  EXPECT_EQ(fs::path(paths[2]).filename(), stamp + "-3.rom");
  EXPECT_EQ(BackupsIn(h.dir.Folder()).size(), 3u) << "no temporary file is left";
}

}  // namespace
}  // namespace rz::test
