// SPDX-License-Identifier: GPL-3.0-or-later
// The vendor flash tool started through the shell and waited for: the launcher on the stand-in
// tool, and the program's start-up, save and flash sequences with it in a program folder's "tool".
#include <gtest/gtest.h>

#include <ostream>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "BuiltPaths.h"
#include "ChildProcess.h"
#include "backends/windows/WindowsToolLauncher.h"
#include "commands/VendorTool.h"
#include "host/PrivateFolder.h"
#include "host/windows/Win32.h"
#include "platform/HostPlatform.h"
#include "support/ScriptedUi.h"

namespace rz::test {
namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

bool FileExists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Lines of the stand-in's log: its current folder, then each argument, split at '|'.
std::vector<std::vector<std::string>> LogEntries(const std::string& path) {
  std::vector<std::vector<std::string>> entries;
  std::ifstream in(path, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> fields;
    std::size_t from = 0;
    for (std::size_t bar; (bar = line.find('|', from)) != std::string::npos; from = bar + 1)
      fields.push_back(line.substr(from, bar - from));
    fields.push_back(line.substr(from));
    entries.push_back(fields);
  }
  return entries;
}

// A card's BIOS, the stand-in's log, and the stand-in's settings, for one test.
struct StandinScene {
  platform::PrivateFolder dir{"rz-standin-"};
  std::string card = dir.File("card.rom");
  std::string log = dir.File("log.txt");
  ScopedEnvironment image{"RZ_STANDIN_IMAGE", card};
  ScopedEnvironment logged{"RZ_STANDIN_LOG", log};
  ScopedEnvironment adapter{"RZ_STANDIN_ADAPTER", std::nullopt};
  ScopedEnvironment exitSetting{"RZ_STANDIN_EXIT", std::nullopt};
};

struct LaunchCase {
  const char* name;
  std::string parameters;
  std::optional<std::string> exitSetting;  // RZ_STANDIN_EXIT
  std::string saved;                       // the file a save writes; empty: none
  int exitCode;
};

// Test names show the case by its name.
void PrintTo(const LaunchCase& c, std::ostream* os) { *os << c.name; }

class ToolLauncher : public ::testing::TestWithParam<LaunchCase> {};

TEST_P(ToolLauncher, RunsInTheGivenFolderAndPassesTheExitCode) {
  const LaunchCase& c = GetParam();
  StandinScene scene;
  WriteText(scene.card, "card bios");
  ScopedEnvironment exitCode("RZ_STANDIN_EXIT", c.exitSetting);
  platform::PrivateFolder exchange("rz-exchange-");
  platform::WindowsToolLauncher launcher;
  const auto result = launcher.RunAndWait(VendorToolStandinPath(), c.parameters, exchange.Path());
  EXPECT_TRUE(result.started);
  EXPECT_EQ(result.exitCode, c.exitCode);
  const auto entries = LogEntries(scene.log);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0][0], exchange.Path()) << "the tool's current folder";
  if (!c.saved.empty()) {
    EXPECT_EQ(ReadText(exchange.File(c.saved)), "card bios");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Launches, ToolLauncher,
    ::testing::Values(LaunchCase{"Save", "-s 0 Save.bin -quiet", std::nullopt, "Save.bin", 0},
                      LaunchCase{"StartUpSaveWithLeadingBlank", " -s 0 Backup.rom -quiet",
                                 std::nullopt, "Backup.rom", 0},
                      LaunchCase{"ExitCodeOfTheTool", "-s 0 Save.bin -quiet", "7", "Save.bin", 7},
                      LaunchCase{"LargeExitCode", "-s 0 Save.bin -quiet", "259", "Save.bin", 259},
                      LaunchCase{"ToolFails", "-s 3 Save.bin -quiet", std::nullopt, "", 1},
                      LaunchCase{"UnknownCommandLine", "", std::nullopt, "", 2}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(ToolLauncher, ParametersArriveAsTheToolsArguments) {
  StandinScene scene;
  platform::WindowsToolLauncher launcher;
  launcher.RunAndWait(VendorToolStandinPath(), "-p 1 Flash.bin -f -quiet", "");
  const auto entries = LogEntries(scene.log);
  ASSERT_EQ(entries.size(), 1u);
  const std::vector<std::string> args(entries[0].begin() + 1, entries[0].end());
  EXPECT_EQ(args, (std::vector<std::string>{"-p", "1", "Flash.bin", "-f", "-quiet"}));
  char current[MAX_PATH * 4] = {};
  ::GetCurrentDirectoryA(sizeof current, current);
  EXPECT_EQ(entries[0][0], current) << "no folder given: this process's current folder";
}

TEST(ToolLauncher, ReportsWhatCouldNotBeStarted) {
  platform::PrivateFolder dir("rz-launch-");
  WriteText(dir.File("not-a-program.exe"), "plain text");
  struct Case {
    std::string path;
    std::string folder;
  } cases[] = {{dir.File("missing.exe"), ""},
               {dir.File("not-a-program.exe"), ""},
               {VendorToolStandinPath(), dir.File("no-such-folder")}};
  platform::WindowsToolLauncher launcher;
  for (const auto& c : cases) {
    const auto r = launcher.RunAndWait(c.path, "-s 0 Save.bin -quiet", c.folder);
    EXPECT_FALSE(r.started) << c.path << " in " << c.folder;
    EXPECT_NE(launcher.LastError(), 0u) << c.path << " in " << c.folder;
  }
}

// The program's own sequences with the stand-in installed as tool\ATIWinflash.exe in a program
// folder, on the real host platform (its exchange folder is the run's private scratch folder).
class VendorToolSequence : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(programFolder.Path().empty());
    ASSERT_TRUE(::CreateDirectoryA(programFolder.File("tool").c_str(), nullptr));
    ASSERT_TRUE(::CopyFileA(VendorToolStandinPath().c_str(),
                            (programFolder.File("tool") + "\\ATIWinflash.exe").c_str(), TRUE));
    WriteText(scene.card, std::string(4096, '\x5A'));
  }
  commands::VendorToolContext Context(std::uint16_t subsystemId) {
    return commands::VendorToolContext{host->Seams(), ui, fields, subsystemId};
  }
  std::string ProgramFolder() const { return programFolder.Path() + "\\"; }

  StandinScene scene;
  platform::PrivateFolder programFolder{"rz-program-"};
  std::unique_ptr<platform::HostPlatform> host = platform::MakeHostPlatform();
  ui::ScriptedUi ui;
  commands::VendorToolFields fields;
};

