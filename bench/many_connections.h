// A table of many wireless connections for the benchmarks of the save and the Prometheus textfile.
#pragma once

#include <string>

#include "service/counter_state.h"
#include "shared/text_field.h"

namespace tral::bench {

// `count` connections over ten adapters, each with traffic, a BSSID and a network name.
inline void FillWirelessConnections(CounterState& state, int count) {
  for (int i = 0; i < count; ++i) {
    RecordPtr r = NewRecord();
    const std::string key = "02-00-00-00-00-0" + std::to_string(i % 10);
    SetFieldText(r->adapterKey, key);
    SetFieldText(r->ipText, "10." + std::to_string(i / 250) + "." + std::to_string(i % 250) + ".1");
    SetFieldText(r->bssid, "00-11-22-33-44-" + std::to_string(10 + i % 90));
    SetFieldText(r->ssid, "Network " + std::to_string(i));
    r->rxTotal = 1000000007ULL * static_cast<unsigned>(i + 1);
    r->txTotal = 30000001ULL * static_cast<unsigned>(i + 1);
    if (auto index = state.table.Find(key)) {
      state.table.At(*index).chain.push_back(std::move(r));
    } else {
      state.table.Append(key, std::move(r));
    }
  }
  state.dayUptimeMs = 3600000;
}

}  // namespace tral::bench
