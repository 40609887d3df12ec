// SPDX-License-Identifier: GPL-3.0-or-later
// A flash that fails once the chip was touched writes the safety backup back at once, on every
// programming algorithm: the chip is byte for byte as before, the user is told so with the
// backup's name, and the history holds the failed flash and the restore.
#include <gtest/gtest.h>

#include "NvidiaFlashExpectations.h"
#include "base/Sha256.h"

namespace rz::e2e {
namespace {

using nlohmann::json;
using testimage::BuildImage;
using namespace nvflash;

// The first offset where `old` (0xFF past its end) is blank and `next` is not: a cell stuck
// there refuses the new image but takes the old one.
std::optional<std::uint32_t> BlankOnlyInOld(const std::vector<std::uint8_t>& old,
                                            const std::vector<std::uint8_t>& next) {
  for (std::size_t i = 0; i < next.size(); ++i)
    if ((i >= old.size() || old[i] == 0xFF) && next[i] != 0xFF) return static_cast<std::uint32_t>(i);
  return std::nullopt;
}

TEST(AutomaticRestore, PutsTheOldBiosBackOnEveryAlgorithm) {
  const auto old = BuildImage(PresetNvidiaImage());
  const auto next = BuildImage(Newer());
  const auto stuck = BlankOnlyInOld(old, next);
  ASSERT_TRUE(stuck.has_value());
  // Page write, byte program, serial page program, auto-address-increment, the AT25F erase, the
  // 45-series byte program.
  for (const char* chip : {"SST 29EE010", "SST 39VF010", "PMC PM25LV010", "SST 25VF512",
                           "AT AT25F512", "SST 45LF010"}) {
    SCOPED_TRACE(chip);
    CliSandbox box;
    const std::string m = box.WriteScenario(
        "m.json", NvidiaMachine(box, chip, 0x34C7, old,
                                {{"faults", {{"stuck_cells", {{"offset", *stuck}}}}}}));
    box.Write("new.rom", next);
    const CliResult r = box.Run({"--machine", m, "flash", "new.rom"});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    ExpectChipHolds(box.Read("card.rom"), old);
    EXPECT_EQ(box.Read(kFirstBackup).size() >= old.size(), true);
    const std::string restored = "msg: The flash failed. The previous BIOS was written back and "
                                 "verified. Its backup is <dir>/" + std::string(kFirstBackup) + ".";
    EXPECT_EQ(Lines(r.lines.end() - 3, r.lines.end()), (Lines{restored, "status: Ready", "exit 1"}))
        << ::testing::PrintToString(r.lines);
    EXPECT_TRUE(r.Starting("yesno").empty()) << "no restart after a failed flash";

    // The history: the flash that failed, then the restore that put the backup back.
    const json h = json::parse(box.Run({"--machine", m, "--json", "history"}).out);
    const json& e = h.at("entries");
    ASSERT_EQ(e.size(), 2u) << h.dump();
    EXPECT_EQ(e[0].at("action"), "flash");
    EXPECT_EQ(e[0].at("result"), "failed");
    EXPECT_EQ(e[1].at("action"), "restore");
    EXPECT_EQ(e[1].at("result"), "ok");
    EXPECT_EQ(e[1].at("new_sha256"), Sha256::Hex(Sha256::Of(box.Read(kFirstBackup))));
    EXPECT_EQ(e[1].at("new_version"), e[0].at("old_version"));
  }
}

// A chip that refuses the old BIOS as well: the restore fails, and the message says so and names
// the backup that restores the card; the history records both failures.
TEST(AutomaticRestore, ThatFailsTooNamesTheBackup) {
  const auto old = BuildImage(PresetNvidiaImage());
  CliSandbox box;
  const std::string m = box.WriteScenario(
      "m.json", NvidiaMachine(box, "PMC PM25LV010", 0x34C7, old,
                              {{"faults", {{"stuck_cells", {{"offset", 0x100}, {"count", 16}}}}}}));
  box.Write("new.rom", BuildImage(Newer()));
  const CliResult r = box.Run({"--machine", m, "flash", "new.rom"});
  EXPECT_EQ(r.exitCode, 1);
  ASSERT_GE(r.lines.size(), 3u);
  EXPECT_EQ(r.lines.end()[-3],
            "msg: The flash failed, and writing the previous BIOS back failed too. The previous "
            "BIOS was saved to <dir>/" + std::string(kFirstBackup) +
                ". Flash that file to restore the card.")
      << ::testing::PrintToString(r.lines);
  EXPECT_EQ(box.Read(kFirstBackup).size() >= old.size() &&
                std::equal(old.begin(), old.end(), box.Read(kFirstBackup).begin()),
            true);
  const json e = json::parse(box.Run({"--machine", m, "--json", "history"}).out).at("entries");
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[1].at("action"), "restore");
  EXPECT_EQ(e[1].at("result"), "failed");
}

}  // namespace
}  // namespace rz::e2e
