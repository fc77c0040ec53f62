// Calendar dates in the local time of the machine, and the day-file name of a date.
#pragma once

#include <cstdint>
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

}  // namespace tral
