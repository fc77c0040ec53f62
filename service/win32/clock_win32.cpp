// GetTickCount and GetLocalTime behind the core's clock seam.
#include "service/win32/clock_win32.h"

#include <windows.h>

namespace tral::win32 {

std::uint32_t Win32Clock::TickCount() { return ::GetTickCount(); }

void Win32Clock::Pause(std::uint32_t ms) { ::Sleep(ms); }

LocalTime Win32Clock::LocalNow() {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  return LocalTime{CivilDate{now.wYear, now.wMonth, now.wDay}, static_cast<std::uint8_t>(now.wHour),
                   static_cast<std::uint8_t>(now.wMinute), static_cast<std::uint8_t>(now.wSecond)};
}

}  // namespace tral::win32
