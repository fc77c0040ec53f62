// The save of today's day file with the Prometheus textfile on, against the same save without it,
// through the service's real file layer, with 10 and 1,000 connections. Goal: at most 1.2 x.
//   with the textfile as the service writes it: the table's rows copied on the counting thread and
//     handed to the writer thread (the save's own cost; the text is made and the file written
//     meanwhile and waited for outside the timing, so that no write overlaps the next save);
//   with the textfile written at once: the text made and the file replaced on the counting thread,
//     all of its cost in the save.
// Run: cmake --build build/windows --target metrics_save_bench &&
//      build/windows/wine-run.sh build/windows/bench/win32/metrics_save_bench.exe [rounds]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "bench/many_connections.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_network.h"
#include "service/day_files.h"
#include "service/metrics_file.h"
#include "service/win32/day_file_store_win32.h"
#include "service/win32/metrics_file_win32.h"
#include "shared/win32/system_text_win32.h"

namespace {

using tral::bench::Median;
using tral::bench::TimeMs;

// The service's target, but writing on the calling thread.
class WriteAtOnce final : public tral::MetricsFileTarget {
 public:
  WriteAtOnce(std::string path, tral::win32::Win32MetricsFile& clock) : path_(std::move(path)), clock_(clock) {}
  std::string ReadPathSetting() override { return path_; }
  bool IsFolder(const std::string&) override { return false; }
  std::uint64_t UnixTimeMs() override { return clock_.UnixTimeMs(); }
  void Write(const std::string& path, tral::MetricsSnapshot snapshot) override {
    std::string error;
    if (!tral::win32::WriteMetricsFile(path, tral::MetricsFileText(snapshot, tral::win32::AnsiToUtf8), error)) {
      std::fprintf(stderr, "write failed: %s\n", error.c_str());
    }
  }

 private:
  std::string path_;
  tral::win32::Win32MetricsFile& clock_;
};

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 101;
  namespace fs = std::filesystem;
  const fs::path folder = fs::temp_directory_path() / ("tm-metrics-bench-" + std::to_string(::GetCurrentProcessId()));
  fs::create_directories(folder);
  const std::string dir = folder.string() + "\\";
  const std::string textfile = dir + "fleet.prom";
  const std::string ini = dir + "TraldenMeter.ini";
  ::WritePrivateProfileStringA("OPTIONS", "prometheusfile", textfile.c_str(), ini.c_str());

  std::printf("medians of %d saves each, the three kinds taken in turn\n", rounds);
  std::printf("%12s  %12s  %26s  %26s  %12s\n", "connections", "save alone", "with the textfile (thread)",
              "with the textfile at once", "text alone");
  for (const int count : {10, 1000}) {
    tral::fakes::FakeNetwork net;
    tral::fakes::FakeClock clock;
    tral::win32::Win32DayFileStore store(dir, ini);
    tral::CounterState state(net, store, clock);
    tral::bench::FillWirelessConnections(state, count);
    tral::win32::Win32MetricsFile threaded(ini, nullptr);
    tral::MetricsPublisher withThread(threaded, threaded.UnixTimeMs());
    WriteAtOnce atOnce(textfile, threaded);
    tral::MetricsPublisher withWrite(atOnce, threaded.UnixTimeMs());

    // The three kinds in a rotating order, so that none always follows the same one.
    tral::MetricsPublisher* const kinds[3] = {nullptr, &withThread, &withWrite};
    std::vector<double> times[3], text;
    bool ok = true;
    for (int r = 0; r <= rounds; ++r) {  // the first round warms up and is not counted
      for (int k = 0; k < 3; ++k) {
        const int kind = (r + k) % 3;
        state.metrics = kinds[kind];
        const double ms = TimeMs([&] { ok &= tral::SaveDayFile(state, clock.date, false); });
        threaded.Finish(tral::win32::kMetricsFinishMs);
        if (r > 0) times[kind].push_back(ms);
      }
      std::size_t size = 0;
      const double x = TimeMs([&] {
        size = tral::MetricsFileText(tral::TakeMetricsSnapshot(state.table, state.dayUptimeMs, 0, 0),
                                     tral::win32::AnsiToUtf8).size();
      });
      if (r > 0) text.push_back(x + static_cast<double>(size == 0));
    }
    if (!ok) std::fprintf(stderr, "a save failed\n");
    const double ma = Median(times[0]), mt = Median(times[1]), mw = Median(times[2]);
    std::printf("%12d  %9.3f ms  %14.3f ms (%5.2fx)  %14.3f ms (%5.2fx)  %9.3f ms\n", count, ma, mt, mt / ma, mw,
                mw / ma, Median(text));
  }
  fs::remove_all(folder);
  return 0;
}
