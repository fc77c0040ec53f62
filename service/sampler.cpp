// Reconciliation of adapters with their connection chains, and the per-pass counter arithmetic.
#include "service/sampler.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "service/day_files.h"
#include "shared/text_field.h"

namespace tral {

namespace {

void CopyEntryTexts(ConnectionRecord& r, const AdapterEntry& e) {
  std::memcpy(r.adapterName, e.adapterName, sizeof r.adapterName);
  std::memcpy(r.description, e.description, sizeof r.description);
  std::memcpy(r.adapterKey, e.adapterKey, sizeof r.adapterKey);
  std::memcpy(r.ipText, e.ipText, sizeof r.ipText);
  std::memcpy(r.bssid, e.bssid, sizeof r.bssid);
  std::memcpy(r.ssid, e.ssid, sizeof r.ssid);
  r.noWirelessDevice = e.noWirelessDevice;
}

// The baselines and everything that belongs to them travel together from one head to the next,
// so that the interface's counters go on being credited without a gap.
void TakeBaselines(ConnectionRecord& to, const ConnectionRecord& from) {
  to.rxBase = from.rxBase;
  to.txBase = from.txBase;
  to.baseTick = from.baseTick;
  to.baseRow = from.baseRow;
  to.baseTickKnown = from.baseTickKnown;
  to.wideBase = from.wideBase;
  to.holdRx = from.holdRx;
  to.holdTx = from.holdTx;
  to.rxHold = from.rxHold;
  to.txHold = from.txHold;
}

RecordPtr NewRecordFor(CounterState& state, const AdapterEntry& e) {
  RecordPtr r = NewRecord();
  if (!r) return r;
  LookupSavedTotals(state, FieldText(e.adapterKey), FieldText(e.ipText), FieldText(e.bssid),
                    FieldText(e.ssid), r->rxTotal, r->txTotal, r.get());
  CopyEntryTexts(*r, e);
  return r;
}

bool Matches(const ConnectionRecord& r, const AdapterEntry& e) {
  return MatchesConnection(FieldText(r.ipText), FieldText(r.bssid), FieldText(r.ssid),
                           FieldText(e.ipText), FieldText(e.bssid), FieldText(e.ssid));
}

void ReconcileEntry(CounterState& state, const AdapterEntry& e, bool reload) {
  const std::optional<std::size_t> index = state.table.Find(FieldText(e.adapterKey));
  if (!index) {
    if (RecordPtr r = NewRecordFor(state, e)) {
      state.table.At(state.table.Append(FieldText(e.adapterKey), std::move(r))).interfaceIndex = e.interfaceIndex;
    }
    return;
  }
  state.table.At(*index).interfaceIndex = e.interfaceIndex;
  std::vector<RecordPtr>& chain = state.table.At(*index).chain;
  // Records loaded from a day file have no description or adapter name until enumerated.
  if (FieldEmpty(chain.front()->description)) {
    for (RecordPtr& r : chain) std::memcpy(r->description, e.description, sizeof r->description);
  }
  if (FieldEmpty(chain.front()->adapterName)) {
    for (RecordPtr& r : chain) std::memcpy(r->adapterName, e.adapterName, sizeof r->adapterName);
  }

  const auto match = std::find_if(chain.begin(), chain.end(),
                                  [&](const RecordPtr& r) { return Matches(*r, e); });
  if (match == chain.end()) {
    // A new situation: its record becomes head, the old head goes to the end of the chain.
    RecordPtr r = NewRecordFor(state, e);
    if (!r) return;
    TakeBaselines(*r, *chain.front());
    RecordPtr oldHead = std::exchange(chain.front(), std::move(r));
    chain.push_back(std::move(oldHead));
    return;
  }

  ConnectionRecord& w = **match;
  w.noWirelessDevice = e.noWirelessDevice;
  if (FieldEmpty(w.bssid) && !FieldEmpty(e.bssid)) std::memcpy(w.bssid, e.bssid, sizeof w.bssid);
  if (FieldEmpty(w.ssid) && !FieldEmpty(e.ssid)) std::memcpy(w.ssid, e.ssid, sizeof w.ssid);
  if (match != chain.begin()) {
    TakeBaselines(w, *chain.front());
    std::swap(chain.front(), *match);  // w becomes head, the old head takes w's place
  }
  if (reload) {
    LookupSavedTotals(state, FieldText(e.adapterKey), FieldText(e.ipText), FieldText(e.bssid),
                      FieldText(e.ssid), w.rxTotal, w.txTotal, &w);
  }
}

CounterState::UnmatchedKey* FindUnmatched(CounterState& state, std::string_view key) {
  for (CounterState::UnmatchedKey& u : state.unmatchedKeys) {
    if (FieldText(u.key) == key) return &u;
  }
  return nullptr;
}

// The table index of the adapter, reconciling once for a key without a record. A key that found no
// record before is retried only every few seconds: adapters without an IPv4 address have rows but
// never a record, and a reconciliation (adapter list plus a device open per adapter) on every pass
// for them would dominate the cost of sampling.
std::optional<std::size_t> FindOrReconcile(CounterState& state, std::string_view key, std::uint32_t now) {
  if (std::optional<std::size_t> index = state.table.Find(key)) return index;
  CounterState::UnmatchedKey* known = FindUnmatched(state, key);
  if (known && now - known->tick < kUnmatchedRetryMs) return std::nullopt;
  ReconcileAdapters(state, false);
  std::optional<std::size_t> index = state.table.Find(key);
  known = FindUnmatched(state, key);  // reconciliation does not touch the list, but stay safe
  if (index) {
    if (known) {
      *known = state.unmatchedKeys.back();
      state.unmatchedKeys.pop_back();
    }
  } else if (known) {
    known->tick = now;
  } else {
    CounterState::UnmatchedKey& added = state.unmatchedKeys.emplace_back();
    SetFieldText(added.key, key);
    added.tick = now;
  }
  return index;
}

// Settles a held pre-drop baseline: the counter came back to it (a transient low reading, credit
// from the old baseline) or moved on from the low value without reaching it (a real reset).
void SettleHold(bool& hold, std::uint64_t heldBase, std::uint64_t& base, std::uint64_t reading) {
  if (!hold) return;
  if (reading >= heldBase) {
    base = heldBase;
    hold = false;
  } else if (reading != base) {
    hold = false;
  }
}

void HoldDrop(bool& hold, std::uint64_t& heldBase, std::uint64_t base, std::uint64_t reading) {
  if (reading >= base) return;
  heldBase = hold ? std::max(heldBase, base) : base;
  hold = true;
}

// A baseline carried to the other counter width. Going to 32 bits keeps its low half; going to 64
// bits puts the 32-bit baseline under the reading's high half. Where the low half has wrapped in
// between, the carried baseline lies above the reading and the pass counts as a drop, as a wrap of
// the 32-bit counters does.
std::uint64_t CarryBaseline(std::uint64_t base, std::uint64_t reading, bool toWide) {
  constexpr std::uint64_t kLow = 0xFFFFFFFFu;
  if (!toWide) return base & kLow;
  return (reading & ~kLow) | (base & kLow);
}

void ShiftWindow(std::uint32_t (&window)[3], std::uint64_t delta) {
  window[2] = window[1];
  window[1] = window[0];
  window[0] = static_cast<std::uint32_t>(std::min<std::uint64_t>(delta, std::numeric_limits<std::uint32_t>::max()));
}

// Bytes per second over the three passes of the window.
std::uint32_t WindowRate(const std::uint32_t (&window)[3], const std::uint32_t (&passMs)[3]) {
  const std::uint64_t bytes = std::uint64_t{window[0]} + window[1] + window[2];
  std::uint64_t ms = std::uint64_t{passMs[0]} + passMs[1] + passMs[2];
  if (ms == 0) ms = 1;
  const std::uint64_t rate = bytes * 1000 / ms;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(rate, std::numeric_limits<std::uint32_t>::max()));
}

// What one pass credited to a head.
struct Credited {
  std::uint64_t rx = 0;
  std::uint64_t tx = 0;
};

Credited UpdateHead(ConnectionRecord& h, const CounterReading& reading, bool rebaseline, std::uint32_t now) {
  const std::uint64_t rx = reading.rxOctets;
  const std::uint64_t tx = reading.txOctets;
  // Without a baseline: all bits set (64-bit baselines), or anything in the high half (32-bit).
  const bool noBaseline = h.wideBase ? (h.rxBase == kNoBaseline || h.txBase == kNoBaseline)
                                     : ((h.rxBase >> 32) != 0 || (h.txBase >> 32) != 0);
  // Baselines read from another interface's row say nothing about this one's counters.
  const bool otherRow = !noBaseline && h.baseRow != reading.row;
  if (!noBaseline && !otherRow && h.wideBase != reading.wide) {
    // A pass that reads the other table (one failed call of the 64-bit one) goes on from the same
    // counters: the 32-bit counters are the low halves of the 64-bit ones.
    h.rxBase = CarryBaseline(h.rxBase, rx, reading.wide);
    h.txBase = CarryBaseline(h.txBase, tx, reading.wide);
    h.wideBase = reading.wide;
    h.holdRx = h.holdTx = false;
  }
  if (!noBaseline && !otherRow && !rebaseline) {
    SettleHold(h.holdRx, h.rxHold, h.rxBase, rx);
    SettleHold(h.holdTx, h.txHold, h.txBase, tx);
  }
  const bool dropped = !noBaseline && !otherRow && (rx < h.rxBase || tx < h.txBase);
  const bool rebase = rebaseline || noBaseline || dropped || otherRow;
  std::uint32_t intervalMs = kNominalPassMs;
  if (rebase) {
    if (dropped) {
      // Either a reset or wrap of the interface, or a transient low reading: credit nothing now,
      // and remember where a fallen counter stood in case it comes back.
      HoldDrop(h.holdRx, h.rxHold, h.rxBase, rx);
      HoldDrop(h.holdTx, h.txHold, h.txBase, tx);
    } else {
      h.holdRx = h.holdTx = false;
    }
    h.rxBase = rx;
    h.txBase = tx;
    h.wideBase = reading.wide;
    h.baseRow = reading.row;
  } else if (h.baseTickKnown) {
    intervalMs = now - h.baseTick;
  }

  const std::uint64_t dRx = rx - h.rxBase;
  const std::uint64_t dTx = tx - h.txBase;
  h.passMs[2] = h.passMs[1];
  h.passMs[1] = h.passMs[0];
  h.passMs[0] = intervalMs;
  if (dRx != 0) {
    h.rxTotal += dRx;
    h.rxBase = rx;
    h.rxTick = now;
  }
  ShiftWindow(h.rxWindow, dRx);
  h.rxRate = WindowRate(h.rxWindow, h.passMs);
  if (dTx != 0) {
    h.txTotal += dTx;
    h.txBase = tx;
    h.txTick = now;
  }
  ShiftWindow(h.txWindow, dTx);
  h.txRate = WindowRate(h.txWindow, h.passMs);
  h.baseTick = now;
  h.baseTickKnown = true;
  return Credited{dRx, dTx};
}

// Whether the table has a row of this physical address for the interface `index`.
bool HasRowFor(const InterfaceTable& table, const InterfaceRow& like, std::uint32_t index) {
  for (const InterfaceRow& r : table.rows) {
    if (r.interfaceIndex == index && !r.filterInterface && r.physAddrLength == like.physAddrLength &&
        std::memcmp(r.physAddr, like.physAddr, r.physAddrLength) == 0) {
      return true;
    }
  }
  return false;
}

bool SameIpIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
           return lower(x) == lower(y);
         });
}

}  // namespace

