// Calendar dates in the local time of the machine, and the day-file name of a date.
#pragma once

#include <cstdint>
#include <string>

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

// "%.4u%.2u%.2u.bin": 13 March 2009 gives "20090313.bin".
std::string DayFileName(const CivilDate& date);

}  // namespace tral
