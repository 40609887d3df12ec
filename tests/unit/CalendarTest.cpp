// SPDX-License-Identifier: GPL-3.0-or-later
// The emulated machine's calendar: the texts a scenario fixes its start with, and the time the
// programs read from it.
#include <gtest/gtest.h>

#include "sim/scenario/Calendar.h"
#include "sim/seams/EmulatedPlatform.h"
#include "support/SimHarness.h"

namespace rz::test {
namespace {

TEST(CalendarText, TakesRealTimesOnlyAndReadsThemBack) {
  const struct {
    const char* text;
    bool valid;
  } rows[] = {
      {"2026-01-01T00:00:00", true},  {"1970-01-01T00:00:00", true},
      {"2028-02-29T23:59:59", true},  {"9999-12-31T23:59:59", true},
      {"2027-02-29T12:00:00", false},  // not a leap year
      {"2026-04-31T00:00:00", false},  {"2026-13-01T00:00:00", false},
      {"2026-00-10T00:00:00", false},  {"2026-01-00T00:00:00", false},
      {"2026-01-01T24:00:00", false},  {"2026-01-01T00:60:00", false},
      {"2026-01-01T00:00:60", false},  {"1969-12-31T23:59:59", false},
      {"2026-01-01 00:00:00", false},  {"2026/01/01T00:00:00", false},
      {"2026-01-01T00:00", false},     {"2026-01-01T00:00:000", false},
      {"2026-0a-01T00:00:00", false},  {"", false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    const auto seconds = sim::ParseCalendarText(row.text);
    ASSERT_EQ(seconds.has_value(), row.valid);
    if (!seconds) continue;
    const platform::LocalTime t = sim::CivilFromSeconds(*seconds);
    char back[32];
    std::snprintf(back, sizeof back, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    EXPECT_EQ(std::string(back), row.text);
  }
  EXPECT_EQ(sim::ParseCalendarText("2026-01-01T00:00:00"), sim::kDefaultCalendarStart);
}

TEST(EmulatedCalendar, StartsWhereTheScenarioSaysAndRunsWithTheVirtualClock) {
  for (const bool fixed : {false, true}) {
    SCOPED_TRACE(fixed ? "calendar_start given" : "default");
    nlohmann::json scenario = {{"adapters", nlohmann::json::array()}};
    if (fixed) scenario["calendar_start"] = "2031-07-15T10:20:30";
    SimHarness h(scenario);
    const platform::LocalTime now = h.platform->Seams().system.Now();
    const platform::LocalTime start =
        fixed ? platform::LocalTime{2031, 7, 15, 10, 20, 30} : platform::LocalTime{2026, 1, 1, 0, 0, 0};
    EXPECT_EQ(now.year, start.year);
    EXPECT_EQ(now.month, start.month);
    EXPECT_EQ(now.day, start.day);
    // The harness may have let the virtual clock run a little since the start.
    const int elapsed = (now.hour - start.hour) * 3600 + (now.minute - start.minute) * 60 +
                        (now.second - start.second);
    EXPECT_GE(elapsed, 0);
    EXPECT_LT(elapsed, 60);
  }
}

// A user's scenario file runs on the computer's clock: the calendar does not run ahead with the
// virtual clock, which the emulated hardware's waits move on.
TEST(EmulatedCalendar, TheRealCalendarIsTheComputersClock) {
  TempDir dir;
  sim::ScenarioRecipe recipe = sim::ParseScenario(nlohmann::json::object(), dir.Path().string());
  recipe.realCalendar = true;
  sim::EmulatedPlatform platform(std::move(recipe));
  const std::int64_t before = sim::RealLocalCalendarNow();
  platform.Seams().system.Sleep(3600 * 1000);  // an hour of virtual time
  const platform::LocalTime now = platform.Seams().system.Now();
  const std::int64_t after = sim::RealLocalCalendarNow();
  const std::int64_t seconds =
      sim::DaysFromCivil(now.year, static_cast<unsigned>(now.month), static_cast<unsigned>(now.day)) *
          86400 +
      now.hour * 3600 + now.minute * 60 + now.second;
  EXPECT_GE(seconds, before);
  EXPECT_LE(seconds, after);
}

}  // namespace
}  // namespace rz::test
