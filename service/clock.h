// Time as the counting core sees it: the millisecond tick count and the local calendar date and time.
#pragma once

#include <cstdint>

#include "shared/civil_date.h"

namespace tral {

// A reading of the local wall clock: the date and the time of day, taken together.
struct LocalTime {
  CivilDate date;
  std::uint8_t hour = 0;  // 0..23
  std::uint8_t minute = 0;  // 0..59
  std::uint8_t second = 0;  // 0..59 (60 in a leap second)
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::uint32_t TickCount() = 0;  // ms since system start, wraps after about 49.7 days
  virtual LocalTime LocalNow() = 0;
  CivilDate LocalDate() { return LocalNow().date; }
  // Lets `ms` pass before a retry (the worker does nothing else meanwhile).
  virtual void Pause(std::uint32_t ms) = 0;
};

}  // namespace tral
