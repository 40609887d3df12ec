// SPDX-License-Identifier: GPL-3.0-or-later
// rzflash-cli save on both roads: the saved file byte for byte, the dialog's proposal, the
// messages, and the failures (unsupported chip, a vendor tool that writes nothing).
#include <gtest/gtest.h>

#include <filesystem>

#include "CliRunner.h"
#include "Machines.h"

namespace rz::e2e {
namespace {

using nlohmann::json;

const char* const kBusy = "status: Please wait a moment ...DO NOT shut down this computer";
const char* const kBlank = "msg: The screen may go *BLANK* during EEPROM flash";

class NvidiaSave : public ::testing::TestWithParam<const char*> {};

// The file is the card's image exactly as long as its header says (64 KiB of a 128 KiB chip on
// the parallel part), read through the aperture or the serial bus.
TEST_P(NvidiaSave, WritesTheCardsImageByteForByte) {
  CliSandbox box;
  const CliResult r = box.Run({"--machine", GetParam(), "save", "saved.rom"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(After(r.lines, "status: Ready"),
            (Lines{"save-dialog \"<tmp>/program/\" \"PX4R7.F4\" -> <dir>/saved.rom", kBusy, kBlank,
                   "kept saved sha256 <sha256>: <dir>/saved.rom", "msg: Save VGA BIOS completed!!!",
                   "status: Ready", "exit 0"}));
  EXPECT_EQ(box.Read("saved.rom"), testimage::BuildImage(PresetNvidiaImage()));
}

INSTANTIATE_TEST_SUITE_P(ParallelAndSerial, NvidiaSave,
                         ::testing::Values("nvidia-parallel", "nvidia-at25"),
                         [](const auto& p) {
                           return std::string(p.param) == "nvidia-parallel" ? "parallel" : "serial";
                         });

TEST(NvidiaSave, AChipNobodyKnowsIsNotSavedAndNoFileIsLeft) {
  CliSandbox box;
  const CliResult r = box.Run({"--machine", "nvidia-unknown-chip", "save", "saved.rom"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(After(r.lines, "save-dialog"),
            (Lines{kBusy, kBlank, "box \"\" ok none: Supported EEPROM not found.",
                   "msg: Save VGA BIOS failed!!!", "status: Ready", "exit 1"}));
  EXPECT_FALSE(box.Exists("saved.rom"));
}

// The backup is written to a temporary file beside the target and renamed at the end: when either
// step fails the user is told, and neither the target nor the temporary file is left.
struct WriteFault {
  const char* name;
  json faults;
  const char* message;
};

class NvidiaSaveWriteFault : public ::testing::TestWithParam<WriteFault> {};

TEST_P(NvidiaSaveWriteFault, FailsAndLeavesNoFile) {
  CliSandbox box;
  json m = NvidiaMachine(box, "SST 39VF010", 0x34C7, testimage::BuildImage(PresetNvidiaImage()));
  m["faults"] = GetParam().faults;
  std::filesystem::create_directories(box.Path("out"));
  const CliResult r = box.Run({"--machine", box.WriteScenario("m.json", m), "save", "out/saved.rom"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(After(r.lines, "save-dialog"), (Lines{kBusy, kBlank, GetParam().message,
                                                  "msg: Save VGA BIOS failed!!!", "status: Ready",
                                                  "exit 1"}));
  EXPECT_FALSE(box.Exists("out/saved.rom"));
  EXPECT_TRUE(std::filesystem::is_empty(box.Path("out")));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, NvidiaSaveWriteFault,
    ::testing::Values(WriteFault{"NoTemporaryFile", {{"temp_file_fail", true}},
                                 "box \"\" ok none: Cannot open file: <dir>/out/saved.rom."},
                      WriteFault{"RenameFails", {{"rename_fail", true}},
                                 "box \"Error\" ok none: Closing file: <dir>/out/saved.rom error"}),
    [](const auto& p) { return std::string(p.param.name); });

// A model-text card proposes its model name and a point: its version word is 0.
TEST(AtiSave, CopiesTheToolsSaveFileToTheTarget) {
  CliSandbox box;
  const CliResult r = box.Run({"--machine", "ati", "save", "saved.rom"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(After(r.lines, "status: Ready"),
            (Lines{"save-dialog \"<tmp>/program/\" \"RZ-HD485.\" -> <dir>/saved.rom", kBusy, kBlank,
                   Launch("<tmp>", "-s 0 Save.bin -quiet"),
                   "msg: Save VGA BIOS completed!!!", "status: Ready", "exit 0"}));
  EXPECT_EQ(box.Read("saved.rom"), testimage::BuildImage(PresetAtiImage()));
}

// A Save.bin left from an earlier run must not pass for the card's BIOS when the tool wrote
// nothing now, whatever the tool did instead.
class AtiSaveWithStaleFile : public ::testing::TestWithParam<json> {};

TEST_P(AtiSaveWithStaleFile, FailsAndCreatesNoTarget) {
  CliSandbox box;
  const auto image = testimage::BuildImage(PresetAtiImage());
  const json tool{{"save", GetParam()}};
  const auto scenario = box.WriteScenario("m.json", AtiMachine(box, 0x21B8, image, "8.542.0.0", tool));
  box.Write("Save.bin", std::vector<std::uint8_t>(0x8000, 0x5A));
  const CliResult r = box.Run({"--machine", scenario, "save", "saved.rom"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.Has("msg: Save VGA BIOS failed!!!"));
  EXPECT_FALSE(r.Has("msg: Save VGA BIOS completed!!!"));
  EXPECT_FALSE(box.Exists("saved.rom"));
}

INSTANTIATE_TEST_SUITE_P(ToolBehaviours, AtiSaveWithStaleFile,
                         ::testing::Values(json("silent"), json("fails"), json("missing"),
                                           json{{"exit_code", 3}}),
                         [](const auto& p) {
                           return p.param.is_string() ? p.param.template get<std::string>()
                                                      : std::string("exit_code_3");
                         });

TEST(AtiSave, ATargetThatCannotBeWrittenIsAFailure) {
  // No temporary file beside the target, or one that cannot be put in its place.
  for (const char* fault : {"temp_file_fail", "rename_fail"}) {
    CliSandbox box;
    const auto image = testimage::BuildImage(PresetAtiImage());
    json m = AtiMachine(box, 0x21B8, image);
    m["faults"] = {{fault, true}};
    const CliResult r = box.Run({"--machine", box.WriteScenario("m.json", m), "save", "saved.rom"});
    EXPECT_EQ(r.exitCode, 1) << fault;
    EXPECT_TRUE(r.Has("msg: Save VGA BIOS failed!!!")) << fault;
    EXPECT_FALSE(box.Exists("saved.rom")) << fault;
  }
}

TEST(Save, NoCardOfEitherFamilySavesNothingAndShowsNoResult) {
  CliSandbox box;
  const CliResult r = box.Run({"--machine", "other-vendor", "save", "saved.rom"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(After(r.lines, "save-dialog"), (Lines{kBusy, kBlank, "status: Ready", "exit 1"}));
  EXPECT_FALSE(box.Exists("saved.rom"));
}

}  // namespace
}  // namespace rz::e2e
