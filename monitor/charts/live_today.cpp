// Crediting the bytes the service counted since its last save to today's current slot.
#include "monitor/charts/live_today.h"

#include <algorithm>
#include <unordered_map>

#include "shared/saturating_sum.h"
#include "shared/text_field.h"

namespace tral {

namespace {

// Adds bytes to a slot of an ascending list, making the slot when it has none.
void AddToSlot(std::vector<SlotBytes>& slots, std::uint16_t slot, std::uint64_t rx, std::uint64_t tx) {
  auto it = std::lower_bound(slots.begin(), slots.end(), slot,
                             [](const SlotBytes& s, std::uint16_t wanted) { return s.slot < wanted; });
  if (it == slots.end() || it->slot != slot) it = slots.insert(it, SlotBytes{slot, 0, 0});
  AddSaturating(it->rxBytes, rx);
  AddSaturating(it->txBytes, tx);
}

std::uint64_t Beyond(std::uint64_t total, std::uint64_t part) { return total > part ? total - part : 0; }

std::string KeyOf(const ConnectionTexts& t) { return ConnectionKey(t.adapterKey, t.ipText, t.bssid, t.ssid); }

}  // namespace

LiveToday LiveTodayOf(const ConnectionList& list, const CivilDate& date, std::uint32_t secondOfDay) {
  LiveToday live;
  live.known = true;
  live.date = date;
  live.secondOfDay = secondOfDay;
  std::unordered_map<std::string, std::size_t> index;  // a day of a thousand connections stays linear
  for (const ConnectionGroup& group : list.Groups()) {
    for (const PublishedRecord& record : group.chain) {
      ConnectionTexts texts{std::string(FieldText(record.adapterKey)), std::string(FieldText(record.ipText)),
                            std::string(FieldText(record.bssid)), std::string(FieldText(record.ssid))};
      const auto [it, added] = index.emplace(KeyOf(texts), live.connections.size());
      if (added) {
        live.connections.push_back(LiveConnection{std::move(texts), record.rxTotal, record.txTotal});
      } else {
        AddSaturating(live.connections[it->second].rxBytes, record.rxTotal);
        AddSaturating(live.connections[it->second].txBytes, record.txTotal);
      }
    }
  }
  return live;
}

ConnectionTexts TextsOf(const TimedConnection& connection) {
  return ConnectionTexts{connection.adapterKey, connection.ipText, connection.bssid, connection.ssid};
}

void AddLiveFigures(TimedDay& day, const LiveToday& live) {
  if (!live.known || !(live.date == day.date)) return;
  if (day.day.outcome != DayReadOutcome::kComplete && day.day.outcome != DayReadOutcome::kMissing) return;
  const std::uint16_t slot = live.Slot();
  std::unordered_map<std::string, std::size_t> index;
  for (std::size_t i = 0; i < day.connections.size(); ++i) index.emplace(KeyOf(TextsOf(day.connections[i])), i);
  for (const LiveConnection& c : live.connections) {
    const auto [at, added] = index.emplace(KeyOf(c.texts), day.connections.size());
    if (added) {
      TimedConnection connection;
      connection.adapterKey = c.texts.adapterKey;
      connection.ipText = c.texts.ipText;
      connection.bssid = c.texts.bssid;
      connection.ssid = c.texts.ssid;
      day.connections.push_back(std::move(connection));
    }
    TimedConnection& it = day.connections[at->second];
    const std::uint64_t rx = Beyond(c.rxBytes, it.dayRxBytes);
    const std::uint64_t tx = Beyond(c.txBytes, it.dayTxBytes);
    if (rx == 0 && tx == 0) continue;
    AddToSlot(it.slots, slot, rx, tx);
    it.dayRxBytes += rx;
    it.dayTxBytes += tx;
  }
}

}  // namespace tral
