// Slot files of the counting service: pairing with day-file entries, saving, keeping aside.
#include "service/slot_files.h"

#include <algorithm>
#include <numeric>
#include <vector>

#include "service/day_files.h"
#include "shared/slot_file_codec.h"
#include "shared/text_field.h"

namespace tral {

namespace {

std::string RecordIdentity(const ConnectionRecord& r) {
  return ConnectionIdentity(FieldText(r.adapterKey), FieldText(r.ipText), FieldText(r.bssid), FieldText(r.ssid));
}

std::string SlotConnectionIdentity(const SlotFileConnection& c) {
  return ConnectionIdentity(FieldText(c.adapterKey), FieldText(c.ipText), FieldText(c.bssid), FieldText(c.ssid));
}

// Adds slots to a record's as long as its slots then sum to no more than its totals in each
// direction; false (and nothing added) otherwise.
bool AddWithinTotals(ConnectionTable& table, ConnectionRecord& record, std::span<const SlotBytes> slots) {
  DaySlots& have = table.SlotsOf(record);
  std::uint64_t haveRx = 0, haveTx = 0, addRx = 0, addTx = 0;
  SlotSums(have.Slots(), haveRx, haveTx);
  SlotSums(slots, addRx, addTx);
  if (haveRx > record.rxTotal || addRx > record.rxTotal - haveRx || haveTx > record.txTotal ||
      addTx > record.txTotal - haveTx) {
    return false;
  }
  have.Add(slots);
  return true;
}

// Gives each connection of the file to the record of the entry with the same four texts, each entry
// taken once. True when every connection found its record and fitted its totals.
bool GiveToOwners(ConnectionTable& table, std::span<const EntryOwner> owners, const SlotFileContents& contents) {
  std::vector<std::size_t> order(owners.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return owners[a].identity < owners[b].identity; });
  std::vector<bool> taken(owners.size(), false);
  bool all = true;
  for (const SlotFileConnection& c : contents.connections) {
    const std::string identity = SlotConnectionIdentity(c);
    auto at = std::lower_bound(order.begin(), order.end(), identity,
                               [&](std::size_t i, const std::string& id) { return owners[i].identity < id; });
    while (at != order.end() && owners[*at].identity == identity && taken[*at]) ++at;
    if (at == order.end() || owners[*at].identity != identity) {
      all = false;
      continue;
    }
    taken[*at] = true;
    ConnectionRecord* record = owners[*at].record;
    if (record == nullptr || !AddWithinTotals(table, *record, c.slots)) all = false;
  }
  return all;
}

// The records with traffic as the owners of the entries the day file just written holds.
std::vector<EntryOwner> OwnersFromTable(ConnectionTable& table) {
  std::vector<EntryOwner> owners;
  for (ConnectionTable::Entry& entry : table.MutableEntries()) {
    for (RecordPtr& r : entry.chain) {
      if (r->HasTraffic()) owners.push_back(EntryOwner{RecordIdentity(*r), r.get()});
    }
  }
  return owners;
}

void MarkUnsettled(CounterState& state, const CivilDate& date) {
  state.slotsUnsettled = true;
  state.slotsUnsettledDate = date;
}

// Before a slot file of `date` is written: one that could not be taken up is read again and taken
// up, or renamed aside. False while it exists and can be neither.
bool SettleSlotFile(CounterState& state, const CivilDate& date) {
  if (!state.slotsUnsettled || state.slotsUnsettledDate != date) return true;
  const std::string name = SlotFileName(date);
  std::vector<std::uint8_t> bytes;
  std::string why = "could not be read";
  switch (state.files.Read(name, bytes)) {
    case ReadResult::kAbsent:
      state.slotsUnsettled = false;
      return true;
    case ReadResult::kRead: {
      const SlotFileContents contents = DecodeSlotFile(bytes);
      if (contents.knownLayout) {
        GiveToOwners(state.table, OwnersFromTable(state.table), contents);
        state.slotsUnsettled = false;
        return true;
      }
      why = "is not a slot file this program reads (" + contents.problem + ")";
      break;
    }
    case ReadResult::kUnreadable:
      break;
  }
  if (!KeepAside(state, name, why)) return false;
  state.slotsUnsettled = false;
  return true;
}

}  // namespace

