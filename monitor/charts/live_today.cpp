// Crediting the bytes the service counted since its last save to today's current slot.
#include "monitor/charts/live_today.h"

#include <algorithm>

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

}  // namespace

LiveToday LiveTodayOf(const ConnectionList& list, const CivilDate& date, std::uint32_t secondOfDay) {
  LiveToday live;
  live.known = true;
  live.date = date;
  live.secondOfDay = secondOfDay;
  for (const ConnectionGroup& group : list.Groups()) {
    for (const PublishedRecord& record : group.chain) {
      ConnectionTexts texts{std::string(FieldText(record.adapterKey)), std::string(FieldText(record.ipText)),
                            std::string(FieldText(record.bssid)), std::string(FieldText(record.ssid))};
      const auto same = std::find_if(live.connections.begin(), live.connections.end(),
                                     [&](const LiveConnection& c) { return c.texts == texts; });
      if (same == live.connections.end()) {
        live.connections.push_back(LiveConnection{std::move(texts), record.rxTotal, record.txTotal});
      } else {
        AddSaturating(same->rxBytes, record.rxTotal);
        AddSaturating(same->txBytes, record.txTotal);
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
  for (const LiveConnection& c : live.connections) {
    auto it = std::find_if(day.connections.begin(), day.connections.end(),
                           [&](const TimedConnection& t) { return TextsOf(t) == c.texts; });
    if (it == day.connections.end()) {
      TimedConnection added;
      added.adapterKey = c.texts.adapterKey;
      added.ipText = c.texts.ipText;
      added.bssid = c.texts.bssid;
      added.ssid = c.texts.ssid;
      it = day.connections.insert(day.connections.end(), std::move(added));
    }
    const std::uint64_t rx = Beyond(c.rxBytes, it->dayRxBytes);
    const std::uint64_t tx = Beyond(c.txBytes, it->dayTxBytes);
    if (rx == 0 && tx == 0) continue;
    AddToSlot(it->slots, slot, rx, tx);
    it->dayRxBytes += rx;
    it->dayTxBytes += tx;
  }
}

}  // namespace tral
