// Today's local date and time, and the date pickers' SYSTEMTIME as the core's calendar date and back.
#include "history/win32/local_date_win32.h"

namespace tral::win32 {

CivilDate TodayLocalDate() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return CivilFromSystemTime(now);
}

CivilDate LocalDateAndTime(std::uint32_t& secondOfDay) {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  secondOfDay = now.wHour * 3600u + now.wMinute * 60u + now.wSecond;
  return CivilFromSystemTime(now);
}

CivilDate CivilFromSystemTime(const SYSTEMTIME& time) { return CivilDate{time.wYear, time.wMonth, time.wDay}; }

SYSTEMTIME SystemTimeFromCivil(const CivilDate& date) {
  SYSTEMTIME time{};
  time.wYear = date.year;
  time.wMonth = date.month;
  time.wDay = date.day;
  time.wDayOfWeek = static_cast<WORD>(DayOfWeek(date));
  return time;
}

}  // namespace tral::win32
