// SPDX-License-Identifier: GPL-3.0-or-later
// Loading the machine a front end runs on: a preset lives in a run folder that lasts as long as
// the loaded machine; a scenario file is read where it is; an unknown name is a scenario error.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "sim/scenario/LoadMachine.h"
#include "sim/scenario/Presets.h"

namespace rz::test {
namespace {

namespace fs = std::filesystem;

TEST(SimLoadMachine, PresetLivesInItsRunFolderUntilTheMachineGoes) {
  std::string folder;
  {
    const sim::LoadedMachine loaded = sim::LoadMachine("nvidia-spi");
    ASSERT_TRUE(loaded.folder);
    folder = loaded.folder->Path();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(fs::path(folder).filename().string().rfind("rzflash-machine-", 0), 0u);
    EXPECT_EQ(loaded.recipe.programFolder.rfind(folder, 0), 0u) << loaded.recipe.programFolder;
    EXPECT_TRUE(fs::is_directory(loaded.recipe.programFolder));
  }
  EXPECT_FALSE(fs::exists(folder));
}

TEST(SimLoadMachine, ScenarioFileIsReadWhereItIsAndUnknownNamesFail) {
  const sim::LoadedMachine preset = sim::LoadMachine("nvidia-spi");
  const std::string file = preset.folder->Path() + "/machine.json";
  std::ofstream(file) << R"({"name": "from-file"})";
  const sim::LoadedMachine loaded = sim::LoadMachine(file);
  EXPECT_EQ(loaded.recipe.name, "from-file");
  // The file's own folder (spelled as the system spells it: no equivalence test, which some
  // systems' file ids cannot answer).
  EXPECT_TRUE(fs::exists(fs::path(loaded.recipe.baseDirectory) / "machine.json"))
      << loaded.recipe.baseDirectory;
  EXPECT_NE(loaded.recipe.baseDirectory.find(fs::path(preset.folder->Path()).filename().string()),
            std::string::npos)
      << loaded.recipe.baseDirectory;
  EXPECT_THROW(sim::LoadMachine("no-such-preset"), sim::ScenarioError);
}

}  // namespace
}  // namespace rz::test
