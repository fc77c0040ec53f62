// GetTickCount and GetLocalTime behind the core's clock seam.
#include "service/win32/clock_win32.h"

#include <windows.h>

namespace tral::win32 {

std::uint32_t Win32Clock::TickCount() { return ::GetTickCount(); }

void Win32Clock::Pause(std::uint32_t ms) { ::Sleep(ms); }

CivilDate Win32Clock::LocalDate() {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  return CivilDate{now.wYear, now.wMonth, now.wDay};
}

}  // namespace tral::win32