std::string ConnectionIdentity(std::string_view adapterKey, std::string_view ipText, std::string_view bssid,
                               std::string_view ssid) {
  std::string identity;
  identity.reserve(adapterKey.size() + ipText.size() + bssid.size() + ssid.size() + 3);
  identity.append(adapterKey).append(1, '\0').append(ipText).append(1, '\0');
  identity.append(bssid).append(1, '\0').append(ssid);
  return identity;
}

void TakeUpSlotFile(CounterState& state, const CivilDate& date, std::span<const EntryOwner> owners,
                    bool replacePart) {
  std::vector<std::uint8_t> bytes;
  switch (ReadPatiently(state, SlotFileName(date), bytes)) {
    case ReadResult::kAbsent:
      if (state.slotsUnsettledDate == date) state.slotsUnsettled = false;
      return;
    case ReadResult::kUnreadable:
      MarkUnsettled(state, date);
      return;
    case ReadResult::kRead:
      break;
  }
  const SlotFileContents contents = DecodeSlotFile(bytes);
  if (!contents.knownLayout) {
    MarkUnsettled(state, date);
    return;
  }
  if (state.slotsUnsettledDate == date) state.slotsUnsettled = false;
  const bool whole = GiveToOwners(state.table, owners, contents) && contents.complete;
  if (!whole && replacePart) (void)SaveSlotFile(state, date, 0);
}

bool SaveSlotFile(CounterState& state, const CivilDate& date, std::uint32_t retryMs) {
  const std::string name = SlotFileName(date);
  if (!SettleSlotFile(state, date)) return false;  // written down as the file that cannot be renamed
  // The records the day file holds that have busy slots.
  const auto busySlots = [&](const ConnectionRecord& r) -> const DaySlots* {
    const DaySlots* slots = state.table.FindSlots(r);
    return r.HasTraffic() && slots != nullptr && !slots->Empty() ? slots : nullptr;
  };
  std::uint32_t count = 0;
  for (const ConnectionTable::Entry& entry : state.table.Entries()) {
    for (const RecordPtr& r : entry.chain) count += busySlots(*r) != nullptr ? 1 : 0;
  }
  // A day without a busy slot (counted before slot files, and idle since) has no slot file; one
  // there is stale, as its slots would be in the table.
  if (count == 0) {
    state.files.Remove(name);
    return true;
  }
  // The day file's bytes are written by now: the buffer holds the slot file's.
  std::vector<std::uint8_t>& bytes = state.fileBytes;
  bytes.clear();
  SlotFileWriter writer(bytes);
  writer.PutHeading(count);
  // In the day file's order, under the adapter key its group carries.
  for (const ConnectionTable::Entry& entry : state.table.Entries()) {
    for (const RecordPtr& r : entry.chain) {
      const DaySlots* slots = busySlots(*r);
      if (slots == nullptr) continue;
      writer.PutConnection(entry.chain.front()->adapterKey, r->ipText, r->bssid, r->ssid,
                           static_cast<std::uint16_t>(slots->Slots().size()));
      for (const SlotBytes& s : slots->Slots()) writer.PutSlot(s);
    }
  }
  std::uint32_t retryLeftMs = retryMs;
  if (ReplacePatiently(state, name, bytes, retryLeftMs) != ReplaceResult::kReplaced) {
    ReportIncident(state, Incident::kCannotSave, name + " could not be saved");
    return false;
  }
  return true;
}

void KeepSlotFileAside(CounterState& state, const CivilDate& date) {
  const std::string name = SlotFileName(date);
  std::vector<std::uint8_t> bytes;
  if (state.files.Read(name, bytes) == ReadResult::kAbsent || KeepAside(state, name, "belongs to a day file kept aside")) {
    if (state.slotsUnsettledDate == date) state.slotsUnsettled = false;
  } else {
    MarkUnsettled(state, date);
  }
}

}  // namespace tral
