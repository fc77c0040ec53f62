// The system's millisecond tick count for the connection selection.
#pragma once

#include <windows.h>

#include "monitor/common/tick_source.h"

namespace tral::win32 {

class Win32TickSource final : public TickSource {
 public:
  std::uint32_t Now() override { return ::GetTickCount(); }
};

}  // namespace tral::win32
