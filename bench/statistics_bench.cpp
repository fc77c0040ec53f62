// CountSpan over a year of day files on disk, against reading the same files' bytes raw.
// Run: cmake --build --preset native && build/native/bench/statistics_bench
// The ratio of the two times is the cost of decoding and merging (goal: at most 1.5 x raw).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "bench/year_of_day_files.h"
#include "history/posix/day_file_source_posix.h"
#include "history/statistic_data.h"

namespace {

using tral::bench::kDays;
using tral::bench::kFirst;

// Reads a whole file with the C library: the raw cost the count is measured against.
bool ReadWhole(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  bytes.resize(4096);
  const std::size_t n = std::fread(bytes.data(), 1, bytes.size(), f);
  bytes.resize(n);
  std::fclose(f);
  return true;
}

// 366 files of 10 connections: three adapters with 4, 3 and 3 entries, traffic and running time.
class YearOfFiles {
 public:
  YearOfFiles() : dir_(std::filesystem::temp_directory_path() / ("tm-stat-bench-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(dir_);
    for (int d = 0; d < kDays; ++d) {
      const std::vector<std::uint8_t> bytes = tral::bench::DayFileBytesOfDay(d);
      paths_.push_back(dir_ / tral::DayFileName(tral::AddDays(kFirst, d)));
      std::FILE* f = std::fopen(paths_.back().c_str(), "wb");
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    }
  }
  ~YearOfFiles() { std::filesystem::remove_all(dir_); }

  const std::filesystem::path& Dir() const { return dir_; }
  const std::vector<std::filesystem::path>& Paths() const { return paths_; }

 private:
  std::filesystem::path dir_;
  std::vector<std::filesystem::path> paths_;
};

const YearOfFiles& Files() {
  static const YearOfFiles files;
  return files;
}

void BM_CountSpan366Days(benchmark::State& state) {
  tral::posix::FolderDayFiles source(Files().Dir().string());
  tral::CStatisticData data(source);
  for (auto _ : state) {
    data.Clear();
    data.CountSpan(kFirst, tral::AddDays(kFirst, kDays - 1));
    benchmark::DoNotOptimize(data.SumChecked());
  }
  if (data.RowCount() != 10 || data.UptimeMs() != 366ULL * 86'000'000) state.SkipWithError("wrong count");
}
BENCHMARK(BM_CountSpan366Days)->Unit(benchmark::kMillisecond);

void BM_ReadRaw366Files(benchmark::State& state) {
  std::vector<std::uint8_t> bytes;
  for (auto _ : state) {
    std::size_t total = 0;
    for (const auto& path : Files().Paths()) {
      ReadWhole(path, bytes);
      total += bytes.size();
    }
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_ReadRaw366Files)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
