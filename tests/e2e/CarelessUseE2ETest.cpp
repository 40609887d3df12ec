// SPDX-License-Identifier: GPL-3.0-or-later
// rzflash-cli used carelessly or with odd files: the user's own files are never replaced or
// removed, what is not a plain file is refused without waiting on it, a half-flashed card can be
// repaired with the file at hand, and a run that cannot do its job says why.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "CliRunner.h"
#include "Machines.h"
#include "support/SpecialFiles.h"

namespace rz::e2e {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using test::kEndlessDevice;
using test::MakeNamedPipe;
using testimage::BuildImage;

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// Every command on an ATI card, with the user's own files of the vendor tool's exchange names in
// the folder the program was started in, and a vendor tool that works, writes nothing or fails.
TEST(CarelessUse, FilesNamedLikeTheVendorToolsExchangeFilesAreTheUsers) {
  for (const json& tool : {json("ok"), json("silent"), json("fails")}) {
    CliSandbox box;
    const auto scenario = box.WriteScenario(
        "m.json", AtiMachine(box, 0x21B8, BuildImage(PresetAtiImage()), "8.542.0.0", tool));
    for (const char* name : {"Backup.rom", "Save.bin", "Flash.bin"})
      box.WriteText(name, std::string("the user's ") + name);
    box.Write("new.rom", BuildImage(AtiImage(0x21B8, "RZ-HD485/F3")));
    box.Run({"--machine", scenario, "info"});
    box.Run({"--machine", scenario, "save", "saved.rom"});
    box.Run({"--machine", scenario, "flash", "new.rom"});
    box.Run({"--machine", scenario, "flash", "Backup.rom"});  // restoring from their own backup
    for (const char* name : {"Backup.rom", "Save.bin", "Flash.bin"})
      EXPECT_EQ(box.Read(name), Bytes(std::string("the user's ") + name)) << tool << " " << name;
    EXPECT_TRUE(box.LeftoverTemporaryFolders().empty()) << tool;
  }
}

struct SpecialTarget {
  const char* name;
  std::function<bool(const CliSandbox&)> make;  // puts "target" in place; false: not here
};

class SaveOntoSpecialTarget : public ::testing::TestWithParam<SpecialTarget> {};

// Nothing is replaced and the reason is the message of a file that cannot be opened.
TEST_P(SaveOntoSpecialTarget, IsRefusedAndLeftAsItWas) {
  CliSandbox box;
  if (!GetParam().make(box)) GTEST_SKIP() << "this system cannot make it (named pipes or links)";
  const auto before = fs::symlink_status(box.Path("target")).type();
  const CliResult r = box.Run({"--machine", "nvidia-spi", "save", "target"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(After(r.lines, "msg: The screen may go *BLANK* during EEPROM flash"),
            (Lines{"box \"\" ok none: Cannot open file: <dir>/target.",
                   "msg: Save VGA BIOS failed!!!", "status: Ready", "exit 1"}));
  EXPECT_EQ(fs::symlink_status(box.Path("target")).type(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, SaveOntoSpecialTarget,
    ::testing::Values(
        SpecialTarget{"Folder",
                      [](const CliSandbox& b) { return fs::create_directory(b.Path("target")); }},
        SpecialTarget{"Pipe", [](const CliSandbox& b) { return MakeNamedPipe(b.Path("target")); }},
        SpecialTarget{"LinkToAPipe",
                      [](const CliSandbox& b) {
                        return MakeNamedPipe(b.Path("pipe")) &&
                               test::MakeLink(b.Path("pipe"), b.Path("target"));
                      }},
        SpecialTarget{"ReadOnlyFile",
                      [](const CliSandbox& b) {
                        b.WriteText("target", "an old backup");
                        fs::permissions(b.Path("target"), fs::perms::owner_read);
                        return true;
                      }}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(CarelessUse, SaveThroughALinkReplacesTheFileItLeadsTo) {
  CliSandbox box;
  fs::create_directory(box.Path("backups"));
  box.WriteText("backups/card.rom", "an old backup");
  if (!test::MakeLink(fs::path("backups") / "card.rom", box.Path("latest.rom")))
    GTEST_SKIP() << "no symbolic links on this system";
  const CliResult r = box.Run({"--machine", "nvidia-spi", "save", "latest.rom"});
  EXPECT_EQ(r.exitCode, 0) << ::testing::PrintToString(r.lines);
  EXPECT_TRUE(fs::is_symlink(box.Path("latest.rom")));
  EXPECT_EQ(box.Read("backups/card.rom"), BuildImage(PresetNvidiaImage()));
}

// A pipe nobody writes to, a folder and a device as the file to flash, and a pipe in place of the
// configuration file: each is refused at once instead of waiting or reading without end.
TEST(CarelessUse, SpecialFilesAreNeverWaitedOn) {
  CliSandbox box;
  std::vector<std::string> files{"folder.rom"};
  fs::create_directory(box.Path("folder.rom"));
  if (MakeNamedPipe(box.Path("pipe.rom"))) files.push_back("pipe.rom");
  if (*kEndlessDevice) files.push_back(kEndlessDevice);
  for (const std::string& file : files) {
    const CliResult r = box.Run({"--machine", "nvidia-spi", "flash", file});
    EXPECT_EQ(r.exitCode, 1) << file;
    EXPECT_TRUE(r.Has("box \"Error\" ok error: Open rom file fail !!"))
        << file << ::testing::PrintToString(r.lines);
    const CliResult ati = box.Run({"--machine", "ati", "flash", file});
    EXPECT_EQ(ati.exitCode, 1) << file;
    EXPECT_TRUE(ati.Has("msg: The BIN file not match!!!")) << file;
    EXPECT_TRUE(ati.Starting(LaunchPrefix("<tmp>") + "-p").empty());
  }
  json m = NvidiaMachine(box, "SST 39VF010", 0x34C7, BuildImage(PresetNvidiaImage()));
  fs::remove(box.Path("program/RZFLASH.CFG"));
  if (!MakeNamedPipe(box.Path("program/RZFLASH.CFG"))) return;  // no pipes on this system
  const CliResult r = box.Run({"--machine", box.WriteScenario("m.json", m), "info"});
  EXPECT_TRUE(r.Has("box \"\" ok none: Error opening cfg file")) << ::testing::PrintToString(r.lines);
}

// A file far larger than any BIOS is not handed to the vendor tool (and not read to its end).
TEST(CarelessUse, HugeFileIsRefusedOnTheVendorToolRoad) {
  CliSandbox box;
  box.Write("huge.rom", BuildImage(AtiImage(0x21B8, "RZ-HD485/F3")));
  fs::resize_file(box.Path("huge.rom"), std::uintmax_t{1} << 30);  // sparse: costs no disk
  const CliResult r = box.Run({"--machine", "ati", "flash", "huge.rom"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.Has("msg: The BIN file not match!!!"));
  EXPECT_EQ(r.Starting("launch").size(), 1u) << "only the backup at start";
}

// The ATI road checks length and checksum as the other road does, before the tool starts.
TEST(CarelessUse, DamagedAtiImagesAreRefusedBeforeTheToolStarts) {
  CliSandbox box;
  const auto good = BuildImage(AtiImage(0x21B8, "RZ-HD485/F3"));
  box.Write("short.rom", std::vector<std::uint8_t>(good.begin(), good.begin() + 30000));
  auto bad = good;
  bad[good.size() - 7] ^= 0x40;
  box.Write("bad.rom", bad);
  for (const char* file : {"short.rom", "bad.rom"}) {
    const CliResult r = box.Run({"--machine", "ati", "flash", file});
    EXPECT_EQ(r.exitCode, 1) << file;
    EXPECT_EQ(After(r.lines, "open-dialog"),
              (Lines{"status: Please wait a moment ...DO NOT shut down this computer",
                     "dialog: Checksum error! This file may be damaged!!", "status: Ready",
                     "exit 1"}))
        << file;
  }
}

// A flash cut off by a power loss leaves the start of the new image, "$RZ" block included: the
// same file must still go in, or the user cannot repair the card with this program.
TEST(HalfFlashedCard, TakesTheSameFileAgain) {
  CliSandbox box;
  testimage::ImageRecipe newerRecipe = PresetNvidiaImage();
  newerRecipe.block->number = 5;
  newerRecipe.seed = 9;
  const auto newer = BuildImage(newerRecipe);
  box.Write("new.rom", newer);
  const json cut = NvidiaMachine(box, "SST 39VF010", 0x34C7, BuildImage(PresetNvidiaImage()),
                                 {{"faults", {{"power_cut_after_bytes", 1000}}}});
  const CliResult first = box.Run({"--machine", box.WriteScenario("cut.json", cut), "flash", "new.rom"});
  ASSERT_EQ(first.exitCode, 1);
  json whole = cut;
  whole["adapters"][0]["eeprom"].erase("faults");
  const auto scenario = box.WriteScenario("whole.json", whole);
  const CliResult info = box.Run({"--machine", scenario, "info"});
  ASSERT_TRUE(info.Has("label lBIOSVersion: PX4R7 F5")) << "the card already shows the new block";
  const CliResult again = box.Run({"--machine", scenario, "flash", "new.rom"});
  EXPECT_EQ(again.exitCode, 0) << ::testing::PrintToString(again.lines);
  EXPECT_FALSE(again.Has("msg: The BIOS Version is the same!!!"));
  const auto chip = box.Read("card.rom");
  EXPECT_TRUE(std::equal(newer.begin(), newer.end(), chip.begin()));
  // With the card whole again, the same file is refused as before.
  const CliResult once = box.Run({"--machine", scenario, "flash", "new.rom"});
  EXPECT_TRUE(once.Has("msg: The BIOS Version is the same!!!"));
}

TEST(HalfFlashedCard, AtiCardWhoseBiosDoesNotCheckOutTakesTheSameVersion) {
  CliSandbox box;
  const auto image = BuildImage(PresetAtiImage());
  auto damaged = image;
  damaged[damaged.size() - 7] ^= 0x40;
  const auto scenario = box.WriteScenario("m.json", AtiMachine(box, 0x21B8, damaged));
  box.Write("same.rom", image);
  const CliResult r = box.Run({"--machine", scenario, "flash", "same.rom"});
  EXPECT_EQ(r.exitCode, 0) << ::testing::PrintToString(r.lines);
  EXPECT_EQ(box.Read("ati-card.rom"), image);
  const CliResult once = box.Run({"--machine", scenario, "flash", "same.rom"});
  EXPECT_TRUE(once.Has("msg: The BIOS Version is the same!!!"));
}

// The transcript never replaces the backup just written or the image being flashed.
TEST(CarelessUse, TranscriptOverTheCommandsFileIsAUsageError) {
  CliSandbox box;
  box.WriteText("card.rom", "an old backup");
  for (const char* command : {"save", "flash"}) {
    const CliResult r =
        box.Run({"--machine", "nvidia-spi", "--transcript", "./card.rom", command, "card.rom"});
    EXPECT_EQ(r.exitCode, 2) << command;
    EXPECT_NE(r.err.find("--transcript"), std::string::npos) << r.err;
    EXPECT_EQ(box.Read("card.rom"), Bytes("an old backup")) << command;
  }
}

// What the windows leave to their fixed messages, the terminal explains.
TEST(CarelessUse, ACardThatCannotBeUsedIsExplained) {
  CliSandbox box;
  struct Case {
    std::vector<std::string> args;
    const char* reason;
  } cases[] = {{{"--machine", "nvidia-unknown-chip", "info"}, "ids this program does not know"},
               {{"--machine", "other-vendor", "info"}, "neither NVIDIA nor ATI"},
               {{"--machine", "other-vendor", "save", "x.rom"}, "nothing was saved"},
               {{"--machine", "no-card", "info"}, "no display adapter"},
               {{"--machine", "nvidia-spi", "save", ""}, "save needs a file name"},
               {{"--machine", "nvidia-spi", "flash", ""}, "flash needs a file name"}};
  for (const auto& c : cases) {
    const CliResult r = box.Run(c.args);
    EXPECT_EQ(r.exitCode, 1) << c.args[1];
    EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
  }
  const CliResult ok = box.Run({"--machine", "nvidia-spi", "info"});
  EXPECT_EQ(ok.exitCode, 0);
  EXPECT_TRUE(ok.err.empty()) << ok.err;
}

// The program's one line of standard output reaches the terminal on the emulated machine too.
TEST(CarelessUse, TheSerialWaitLineIsPrintedOnceAndProgrammingStops) {
  CliSandbox box;
  const auto scenario = box.WriteScenario(
      "m.json", NvidiaMachine(box, "PMC PM25LV010", 0x34C7, BuildImage(PresetNvidiaImage()),
                              {{"faults", {{"chip_stuck_busy", true}}}}));
  testimage::ImageRecipe newer = PresetNvidiaImage();
  newer.block->number = 5;
  newer.lengthByte = 0x02;
  box.Write("new.rom", BuildImage(newer));
  const CliResult f = box.Run({"--machine", scenario, "flash", "new.rom"});
  // The erase waits out the busy chip once; programming stops there and says so, and so does the
  // writing back of the previous BIOS that follows.
  EXPECT_EQ(std::count(f.lines.begin(), f.lines.end(),
                       "stdout: Exceeded maximum wait time to program a single page"),
            2)
      << ::testing::PrintToString(f.lines);
  EXPECT_TRUE(f.Has("box \"ERROR\" ok error: Programming cycle had an error ... Aborting."));
  EXPECT_NE(f.out.find("Exceeded maximum wait time to program a single page\n"), std::string::npos)
      << f.out;
}

}  // namespace
}  // namespace rz::e2e
