// Cost of one sampling pass over 8 adapters with 4 connections each, with and without the slots, and
// of saving and loading them; a save of 1, 10 and 1,000 connections with their slots, its bytes and
// the memory the table takes; and the CPU side of the Prometheus textfile: the save of 10 and 1,000
// connections into memory alone and with the rows the counting thread hands over, and the text
// made from them.
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

#include "bench/many_connections.h"
#include "bench/slot_table.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_day_store.h"
#include "fakes/fake_network.h"
#include "service/day_files.h"
#include "service/metrics_file.h"
#include "service/sampler.h"
#include "shared/text_field.h"

namespace tral {
namespace {

constexpr int kAdapters = 8;
constexpr int kConnectionsPerAdapter = 4;

struct Machine {
  fakes::FakeNetwork net;
  fakes::FakeDayStore store;
  fakes::FakeClock clock;
  CounterState state{net, store, clock};

  Machine() {
    net.table.wideCounters = true;
    for (int a = 0; a < kAdapters; ++a) {
      const std::vector<std::uint8_t> mac{0x02, 0, 0, 0, 0, static_cast<std::uint8_t>(a)};
      net.AddAdapter("Adapter " + std::to_string(a), mac, "10.0." + std::to_string(a) + ".1",
                     "{" + std::to_string(a) + "}");
      net.AddRow(mac, 1000, 1000);
    }
    // Each adapter has met four situations today: move it through four addresses.
    for (int c = 0; c < kConnectionsPerAdapter; ++c) {
      for (int a = 0; a < kAdapters; ++a) {
        net.adapters[a].firstIp = "10." + std::to_string(c) + "." + std::to_string(a) + ".1";
      }
      ReconcileAdapters(state, false);
      SampleCounters(state, c == 0);
      for (auto& row : net.table.rows) row.inOctets += 1500, row.outOctets += 700;
      clock.tick += 1000;
      SampleCounters(state, false);
    }
  }
};

// Arguments: whether the pass credits the slots besides the totals, and how many more connections
// adapter 1 met earlier in the day (a pass credits heads only, so they should cost nothing).
void BM_SamplingPass(benchmark::State& bench) {
  Machine m;
  m.state.creditSlots = bench.range(0) != 0;
  bench::FillConnections(m.state, static_cast<int>(bench.range(1)), 12);
  for (auto _ : bench) {
    for (auto& row : m.net.table.rows) row.inOctets += 1500, row.outOctets += 700;
    m.clock.tick += 1000;
    benchmark::DoNotOptimize(SampleCounters(m.state, false));
  }
}
BENCHMARK(BM_SamplingPass)->ArgNames({"slots", "more"})->Args({0, 0})->Args({1, 0})->Args({1, 1000});

// The process's private memory in KiB (Linux: its private dirty pages).
double PrivateKib() {
  std::ifstream rollup("/proc/self/smaps_rollup");
  std::string key;
  double kib = 0;
  while (rollup >> key) {
    if (key == "Private_Dirty:") {
      rollup >> kib;
      break;
    }
  }
  return kib;
}

// A save (day file and slot file) of N connections on one adapter, each with 12 busy slots (an hour),
// into memory. Counters: the bytes of both files, and the private memory the table took.
void BM_SaveWithSlots(benchmark::State& bench) {
  fakes::FakeNetwork net;
  fakes::FakeDayStore store;
  fakes::FakeClock clock;
  const double before = PrivateKib();
  CounterState state(net, store, clock);
  bench::FillConnections(state, static_cast<int>(bench.range(0)), 12);
  const double table = PrivateKib() - before;
  for (auto _ : bench) benchmark::DoNotOptimize(SaveDayFile(state, clock.date, false));
  bench.counters["day_file_bytes"] = static_cast<double>(store.files[DayFileName(clock.date)].size());
  bench.counters["slot_file_bytes"] = static_cast<double>(store.files[SlotFileName(clock.date)].size());
  bench.counters["table_KiB"] = table;
}
BENCHMARK(BM_SaveWithSlots)->ArgName("connections")->Arg(1)->Arg(10)->Arg(1000);

void BM_SaveDayFile(benchmark::State& bench) {
  Machine m;
  for (auto _ : bench) benchmark::DoNotOptimize(SaveDayFile(m.state, m.clock.date, false));
}
BENCHMARK(BM_SaveDayFile);

void BM_LoadDayFile(benchmark::State& bench) {
  Machine m;
  if (!SaveDayFile(m.state, m.clock.date, false)) bench.SkipWithError("save failed");
  for (auto _ : bench) benchmark::DoNotOptimize(LoadDayFile(m.state));
}
BENCHMARK(BM_LoadDayFile);

// The fakes around a table of as many connections as the benchmark's first argument says.
struct ManyConnections {
  fakes::FakeNetwork net;
  fakes::FakeDayStore store;
  fakes::FakeClock clock;
  CounterState state{net, store, clock};

  explicit ManyConnections(const benchmark::State& bench) {
    bench::FillWirelessConnections(state, static_cast<int>(bench.range(0)));
  }
};

// The save into memory, with (1) or without (0) the textfile's snapshot handed to a target that
// keeps only the newest.
void BM_SaveConnections(benchmark::State& bench) {
  ManyConnections m(bench);
  struct Target final : MetricsFileTarget {
    MetricsSnapshot last;
    std::string ReadPathSetting() override { return "C:\\t\\fleet.prom"; }
    bool IsFolder(const std::string&) override { return false; }
    std::uint64_t UnixTimeMs() override { return 0; }
    void Write(const std::string&, MetricsSnapshot snapshot) override { last = std::move(snapshot); }
  } target;
  MetricsPublisher publisher(target, 0);
  if (bench.range(1) != 0) m.state.metrics = &publisher;
  for (auto _ : bench) benchmark::DoNotOptimize(SaveDayFile(m.state, m.clock.date, false));
}
BENCHMARK(BM_SaveConnections)->Args({10, 0})->Args({10, 1})->Args({1000, 0})->Args({1000, 1});

// The textfile's text of 10 and 1,000 connections, as the writer thread makes it.
void BM_MetricsFileText(benchmark::State& bench) {
  ManyConnections m(bench);
  const MetricsSnapshot snapshot = TakeMetricsSnapshot(m.state.table, m.state.dayUptimeMs, 0, 0);
  const TextToUtf8 ascii = [](std::string_view text) { return std::string(text); };
  for (auto _ : bench) benchmark::DoNotOptimize(MetricsFileText(snapshot, ascii));
}
BENCHMARK(BM_MetricsFileText)->Arg(10)->Arg(1000);

}  // namespace
}  // namespace tral

BENCHMARK_MAIN();
