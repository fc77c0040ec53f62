// The system's tick count and local date for the counting core.
#pragma once

#include "service/clock.h"

namespace tral::win32 {

class Win32Clock final : public Clock {
 public:
  std::uint32_t TickCount() override;
  CivilDate LocalDate() override;
  void Pause(std::uint32_t ms) override;
};

}  // namespace tral::win32
