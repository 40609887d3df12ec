// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/scenario/Calendar.h"

#include <ctime>

namespace rz::sim {

std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

platform::LocalTime CivilFromSeconds(std::int64_t seconds) {
  const std::int64_t days = seconds / 86400;
  const std::int64_t rest = seconds % 86400;
  const std::int64_t z = days + 719468;
  const std::int64_t era = z / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
  return {static_cast<int>(y), static_cast<int>(m), static_cast<int>(d),
          static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60),
          static_cast<int>(rest % 60)};
}

std::optional<std::int64_t> ParseCalendarText(std::string_view t) {
  // Positions of the digits of "YYYY-MM-DDTHH:MM:SS" and of the separators between them.
  if (t.size() != 19 || t[4] != '-' || t[7] != '-' || t[10] != 'T' || t[13] != ':' ||
      t[16] != ':')
    return std::nullopt;
  const auto number = [&](std::size_t at, std::size_t digits) -> std::optional<unsigned> {
    unsigned v = 0;
    for (std::size_t i = at; i < at + digits; ++i) {
      if (t[i] < '0' || t[i] > '9') return std::nullopt;
      v = v * 10 + static_cast<unsigned>(t[i] - '0');
    }
    return v;
  };
  const auto y = number(0, 4), mo = number(5, 2), d = number(8, 2), h = number(11, 2),
             mi = number(14, 2), s = number(17, 2);
  if (!y || !mo || !d || !h || !mi || !s) return std::nullopt;
  if (*y < 1970 || *mo < 1 || *mo > 12 || *d < 1 || *h > 23 || *mi > 59 || *s > 59)
    return std::nullopt;
  // The day must exist in that month: it survives the round trip through the day count.
  const std::int64_t days = DaysFromCivil(*y, *mo, *d);
  const platform::LocalTime back = CivilFromSeconds(days * 86400);
  if (back.month != static_cast<int>(*mo) || back.day != static_cast<int>(*d)) return std::nullopt;
  return days * 86400 + *h * 3600 + *mi * 60 + *s;
}

std::int64_t RealLocalCalendarNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return DaysFromCivil(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                       static_cast<unsigned>(local.tm_mday)) *
             86400 +
         local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
}

}  // namespace rz::sim
