// Calendar arithmetic for day files: day counts, stepping, file names.
#include "shared/civil_date.h"

#include <cstdio>

#include "shared/ascii_text.h"

namespace tral {

// Howard Hinnant's days-from-civil algorithm over 400-year eras.
std::int64_t DaysFromCivil(const CivilDate& date) {
  std::int64_t y = static_cast<std::int64_t>(date.year) - (date.month <= 2 ? 1 : 0);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t m = date.month;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + date.day - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

CivilDate CivilFromDays(std::int64_t days) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t doe = days - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t m = mp + (mp < 10 ? 3 : -9);
  const std::int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
  return CivilDate{static_cast<std::uint16_t>(y), static_cast<std::uint16_t>(m),
                   static_cast<std::uint16_t>(d)};
}

CivilDate AddDays(const CivilDate& date, std::int64_t days) {
  return CivilFromDays(DaysFromCivil(date) + days);
}

std::string DayFileName(const CivilDate& date) {
  char name[32];
  std::snprintf(name, sizeof name, "%.4u%.2u%.2u.bin", static_cast<unsigned>(date.year),
                static_cast<unsigned>(date.month), static_cast<unsigned>(date.day));
  return name;
}

bool HasDayFileSuffix(std::string_view name) {
  constexpr std::string_view kSuffix = ".bin";
  return name.size() >= kSuffix.size() && AsciiEqualIgnoringCase(name.substr(name.size() - kSuffix.size()), kSuffix);
}

bool ParseDayFileName(std::string_view name, CivilDate& date) {
  constexpr std::size_t kDigits = 8;
  if (name.size() != kDigits + 4 || !HasDayFileSuffix(name)) return false;
  unsigned value[kDigits];
  for (std::size_t i = 0; i < kDigits; ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
    value[i] = static_cast<unsigned>(name[i] - '0');
  }
  const CivilDate parsed{static_cast<std::uint16_t>(value[0] * 1000 + value[1] * 100 + value[2] * 10 + value[3]),
                         static_cast<std::uint16_t>(value[4] * 10 + value[5]),
                         static_cast<std::uint16_t>(value[6] * 10 + value[7])};
  if (parsed.month < 1 || parsed.month > 12 || parsed.day < 1) return false;
  // A day past the month's end would roll over into the next month: not a real date.
  if (CivilFromDays(DaysFromCivil(parsed)) != parsed) return false;
  date = parsed;
  return true;
}

bool IsDayFileName(std::string_view name) {
  CivilDate date;
  return ParseDayFileName(name, date);
}

}  // namespace tral
