// Cost of one sampling pass over 8 adapters with 4 connections each, and of saving and loading them.
#include <benchmark/benchmark.h>

#include "fakes/fake_clock.h"
#include "fakes/fake_day_store.h"
#include "fakes/fake_network.h"
#include "service/day_files.h"
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

void BM_SamplingPass(benchmark::State& bench) {
  Machine m;
  for (auto _ : bench) {
    for (auto& row : m.net.table.rows) row.inOctets += 1500, row.outOctets += 700;
    m.clock.tick += 1000;
    benchmark::DoNotOptimize(SampleCounters(m.state, false));
  }
}
BENCHMARK(BM_SamplingPass);

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

}  // namespace
}  // namespace tral

BENCHMARK_MAIN();
