// Times the Daily traffic window under Wine over a year of day files: opening it from the
// Statistics window ("Chart..." to the bars painted) against CountSpan alone over the same files
// (goal: at most 1.3 x), and a full repaint of its 366 bar pairs.
// Run (needs a display; with-display.sh makes one):
//   bash scripts/with-display.sh $PWD/build/windows/wineprefix-display build/windows/wine-run.sh
//        build/windows/bench/win32/daily_chart_bench.exe [repetitions]   (one line)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/win32/bench_clock_win32.h"
#include "bench/win32/statistics_window_run_win32.h"
#include "history/win32/ansi_text_win32.h"
#include "history/win32/local_date_win32.h"
#include "monitor/resources/resource.h"

namespace {

using tral::CivilDate;
using tral::bench::Median;
using tral::bench::NowMs;

struct Run {
  std::string dir;
  int repetitions = 21;
  tral::win32::CStatisticDlg* dialog = nullptr;
  std::vector<double> open, countSpan, repaint;
  std::size_t days = 0;
  bool ok = true;
} run;

void Command(HWND dialog, int id) {
  ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

void SetPicker(HWND dialog, int id, const CivilDate& date) {
  const SYSTEMTIME time = tral::win32::SystemTimeFromCivil(date);
  ::SendMessageA(::GetDlgItem(dialog, id), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
}

void CALLBACK Measure(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  HWND dialog = run.dialog->Handle();
  const CivilDate last = tral::AddDays(tral::bench::kFirst, tral::bench::kDays - 1);
  SetPicker(dialog, IDC_STAT_FIRST_DAY, tral::bench::kFirst);
  SetPicker(dialog, IDC_STAT_LAST_DAY, last);
  Command(dialog, IDC_STAT_REFRESH);
  tral::win32::Win32DayFileSource files(run.dir);
  tral::CStatisticData data(files, tral::win32::EqualIgnoringCaseAnsi);
  for (int r = 0; r <= run.repetitions; ++r) {  // the first round warms the caches and is not counted
    double start = NowMs();
    Command(dialog, IDC_STAT_CHART);
    const tral::win32::CDailyChartWnd* chart = run.dialog->Chart();
    if (chart == nullptr) {
      run.ok = false;
      break;
    }
    ::RedrawWindow(chart->Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    const double open = NowMs() - start;

    HWND canvas = ::GetDlgItem(chart->Handle(), IDC_CHART_CANVAS);
    start = NowMs();
    ::RedrawWindow(canvas, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const double repaint = NowMs() - start;
    run.days = chart->Traffic().days.size();
    Command(chart->Handle(), IDCANCEL);  // ends the window at once (WM_CLOSE would post the command)

    start = NowMs();
    data.Clear();
    data.CountSpan(tral::bench::kFirst, last);
    const double span = NowMs() - start;

    if (r > 0) {
      run.open.push_back(open);
      run.repaint.push_back(repaint);
      run.countSpan.push_back(span);
    }
  }
  run.ok = run.ok && run.days == static_cast<std::size_t>(tral::bench::kDays) && data.RowCount() == 10;
  run.dialog->EndDialog(IDCANCEL);
}

}  // namespace

int main(int argc, char** argv) {
  run.repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
  if (const int status = tral::bench::RunStatisticsWindow("tm-chart-bench", run.dialog, run.dir, Measure); status != 0) {
    return status;
  }
  const double open = Median(run.open);
  const double span = Median(run.countSpan);
  std::printf("Daily traffic over %d day files, 10 connections, median of %d runs:\n", tral::bench::kDays,
              run.repetitions);
  std::printf("  \"Chart...\" to the bars painted:  %8.2f ms\n", open);
  std::printf("  CountSpan alone:                 %8.2f ms   ratio %.2f (goal <= 1.3)\n", span, open / span);
  std::printf("  full repaint of %zu bar pairs:   %8.2f ms\n", run.days, Median(run.repaint));
  std::printf("%s\n", run.ok ? "figures checked" : "WRONG: the window did not show the year");
  return run.ok ? 0 : 1;
}
