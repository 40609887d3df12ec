// SPDX-License-Identifier: GPL-3.0-or-later
// The card's history through the terminal front end: a save and a flash recorded and listed, a
// history that cannot be written reported without changing the flash's result, and a vendor tool
// that takes long told about once a minute and never stopped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "CliRunner.h"
#include "FlashHold.h"
#include "Machines.h"
#include "base/Sha256.h"
#include "sim/scenario/Calendar.h"

namespace rz::e2e {
namespace {

using nlohmann::json;

const char* const kBusy = "status: Please wait a moment ...DO NOT shut down this computer";

std::string Sha(const std::vector<std::uint8_t>& bytes) { return Sha256::Hex(Sha256::Of(bytes)); }

// A scenario file is the user's practice machine: its flash's backup and history line carry the
// real date unless the file fixes the calendar, which then holds for both.
TEST(History, AScenarioFileRunsOnTheRealDateUnlessItFixesTheCalendar) {
  const auto today = [] {
    const platform::LocalTime t = sim::CivilFromSeconds(sim::RealLocalCalendarNow());
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d%02d", t.year, t.month, t.day);
    return std::string(text);
  };
  for (const char* start : {"", "2031-02-03T04:05:06"}) {
    SCOPED_TRACE(*start ? start : "no calendar_start");
    CliSandbox box;
    json m = NvidiaMachine(box, "SST 39VF010", 0x34C7, OldImage());
    if (*start) m["calendar_start"] = start;
    box.WriteText("m.json", m.dump());  // as the user wrote it, not through WriteScenario
    box.Write("new.rom", NewImage());
    const std::string before = today();
    ASSERT_EQ(box.Run({"--machine", box.Path("m.json"), "flash", "new.rom"}).exitCode, 0);
    const std::string after = today();
    const json e = json::parse(box.Run({"--machine", box.Path("m.json"), "--json", "history"}).out)
                       .at("entries");
    ASSERT_EQ(e.size(), 1u);
    std::string day = e[0].at("time").get<std::string>().substr(0, 10);
    day.erase(std::remove(day.begin(), day.end(), '-'), day.end());
    const std::string backup = e[0].at("backup").get<std::string>();
    if (*start) {
      EXPECT_EQ(day, "20310203");
      EXPECT_NE(backup.find("-20310203-0405"), std::string::npos) << backup;
    } else {
      EXPECT_TRUE(day == before || day == after) << day;
      EXPECT_NE(backup.find("-" + day + "-"), std::string::npos) << backup;
    }
  }
}

TEST(History, ASaveAndAFlashAreListedWithWhatEachDid) {
  CliSandbox box;
  const std::string m = box.WriteScenario("m.json", NvidiaMachine(box, "SST 39VF010", 0x34C7, OldImage()));
  box.Write("new.rom", NewImage());
  const CliResult empty = box.Run({"--machine", m, "--json", "history"});
  EXPECT_EQ(empty.exitCode, 0) << empty.err;
  EXPECT_NE(empty.err.find("No save or flash has been recorded yet"), std::string::npos) << empty.err;
  EXPECT_TRUE(json::parse(empty.out).at("entries").empty());

  ASSERT_EQ(box.Run({"--machine", m, "save", "saved.rom"}).exitCode, 0);
  ASSERT_EQ(box.Run({"--machine", m, "flash", "new.rom"}).exitCode, 0);
  const CliResult r = box.Run({"--machine", m, "--json", "history"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const json out = json::parse(r.out);
  EXPECT_EQ(out.at("problem"), nullptr);
  EXPECT_EQ(box.NormalisePaths(out.at("history_file").get<std::string>()), "<dir>/program/history.log");
  const json& e = out.at("entries");
  ASSERT_EQ(e.size(), 2u) << r.out;
  for (const json& one : e) {
    EXPECT_EQ(one.at("damaged"), false);
    EXPECT_EQ(one.at("bus"), "01:00");
    EXPECT_EQ(one.at("ids"), "10DE:0191");
    EXPECT_EQ(one.at("chip"), "SST 39VF010");
    EXPECT_EQ(one.at("result"), "ok");
    EXPECT_EQ(one.at("reason"), nullptr);
    EXPECT_EQ(one.at("time").get<std::string>().rfind("2026-01-01T00:", 0), 0u);
  }
  EXPECT_EQ(e[0].at("action"), "save");
  EXPECT_EQ(e[0].at("old_sha256"), Sha(OldImage()));
  EXPECT_EQ(box.NormalisePaths(e[0].at("backup")), "<dir>/saved.rom");
  EXPECT_EQ(e[1].at("action"), "flash");
  EXPECT_EQ(e[1].at("new_sha256"), Sha(NewImage()));
  EXPECT_EQ(e[1].at("old_version"), e[0].at("old_version"));
  EXPECT_NE(e[1].at("new_version"), e[1].at("old_version"));
  EXPECT_EQ(box.NormalisePaths(e[1].at("backup")).rfind("<dir>/program/Backups/", 0), 0u);
  EXPECT_EQ(e[1].at("old_sha256"), Sha(box.Read(box.NormalisePaths(e[1].at("backup")).substr(6))));

  // The same for people: one line each, the file's header not among them.
  const CliResult text = box.Run({"--machine", m, "history"});
  EXPECT_EQ(text.exitCode, 0);
  EXPECT_EQ(Count(text.out, "\n"), 2u) << text.out;
  EXPECT_NE(text.out.find("  save  01:00 10DE:0191 "), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("  flash  01:00 10DE:0191 "), std::string::npos) << text.out;
}

TEST(History, ADamagedLineIsShownAndTheListingGoesOn) {
  CliSandbox box;
  const std::string m = box.WriteScenario("m.json", NvidiaMachine(box, "SST 39VF010", 0x34C7, OldImage()));
  ASSERT_EQ(box.Run({"--machine", m, "save", "saved.rom"}).exitCode, 0);
  const auto log = box.Read("program/history.log");
  std::string text(log.begin(), log.end());
  box.WriteText("program/history.log", text + "half a line\n" + text.substr(text.find('\n') + 1));
  const CliResult r = box.Run({"--machine", m, "--json", "history"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const json out = json::parse(r.out);
  const json& e = out.at("entries");
  ASSERT_EQ(e.size(), 3u);
  EXPECT_EQ(e[1].at("damaged"), true);
  EXPECT_EQ(e[1].at("line"), 3);
  EXPECT_EQ(e[1].at("text"), "half a line");
  EXPECT_EQ(e[2].at("action"), "save");
}

// The history is beside the flash: a history file that cannot be opened is reported, on standard
// error and in the transcript, and the flash ends as it would have.
TEST(History, AHistoryThatCannotBeWrittenLeavesTheFlashAsItWas) {
  CliSandbox box;
  json machine = NvidiaMachine(box, "SST 39VF010", 0x34C7, OldImage());
  machine["faults"] = {{"file_create_fail", {"history.log"}}};
  const std::string m = box.WriteScenario("m.json", machine);
  box.Write("new.rom", NewImage());
  const CliResult r = box.Run({"--machine", m, "flash", "new.rom"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(ChipHolds(box.Read("card.rom"), NewImage()));
  const std::string notice = "The history could not be written: <dir>/program/history.log cannot "
                             "be opened for appending";
  EXPECT_TRUE(r.Has("status: " + notice)) << ::testing::PrintToString(r.lines);
  EXPECT_NE(box.NormalisePaths(r.err).find("rzflash-cli: " + notice), std::string::npos) << r.err;
  EXPECT_EQ(r.lines.back(), "exit 0");
  EXPECT_FALSE(box.Exists("program/history.log"));
}

// A vendor tool that takes five minutes: from its usual two minutes on, the status says how long
// it has been flashing, once a minute; it is waited for to its end and the flash completes.
TEST(SlowVendorTool, IsToldAboutOnceAMinuteAndNeverStopped) {
  CliSandbox box;
  const auto card = testimage::BuildImage(PresetAtiImage());
  const json slow = {{"program", {{"seconds", 300}}}};
  const std::string m = box.WriteScenario("m.json", AtiMachine(box, 0x21B8, card, "8.542.0.0", slow));
  const auto image = testimage::BuildImage(AtiImage(0x21B8, "RZ-HD485/F3"));
  box.Write("new.rom", image);
  const CliResult r = box.Run({"--machine", m, "flash", "new.rom"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  const std::string program = Launch("<dir>", "-p 0 Flash.bin -f -quiet");
  const Lines after = After(r.lines, program);
  ASSERT_GE(after.size(), 5u) << ::testing::PrintToString(r.lines);
  EXPECT_EQ(Lines(after.begin(), after.begin() + 5),
            (Lines{"status: Flashing: 2 min - do not turn the computer off",
                   "status: Flashing: 3 min - do not turn the computer off",
                   "status: Flashing: 4 min - do not turn the computer off", kBusy,
                   "status: Ready"}));
  EXPECT_TRUE(r.Has("msg: Flash VGA BIOS completed!!!"));
  EXPECT_EQ(box.Read("ati-card.rom").size() >= image.size() &&
                std::equal(image.begin(), image.end(), box.Read("ati-card.rom").begin()),
            true);
  // Launches that end within their usual time tell nothing.
  EXPECT_EQ(r.Starting("status: Reading the card").size(), 0u);
}

}  // namespace
}  // namespace rz::e2e
