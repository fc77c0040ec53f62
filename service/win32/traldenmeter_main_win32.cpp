// Entry point of TraldenMeter.exe: a windowless program whose command line picks its role.
#include <windows.h>

#include "service/win32/service_entry_win32.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandTail, int) {
  return tral::win32::RunServiceProgram(commandTail ? commandTail : "");
}
