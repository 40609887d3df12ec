// SPDX-License-Identifier: GPL-3.0-or-later
// rzflash-cli info on every preset: the labels, messages and questions of card detection, and the
// exit status; and the start on this computer's hardware without raw port access.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "CliRunner.h"
#include "Machines.h"

namespace rz::e2e {
namespace {

using nlohmann::json;

struct InfoCase {
  const char* preset;
  std::vector<std::string> answers;
  int exitCode;
  Lines transcript;
};

Lines NvidiaLabels(const std::string& version, const std::string& chip) {
  return {"label lBIOSVersion: " + version, "label lEEPROMName: " + chip,
          "label lEEPROMSize: 65536 bytes", "status: Ready"};
}

const Lines kNoConfigStart = {
    "box \"\" ok none: <tmp>/program//RZFLASH.CFG",
    "box \"\" ok none: Error opening cfg file",
    "box \"ERROR\" ok error: Supported device not found.",
    "box \"ERROR\" ok error: Supported device not found.",
};
const char* const kCautionNo =
    "box \"Caution\" yesno none -> no: Talvenor VGA BIOS not found! Do you want to continue?";
const char* const kCautionYes =
    "box \"Caution\" yesno none -> yes: Talvenor VGA BIOS not found! Do you want to continue?";
const Lines kAtiDetected = {
    Launch("<tmp>", " -s 0 Backup.rom -quiet"),
    "label lBIOSVersion: RZ-HD485 F2", "label lEEPROMSize: 65536  Bytes", "status: Ready"};

class InfoOnPreset : public ::testing::TestWithParam<InfoCase> {};

TEST_P(InfoOnPreset, ShowsWhatDetectionFound) {
  const InfoCase& c = GetParam();
  CliSandbox box;
  std::vector<std::string> args{"--machine", c.preset};
  for (const auto& a : c.answers) {
    args.push_back("--answer");
    args.push_back(a);
  }
  args.push_back("info");
  const CliResult r = box.Run(args);
  EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
  EXPECT_EQ(r.lines, Join(c.transcript, {"exit " + std::to_string(c.exitCode)}));
}

// A card with a "$RZ" block shows its model name and one blank; the version is in the backup name.
INSTANTIATE_TEST_SUITE_P(
    EveryPreset, InfoOnPreset,
    ::testing::Values(
        InfoCase{"nvidia-parallel", {}, 0, NvidiaLabels("PX4R7 F4", "SST 39VF010        ")},
        InfoCase{"nvidia-spi", {}, 0, NvidiaLabels("PX4R7 F4", "PMC PM25LV010      ")},
        InfoCase{"nvidia-sst25", {}, 0, NvidiaLabels("PX4R7 F4", "SST 25VF512        ")},
        InfoCase{"nvidia-at25", {}, 0, NvidiaLabels("PX4R7 F4", "AT AT25F512        ")},
        InfoCase{"nvidia-sst45", {}, 0, NvidiaLabels("PX4R7 F4", "SST 45LF010        ")},
        InfoCase{"nvidia-modeltext", {}, 0, NvidiaLabels("RZ-PX4R7H F4", "PMC PM25LV010      ")},
        InfoCase{"nvidia-nomaker", {}, 1, {kCautionNo}},
        InfoCase{"nvidia-nomaker", {"yes"}, 0,
                 Join({kCautionYes}, NvidiaLabels(" ", "PMC PM25LV010      "))},
        // Ids nobody knows: the chip has no name and no size, so the labels are emptied.
        InfoCase{"nvidia-unknown-chip", {}, 1,
                 {"label lBIOSVersion: ", "label lEEPROMName: ", "label lEEPROMSize: ",
                  "status: Ready"}},
        InfoCase{"nvidia-no-config", {}, 1, Join(kNoConfigStart, {kCautionNo})},
        InfoCase{"nvidia-no-config", {"yes"}, 1,
                 Join(kNoConfigStart,
                      {kCautionYes, "box \"ERROR\" ok error: Supported device not found.",
                       "box \"\" ok none: mapNV", "label lBIOSVersion: ", "label lEEPROMName: ",
                       "label lEEPROMSize: ", "status: Ready"})},
        InfoCase{"ati", {}, 0, kAtiDetected},
        InfoCase{"ati-old-driver", {}, 0, kAtiDetected},
        InfoCase{"ati-old-series", {}, 1, {"dialog: Not support this series!!!"}},
        InfoCase{"no-card", {}, 1, {"box \"Error\" ok none: No Card Found", "status: Ready"}},
        InfoCase{"other-vendor", {}, 1, {"status: Ready"}}),
    [](const auto& param) {
      std::string name = param.param.preset;
      for (const auto& a : param.param.answers) name += "_" + a;
      for (char& ch : name)
        if (ch == '-') ch = '_';
      return name;
    });

// A Backup.rom left in the current folder by an earlier run is never described as the card's
// BIOS when the tool wrote none now: no version, and an empty size.
TEST(InfoOnAti, StaleBackupIsNotReadWhenTheToolWritesNothing) {
  CliSandbox box;
  const json m = AtiMachine(box, 0x21B8, testimage::BuildImage(PresetAtiImage()), "8.542.0.0",
                            json{{"save", "silent"}});
  box.Write("Backup.rom", testimage::BuildImage(AtiImage(0x21B8, "RZ-HD485/F9")));
  const CliResult r = box.Run({"--machine", box.WriteScenario("m.json", m), "info"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.lines, (Lines{Launch("<dir>", " -s 0 Backup.rom -quiet"),
                            "label lEEPROMSize: ", "status: Ready", "exit 1"}));
}

// What the terminal shows: questions with the answer taken, labels by name, the status line.
TEST(InfoOnPreset, TerminalShowsQuestionsLabelsAndStatus) {
  CliSandbox box;
  const CliResult r = box.Run({"--machine", "nvidia-nomaker", "--answer", "yes", "info"});
  EXPECT_EQ(r.out,
            "Caution: Talvenor VGA BIOS not found! Do you want to continue? [y/N] yes\n"
            "BIOS version: \nEEPROM: PMC PM25LV010\nEEPROM size: 65536 bytes\n[Ready]\n");
  // Without an answer and without a terminal the question is answered No.
  const CliResult no = box.Run({"--machine", "nvidia-nomaker", "info"});
  EXPECT_EQ(no.out, "Caution: Talvenor VGA BIOS not found! Do you want to continue? [y/N] no\n");
}

TEST(InfoOnPreset, EveryListedPresetIsCovered) {
  CliSandbox box;
  const CliResult r = box.Run({"machines"});
  ASSERT_EQ(r.exitCode, 0);
  std::vector<std::string> listed;
  std::istringstream in(r.out);
  for (std::string line; std::getline(in, line);) listed.push_back(line.substr(0, line.find(' ')));
  const std::vector<std::string> covered = {
      "ati", "ati-old-driver", "ati-old-series", "no-card", "nvidia-at25", "nvidia-modeltext",
      "nvidia-no-config", "nvidia-nomaker", "nvidia-parallel", "nvidia-sst25", "nvidia-sst45",
      "nvidia-spi", "nvidia-unknown-chip", "other-vendor"};
  std::sort(listed.begin(), listed.end());
  auto sorted = covered;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(listed, sorted);
}

// On a machine where no access method works the driver cannot be brought up, the user sees
// only the bring-up failure and the run ends with status 3.
TEST(InfoOnHardware, WithoutAnyAccessMethodOnlyTheBringUpFailureIsShown) {
#ifdef _WIN32
  GTEST_SKIP() << "on Windows the bring-up registers a machine-wide service: the Windows suite "
                  "runs this under its lock (DriverBringUpOnMachine)";
#else
  if (std::filesystem::exists("/dev/port"))
    GTEST_SKIP() << "this machine has /dev/port; the bring-up may succeed";
  if (::geteuid() == 0 && std::filesystem::exists("/sys/bus/pci/devices") &&
      !std::filesystem::is_empty("/sys/bus/pci/devices"))
    GTEST_SKIP() << "the sysfs access method serves the bring-up here (the Linux suite's "
                    "RealSysfs tests run this machine's hardware)";
#endif
  CliSandbox box;
  const CliResult r = box.Run({"info"});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.lines, (Lines{"dialog: Initialize DODozori Fail!!!", "exit 3"}));
  EXPECT_NE(r.err.find("/dev/port"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace rz::e2e
