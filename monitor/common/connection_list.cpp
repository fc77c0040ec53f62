// The monitor's connection list and its refill from a rate block.
#include "monitor/common/connection_list.h"

#include <new>

#include "shared/rate_block_reader.h"
#include "shared/text_field.h"

namespace tral {

namespace {

// The group table starts with room for this many adapters and grows as needed.
constexpr std::size_t kInitialGroups = 40;

PublishedRecord Unlinked(PublishedRecord record) {
  record.link = 0;
  record.groupSize = 0;
  record.zero = 0;
  return record;
}

}  // namespace

ConnectionList::ConnectionList() { groups_.reserve(kInitialGroups); }

std::size_t ConnectionList::RecordCount() const {
  std::size_t n = 0;
  for (const ConnectionGroup& group : groups_) n += group.chain.size();
  return n;
}

void ConnectionList::Clear() { groups_.clear(); }

void ConnectionList::AddGroup(const PublishedRecord& head) {
  ConnectionGroup& group = groups_.emplace_back();
  group.key = std::string(FieldText(head.adapterKey));
  group.chain.push_back(Unlinked(head));
}

void ConnectionList::AppendToLastGroup(const PublishedRecord& record) {
  if (groups_.empty()) return;
  groups_.back().chain.push_back(Unlinked(record));
}

bool FillConnectionList(std::span<const std::uint8_t> block, ConnectionList& list) {
  list.Clear();
  try {
    std::vector<RateBlockGroup> groups;
    if (DecodeRateBlock(block, groups) != RateBlockError::kOk) return false;
    for (const RateBlockGroup& group : groups) {
      list.AddGroup(group.records.front());
      for (std::size_t i = 1; i < group.records.size(); ++i) list.AppendToLastGroup(group.records[i]);
    }
    return true;
  } catch (const std::bad_alloc&) {
    // A snapshot that cannot be held whole is not shown in part.
    list.Clear();
    return false;
  }
}

}  // namespace tral
