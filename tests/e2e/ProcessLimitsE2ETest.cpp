// SPDX-License-Identifier: GPL-3.0-or-later
// rzflash-cli under a file-size limit (`ulimit -f`) that the safety backup reaches: the backup's
// write fails as on a full disk, nothing is written to the card, nothing is left behind, and the
// program is not ended by the system (SIGXFSZ) half-way. POSIX systems only: the limit is set by
// the shell the program is started from.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "ChildProcess.h"
#include "CliRunner.h"
#include "FlashHold.h"
#include "Machines.h"

namespace rz::e2e {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(FileSizeLimit, ReachedByTheSafetyBackupFailsTheFlashBeforeTheCardIsTouched) {
  CliSandbox box;
  // The card's image is not written back at the end: the limit would refuse that too (what the
  // card holds is told by the transcript).
  const auto scenario = box.WriteScenario(
      "m.json", NvidiaMachine(box, "PMC PM25LV010", 0x34C7, OldImage(), {{"persist", false}}));
  box.Write("new.rom", NewImage());
  // 64 KiB (128 blocks of 512 bytes): the transcript fits, the backup of the 128 KiB chip not.
  const int status = RunChild(
      "/bin/sh",
      {"-c", "ulimit -f 128 && exec \"$0\" \"$@\"", RZFLASH_CLI_PATH, "--transcript",
       box.Path("t.txt"), "--machine", scenario, "flash", "new.rom"},
      box.Dir(), box.Path("out.txt"), box.Path("err.txt"));
  EXPECT_EQ(status, 1) << Slurp(box.Path("err.txt"));  // not 128 + SIGXFSZ
  std::istringstream transcript(Slurp(box.Path("t.txt")));
  Lines lines;
  for (std::string line; std::getline(transcript, line);) lines.push_back(line);
  EXPECT_NE(std::find(lines.begin(), lines.end(),
                      "msg: Cannot back up the current BIOS. Nothing was written to the card."),
            lines.end())
      << ::testing::PrintToString(lines);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "exit 1");
  // No backup, whole or cut, and no hidden temporary file of one, anywhere in the sandbox.
  for (const auto& e : fs::recursive_directory_iterator(box.Dir())) {
    const std::string name = e.path().filename().string();
    EXPECT_NE(name.rfind(".rz", 0), 0u) << e.path();
    EXPECT_EQ(e.path().extension() == ".rom" && e.path().parent_path().filename() == "Backups",
              false)
        << e.path();
  }
  EXPECT_FALSE(std::find(lines.begin(), lines.end(), "msg: Flash BIOS completed!!!") != lines.end());
}

}  // namespace
}  // namespace rz::e2e
#endif
