// The shared rate block's contents: the adapter count and every connection with traffic.
//
// Layout (little-endian): u32 groupCount at offset 0, then the 696-byte published records from
// offset 4, adapter after adapter in table order and, within an adapter, the records with traffic
// in chain order. Each record is the connection record's image with the link slot 0 and, at 312 and
// 316, the number of records of its group and 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "service/connection_table.h"

namespace tral {

inline constexpr std::size_t kBlockGroupCountSize = 4;
inline constexpr std::size_t kMinRateBlockSection = 1048576;  // bytes; holds 1,506 records

// Bytes the block of this table needs: 4 + 696 x records with traffic.
std::size_t RateBlockBytesNeeded(const ConnectionTable& table);

// Size of a section created for a block of `needed` bytes: at least 1 MiB.
std::size_t RateBlockSectionSize(std::size_t needed);

struct RateBlockWritten {
  std::uint32_t groups = 0;
  std::uint32_t records = 0;
  bool complete = false;  // every group with traffic is in the block
};

// Writes the block into `block` and nothing past the last record. Where the span is too small for
// the whole snapshot (a smaller section that a client still holds open), only whole groups that fit
// are written and groupCount counts exactly those, so readers still find a consistent block. A span
// shorter than the 4-byte header is left untouched.
RateBlockWritten EncodeRateBlock(const ConnectionTable& table, std::span<std::uint8_t> block);

}  // namespace tral
