// Calendar arithmetic for day files: day counts, stepping, weekdays, date texts, file names.
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

CivilDate LastDayOfMonth(const CivilDate& date) {
  using namespace std::chrono;
  const year_month_day_last last{year{date.year} / month{date.month} / std::chrono::last};
  return CivilDate{date.year, date.month, static_cast<std::uint16_t>(static_cast<unsigned>(last.day()))};
}

int DayOfWeek(const CivilDate& date) {
  using namespace std::chrono;
  return static_cast<int>(weekday{sys_days{days{DaysFromCivil(date)}}}.c_encoding());
}

namespace {

bool ReadDigits(std::string_view text, int& value) {
  value = 0;
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

}  // namespace

std::optional<CivilDate> ParseMonth(std::string_view text) {
  int year = 0;
  int month = 0;
  if (text.size() != 7 || text[4] != '-') return std::nullopt;
  if (!ReadDigits(text.substr(0, 4), year) || !ReadDigits(text.substr(5, 2), month)) return std::nullopt;
  if (year < 1601 || month < 1 || month > 12) return std::nullopt;
  return CivilDate{static_cast<std::uint16_t>(year), static_cast<std::uint16_t>(month), 1};
}

std::optional<CivilDate> ParseDate(std::string_view text) {
  if (text.size() != 10 || text[7] != '-') return std::nullopt;
  std::optional<CivilDate> month = ParseMonth(text.substr(0, 7));
  int day = 0;
  if (!month || !ReadDigits(text.substr(8, 2), day) || day < 1 || day > 31) return std::nullopt;
  month->day = static_cast<std::uint16_t>(day);
  if (!IsRealDate(*month)) return std::nullopt;
  return month;
}

std::string DateText(const CivilDate& date) {
  char text[24];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u", static_cast<unsigned>(date.year),
                static_cast<unsigned>(date.month), static_cast<unsigned>(date.day));
  return text;
}

CivilDate AddDays(const CivilDate& date, std::int64_t days) {
  return CivilFromDays(DaysFromCivil(date) + days);
}

namespace {

constexpr std::string_view kDayFileSuffix = ".bin";
constexpr std::string_view kSlotFileSuffix = ".slots";

std::string DatedName(const CivilDate& date, std::string_view suffix) {
  char stem[32];
  std::snprintf(stem, sizeof stem, "%.4u%.2u%.2u", static_cast<unsigned>(date.year),
                static_cast<unsigned>(date.month), static_cast<unsigned>(date.day));
  return std::string(stem).append(suffix);
}

bool HasSuffix(std::string_view name, std::string_view suffix) {
  return name.size() >= suffix.size() && AsciiEqualIgnoringCase(name.substr(name.size() - suffix.size()), suffix);
}

// Eight digits of a real date followed by exactly `suffix` (any case).
bool ParseDatedName(std::string_view name, std::string_view suffix, CivilDate& date) {
  constexpr std::size_t kDigits = 8;
  if (name.size() != kDigits + suffix.size() || !HasSuffix(name, suffix)) return false;
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

}  // namespace

std::string DayFileName(const CivilDate& date) { return DatedName(date, kDayFileSuffix); }

bool HasDayFileSuffix(std::string_view name) { return HasSuffix(name, kDayFileSuffix); }

bool ParseDayFileName(std::string_view name, CivilDate& date) { return ParseDatedName(name, kDayFileSuffix, date); }

bool IsDayFileName(std::string_view name) {
  CivilDate date;
  return ParseDayFileName(name, date);
}

std::string SlotFileName(const CivilDate& date) { return DatedName(date, kSlotFileSuffix); }

bool ParseSlotFileName(std::string_view name, CivilDate& date) { return ParseDatedName(name, kSlotFileSuffix, date); }

bool IsSlotFileName(std::string_view name) {
  CivilDate date;
  return ParseSlotFileName(name, date);
}

}  // namespace tral
