// Runs the Statistics window over a fresh folder holding the benchmarks' year of day files, for
// the benchmarks that time it and the windows it opens.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

#include "bench/win32/year_folder_win32.h"
#include "monitor/framework/application.h"
#include "monitor/statistics/win32/statistic_dialog_win32.h"

namespace tral::bench {

// Opens the window modally over the year folder `name`, hands its object and folder to `dialog`
// and `dir`, and calls `measure` from a timer once it is up; `measure` ends it. The exit status:
// 0, 1 when the folder cannot be written, 77 without a display.
inline int RunStatisticsWindow(const char* name, win32::CStatisticDlg*& dialog, std::string& dir, TIMERPROC measure) {
  YearFolder folder(name);
  if (!folder.Ok()) return 1;
  dir = folder.Dir();
  ui::InitCommonControlClasses();
  win32::CStatisticDlg window(dir, folder.Other("bench.ini"));
  dialog = &window;
  ::SetTimer(nullptr, 0, 200, measure);
  const INT_PTR result = window.DoModal(nullptr);
  dialog = nullptr;
  if (result == -1) {
    std::fprintf(stderr, "the window could not be created (no display?)\n");
    return 77;
  }
  return 0;
}

}  // namespace tral::bench
