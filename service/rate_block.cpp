// Encoding of the shared rate block from the connection table, bounded by the span it is given.
#include "service/rate_block.h"

#include <cstring>
#include <type_traits>

#include "shared/byte_order.h"

namespace tral {

// The record's first 696 bytes are copied as they lie in memory.
static_assert(std::is_trivially_copyable_v<ConnectionRecord>);

std::size_t RateBlockBytesNeeded(const ConnectionTable& table) {
  return kBlockGroupCountSize + kPublishedRecordSize * table.CountRecordsWithTraffic();
}

std::size_t RateBlockSectionSize(std::size_t needed) {
  return needed < kMinRateBlockSection ? kMinRateBlockSection : needed;
}

RateBlockWritten EncodeRateBlock(const ConnectionTable& table, std::span<std::uint8_t> block) {
  RateBlockWritten written;
  if (block.size() < kBlockGroupCountSize) return written;
  written.complete = true;
  std::size_t pos = kBlockGroupCountSize;
  for (const ConnectionTable::Entry& entry : table.Entries()) {
    const std::size_t groupSize = ConnectionTable::CountWithTraffic(entry);
    if (groupSize == 0) continue;
    // A group goes in whole or not at all; once one does not fit, nothing after it is written.
    if ((block.size() - pos) / kPublishedRecordSize < groupSize) {
      written.complete = false;
      break;
    }
    for (const RecordPtr& r : entry.chain) {
      if (!r->HasTraffic()) continue;
      std::uint8_t* out = block.data() + pos;
      std::memcpy(out, reinterpret_cast<const std::uint8_t*>(r.get()), kPublishedRecordSize);
      StoreLe32(out + record_offset::kLink, 0);
      StoreLe32(out + record_offset::kGroupSize, static_cast<std::uint32_t>(groupSize));
      StoreLe32(out + record_offset::kZero, 0);
      pos += kPublishedRecordSize;
      ++written.records;
    }
    ++written.groups;
  }
  StoreLe32(block.data(), written.groups);
  return written;
}

}  // namespace tral
