// Time as the counting core sees it: the millisecond tick count and the local calendar date.
#pragma once

#include <cstdint>

#include "shared/civil_date.h"

namespace tral {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::uint32_t TickCount() = 0;  // ms since system start, wraps after about 49.7 days
  virtual CivilDate LocalDate() = 0;
  // Lets `ms` pass before a retry (the worker does nothing else meanwhile).
  virtual void Pause(std::uint32_t ms) = 0;
};

}  // namespace tral
