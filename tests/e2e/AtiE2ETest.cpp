// SPDX-License-Identifier: GPL-3.0-or-later
// rzflash-cli on ATI boards: the display-driver gate, the tool's command lines (adapter number one
// on subsystem 0x0028), the image-versus-card check, and a tool that cannot program the card.
#include <gtest/gtest.h>

#include <optional>

#include "CliRunner.h"
#include "Machines.h"

namespace rz::e2e {
namespace {

using nlohmann::json;
using testimage::BuildImage;

const char* const kBusy = "status: Please wait a moment ...DO NOT shut down this computer";
const char* const kBlank = "msg: The screen may go *BLANK* during EEPROM flash";
const char* const kGateText = "dialog: Please update Display driver more than 8.542.0.0 !!!";
const char* const kRestartNo =
    "yesno -> no: You must restart your system to take new changes.\\nDo you want to restart now ?";

// ---- The display-driver gate ----

struct GateCase {
  const char* name;
  std::uint16_t subsystemId;
  std::optional<std::string> driverVersion;  // none: the registry names no version
  bool refused;
};

class DriverGate : public ::testing::TestWithParam<GateCase> {};

// A refusal ends the command before the open dialog; a pass goes on to flash a newer image.
TEST_P(DriverGate, RefusesOnlyTheGatedModelsWithAnOlderDriver) {
  const GateCase& c = GetParam();
  CliSandbox box;
  const json m = AtiMachine(
      box, c.subsystemId, BuildImage(AtiImage(c.subsystemId, "RZ-HD485/F2")), c.driverVersion);
  box.Write("new.rom", BuildImage(AtiImage(c.subsystemId, "RZ-HD485/F3")));
  const CliResult r = box.Run({"--machine", box.WriteScenario("m.json", m), "flash", "new.rom"});
  if (c.refused) {
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(After(r.lines, "status: Ready"), (Lines{kGateText, "exit 1"}));
  } else {
    EXPECT_EQ(r.exitCode, 0) << ::testing::PrintToString(r.lines);
    EXPECT_FALSE(r.Has(kGateText));
    EXPECT_EQ(r.Starting("open-dialog").size(), 1u);
    EXPECT_TRUE(r.Has("msg: Flash VGA BIOS completed!!!"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    GatedAndNot, DriverGate,
    ::testing::Values(GateCase{"First_8_54", 0x21B8, "8.54.0.0", true},
                      GateCase{"Second_8_54", 0x21B4, "8.54.0.0", true},
                      GateCase{"First_NoVersion", 0x21B8, std::nullopt, true},
                      GateCase{"First_10_1", 0x21B8, "10.1.0.0", false},
                      GateCase{"Second_10_1", 0x21B4, "10.1.0.0", false},
                      GateCase{"Second_Equal", 0x21B4, "8.542.0.0", false},
                      GateCase{"First_9", 0x21B8, "9.0.0.0", false},
                      GateCase{"OtherBoard_8_54", 0x21B5, "8.54.0.0", false},
                      GateCase{"OtherBoard_NoVersion", 0x21B5, std::nullopt, false}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(DriverGate, PresetWithAnOldDriverRefuses) {
  CliSandbox box;
  const CliResult r = box.Run({"--machine", "ati-old-driver", "flash", "new.rom"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(After(r.lines, "status: Ready"), (Lines{kGateText, "exit 1"}));
}

// ---- The ATI road of the flash command ----

TEST(AtiFlash, NewerImageGoesThroughTheToolAndTheRestartIsOffered) {
  CliSandbox box;
  box.Write("new.rom", BuildImage(AtiImage(0x21B8, "RZ-HD485/F3")));
  const CliResult r = box.Run({"--machine", "ati", "flash", "new.rom"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(After(r.lines, "status: Ready"),
            (Lines{"open-dialog \"<tmp>/program/\" -> <dir>/new.rom", kBusy, kBlank,
                   Launch("<tmp>", "-s 0 Save.bin -quiet"),
                   "kept safety-backup sha256 <sha256>: <tmp>/program/Backups/RZ-HD485-20260101-000001.rom",
                   Launch("<tmp>", "-p 0 Flash.bin -f -quiet"), "status: Ready",
                   Launch("<tmp>", "-s 0 Verify.bin -quiet"), "msg: Flash VGA BIOS completed!!!",
                   kRestartNo, "exit 0"}));
}

struct AtiRefusal {
  const char* name;
  std::vector<std::uint8_t> file;
  const char* message;
};

testimage::ImageRecipe AtiWithout(void (*change)(testimage::ImageRecipe&)) {
  testimage::ImageRecipe s = AtiImage(0x21B8, "RZ-HD485/F3");
  change(s);
  return s;
}

class AtiCheck : public ::testing::TestWithParam<AtiRefusal> {};

TEST_P(AtiCheck, RefusesTheFileWithoutStartingTheTool) {
  CliSandbox box;
  box.Write("file.rom", GetParam().file);
  const CliResult r = box.Run({"--machine", "ati", "flash", "file.rom"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(After(r.lines, "open-dialog"),
            (Lines{kBusy, GetParam().message, "status: Ready", "exit 1"}));
}

INSTANTIATE_TEST_SUITE_P(
    EveryResult, AtiCheck,
    ::testing::Values(
        AtiRefusal{"OtherBoard", BuildImage(AtiImage(0x21B4, "RZ-HD485/F3")),
                   "msg: The BIOS ID not match!!!"},
        AtiRefusal{"NoAtomHeader", BuildImage(AtiWithout([](auto& s) { s.atom.reset(); })),
                   "msg: The BIOS ID not match!!!"},
        AtiRefusal{"TwoCharacterVersion", BuildImage(AtiImage(0x21B8, "RZ-HD485/F12")),
                   "msg: The BIOS Version not match!!!"},
        AtiRefusal{"MalformedVersion", BuildImage(AtiImage(0x21B8, "RZ-HD485/F1x")),
                   "msg: The BIOS Version Error!!!"},
        AtiRefusal{"SameVersion", BuildImage(PresetAtiImage()),
                   "msg: The BIOS Version is the same!!!"}),
    [](const auto& p) { return std::string(p.param.name); });

// A card whose BIOS carries a "$RZ" block: block-carrying files are compared by their version
// words, so a newer one is flashed and the same one refused.
TEST(AtiBlockBios, ComparesVersionWords) {
  auto blockImage = [](std::uint8_t number, std::uint32_t seed) {
    testimage::ImageRecipe s = AtiImage(0x21B8, "");
    s.modelText.reset();
    s.block = testimage::RzBlockRecipe{};
    s.block->number = number;
    s.seed = seed;
    return BuildImage(s);
  };
  CliSandbox box;
  const auto scenario = box.WriteScenario("m.json", AtiMachine(box, 0x21B8, blockImage(2, 1)));
  box.Write("same.rom", blockImage(2, 4));
  box.Write("newer.rom", blockImage(3, 4));
  const CliResult same = box.Run({"--machine", scenario, "flash", "same.rom"});
  EXPECT_TRUE(same.Has("label lBIOSVersion: PX4R7 F2"));
  EXPECT_EQ(same.exitCode, 1);
  EXPECT_TRUE(same.Has("msg: The BIOS Version is the same!!!"));
  const CliResult newer = box.Run({"--machine", scenario, "flash", "newer.rom"});
  EXPECT_EQ(newer.exitCode, 0) << ::testing::PrintToString(newer.lines);
  EXPECT_EQ(box.Read("ati-card.rom"), blockImage(3, 4));
}

// A tool that backs the card up but cannot program it, or a Flash.bin that cannot be written:
// the user is told the flash failed and no restart is offered.
// How far a failing ATI flash got.
enum class Reached { NothingLaunched, BackupFailed, ToolRan, ReadBack };

struct ToolFault {
  const char* name;
  json tool;
  json faults;
  Reached reached;
  bool cardChanged;  // the tool changed the card (wrongly)
  bool restored = false;  // the tool programmed the backup back and the card holds it again
};

class AtiFlashFault : public ::testing::TestWithParam<ToolFault> {};

// The card's BIOS is kept in the program folder before the tool may program it; a flash the tool
// reports as done counts only when the card, read back, holds the image. Every failure after the
// tool ran names the backup, which holds the card's earlier BIOS.
TEST_P(AtiFlashFault, ReportsFailureAndOffersNoRestart) {
  const ToolFault& c = GetParam();
  CliSandbox box;
  const auto card = BuildImage(PresetAtiImage());
  json m = AtiMachine(box, 0x21B8, card, "8.542.0.0", c.tool);
  m["faults"] = c.faults;
  box.Write("new.rom", BuildImage(AtiImage(0x21B8, "RZ-HD485/F3")));
  // A Flash.bin from an earlier run must not be programmed in place of the chosen file.
  box.Write("Flash.bin", BuildImage(AtiImage(0x21B8, "RZ-HD485/F4")));
  const CliResult r = box.Run({"--machine", box.WriteScenario("m.json", m), "flash", "new.rom"});
  EXPECT_EQ(r.exitCode, 1);
  ASSERT_TRUE(r.Has("label lBIOSVersion: RZ-HD485 F2")) << "the backup at start must work";
  // The card's proposed name "RZ-HD485." (no version letter) without its dot at the end.
  const std::string backup = "program/Backups/RZ-HD485-20260101-000001.rom";
  const std::string hint =
      "msg: The flash failed, and writing the previous BIOS back failed too. The previous BIOS was "
      "saved to <dir>/" + backup + ". Flash that file to restore the card.";
  const std::string restoredText = "msg: The flash failed. The previous BIOS was written back and "
                                   "verified. Its backup is <dir>/" + backup + ".";
  const std::string save = Launch("<dir>", "-s 0 Save.bin -quiet");
  const std::string program = Launch("<dir>", "-p 0 Flash.bin -f -quiet");
  const std::string verify = Launch("<dir>", "-s 0 Verify.bin -quiet");
  const std::string failed = "msg: Flash VGA BIOS failed!!!";
  const std::string kept = "kept safety-backup sha256 <sha256>: <dir>/" + backup;
  Lines expected;
  switch (c.reached) {
    case Reached::NothingLaunched: expected = {kBusy, failed, "status: Ready"}; break;
    case Reached::BackupFailed:
      expected = {kBusy, kBlank, save,
                  "msg: Cannot back up the current BIOS. Nothing was written to the card.",
                  "status: Ready"};
      break;
    case Reached::ToolRan:
      // The tool that could not program the image cannot program the backup either.
      expected = {kBusy, kBlank, save, kept, program, "status: Ready", failed,
                  program, "status: Ready", hint};
      break;
    case Reached::ReadBack:
      // The tool programs the backup and the card is read back once more.
      expected = {kBusy, kBlank, save, kept, program, "status: Ready", verify, failed,
                  program, verify, "status: Ready", c.restored ? restoredText : hint};
      break;
  }
  expected.push_back("exit 1");
  EXPECT_EQ(After(r.lines, "open-dialog"), expected);
  EXPECT_TRUE(r.Starting("yesno").empty());
  EXPECT_EQ(box.Read("ati-card.rom") != card, c.cardChanged);
  if (c.reached == Reached::ToolRan || c.reached == Reached::ReadBack) {
    EXPECT_EQ(box.Read(backup), card) << "the backup holds the card's earlier BIOS";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, AtiFlashFault,
    ::testing::Values(
        ToolFault{"ToolMissing", {{"program", "missing"}}, json::object(), Reached::ToolRan, false},
        ToolFault{"ToolFails", {{"program", "fails"}}, json::object(), Reached::ToolRan, false},
        ToolFault{"FlashBinNotWritten", "ok", {{"file_create_fail", {"Flash.bin"}}},
                  Reached::NothingLaunched, false},
        // The tool reports success but programs nothing, or programs something else.
        // The card still holds its old BIOS, which the read-back after the restore finds.
        ToolFault{"ToolProgramsNothing", {{"program", "silent"}}, json::object(), Reached::ReadBack,
                  false, true},
        ToolFault{"ToolProgramsAnotherImage", {{"program", "garbles"}}, json::object(),
                  Reached::ReadBack, true},
        // Launches: 0 the backup at start, 1 the safety backup, 2 the flash, 3 its read-back,
        // 4 the restore. Only the flash goes wrong: the backup goes back on the card.
        ToolFault{"FlashGoesWrongOnce", {{"launch", 2}, {"as", "garbles"}}, json::object(),
                  Reached::ReadBack, false, true},
        // The card's BIOS cannot be kept: the tool is not started for programming.
        ToolFault{"BackupFolderRefused", "ok", {{"file_create_fail", {"Backups"}}},
                  Reached::BackupFailed, false}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(AtiFlash, OldSeriesEndsTheProgramAtDetection) {
  CliSandbox box;
  const CliResult r = box.Run({"--machine", "ati-old-series", "flash", "new.rom"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.lines, (Lines{"dialog: Not support this series!!!", "exit 1"}));
}

// The user may choose the tool's exchange files themselves: the backup lands in Save.bin and is
// reported as saved; Flash.bin as the source is programmed as it is.
TEST(AtiExchangeFiles, SavingToSaveBinAndFlashingFlashBinWork) {
  CliSandbox box;
  const auto card = BuildImage(PresetAtiImage());
  const auto scenario = box.WriteScenario("m.json", AtiMachine(box, 0x21B8, card));
  const CliResult save = box.Run({"--machine", scenario, "save", "Save.bin"});
  EXPECT_EQ(save.exitCode, 0) << ::testing::PrintToString(save.lines);
  EXPECT_TRUE(save.Has("msg: Save VGA BIOS completed!!!"));
  EXPECT_EQ(box.Read("Save.bin"), card);

  const auto newer = BuildImage(AtiImage(0x21B8, "RZ-HD485/F3"));
  box.Write("Flash.bin", newer);
  const CliResult flash = box.Run({"--machine", scenario, "flash", "Flash.bin"});
  EXPECT_EQ(flash.exitCode, 0) << ::testing::PrintToString(flash.lines);
  EXPECT_TRUE(flash.Has("msg: Flash VGA BIOS completed!!!"));
  EXPECT_EQ(box.Read("ati-card.rom"), newer);
}

// ---- Adapter number one (subsystem id 0x0028) in all three command lines ----

// A board of two graphics chips: the program works on the first adapter found, while the tool
// is told adapter number 1, which is the second chip with its own BIOS.
TEST(AdapterNumberOne, EveryToolCommandLineNamesAdapterOne) {
  CliSandbox box;
  const auto first = BuildImage(AtiImage(0x0028, "RZ-HD485/F2"));
  testimage::ImageRecipe secondRecipe = AtiImage(0x0028, "RZ-HD485/F2");
  secondRecipe.seed = 5;
  const auto second = BuildImage(secondRecipe);
  json m = AtiMachine(box, 0x0028, first);
  box.Write("ati-second.rom", second);
  json other = m["adapters"][0];
  other["bus"] = 2;
  other["eeprom"]["image"] = "ati-second.rom";
  m["adapters"].push_back(other);
  const auto scenario = box.WriteScenario("m.json", m);
  testimage::ImageRecipe newerRecipe = AtiImage(0x0028, "RZ-HD485/F3");
  newerRecipe.seed = 6;
  const auto newer = BuildImage(newerRecipe);
  box.Write("new.rom", newer);
  const CliResult save = box.Run({"--machine", scenario, "save", "saved.rom"});
  EXPECT_EQ(save.exitCode, 0) << ::testing::PrintToString(save.lines);
  EXPECT_EQ(save.Starting("launch"), (Lines{Launch("<dir>", " -s 1 Backup.rom -quiet"),
                                            Launch("<dir>", "-s 1 Save.bin -quiet")}));
  EXPECT_EQ(box.Read("saved.rom"), second);

  const CliResult flash = box.Run({"--machine", scenario, "flash", "new.rom"});
  EXPECT_EQ(flash.exitCode, 0) << ::testing::PrintToString(flash.lines);
  EXPECT_EQ(flash.Starting("launch"), (Lines{Launch("<dir>", " -s 1 Backup.rom -quiet"),
                                             Launch("<dir>", "-s 1 Save.bin -quiet"),
                                             Launch("<dir>", "-p 1 Flash.bin -f -quiet"),
                                             Launch("<dir>", "-s 1 Verify.bin -quiet")}));
  EXPECT_EQ(box.Read("ati-second.rom"), newer);
  EXPECT_EQ(box.Read("ati-card.rom"), first);
}

}  // namespace
}  // namespace rz::e2e
