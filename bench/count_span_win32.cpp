// Times the statistics' CountSpan over 366 real day files on a Windows file system (under Wine
// here), against reading the same files' bytes raw. Goal: under 50 ms, at most 1.5 x raw.
// Run: build/<dir>/wine-run.sh build/<dir>/bench/win32/count_span_timing.exe [repetitions]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/year_of_day_files.h"
#include "history/statistic_data.h"
#include "history/win32/ansi_text_win32.h"
#include "history/win32/day_file_source_win32.h"
#include "bench/win32/bench_clock_win32.h"
#include "shared/win32/unique_handle.h"

namespace {

using tral::bench::NowMs;
using tral::bench::Median;

using tral::win32::UniqueFile;

using tral::bench::DayFileBytesOfDay;
using tral::bench::kDays;
using tral::bench::kFirst;

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
  char temp[MAX_PATH + 1] = {};
  ::GetTempPathA(MAX_PATH, temp);
  const std::string dir = std::string(temp) + "tm-count-span-" + std::to_string(::GetCurrentProcessId()) + "\\";
  ::CreateDirectoryA(dir.c_str(), nullptr);
  std::vector<std::string> paths;
  for (int d = 0; d < kDays; ++d) {
    paths.push_back(dir + tral::DayFileName(tral::AddDays(kFirst, d)));
    const std::vector<std::uint8_t> bytes = DayFileBytesOfDay(d);
    UniqueFile file(::CreateFileA(paths.back().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
      std::fprintf(stderr, "cannot write %s\n", paths.back().c_str());
      return 1;
    }
  }

  tral::win32::Win32DayFileSource source(dir);
  tral::CStatisticData data(source, tral::win32::EqualIgnoringCaseAnsi);
  std::vector<double> spanMs;
  std::vector<double> rawMs;
  std::vector<std::uint8_t> buffer(4096);
  for (int r = 0; r <= repetitions; ++r) {  // the first round warms the caches and is not counted
    double start = NowMs();
    data.Clear();
    data.CountSpan(kFirst, tral::AddDays(kFirst, kDays - 1));
    const double span = NowMs() - start;

    start = NowMs();
    std::size_t total = 0;
    for (const std::string& path : paths) {
      UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
      DWORD n = 0;
      if (file && ::ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr)) total += n;
    }
    const double raw = NowMs() - start;
    if (r > 0) {
      spanMs.push_back(span);
      rawMs.push_back(raw);
    }
    if (total == 0) return 1;
  }
  for (const std::string& path : paths) ::DeleteFileA(path.c_str());
  ::RemoveDirectoryA(dir.c_str());

  const bool right = data.RowCount() == 10 && data.UptimeMs() == 366ULL * 86'000'000;
  const double span = Median(spanMs);
  const double raw = Median(rawMs);
  std::printf("CountSpan over %d day files of 10 connections: median %.2f ms (min %.2f ms) over %d runs\n", kDays,
              span, *std::min_element(spanMs.begin(), spanMs.end()), repetitions);
  std::printf("raw read of the same files:                    median %.2f ms (min %.2f ms)\n", raw,
              *std::min_element(rawMs.begin(), rawMs.end()));
  std::printf("ratio %.2f; rows %zu%s\n", span / raw, data.RowCount(), right ? "" : " (WRONG COUNT)");
  return right ? 0 : 1;
}
