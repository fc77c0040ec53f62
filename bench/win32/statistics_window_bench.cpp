// Times a recount of the statistics window under Wine: from pressing Refresh to the rows and totals
// painted, over a year of day files, against CountSpan alone over the same files (goal: at most
// 1.3 x); and the same recount over a span of 100 years holding that one year of files (goal: at
// most 1.5 x the one-year recount). Also shows what reading the 100 years date by date costs.
// Run (needs a display; with-display.sh makes one):
//   bash scripts/with-display.sh $PWD/build/windows/wineprefix-display build/windows/wine-run.sh
//        build/windows/bench/win32/statistics_window_bench.exe [repetitions]   (one line)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/win32/statistics_window_run_win32.h"
#include "history/win32/ansi_text_win32.h"
#include "monitor/resources/resource.h"
#include "history/win32/local_date_win32.h"
#include "bench/win32/bench_clock_win32.h"

namespace {

using tral::bench::NowMs;
using tral::bench::Median;

using tral::CivilDate;
using tral::bench::kDays;
using tral::bench::kFirst;

// The files of a folder read date by date, as every span was read before the listing.
class DateByDate final : public tral::DayFileSource {
 public:
  explicit DateByDate(tral::DayFileSource& files) : files_(files) {}
  tral::DayFileRead ReadDayFile(const CivilDate& date, std::vector<std::uint8_t>& bytes) override {
    return files_.ReadDayFile(date, bytes);
  }

 private:
  tral::DayFileSource& files_;
};

struct Run {
  std::string dir;
  int repetitions = 21;
  tral::win32::CStatisticDlg* dialog = nullptr;
  std::vector<double> refreshYear, refreshCentury, spanYear, spanCentury, byDateCentury;
  std::string totalsYear, totalsCentury;
  bool ok = true;
} run;

void SetPicker(HWND dialog, int id, const CivilDate& date) {
  const SYSTEMTIME time = tral::win32::SystemTimeFromCivil(date);
  ::SendMessageA(::GetDlgItem(dialog, id), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time));
}

// Presses Refresh and waits until everything it changed is painted.
double Refresh(HWND dialog) {
  const double start = NowMs();
  ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_STAT_REFRESH, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDC_STAT_REFRESH)));
  ::RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  return NowMs() - start;
}

std::string Text(HWND dialog, int id) {
  char text[64] = {};
  ::GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

void CALLBACK Measure(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  HWND dialog = run.dialog->Handle();
  const CivilDate last = tral::AddDays(kFirst, kDays - 1);
  const CivilDate centuryStart{static_cast<std::uint16_t>(last.year - 100), last.month, last.day};
  tral::win32::Win32DayFileSource files(run.dir);
  tral::CStatisticData data(files, tral::win32::EqualIgnoringCaseAnsi);
  DateByDate byDate(files);
  tral::CStatisticData slow(byDate, tral::win32::EqualIgnoringCaseAnsi);
  for (int r = 0; r <= run.repetitions; ++r) {  // the first round warms the caches and is not counted
    SetPicker(dialog, IDC_STAT_FIRST_DAY, kFirst);
    SetPicker(dialog, IDC_STAT_LAST_DAY, last);
    const double year = Refresh(dialog);
    run.totalsYear = Text(dialog, IDC_STAT_DOWNLOAD_TOTAL);
    SetPicker(dialog, IDC_STAT_FIRST_DAY, centuryStart);
    const double century = Refresh(dialog);
    run.totalsCentury = Text(dialog, IDC_STAT_DOWNLOAD_TOTAL);

    double start = NowMs();
    data.Clear();
    data.CountSpan(kFirst, last);
    const double span = NowMs() - start;
    start = NowMs();
    data.Clear();
    data.CountSpan(centuryStart, last);
    const double spanCentury = NowMs() - start;
    if (r > 0) {
      run.refreshYear.push_back(year);
      run.refreshCentury.push_back(century);
      run.spanYear.push_back(span);
      run.spanCentury.push_back(spanCentury);
    }
  }
  run.ok = run.dialog->Data().RowCount() == 10 && data.RowCount() == 10 && run.totalsYear == run.totalsCentury;
  for (int r = 0; r < 3; ++r) {  // slow: a few rounds only
    const double start = NowMs();
    slow.Clear();
    slow.CountSpan(centuryStart, last);
    run.byDateCentury.push_back(NowMs() - start);
  }
  run.ok = run.ok && slow.RowCount() == 10;
  run.dialog->EndDialog(IDCANCEL);
}

}  // namespace

int main(int argc, char** argv) {
  run.repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
  if (const int status = tral::bench::RunStatisticsWindow("tm-stat-bench", run.dialog, run.dir, Measure); status != 0) {
    return status;
  }
  const double refreshYear = Median(run.refreshYear);
  const double spanYear = Median(run.spanYear);
  const double refreshCentury = Median(run.refreshCentury);
  std::printf("year of %d day files, 10 connections, median of %d runs:\n", kDays, run.repetitions);
  std::printf("  Refresh to totals painted:  %8.2f ms\n", refreshYear);
  std::printf("  CountSpan alone:            %8.2f ms   ratio %.2f (goal <= 1.3)\n", spanYear,
              refreshYear / spanYear);
  std::printf("span of 100 years holding the same year of files:\n");
  std::printf("  Refresh to totals painted:  %8.2f ms   ratio to the year %.2f (goal <= 1.5)\n", refreshCentury,
              refreshCentury / refreshYear);
  std::printf("  CountSpan alone:            %8.2f ms\n", Median(run.spanCentury));
  std::printf("  reading every date instead: %8.2f ms (median of 3)\n", Median(run.byDateCentury));
  std::printf("totals %s / %s%s\n", run.totalsYear.c_str(), run.totalsCentury.c_str(), run.ok ? "" : " (WRONG)");
  return run.ok ? 0 : 1;
}
