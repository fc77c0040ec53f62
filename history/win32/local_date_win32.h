// Today's local date and time, and the date pickers' SYSTEMTIME as the core's calendar date and back.
#pragma once

#include <windows.h>

#include <cstdint>

#include "shared/civil_date.h"

namespace tral::win32 {

// The machine's local date now.
CivilDate TodayLocalDate();
// The same with the local time of day, in seconds since midnight, from one reading of the clock.
CivilDate LocalDateAndTime(std::uint32_t& secondOfDay);
// The date part of a SYSTEMTIME; the time of day is dropped.
CivilDate CivilFromSystemTime(const SYSTEMTIME& time);
// Midnight of `date`, with its day of the week filled in.
SYSTEMTIME SystemTimeFromCivil(const CivilDate& date);

}  // namespace tral::win32
