// A counting state over fakes, and small builders shared by the core tests of the service.
#pragma once

#include <string>
#include <vector>

#include "fakes/fake_clock.h"
#include "fakes/fake_day_store.h"
#include "fakes/fake_network.h"
#include "service/counter_state.h"
#include "service/counting_loop.h"
#include "service/incidents.h"
#include "shared/text_field.h"

namespace tral::testing {

inline const std::vector<std::uint8_t> kMacA{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
inline const std::vector<std::uint8_t> kMacB{0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
inline const std::vector<std::uint8_t> kMacC{0x02, 0x00, 0x00, 0x00, 0x00, 0x0C};
inline constexpr char kKeyA[] = "00-1A-2B-3C-4D-5E";
inline constexpr char kKeyB[] = "AA-BB-CC-DD-EE-FF";
inline constexpr char kKeyC[] = "02-00-00-00-00-0C";

// Every incident reported, in order.
struct RecordingIncidents final : IncidentSink {
  std::vector<std::pair<Incident, std::string>> reported;
  void Report(Incident kind, std::string_view detail) override { reported.emplace_back(kind, std::string(detail)); }
  int Count(Incident kind) const {
    int n = 0;
    for (const auto& r : reported) n += r.first == kind ? 1 : 0;
    return n;
  }
};

// Appends a record of these texts and totals to the adapter's chain (a new entry for a new key).
inline ConnectionRecord& AddRecord(CounterState& state, const char* key, const char* ip, const char* bssid,
                                   const char* ssid, std::uint64_t rx, std::uint64_t tx) {
  auto r = NewRecord();
  SetFieldText(r->adapterKey, key);
  SetFieldText(r->ipText, ip);
  SetFieldText(r->bssid, bssid);
  SetFieldText(r->ssid, ssid);
  r->rxTotal = rx;
  r->txTotal = tx;
  ConnectionRecord& added = *r;
  if (auto index = state.table.Find(key)) {
    state.table.At(*index).chain.push_back(std::move(r));
  } else {
    state.table.Append(key, std::move(r));
  }
  return added;
}

// A block owner that answers nobody.
class NoAnswer final : public RequestAnswerer {
 public:
  void AnswerRequest(const ConnectionTable&) override {}
};

struct CounterFixture {
  fakes::FakeNetwork net;
  fakes::FakeDayStore store;
  fakes::FakeClock clock;
  CounterState state{net, store, clock};
  RecordingIncidents incidents;

  CounterFixture() { state.incidents = &incidents; }

  ConnectionTable::Entry& Entry(const char* key) { return state.table.At(*state.table.Find(key)); }
  ConnectionRecord& Head(const char* key) { return *Entry(key).chain.front(); }
  std::vector<std::string> ChainSsids(const char* key) {
    std::vector<std::string> out;
    for (const auto& r : Entry(key).chain) out.emplace_back(FieldText(r->ssid));
    return out;
  }
};

}  // namespace tral::testing
