// Entry point of TraldenView.exe.
#include <windows.h>

#include "monitor/program/win32/monitor_app_win32.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  tral::win32::CMonitorApp app;
  return app.Run(instance);
}
