// Calendar arithmetic for day files: day counts, stepping, file names.
#include "shared/civil_date.h"

#include <chrono>
#include <cstdio>

#include "shared/ascii_text.h"

namespace tral {

std::int64_t DaysFromCivil(const CivilDate& date) {
  using namespace std::chrono;
  // A day past the month's end counts on into the next month, as the calendar arithmetic defines.
  return sys_days{year{date.year} / month{date.month} / day{date.day}}.time_since_epoch().count();
}

CivilDate CivilFromDays(std::int64_t days) {
  const std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::days{days}}};
  return CivilDate{static_cast<std::uint16_t>(static_cast<int>(date.year())),
                   static_cast<std::uint16_t>(static_cast<unsigned>(date.month())),
                   static_cast<std::uint16_t>(static_cast<unsigned>(date.day()))};
}

bool IsRealDate(const CivilDate& date) {
  using namespace std::chrono;
  return year_month_day{year{date.year}, month{date.month}, day{date.day}}.ok();
}

CivilDate AddDays(const CivilDate& date, std::int64_t days) {
  return CivilFromDays(DaysFromCivil(date) + days);
}

std::string DateText(const CivilDate& date) {
  char text[24];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u", static_cast<unsigned>(date.year),
                static_cast<unsigned>(date.month), static_cast<unsigned>(date.day));
  return text;
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
  if (!IsRealDate(parsed)) return false;
  date = parsed;
  return true;
}

bool IsDayFileName(std::string_view name) {
  CivilDate date;
  return ParseDayFileName(name, date);
}

}  // namespace tral
