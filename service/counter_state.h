// The counting worker's state, passed to every verb of sampling, reconciliation and day files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "service/adapter_identity.h"
#include "service/clock.h"
#include "service/connection_table.h"
#include "service/day_file_store.h"
#include "service/incidents.h"
#include "service/network_source.h"

namespace tral {

class MetricsPublisher;

// Heads of adapters that are not wireless at all are asked again for an identity only every this
// many refresh rounds (every 60 passes instead of every 6): each ask costs an adapter-list read and
// a device open, and a wired adapter never answers.
inline constexpr std::uint32_t kWiredRecheckRounds = 10;

// How long a row whose adapter has no record (no IPv4 address) waits before it may trigger another
// reconciliation.
inline constexpr std::uint32_t kUnmatchedRetryMs = 5000;

struct CounterState {
  CounterState(NetworkSource& network, DayFileStore& store, Clock& clockSource)
      : net(network), files(store), clock(clockSource) {}

  NetworkSource& net;
  DayFileStore& files;
  Clock& clock;

  IncidentSink* incidents = nullptr;  // where persistent failures are written down; may be null
  MetricsPublisher* metrics = nullptr;  // keeps the Prometheus textfile after each save; may be null

  ConnectionTable table;
  std::uint32_t savedUptimeMs = 0;  // running time read from today's file
  std::uint32_t dayUptimeMs = 0;  // running time of the day, written at the end of each day file
  std::uint32_t wirelessRefreshCounter = 0;  // cycles 0..5; at 5 missing BSSID/SSID are asked for
  std::uint32_t wirelessRefreshRound = 0;  // refresh passes so far

  // Keys of rows that found no record, with the tick of their last reconciliation.
  struct UnmatchedKey {
    char key[kAdapterKeyWidth] = {};
    std::uint32_t tick = 0;
  };
  std::vector<UnmatchedKey> unmatchedKeys;

  // Which live record holds each entry of the day file of `ownersDate`, in file order: the records
  // loaded from it or written into it, and those that took an entry's totals since. An entry's
  // totals go to at most one live record: after a restart a record loaded without BSSID and SSID
  // matches the next access point too, and handing its totals out again would count them twice.
  // Only compared, never followed: cleared whenever the table is.
  std::vector<const ConnectionRecord*> savedEntryOwners;
  CivilDate ownersDate;
  bool ownersKnown = false;

  // Today's file existed but could not be read when the table was built: no save may overwrite
  // it before it has been read or renamed aside.
  bool unreadableKnown = false;
  CivilDate unreadableDate;

  // The five-minute slot of local time that passes credit: read from the clock at each wake-up
  // together with the date whose table they credit.
  std::uint16_t slot = 0;
  // Passes credit the slots besides the totals; off only where a benchmark measures what slots cost.
  bool creditSlots = true;
  // Today's slot file could not be taken up when the table was built (it could not be read, is of
  // a layout this program does not know, or belongs to a day file that could not be read): no save
  // may overwrite it before it has been taken up or renamed aside.
  bool slotsUnsettled = false;
  CivilDate slotsUnsettledDate;

  // Scratch storage reused by every pass, so that a pass allocates nothing once warm.
  InterfaceTable rows;
  std::vector<AdapterEntry> adapters;
  std::vector<RawAdapter> adapterList;
  std::vector<std::uint8_t> fileBytes;
  std::uint64_t passSerial = 0;  // numbers the sampling passes, so one row credits an adapter once
};

inline void ReportIncident(CounterState& state, Incident kind, std::string_view detail) {
  if (state.incidents != nullptr) state.incidents->Report(kind, detail);
}

}  // namespace tral
