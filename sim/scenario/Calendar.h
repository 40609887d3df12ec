// SPDX-License-Identifier: GPL-3.0-or-later
// The emulated machine's calendar: local civil time as seconds since 1970-01-01 00:00:00 of the
// proleptic Gregorian calendar, with no time zone or leap seconds. A scenario may fix the moment
// it starts at; a run of a scenario file the user made starts at the real local time.
#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/System.h"

namespace rz::sim {

// 2026-01-01 00:00:00, where the calendar of presets and tests starts.
inline constexpr std::int64_t kDefaultCalendarStart = 1767225600;

// Days since 1970-01-01 of a civil date.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day);
// The civil time `seconds` (not negative) after 1970-01-01 00:00:00.
platform::LocalTime CivilFromSeconds(std::int64_t seconds);
// Seconds of "YYYY-MM-DDTHH:MM:SS" (years 1970 to 9999, a real date and time of day); nullopt
// for any other text.
std::optional<std::int64_t> ParseCalendarText(std::string_view text);
// The computer's local time now.
std::int64_t RealLocalCalendarNow();

}  // namespace rz::sim
