// SPDX-License-Identifier: GPL-3.0-or-later
// rzflash-cli flash on the NVIDIA road: every reachable result of the flash step, the restart
// offer, and a flashed card seen again by the next run.
#include <gtest/gtest.h>

#include <algorithm>

#include "NvidiaFlashExpectations.h"

namespace rz::e2e {
namespace {

using nlohmann::json;
using testimage::BuildImage;
using testimage::ImageRecipe;
using namespace nvflash;

// ---- Results of the flash step ----

TEST(FlashStep, NewerImageIsProgrammedAndTheLabelsComeFromTheCard) {
  CliSandbox box;
  const auto scenario = box.WriteScenario(
      "m.json", NvidiaMachine(box, "SST 39VF010", 0x34C7, BuildImage(PresetNvidiaImage())));
  // The newer image comes from the image tool, as a user would make it.
  ASSERT_EQ(box.MakeImage({"--block", "F5", "--seed", "9", "new.rom"}), 0);
  const CliResult r = box.Run({"--machine", scenario, "flash", "new.rom"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(After(r.lines, "open-dialog"),
            (Lines{kBusy, kBlank, kBusy, KeptBackup("<dir>/" + kFirstBackup),
                   "label lBIOSVersion: PX4R7 F5",
                   "label lEEPROMName: SST 39VF010        ", "label lEEPROMSize: 65536 bytes",
                   "status: Ready", "msg: Flash BIOS completed!!!", kRestartNo, "status: Ready",
                   "exit 0"}));
  ExpectChipHolds(box.Read("card.rom"), box.Read("new.rom"));
}

// A package is reduced to the image of this card's number (0) before it is checked and flashed.
TEST(FlashStep, PackageFlashesTheImageOfThisCard) {
  CliSandbox box;
  const auto scenario = box.WriteScenario(
      "m.json", NvidiaMachine(box, "SST 39VF010", 0x34C7, BuildImage(PresetNvidiaImage())));
  const auto mine = BuildImage(Newer());
  box.Write("package.rom",
            testimage::BuildPackage(
                {BuildImage(With([](ImageRecipe& s) { s.block->cardNumber = 1; })), mine}));
  const CliResult r = box.Run({"--machine", scenario, "flash", "package.rom"});
  EXPECT_EQ(r.exitCode, 0) << ::testing::PrintToString(r.lines);
  EXPECT_TRUE(r.Has("label lBIOSVersion: PX4R7 F5"));
  ExpectChipHolds(box.Read("card.rom"), mine);
  // The extracted image lived in a scratch folder that is gone with the run.
  EXPECT_TRUE(box.LeftoverTemporaryFolders().empty());
}

// A serial chip behind the newer GPIO register layout (device 0x0400): the labels after the
// flash are read back from the card, so they show that the new image is in the chip.
TEST(FlashStep, SerialChipOnTheNewerRegisterLayoutIsFlashed) {
  CliSandbox box;
  ASSERT_EQ(box.MakeImage({"--device", "0x0400", "--block", "F5", "new.rom"}), 0);
  const CliResult r = box.Run({"--machine", "nvidia-sst25", "flash", "new.rom"});
  EXPECT_EQ(r.exitCode, 0) << ::testing::PrintToString(r.lines);
  EXPECT_EQ(After(r.lines, "open-dialog"),
            (Lines{kBusy, kBlank, kBusy, KeptBackup("<tmp>/" + kFirstBackup),
                   "label lBIOSVersion: PX4R7 F5",
                   "label lEEPROMName: SST 25VF512        ", "label lEEPROMSize: 65536 bytes",
                   "status: Ready", "msg: Flash BIOS completed!!!", kRestartNo, "status: Ready",
                   "exit 0"}));
}

// The chip answers ids the catalogue does not hold: the job cannot begin.
TEST(FlashStep, UnknownChipEndsAsRomAlreadyProgrammed) {
  CliSandbox box;
  box.Write("new.rom", BuildImage(Newer()));
  const CliResult r = box.Run({"--machine", "nvidia-unknown-chip", "flash", "new.rom"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(After(r.lines, "open-dialog"),
            (Lines{kBusy, kBlank, kBusy, "box \"\" ok none: Supported EEPROM not found.",
                   "status: Rom already programmed", "dialog: Rom already programmed",
                   "status: Ready", "exit 1"}));
}

struct BrokenFlash {
  const char* name;
  json chipFaults;
  Lines shown;  // what follows the second busy status
};

class FailingChip : public ::testing::TestWithParam<BrokenFlash> {};

// Programming itself fails: the chip loses power, keeps cells or never finishes; the labels keep
// the old BIOS and no restart is offered.
TEST_P(FailingChip, EndsInFailAndOffersNoRestart) {
  const BrokenFlash& c = GetParam();
  CliSandbox box;
  const auto card = BuildImage(PresetNvidiaImage());
  const auto scenario = box.WriteScenario(
      "m.json", NvidiaMachine(box, "SST 39VF010", 0x34C7, card, {{"faults", c.chipFaults}}));
  box.Write("new.rom", BuildImage(Newer()));
  const CliResult r = box.Run({"--machine", scenario, "flash", "new.rom"});
  EXPECT_EQ(r.exitCode, 1);
  const std::string backup = "program/Backups/PX4R7.F4-20260101-000001.rom";
  EXPECT_EQ(After(r.lines, "open-dialog"),
            Join(Join({kBusy, kBlank, kBusy, KeptBackup("<dir>/" + backup)}, c.shown),
                 {"status: Fail !!", "dialog: Fail !!",
                  "msg: The flash failed, and writing the previous BIOS back failed too. "
                  "The previous BIOS was saved to <dir>/" + backup +
                      ". Flash that file to restore the card.",
                  "status: Ready", "exit 1"}));
  EXPECT_FALSE(HasLabelLines(After(r.lines, "open-dialog")));
  EXPECT_NE(box.Read("card.rom"), BuildImage(Newer()));
  // The backup is the whole chip as it was: the card's image, then erased cells.
  auto expected = card;
  expected.resize(128 * 1024, 0xFF);
  EXPECT_EQ(box.Read(backup), expected);
}

INSTANTIATE_TEST_SUITE_P(
    ChipFaults, FailingChip,
    ::testing::Values(
        BrokenFlash{"PowerCut", {{"power_cut_after_bytes", 1000}},
                    {"box \"ERROR\" ok error: Programming cycle had an error ... Aborting."}},
        BrokenFlash{"StuckCells", {{"stuck_cells", {{"offset", 0x100}}}},
                    {"box \"ERROR\" ok error: Programming cycle had an error ... Aborting."}},
        BrokenFlash{"StuckBusy", {{"chip_stuck_busy", true}}, {}}),
    [](const auto& p) { return std::string(p.param.name); });

// An image longer than the 64 KiB the job can hold is refused before anything on the chip changes.
TEST(FlashStep, ImageLongerThanTheBufferLeavesTheChipAsItWas) {
  CliSandbox box;
  const auto card = BuildImage(PresetNvidiaImage());
  const auto scenario = box.WriteScenario("m.json", NvidiaMachine(box, "SST 39VF010", 0x34C7, card));
  box.Write("big.rom", BuildImage(With([](ImageRecipe& s) { s.lengthByte = 0x90; })));
  const CliResult r = box.Run({"--machine", scenario, "flash", "big.rom"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(After(r.lines, "open-dialog"),
            (Lines{kBusy, kBlank, kBusy, "box \"ERROR\" ok error: Error reading file into buffer.",
                   "status: Fail !!", "dialog: Fail !!", "status: Ready", "exit 1"}));
  ExpectChipHolds(box.Read("card.rom"), card);
}

// A file longer than its image: only the image the length byte describes is programmed.
TEST(FlashStep, OnlyTheImageOfALongerFileIsProgrammed) {
  CliSandbox box;
  const auto scenario = box.WriteScenario(
      "m.json", NvidiaMachine(box, "SST 39VF010", 0x34C7, BuildImage(PresetNvidiaImage())));
  const auto image = BuildImage(Newer());
  auto file = image;
  file.insert(file.end(), 0x4000, 0x3C);
  box.Write("long.rom", file);
  const CliResult r = box.Run({"--machine", scenario, "flash", "long.rom"});
  EXPECT_EQ(r.exitCode, 0) << ::testing::PrintToString(r.lines);
  ExpectChipHolds(box.Read("card.rom"), image);
}

// The image file cannot be closed at the end of the job, after the chip was programmed and
// verified: the file was only read, so the flash has succeeded and says so.
TEST(FlashStep, FileThatCannotBeClosedAfterAVerifiedFlashStillCompletes) {
  CliSandbox box;
  json m = NvidiaMachine(box, "SST 39VF010", 0x34C7, BuildImage(PresetNvidiaImage()));
  m["faults"] = {{"file_close_fail", {"new.rom"}}};
  const auto image = BuildImage(Newer());
  box.Write("new.rom", image);
  const CliResult r = box.Run({"--machine", box.WriteScenario("m.json", m), "flash", "new.rom"});
  EXPECT_EQ(r.exitCode, 0) << ::testing::PrintToString(r.lines);
  EXPECT_TRUE(r.Has("msg: Flash BIOS completed!!!")) << ::testing::PrintToString(r.lines);
  ExpectChipHolds(box.Read("card.rom"), image);
}

// The driver stops mapping memory after the n-th mapping of the run, for every n up to the
// point where the whole run succeeds. Whatever the point, the card ends either untouched or
// holding the whole new image, success is reported only for a completed flash, and the outcomes
// include result 2 ("mapNV"), result 1 ("Accessing EEPROM error") and a failed read-back for
// display after a good flash ("Save Flash BIOS Fail!!!", labels emptied, no restart offer).
TEST(FlashStep, MappingFailingAtAnyPointNeverLeavesAHalfFlashedCardUnreported) {
  CliSandbox box;
  const auto card = BuildImage(PresetNvidiaImage());
  const auto newer = BuildImage(Newer());
  box.Write("new.rom", newer);
  bool sawNoWindow = false, sawNoIdentity = false, sawReadBackFail = false, sawCompleted = false;
  for (int n = 1; n <= 12 && !sawCompleted; ++n) {
    SCOPED_TRACE("map_fail_after " + std::to_string(n));
    json m = NvidiaMachine(box, "SST 39VF010", 0x34C7, card);
    m["faults"] = {{"map_fail_after", n}};
    const CliResult r = box.Run({"--machine", box.WriteScenario("m.json", m), "flash", "new.rom"});
    const auto chip = box.Read("card.rom");
    const bool flashed = chip.size() >= newer.size() && std::equal(newer.begin(), newer.end(), chip.begin());
    const bool completed = r.Has("msg: Flash BIOS completed!!!");
    EXPECT_EQ(r.exitCode == 0, completed) << ::testing::PrintToString(r.lines);
    if (!flashed) {
      ExpectChipHolds(chip, card);
    }
    if (r.Has("msg: Save Flash BIOS Fail!!!")) {
      sawReadBackFail = true;
      EXPECT_TRUE(flashed);
      // When both maps of the read-back fail, the second failure is counted, not shown.
      Lines tail = After(r.lines, "msg: Save Flash BIOS Fail!!!");
      std::erase(tail, "repeated 1: DeviceIOControl Fail(IOCTL_MAP_PHYS_TO_LINEAR)");
      EXPECT_EQ(tail, (Lines{"status: Ready", "exit 1"}));
      EXPECT_TRUE(r.Has("label lBIOSVersion: "));
      EXPECT_TRUE(r.Starting("yesno").empty());
    }
    if (r.Has("dialog: Rom already programmed")) {
      sawNoWindow = true;
      EXPECT_FALSE(flashed);
      EXPECT_EQ(After(r.lines, "box \"Error\" ok none: mapNV"),
                (Lines{"status: Rom already programmed", "dialog: Rom already programmed",
                       "status: Ready", "exit 1"}));
    }
    if (r.Has("box \"\" ok none: Accessing EEPROM error")) {
      sawNoIdentity = true;
      EXPECT_FALSE(flashed);
      EXPECT_EQ(After(r.lines, "box \"\" ok none: Accessing EEPROM error"),
                (Lines{"status: Ready", "status: Ready", "exit 1"}));
    }
    sawCompleted = completed;
    if (completed) {
      EXPECT_TRUE(flashed);
    }
  }
  EXPECT_TRUE(sawNoWindow);
  EXPECT_TRUE(sawNoIdentity);
  EXPECT_TRUE(sawReadBackFail);
  EXPECT_TRUE(sawCompleted);
}

// The driver's port requests fail from the middle of programming on (start-up takes some 16,500
// of them, programming this 64 KiB image over a million): the flash stops there and fails, and
// the failure is one box.
TEST(FlashStep, FailingPortRequestsShowOneBoxAndNeverComplete) {
  CliSandbox box;
  json m = NvidiaMachine(box, "PMC PM25LV010", 0x34C7, BuildImage(PresetNvidiaImage()));
  m["faults"] = {{"port_fail_after", 200000}};
  box.Write("new.rom", BuildImage(Newer()));
  const CliResult r = box.Run({"--machine", box.WriteScenario("m.json", m), "flash", "new.rom"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(std::count(r.lines.begin(), r.lines.end(),
                       "box \"\" ok none: DeviceIOControl Fail(IOCTL_ACCESS_PORT_DATA)"),
            1);
  EXPECT_TRUE(r.Has("box \"ERROR\" ok error: Programming cycle had an error ... Aborting."));
  EXPECT_TRUE(std::none_of(r.lines.begin(), r.lines.end(), [](const std::string& l) {
    return l.find("completed!!!") != std::string::npos;
  }));
}

// A card whose ROM header says zero length shows nothing at start, but can be flashed back to a
// working BIOS.
TEST(FlashStep, CardWithADamagedHeaderCanBeFlashed) {
  CliSandbox box;
  auto card = BuildImage(PresetNvidiaImage());
  card[2] = 0;
  const auto scenario = box.WriteScenario("m.json", NvidiaMachine(box, "SST 39VF010", 0x34C7, card));
  const auto newer = BuildImage(Newer());
  box.Write("new.rom", newer);
  const CliResult r = box.Run({"--machine", scenario, "flash", "new.rom"});
  EXPECT_EQ(r.exitCode, 0) << ::testing::PrintToString(r.lines);
  EXPECT_EQ(Lines(r.lines.begin(), r.lines.begin() + 4),
            (Lines{"box \"ERROR\" ok error: found zero ROM size.", "label lBIOSVersion: ",
                   "label lEEPROMName: ", "label lEEPROMSize: "}));
  EXPECT_TRUE(r.Has("label lBIOSVersion: PX4R7 F5"));
  ExpectChipHolds(box.Read("card.rom"), newer);
}

// ---- A flashed card persists: the next run sees the new version ----

TEST(FlashStep, NextRunShowsTheFlashedVersion) {
  CliSandbox box;
  ImageRecipe card = PresetNvidiaImage();
  card.block.reset();
  card.modelText = "RZ-PX4R7H/F4";
  const auto scenario =
      box.WriteScenario("m.json", NvidiaMachine(box, "SST 39VF010", 0x34C7, BuildImage(card)));
  ASSERT_EQ(box.MakeImage({"--model-text", "RZ-PX4R7H/F5", "--seed", "3", "new.rom"}), 0);

  const CliResult before = box.Run({"--machine", scenario, "info"});
  EXPECT_TRUE(before.Has("label lBIOSVersion: RZ-PX4R7H F4"));
  const CliResult flash = box.Run({"--machine", scenario, "flash", "new.rom"});
  ASSERT_EQ(flash.exitCode, 0) << flash.err;
  const CliResult after = box.Run({"--machine", scenario, "info"});
  EXPECT_EQ(after.exitCode, 0);
  EXPECT_TRUE(after.Has("label lBIOSVersion: RZ-PX4R7H F5"));
  ExpectChipHolds(box.Read("card.rom"), box.Read("new.rom"));
}

}  // namespace
}  // namespace rz::e2e
