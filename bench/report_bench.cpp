// traldenreport over a year of day files against the statistics' CountSpan alone over the same
// files, both through the report's own folder reading (ReadFile on Windows, stdio elsewhere).
// Goal: the whole report (count, bytes beside kilobytes, the text written) at most 1.2 x CountSpan.
// The hours and slots (--by hour, --by 5min) read a slot file beside each day file as well.
// Run natively:    cmake --build --preset native --target report_bench && build/native/bench/report_bench
// Run under Wine:  cmake --build build/windows --target report_bench &&
//                  build/windows/wine-run.sh build/windows/bench/report_bench.exe
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "bench/year_of_day_files.h"
#include "report/report_data.h"
#include "report/report_platform.h"
#include "report/report_writers.h"

namespace {

using tral::bench::kDays;
using tral::bench::kFirst;
using tral::bench::Median;
using tral::bench::Min;
using tral::bench::TimeMs;

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("tm-report-bench-" + std::to_string(std::rand()));
  fs::create_directories(dir);
  for (int d = 0; d < kDays; ++d) {
    const std::vector<std::uint8_t> bytes = tral::bench::DayFileBytesOfDay(d);
    std::ofstream(dir / tral::DayFileName(tral::AddDays(kFirst, d)), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    const std::vector<std::uint8_t> slots = tral::bench::SlotFileBytesOfDay(d);
    std::ofstream(dir / tral::SlotFileName(tral::AddDays(kFirst, d)), std::ios::binary)
        .write(reinterpret_cast<const char*>(slots.data()), static_cast<std::streamsize>(slots.size()));
  }
  const tral::report::DateSpan span{kFirst, tral::AddDays(kFirst, kDays - 1)};
  const auto files = tral::report::OpenDayFiles(dir.string());
  const auto equal = tral::report::TextComparison();

  std::vector<double> countMs, tableMs, csvMs, dailyMs, hoursMs, slotsMs;
  std::size_t sink = 0;
  for (int r = 0; r <= repetitions; ++r) {  // the first round warms the caches and is not counted
    const double count = TimeMs([&] {
      tral::CStatisticData data(*files, equal);
      data.CountSpan(span.first, span.last);
      sink += data.RowCount();
    });
    const double table = TimeMs([&] {
      const auto figures = tral::report::CountReport(*files, equal, span, false, nullptr);
      sink += tral::report::WriteTable(figures, tral::report::TextToConsole).size();
    });
    const double csv = TimeMs([&] {
      const auto figures = tral::report::CountReport(*files, equal, span, false, nullptr);
      sink += tral::report::WriteCsv(figures, tral::report::TextToUtf8).size();
    });
    const double daily = TimeMs([&] {
      const auto figures = tral::report::CountReport(*files, equal, span, true, nullptr);
      sink += tral::report::WriteCsv(figures, tral::report::TextToUtf8).size();
    });
    const auto grouped = [&](tral::report::Grouping by) {
      return TimeMs([&] {
        const auto figures = tral::report::CountReport(*files, equal, span, false, nullptr, nullptr, by);
        sink += tral::report::WriteCsv(figures, tral::report::TextToUtf8).size();
      });
    };
    const double hours = grouped(tral::report::Grouping::kHour);
    const double slots = grouped(tral::report::Grouping::kFiveMinutes);
    if (r > 0) {
      hoursMs.push_back(hours);
      slotsMs.push_back(slots);
      countMs.push_back(count);
      tableMs.push_back(table);
      csvMs.push_back(csv);
      dailyMs.push_back(daily);
    }
  }
  fs::remove_all(dir);
  const double base = Median(countMs);
  const double baseMin = Min(countMs);
  std::printf("CountSpan over %d day files of 10 connections: median %.2f ms, min %.2f ms over %d runs\n", kDays,
              base, baseMin, repetitions);
  auto line = [&](const char* what, const std::vector<double>& ms) {
    std::printf("%-45s median %.2f ms (%.2f x), min %.2f ms (%.2f x)\n", what, Median(ms), Median(ms) / base, Min(ms),
                Min(ms) / baseMin);
  };
  line("report, table:", tableMs);
  line("report, CSV:", csvMs);
  line("report, CSV with --daily (3660 lines):", dailyMs);
  line("report, CSV --by hour (58,560 lines):", hoursMs);
  line("report, CSV --by 5min (702,720 lines):", slotsMs);
  return sink > 0 ? 0 : 1;
}
