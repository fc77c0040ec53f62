// A clock that tests set by hand.
#pragma once

#include "service/clock.h"

namespace tral::fakes {

class FakeClock final : public Clock {
 public:
  std::uint32_t tick = 100000;
  CivilDate date{2009, 3, 13};
  std::uint8_t hour = 12;
  std::uint8_t minute = 0;
  std::uint8_t second = 0;

  std::uint32_t TickCount() override { return tick; }
  LocalTime LocalNow() override { return LocalTime{date, hour, minute, second}; }
  void Pause(std::uint32_t ms) override { tick += ms; }
};

}  // namespace tral::fakes
