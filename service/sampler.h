// The traffic sampler: matching adapters to connections and crediting counter increases.
#pragma once

#include <cstdint>

#include "service/counter_state.h"

namespace tral {

// One adapter's counters as read from one interface row.
struct CounterReading {
  std::uint64_t rxOctets = 0;
  std::uint64_t txOctets = 0;
  bool wide = false;  // 64-bit counters; otherwise 32-bit counters that wrap at 4 GiB
  std::uint32_t row = 0;  // interface index of the row read; baselines of another row never apply
};

// Matches the adapters present now to the chains, creating and reordering records. With `reload`
// the table is first rebuilt from today's day file. False when the adapters cannot be enumerated.
bool ReconcileAdapters(CounterState& state, bool reload);

// One sampling pass over the interface table: each adapter's counter increase since the last pass
// goes to its chain's head, to the day's totals and to the current slot (state.slot) alike. With
// `rebaseline` every head takes the current counters as its baselines and nothing is credited.
// False when the table cannot be read.
bool SampleCounters(CounterState& state, bool rebaseline);

}  // namespace tral