struct AdapterCase {
  const char* name;
  std::uint16_t subsystemId;
  std::optional<std::string> toolAdapter;  // the adapter number the card answers to
  bool works;
  std::vector<std::string> backupArgs;
};

// Test names show the case by its name.
void PrintTo(const AdapterCase& c, std::ostream* os) { *os << c.name; }

class AdapterNumber : public VendorToolSequence,
                      public ::testing::WithParamInterface<AdapterCase> {};

TEST_P(AdapterNumber, StartUpBackupReachesTheCardByItsNumber) {
  const AdapterCase& c = GetParam();
  ScopedEnvironment adapter("RZ_STANDIN_ADAPTER", c.toolAdapter);
  auto ctx = Context(c.subsystemId);
  EXPECT_EQ(commands::RunAtiBackup(ctx, ProgramFolder()), c.works);
  EXPECT_EQ(fields.atiToolPath, ProgramFolder() + "tool\\ATIWinflash.exe");
  const auto entries = LogEntries(scene.log);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0][0] + "\\", fields.exchangeFolder) << "run in the exchange folder";
  EXPECT_EQ(std::vector<std::string>(entries[0].begin() + 1, entries[0].end()), c.backupArgs);
  if (c.works) {
    EXPECT_EQ(ReadText(fields.atiImageFile), ReadText(scene.card));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Boards, AdapterNumber,
    ::testing::Values(
        AdapterCase{"UsualBoard", 0x21B8, std::nullopt, true, {"-s", "0", "Backup.rom", "-quiet"}},
        AdapterCase{"AdapterOneBoard", 0x0028, "1", true, {"-s", "1", "Backup.rom", "-quiet"}},
        AdapterCase{"UsualBoardNumberedOne", 0x21B8, "1", false,
                    {"-s", "0", "Backup.rom", "-quiet"}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(VendorToolSequence, SaveReplacesTheTargetWithTheCardsBios) {
  ScopedEnvironment adapter("RZ_STANDIN_ADAPTER", "1");
  platform::PrivateFolder saves("rz-saves-");
  const std::string target = saves.File("backup.rom");
  WriteText(target, "an older backup");
  auto ctx = Context(0x0028);
  fields.atiToolPath = commands::AtiToolPathFor(ProgramFolder());
  EXPECT_TRUE(commands::RunAtiSave(ctx, target));
  EXPECT_EQ(ReadText(target), ReadText(scene.card));
  EXPECT_EQ(fields.atiToolArgs, "-s 1 Save.bin -quiet");
  EXPECT_FALSE(FileExists(fields.exchangeFolder + "Save.bin")) << "exchange file removed";
  EXPECT_EQ(ui.Messages().back(), commands::kSaveCompletedText);
}

TEST_F(VendorToolSequence, FailingToolLeavesTheSaveTargetAlone) {
  ScopedEnvironment failing("RZ_STANDIN_EXIT", "5");
  platform::PrivateFolder saves("rz-saves-");
  const std::string target = saves.File("backup.rom");
  WriteText(target, "an older backup");
  auto ctx = Context(0x21B8);
  fields.atiToolPath = commands::AtiToolPathFor(ProgramFolder());
  EXPECT_FALSE(commands::RunAtiSave(ctx, target));
  EXPECT_EQ(LogEntries(scene.log).size(), 1u) << "the tool ran";
  EXPECT_EQ(ReadText(target), "an older backup");
  EXPECT_EQ(ui.Messages().back(), commands::kSaveFailedText);
}

TEST_F(VendorToolSequence, FlashProgramsTheChosenFileIntoTheCard) {
  platform::PrivateFolder files("rz-images-");
  const std::string image = files.File("new.rom");
  WriteText(image, std::string(4096, '\x33'));
  auto ctx = Context(0x21B8);
  fields.atiToolPath = commands::AtiToolPathFor(ProgramFolder());
  fields.atiImageFile = image;
  ASSERT_TRUE(commands::PrepareAtiFlash(ctx));
  EXPECT_TRUE(commands::RunAtiFlash(ctx));
  EXPECT_EQ(ReadText(scene.card), ReadText(image));
  const auto entries = LogEntries(scene.log);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(std::vector<std::string>(entries[0].begin() + 1, entries[0].end()),
            (std::vector<std::string>{"-p", "0", "Flash.bin", "-f", "-quiet"}));
  EXPECT_FALSE(FileExists(fields.exchangeFolder + "Flash.bin")) << "exchange file removed";
  EXPECT_EQ(ui.Messages().back(), commands::kAtiFlashCompletedText);
}

TEST_F(VendorToolSequence, MissingToolIsNoCompletedFlash) {
  ASSERT_TRUE(::DeleteFileA((programFolder.File("tool") + "\\ATIWinflash.exe").c_str()));
  platform::PrivateFolder files("rz-images-");
  const std::string image = files.File("new.rom");
  WriteText(image, "image");
  const std::string before = ReadText(scene.card);
  auto ctx = Context(0x21B8);
  fields.atiToolPath = commands::AtiToolPathFor(ProgramFolder());
  fields.atiImageFile = image;
  ASSERT_TRUE(commands::PrepareAtiFlash(ctx));
  EXPECT_FALSE(commands::RunAtiFlash(ctx));
  EXPECT_EQ(ReadText(scene.card), before);
  EXPECT_EQ(ui.Messages().back(), commands::kAtiFlashFailedText);
}

}  // namespace
}  // namespace rz::test
