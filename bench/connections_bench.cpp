// The report over 100,000 distinct connections (100 day files of 1,000 connections each, no
// connection on two days) against reading the same files raw through the report's own folder
// reading. A row is found through a hash of its texts, so the count grows with the entries read.
// Goal: the count at most 1.5 x the raw read.
// Run natively:    cmake --build --preset native --target connections_bench && build/native/bench/connections_bench 21
// Run under Wine:  cmake --build build/windows --target connections_bench &&
//                  build/windows/wine-run.sh build/windows/bench/connections_bench.exe 21
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "report/report_data.h"
#include "report/report_platform.h"
#include "report/report_writers.h"
#include "shared/day_file_codec.h"
#include "shared/text_field.h"

namespace {

using tral::bench::Median;
using tral::bench::Min;
using tral::bench::TimeMs;

constexpr int kDays = 100;
constexpr int kPerDay = 1000;
constexpr tral::CivilDate kFirst{2025, 1, 1};

// Day `day`: one adapter per 250 connections, each connection with an address, access point and
// network name of its own.
std::vector<std::uint8_t> DayOfDistinctConnections(int day) {
  std::vector<std::uint8_t> bytes;
  tral::DayFileWriter writer(bytes);
  constexpr int kGroups = 4;
  writer.PutGroupCount(kGroups);
  for (int g = 0; g < kGroups; ++g) {
    char key[tral::kAdapterKeyWidth];
    char text[24];
    std::snprintf(text, sizeof text, "00-1A-2B-%02X-%02X-%02X", day, g, 0);
    tral::SetFieldText(key, text);
    writer.PutGroupHeader(key, kPerDay / kGroups);
    for (int e = 0; e < kPerDay / kGroups; ++e) {
      const int n = day * kPerDay + g * (kPerDay / kGroups) + e;
      char ip[tral::kIpTextWidth], bssid[tral::kBssidWidth], ssid[tral::kSsidWidth];
      std::snprintf(text, sizeof text, "10.%d.%d.%d", n >> 16, (n >> 8) & 255, n & 255);
      tral::SetFieldText(ip, text);
      std::snprintf(text, sizeof text, "00-11-22-%02X-%02X-%02X", n >> 16, (n >> 8) & 255, n & 255);
      tral::SetFieldText(bssid, text);
      std::snprintf(text, sizeof text, "Network %d", n);
      tral::SetFieldText(ssid, text);
      writer.PutEntry(ip, bssid, ssid, 1'000'000ULL + n, 200'000ULL + n);
    }
  }
  writer.PutUptime(86'000'000);
  return bytes;
}

// The figures of one folder of `days` day files: the raw read, the count, the count and its CSV.
struct Figures {
  std::vector<double> rawMs, countMs, csvMs;
};

Figures Measure(int days, int repetitions) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("tm-connections-bench-" + std::to_string(std::rand()));
  fs::create_directories(dir);
  for (int d = 0; d < days; ++d) {
    const std::vector<std::uint8_t> bytes = DayOfDistinctConnections(d);
    std::ofstream(dir / tral::DayFileName(tral::AddDays(kFirst, d)), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  const tral::report::DateSpan span{kFirst, tral::AddDays(kFirst, days - 1)};
  const auto files = tral::report::OpenDayFiles(dir.string());
  const auto equal = tral::report::TextComparison();
  Figures figures;
  std::size_t sink = 0;
  std::vector<std::uint8_t> bytes;
  for (int r = 0; r <= repetitions; ++r) {  // the first round warms the caches and is not counted
    const double raw = TimeMs([&] {
      for (int d = 0; d < days; ++d) {
        if (files->ReadDayFile(tral::AddDays(kFirst, d), bytes) == tral::DayFileRead::kRead) sink += bytes.size();
      }
    });
    const double count = TimeMs([&] {
      const auto counted = tral::report::CountReport(*files, equal, span, false, nullptr);
      sink += counted.rows.size();
    });
    const double csv = TimeMs([&] {
      const auto counted = tral::report::CountReport(*files, equal, span, false, nullptr);
      sink += tral::report::WriteCsv(counted, tral::report::TextToUtf8).size();
    });
    if (r > 0) {
      figures.rawMs.push_back(raw);
      figures.countMs.push_back(count);
      figures.csvMs.push_back(csv);
    }
  }
  fs::remove_all(dir);
  if (sink == 0) std::abort();
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
  const Figures main = Measure(kDays, repetitions);
  const double base = Median(main.rawMs);
  const double baseMin = Min(main.rawMs);
  std::printf("raw read of %d day files of %d connections each: median %.2f ms, min %.2f ms over %d runs\n", kDays,
              kPerDay, base, baseMin, repetitions);
  auto line = [&](const char* what, const std::vector<double>& ms) {
    std::printf("%-50s median %.2f ms (%.2f x), min %.2f ms (%.2f x)\n", what, Median(ms), Median(ms) / base, Min(ms),
                Min(ms) / baseMin);
  };
  line("count of 100,000 distinct connections:", main.countMs);
  line("count and CSV of 100,000 rows:", main.csvMs);
  // The count grows with the connections, not with their square: the same per connection from
  // 12,500 to 200,000.
  std::printf("\nconnections  raw read  count     count per connection (medians)\n");
  for (const int days : {12, 25, 50, 100, 200}) {
    const Figures f = days == kDays ? main : Measure(days, repetitions);
    std::printf("%11d  %6.2f ms  %7.2f ms  %5.0f ns\n", days * kPerDay, Median(f.rawMs), Median(f.countMs),
                Median(f.countMs) * 1e6 / (days * kPerDay));
  }
  return 0;
}
