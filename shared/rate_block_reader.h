// Bounded decoding of the shared rate block: a snapshot is read only as far as the section's bytes go.
//
// Layout (little-endian): u32 groupCount at offset 0, then the published 696-byte records from
// offset 4. Per group, the first record's groupSize says how many records the group has (0 and 1
// both mean the record alone).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "shared/published_record.h"

namespace tral {

inline constexpr std::size_t kRateBlockHeaderSize = 4;

// Why a decode ended; the readers of the block treat every value but kOk alike.
enum class RateBlockError {
  kOk,
  kTooShort,  // not even groupCount is there
  kPastEnd,  // groupCount or a groupSize promises records beyond the end of the section
  kUnterminatedText,  // a text field lacks its NUL inside its width
};

// Visits the records of a block in order. `onGroup(const PublishedRecord& head)` starts a group,
// `onRecord(const PublishedRecord& record)` follows for every further record of it. Every record is
// checked (whole, all text fields terminated) before it is passed on, but a failure found later
// ends the decode after earlier records were visited: callers drop what they built on failure.
// Nothing is reserved or looped over on the strength of a count: each step consumes 696 bytes of
// the span or stops.
class RateBlockReader {
 public:
  explicit RateBlockReader(std::span<const std::uint8_t> block) : block_(block) {}

  [[nodiscard]] RateBlockError ReadGroupCount(std::uint32_t& groupCount);
  // Copies the next record out of the span; the copy's fields are exactly the block's bytes.
  [[nodiscard]] RateBlockError ReadRecord(PublishedRecord& record);

 private:
  std::span<const std::uint8_t> block_;
  std::size_t pos_ = 0;
};

// One group of a decoded snapshot, head first.
struct RateBlockGroup {
  std::vector<PublishedRecord> records;
};

// Decodes a whole snapshot. On success `groups` holds one entry per group in block order; on any
// failure it is left empty.
[[nodiscard]] RateBlockError DecodeRateBlock(std::span<const std::uint8_t> block,
                                             std::vector<RateBlockGroup>& groups);

}  // namespace tral
