// The system's tick count and local date and time for the counting core.
#pragma once

#include "service/clock.h"

namespace tral::win32 {

class Win32Clock final : public Clock {
 public:
  std::uint32_t TickCount() override;
  LocalTime LocalNow() override;
  void Pause(std::uint32_t ms) override;
};

}  // namespace tral::win32
