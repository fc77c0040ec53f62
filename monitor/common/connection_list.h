// The monitor's copy of the service's last snapshot: groups per adapter, each a chain of records.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "shared/published_record.h"

namespace tral {

// One adapter's records in block order, head first. `key` is the head's adapter key.
struct ConnectionGroup {
  std::string key;
  std::vector<PublishedRecord> chain;  // link, groupSize and zero are 0 in every copy
};

class ConnectionList {
 public:
  ConnectionList();

  const std::vector<ConnectionGroup>& Groups() const { return groups_; }
  bool Empty() const { return groups_.empty(); }
  std::size_t RecordCount() const;

  void Clear();
  // Appends a group whose chain starts with `head`; groups are never merged by key.
  void AddGroup(const PublishedRecord& head);
  // Appends a record behind the last group's last record.
  void AppendToLastGroup(const PublishedRecord& record);

 private:
  std::vector<ConnectionGroup> groups_;
};

// Refills `list` from the bytes of a rate block (the whole mapped section). Empties the list
// first; on a damaged block (counts past the end, unterminated text) or when memory runs out the
// list is left empty and the result is false.
[[nodiscard]] bool FillConnectionList(std::span<const std::uint8_t> block, ConnectionList& list);

}  // namespace tral
