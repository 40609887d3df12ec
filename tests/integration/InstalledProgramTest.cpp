// SPDX-License-Identifier: GPL-3.0-or-later
// An installed program on the emulated machine: its shipped files in a data folder laid out like
// share/rzflash beside the executable's bin folder, or a program folder it may not write; the
// safety backup goes to the user's data folder (made as needed) and the dialogs start at home.
// Both are layouts of the Linux package (a Windows program folder holds everything).
#ifndef _WIN32
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/Detection.h"
#include "commands/FlashCommand.h"
#include "commands/SaveCommand.h"
#include "sim/devices/NvidiaCard.h"
#include "sim/images/TestImage.h"
#include "sim/scenario/Presets.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The backups in a Backups folder, without the checksum files beside them.
std::vector<fs::path> BackupsAt(const fs::path& folder) {
  std::vector<fs::path> found;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec))
    if (e.path().extension() != ".sha256") found.push_back(e.path());
  return found;
}

std::string AsFolder(const fs::path& p) { return (p / "").make_preferred().string(); }

enum class Layout { Installed, ReadOnlyProgramFolder };

// The nvidia-spi preset's files, laid out as `layout` says, with a home folder whose data folder
// does not exist yet.
struct InstalledMachine {
  explicit InstalledMachine(Layout layout) : scenario(sim::MaterializePreset("nvidia-spi", Root())) {
    const fs::path root = dir.Path();
    if (layout == Layout::Installed) {
      fs::create_directories(root / "usr/bin");
      fs::create_directories(root / "usr/share");
      fs::rename(root / "program", root / "usr/share/rzflash");
      scenario.programFolder = AsFolder(root / "usr/bin");
      shipped = root / "usr/share/rzflash";
    } else {
      shipped = root / "program";
      readOnly = shipped;
    }
    fs::create_directories(root / "home");
    scenario.userFolders = {(root / "home").string(), (root / "home/.local/share").string()};
    testimage::ImageRecipe newer;
    newer.lengthByte = 0x04;
    newer.deviceId = scenario.adapters.at(0).deviceId;
    newer.subsystemId = scenario.adapters.at(0).subsystemId;
    newer.block = testimage::RzBlockRecipe{};
    newer.block->number = 5;
    testimage::WriteFile(dir.File("new.rom"), testimage::BuildImage(newer));
  }
  std::string Root() const { return dir.Path().string(); }
  fs::path UserBackups() const { return dir.Path() / "home/.local/share/rzflash/Backups"; }

  TempDir dir;
  sim::ScenarioRecipe scenario;
  fs::path shipped;   // where RZFLASH.CFG and "BIOS Files" are
  fs::path readOnly;  // marked read-only while the program runs; empty: none
};

// A mark that the program's folder is not to be written, taken off again at the end.
class ReadOnlyMark {
 public:
  explicit ReadOnlyMark(fs::path folder) : folder_(std::move(folder)) {
    if (!folder_.empty()) ::chmod(folder_.string().c_str(), 0555);
  }
  ~ReadOnlyMark() {
    if (!folder_.empty()) ::chmod(folder_.string().c_str(), 0755);
  }
  ReadOnlyMark(const ReadOnlyMark&) = delete;
  ReadOnlyMark& operator=(const ReadOnlyMark&) = delete;

 private:
  fs::path folder_;
};

TEST(InstalledProgram, ReadsShippedFilesKeepsBackupsInTheUserDataFolderAndOpensDialogsAtHome) {
  for (const Layout layout : {Layout::Installed, Layout::ReadOnlyProgramFolder}) {
    SCOPED_TRACE(layout == Layout::Installed ? "installed" : "read-only program folder");
    InstalledMachine m(layout);
    const ReadOnlyMark mark(m.readOnly);
    sim::EmulatedPlatform machine(m.scenario);
    ui::ScriptedUi ui;
    app::Program program(machine.Seams(), ui);
    program.detect = app::DetectCard;
    // The card is supported only through the table in the shipped RZFLASH.CFG.
    ASSERT_EQ(program.FormCreate(), app::StartResult::Ready)
        << ::testing::PrintToString(ui.Lines());
    EXPECT_EQ(program.programFolder, AsFolder(m.shipped));
    EXPECT_FALSE(program.asics.entries.empty());

    auto* card = dynamic_cast<sim::NvidiaCard*>(machine.AdapterDevice(0));
    ASSERT_NE(card, nullptr);
    const auto contents = card->Chip()->Contents();
    const Bytes before(contents.begin(), contents.end());

    ui.QueueAnswer(false);  // no stock BIOS: the open dialog
    ui.QueueFile(m.dir.File("new.rom"));
    auto ctx = program.Commands();
    EXPECT_EQ(commands::btFlashClick(ctx), commands::FlashOutcome::Completed)
        << ::testing::PrintToString(ui.Lines());

    const auto backups = BackupsAt(m.UserBackups());
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(ReadAll(backups[0]), before);
    EXPECT_FALSE(fs::exists(m.shipped / "Backups"));
    EXPECT_FALSE(fs::exists(m.dir.Path() / "usr/bin/Backups"));

    ui.QueueFile(m.dir.File("saved.rom"));
    commands::btSaveClick(ctx);
    std::vector<std::string> dialogFolders;
    for (const auto& e : ui.Events())
      if (e.kind == ui::EventKind::OpenDialog || e.kind == ui::EventKind::SaveDialog)
        dialogFolders.push_back(e.text);
    EXPECT_EQ(dialogFolders,
              std::vector<std::string>(2, AsFolder(m.dir.Path() / "home")));
    program.FormDestroy();
  }
}

// A program folder that holds RZFLASH.CFG and may be written keeps everything as before, even
// when an installed data folder stands beside it.
TEST(InstalledProgram, AWritableProgramFolderKeepsEverything) {
  InstalledMachine m(Layout::ReadOnlyProgramFolder);
  fs::create_directories(m.dir.Path() / "share/rzflash");
  sim::EmulatedPlatform machine(m.scenario);
  ui::ScriptedUi ui;
  app::Program program(machine.Seams(), ui);
  program.detect = app::DetectCard;
  ASSERT_EQ(program.FormCreate(), app::StartResult::Ready);
  ui.QueueAnswer(false);
  ui.QueueFile(m.dir.File("new.rom"));
  auto ctx = program.Commands();
  EXPECT_EQ(commands::btFlashClick(ctx), commands::FlashOutcome::Completed);
  EXPECT_EQ(BackupsAt(m.shipped / "Backups").size(), 1u);
  EXPECT_FALSE(fs::exists(m.UserBackups()));
  EXPECT_EQ(program.dialogFolder, AsFolder(m.shipped));
  program.FormDestroy();
}

}  // namespace
}  // namespace rz::test
#endif
