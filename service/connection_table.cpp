// Connection table lookups, appends, traffic counts and the records' slot lists.
#include "service/connection_table.h"

#include <new>

#include "shared/text_field.h"

namespace tral {

RecordPtr NewRecord() { return RecordPtr(new (std::nothrow) ConnectionRecord()); }

std::optional<std::size_t> ConnectionTable::Find(std::string_view key) const {
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (FieldText(entries_[i].key) == key) return i;
  }
  return std::nullopt;
}

std::size_t ConnectionTable::Append(std::string_view key, RecordPtr head) {
  Entry entry;
  SetFieldText(entry.key, key);
  entry.chain.push_back(std::move(head));
  entries_.push_back(std::move(entry));
  return entries_.size() - 1;
}

DaySlots& ConnectionTable::SlotsOf(ConnectionRecord& record) {
  if (record.slotList == 0 || record.slotList > slotLists_.size()) {
    slotLists_.emplace_back();
    record.slotList = static_cast<std::uint32_t>(slotLists_.size());
  }
  return slotLists_[record.slotList - 1];
}

const DaySlots* ConnectionTable::FindSlots(const ConnectionRecord& record) const {
  if (record.slotList == 0 || record.slotList > slotLists_.size()) return nullptr;
  return &slotLists_[record.slotList - 1];
}

std::size_t ConnectionTable::CountWithTraffic(const Entry& entry) {
  std::size_t n = 0;
  for (const RecordPtr& r : entry.chain) n += r->HasTraffic() ? 1 : 0;
  return n;
}

std::size_t ConnectionTable::CountEntriesWithTraffic() const {
  std::size_t n = 0;
  for (const Entry& e : entries_) n += CountWithTraffic(e) > 0 ? 1 : 0;
  return n;
}

std::size_t ConnectionTable::CountRecordsWithTraffic() const {
  std::size_t n = 0;
  for (const Entry& e : entries_) n += CountWithTraffic(e);
  return n;
}

}  // namespace tral
