// Connection tables for the benchmarks of slots: many connections with busy slots, and a network
// whose counters move at every read.
#pragma once

#include <string>

#include "service/counter_state.h"
#include "shared/text_field.h"

namespace tral::bench {

// Adds `connections` connections to one adapter's chain (an adapter whose address changes every few
// minutes, a train ride through many access points), each with `busySlots` slots of traffic one
// after the other and its totals the sums of them.
inline void FillConnections(CounterState& state, int connections, int busySlots) {
  constexpr char kKey[] = "02-00-00-00-00-01";
  for (int c = 0; c < connections; ++c) {
    RecordPtr r = NewRecord();
    SetFieldText(r->adapterKey, kKey);
    SetFieldText(r->ipText, "10." + std::to_string(c / 65536) + "." + std::to_string(c / 256 % 256) + "." +
                                std::to_string(c % 256));
    DaySlots& slots = state.table.SlotsOf(*r);
    const int first = c % (288 - busySlots + 1);
    for (int s = 0; s < busySlots; ++s) {
      const std::uint64_t rx = 1000000 + static_cast<std::uint64_t>(s);
      const std::uint64_t tx = 100000 + static_cast<std::uint64_t>(s);
      slots.Credit(static_cast<std::uint16_t>(first + s), rx, tx);
      r->rxTotal += rx;
      r->txTotal += tx;
    }
    if (const auto index = state.table.Find(kKey)) {
      state.table.At(*index).chain.push_back(std::move(r));
    } else {
      state.table.Append(kKey, std::move(r));
    }
  }
}

// Another network's adapters with their counters moved on by a steady amount at every table read,
// so that every pass credits traffic to every adapter.
class MovingCounters final : public NetworkSource {
 public:
  explicit MovingCounters(NetworkSource& real) : real_(real) {}
  bool ReadAdapterList(std::vector<RawAdapter>& out) override { return real_.ReadAdapterList(out); }
  bool ReadIpv4AdapterList(std::vector<RawAdapter>& out) override { return real_.ReadIpv4AdapterList(out); }
  bool ReadInterfaceTable(InterfaceTable& out) override {
    if (!real_.ReadInterfaceTable(out)) return false;
    moved_ += 1500;
    for (InterfaceRow& row : out.rows) {
      row.inOctets += moved_;
      row.outOctets += moved_ / 2;
    }
    return true;
  }
  std::unique_ptr<NdisDevice> OpenNdisDevice(std::string_view name) override { return real_.OpenNdisDevice(name); }
  WlanConnection QueryWlanConnection(std::string_view name) override { return real_.QueryWlanConnection(name); }

 private:
  NetworkSource& real_;
  std::uint64_t moved_ = 0;
};

}  // namespace tral::bench
