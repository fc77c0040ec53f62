// Calendar dates in the local time of the machine, and the names of a date's day file and slot file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tral {

struct CivilDate {
  std::uint16_t year = 1601;
  std::uint16_t month = 1;  // 1..12
  std::uint16_t day = 1;  // 1..31

  friend bool operator==(const CivilDate&, const CivilDate&) = default;
  friend auto operator<=>(const CivilDate&, const CivilDate&) = default;
};

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
std::int64_t DaysFromCivil(const CivilDate& date);
CivilDate CivilFromDays(std::int64_t days);
CivilDate AddDays(const CivilDate& date, std::int64_t days);
// Whether the date exists: month 1-12, day 1 to the month's last day (leap years counted).
bool IsRealDate(const CivilDate& date);
// The last day of the date's month.
CivilDate LastDayOfMonth(const CivilDate& date);
// 0 for Sunday to 6 for Saturday.
int DayOfWeek(const CivilDate& date);

// "YYYY-MM-DD" of a date that exists (years 1601 to 9999, the day checked against its month and
// leap years); anything else gives nothing.
std::optional<CivilDate> ParseDate(std::string_view text);
// "YYYY-MM": the first day of that month.
std::optional<CivilDate> ParseMonth(std::string_view text);

// "YYYY-MM-DD": 13 March 2009 gives "2009-03-13".
std::string DateText(const CivilDate& date);

// "%.4u%.2u%.2u.bin": 13 March 2009 gives "20090313.bin".
std::string DayFileName(const CivilDate& date);

// Whether a name found by a "*.bin" directory search really ends in ".bin" (any case): the search
// also matches short-name aliases, so "x.binary" (alias "X~1.BIN") is not a day file.
bool HasDayFileSuffix(std::string_view name);

// The date whose day file has this name: eight digits of a real calendar date and ".bin" in any
// case ("20090313.BIN" too, since file names compare without case). False for anything else,
// such as "20090230.bin", a save's temporary or a short-name alias.
bool ParseDayFileName(std::string_view name, CivilDate& date);

// The one rule for what is a day file: everything that lists, prunes or deletes history asks it,
// so a user's "notes.bin", "20260230.bin" or a save's temporary is never taken for one.
bool IsDayFileName(std::string_view name);

// The day's slot file, beside its day file: the day-file name's eight digits and ".slots".
// 13 March 2009 gives "20090313.slots".
std::string SlotFileName(const CivilDate& date);

// The date whose slot file has this name: eight digits of a real calendar date and ".slots" in any
// case. False for anything else ("notes.slots", "20090230.slots", a temporary, a kept-aside file).
bool ParseSlotFileName(std::string_view name, CivilDate& date);

// The one rule for what is a slot file, asked wherever the day-file rule is asked.
bool IsSlotFileName(std::string_view name);

}  // namespace tral