bool ReconcileAdapters(CounterState& state, bool reload) {
  if (reload) LoadDayFile(state);
  if (!EnumerateAdapters(state.net, state.adapters)) return false;
  for (const AdapterEntry& e : state.adapters) ReconcileEntry(state, e, reload);
  return true;
}

bool SampleCounters(CounterState& state, bool rebaseline) {
  if (!state.net.ReadInterfaceTable(state.rows) || state.rows.rows.empty()) return false;
  const std::uint32_t now = state.clock.TickCount();
  const std::uint64_t pass = ++state.passSerial;
  const bool refreshWireless = state.wirelessRefreshCounter == 5;
  const bool recheckWired = state.wirelessRefreshRound % kWiredRecheckRounds == 0;
  bool listRead = false;  // the adapter list is read at most once per pass
  bool listReadable = false;
  for (const InterfaceRow& row : state.rows.rows) {
    if (row.physAddrLength == 0 || row.filterInterface) continue;
    char key[kAdapterKeyWidth];
    FormatAdapterKey(row.physAddr, row.physAddrLength, key);
    // Each adapter is credited from exactly one row per pass: further rows with the same physical
    // address would re-baseline the head against each other and credit the gap again.
    const std::optional<std::size_t> index = FindOrReconcile(state, key, now);
    if (!index) continue;
    ConnectionTable::Entry& entry = state.table.At(*index);
    if (entry.sampledInPass == pass) continue;
    // Another interface with the adapter's physical address: the adapter's own row is elsewhere
    // in the table. Without it, the first row of the address stands in.
    if (entry.interfaceIndex != 0 && row.interfaceIndex != entry.interfaceIndex &&
        HasRowFor(state.rows, row, entry.interfaceIndex)) {
      continue;
    }
    entry.sampledInPass = pass;
    ConnectionRecord& h = *entry.chain.front();
    const Credited credited =
        UpdateHead(h, CounterReading{row.inOctets, row.outOctets, state.rows.wideCounters, row.interfaceIndex},
                   rebaseline, now);
    // The same increase that went to the day's totals goes to the slot of this moment.
    if ((credited.rx != 0 || credited.tx != 0) && state.creditSlots) {
      state.table.SlotsOf(h).Credit(state.slot, credited.rx, credited.tx);
    }
    // Every sixth pass a head without BSSID or SSID is asked again, as long as its adapter still has
    // the record's address.
    if (!refreshWireless || (!FieldEmpty(h.bssid) && !FieldEmpty(h.ssid))) continue;
    if (h.noWirelessDevice && !recheckWired) continue;
    char bssid[kBssidWidth];
    char ssid[kSsidWidth];
    const bool wired =
        ProbeWirelessIdentity(state.net, FieldText(h.adapterName), bssid, ssid) == WirelessProbe::kNoWirelessDevice;
    // A wired adapter that stays wired changes nothing, whatever its address: no list is read for it.
    if (wired && h.noWirelessDevice && FieldEmpty(h.bssid) && FieldEmpty(h.ssid)) continue;
    // The answer is the head's only while its adapter still has the record's address. The IPv4 list
    // is enough to compare addresses, and the whole list costs several times more.
    if (!listRead) {
      listReadable = state.net.ReadIpv4AdapterList(state.adapterList);
      listRead = true;
    }
    if (!listReadable) continue;
    // An adapter missing from the IPv4 list has no IPv4 address: its connection's IP text is empty.
    char ip[kIpTextWidth] = {};
    FindAdapterIpIn(state.adapterList, key, ip);
    if (!SameIpIgnoringCase(ip, FieldText(h.ipText))) continue;
    std::memcpy(h.bssid, bssid, sizeof h.bssid);
    std::memcpy(h.ssid, ssid, sizeof h.ssid);
    h.noWirelessDevice = wired;
  }
  if (refreshWireless) ++state.wirelessRefreshRound;
  state.wirelessRefreshCounter = refreshWireless ? 0 : state.wirelessRefreshCounter + 1;
  return true;
}

}  // namespace tral
