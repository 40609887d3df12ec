// SPDX-License-Identifier: GPL-3.0-or-later
// The commands through the native window against the terminal front end on the same emulated
// machine: a click on ibBackup or ibFlash with every window answered as rzflash-cli is told to
// answer, and the two transcripts equal line for line (start-up included). The progress bar
// advances during the flash and is gone after it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "CliRunner.h"
#include "Machines.h"
#include "Win32TestSupport.h"
#include "commands/FlashCommand.h"
#include "commands/SaveCommand.h"
#include "sim/scenario/Presets.h"

namespace rz::win32::test {
namespace {

using e2e::CliSandbox;
using e2e::Lines;

const char* const kBlank = "The screen may go *BLANK* during EEPROM flash";
const char* const kRestart =
    "You must restart your system to take new changes.\nDo you want to restart now ?";

struct Outcome {
  Lines window, cli;
  int cliExit = -1;
  std::vector<std::string> skinned, fileTitles, boxes;
  std::vector<std::pair<bool, int>> progress;  // (shown, percent or -1) after each change
  bool lockedOut = true;                       // at every skinned dialog
  bool enabledAfter = false;
};

Outcome RunBoth(CliSandbox& windowBox, CliSandbox& cliBox, const std::string& preset,
                skin::Action button, const std::string& file, const std::deque<bool>& answers) {
  Outcome o;
  std::vector<std::string> args{"--machine", preset};
  for (bool a : answers) args.insert(args.end(), {"--answer", a ? "yes" : "no"});
  args.insert(args.end(), {button == skin::Action::Flash ? "flash" : "save", file});
  const e2e::CliResult r = cliBox.Run(args);
  o.cliExit = r.exitCode;
  o.cli = r.lines;
  if (!o.cli.empty() && o.cli.back().rfind("exit ", 0) == 0) o.cli.pop_back();

  // The machine in a folder named like the terminal's, so that both normalise it to <tmp>.
  const std::string machine = windowBox.Path("rzflash-machine-window");
  std::filesystem::create_directories(machine);
  sim::ScenarioRecipe recipe = sim::MaterializePreset(preset, machine);
  CopySkin(recipe.programFolder);
  sim::EmulatedPlatform platform(std::move(recipe));
  {
    Win32Session session(platform.Seams(), skin::ProgramCommands());
    if (session.Start() != app::StartResult::Ready) return o;
    MainWindow& form = session.Form();
    form.Show();
    form.onProgress = [&o](const skin::Progress& p) {
      o.progress.emplace_back(p.Visible(), p.Percent().value_or(-1));
    };
    Answerer answerer(session, windowBox.Path(file), answers);
    answerer.beforeAnswer = [&](SkinDialog&) {
      o.lockedOut = o.lockedOut && form.CommandRunning() && !form.PlainControlEnabled("btSave");
      for (const ImageButton& b : form.Buttons().All())
        o.lockedOut = o.lockedOut && !b.state.Enabled() && b.lastDrawn == skin::Face::Disabled;
    };
    ClickButton(form, button);
    answerer.Stop();
    o.skinned = answerer.skinned;
    o.fileTitles = answerer.fileTitles;
    o.boxes = answerer.boxes;
    o.enabledAfter = !form.CommandRunning() && form.PlainControlEnabled("btFlash");
    for (const ImageButton& b : form.Buttons().All())
      o.enabledAfter = o.enabledAfter && b.state.Enabled();
    for (const auto& line : session.Transcript().Lines()) o.window.push_back(windowBox.Normalise(line));
  }
  platform.Finish();
  return o;
}

std::string Show(const Lines& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\n";
  return s;
}

TEST(Win32Parity, BackupSavesWhatTheTerminalSaves) {
  CliSandbox windowBox, cliBox;
  const Outcome o =
      RunBoth(windowBox, cliBox, "nvidia-parallel", skin::Action::Save, "saved.rom", {});
  ASSERT_EQ(o.cliExit, 0);
  EXPECT_EQ(o.skinned, (std::vector<std::string>{kBlank, "Save VGA BIOS completed!!!"}));
  EXPECT_EQ(o.fileTitles, (std::vector<std::string>{commands::kSaveDialogTitle}));
  EXPECT_TRUE(o.boxes.empty()) << o.boxes.front();
  EXPECT_TRUE(o.lockedOut);
  EXPECT_TRUE(o.enabledAfter);
  EXPECT_EQ(o.window, o.cli) << "window:\n" << Show(o.window) << "terminal:\n" << Show(o.cli);
  const auto card = testimage::BuildImage(e2e::PresetNvidiaImage());
  EXPECT_TRUE(windowBox.Read("saved.rom") == card);
}

TEST(Win32Parity, FlashAdvancesTheBarAndAnswersBothDialogs) {
  testimage::ImageRecipe newer = e2e::PresetNvidiaImage();
  newer.block->number = 5;
  newer.seed = 9;
  const auto image = testimage::BuildImage(newer);
  for (const bool restart : {false, true}) {
    SCOPED_TRACE(restart ? "restart yes" : "restart no");
    CliSandbox windowBox, cliBox;
    windowBox.Write("new.rom", image);
    cliBox.Write("new.rom", image);
    const Outcome o =
        RunBoth(windowBox, cliBox, "nvidia-parallel", skin::Action::Flash, "new.rom", {restart});
    ASSERT_EQ(o.cliExit, 0);
    // The window names the safety backup under the completion text; the transcript does not.
    EXPECT_EQ(o.skinned, (std::vector<std::string>{
                             kBlank,
                             "Flash BIOS completed!!!\nOld BIOS kept as PX4R7.F4-20260101-000001.rom",
                             kRestart}));
    EXPECT_EQ(o.fileTitles, (std::vector<std::string>{commands::kOpenDialogTitle}));
    EXPECT_TRUE(o.lockedOut);
    EXPECT_TRUE(o.enabledAfter);
    EXPECT_EQ(o.window, o.cli) << "window:\n" << Show(o.window) << "terminal:\n" << Show(o.cli);
    // The bar shows, moves forward within each phase, and goes with the busy switch.
    ASSERT_GE(o.progress.size(), 3u);
    int between = 0;
    for (std::size_t i = 1; i + 1 < o.progress.size(); ++i) {
      EXPECT_TRUE(o.progress[i].first);
      between += o.progress[i].second > 0 && o.progress[i].second < 100;
    }
    EXPECT_GT(between, 0) << "some steps between 0 and 100 %";
    EXPECT_FALSE(o.progress.back().first) << "gone after the command";
  }
}

}  // namespace
}  // namespace rz::win32::test
