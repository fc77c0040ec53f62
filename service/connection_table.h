// The table of connections: per adapter key, a chain of records with the current situation first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "service/connection_record.h"
#include "service/day_slots.h"

namespace tral {

using RecordPtr = std::unique_ptr<ConnectionRecord>;

// A record in its initial state, or null when memory cannot be had (the caller skips the entry).
RecordPtr NewRecord();

class ConnectionTable {
 public:
  struct Entry {
    char key[kAdapterKeyWidth] = {};  // private copy of the adapter key
    std::vector<RecordPtr> chain;  // chain[0] is the head: the adapter's current situation
    std::uint64_t sampledInPass = 0;  // serial of the last pass that credited this adapter
    // The interface whose row carries the adapter's counters, from the adapter list; 0 unknown.
    // Another row with the same physical address (a virtual adapter) is never credited to it.
    std::uint32_t interfaceIndex = 0;
  };

  // Linear search, exact case-sensitive comparison, first equal key wins.
  std::optional<std::size_t> Find(std::string_view key) const;
  // Appends a key with its head; returns the new index.
  std::size_t Append(std::string_view key, RecordPtr head);
  std::size_t Size() const { return entries_.size(); }
  Entry& At(std::size_t index) { return entries_[index]; }
  const Entry& At(std::size_t index) const { return entries_[index]; }
  ConnectionRecord& Head(std::size_t index) { return *entries_[index].chain.front(); }
  void Clear() {
    entries_.clear();
    slotLists_.clear();
  }

  // The five-minute slots of a record of this table, made empty on first use.
  DaySlots& SlotsOf(ConnectionRecord& record);
  // The same without making one: null while the record has none.
  const DaySlots* FindSlots(const ConnectionRecord& record) const;

  // Records with traffic in one chain, and entries with at least one such record.
  static std::size_t CountWithTraffic(const Entry& entry);
  std::size_t CountEntriesWithTraffic() const;
  std::size_t CountRecordsWithTraffic() const;

  const std::vector<Entry>& Entries() const { return entries_; }
  std::vector<Entry>& MutableEntries() { return entries_; }

 private:
  std::vector<Entry> entries_;
  std::vector<DaySlots> slotLists_;  // by ConnectionRecord::slotList - 1
};

}  // namespace tral
