// Bounded decoding of the shared rate block.
#include "shared/rate_block_reader.h"

#include <cstring>

#include "shared/byte_order.h"

namespace tral {

namespace {

bool Terminated(const std::uint8_t* record, std::size_t offset, std::size_t width) {
  return std::memchr(record + offset, 0, width) != nullptr;
}

// Every text field of a published record must end inside its width: the monitor copies the fields
// into windows and compares them as C strings.
bool TextFieldsTerminated(const std::uint8_t* record) {
  namespace off = record_offset;
  return Terminated(record, off::kDescription, kDescriptionWidth) &&
         Terminated(record, off::kAdapterKey, kAdapterKeyWidth) &&
         Terminated(record, off::kIpText, kIpTextWidth) &&
         Terminated(record, off::kBssid, kBssidWidth) && Terminated(record, off::kSsid, kSsidWidth) &&
         Terminated(record, off::kAdapterName, kAdapterNameWidth);
}

}  // namespace

RateBlockError RateBlockReader::ReadGroupCount(std::uint32_t& groupCount) {
  if (block_.size() < kRateBlockHeaderSize) return RateBlockError::kTooShort;
  groupCount = LoadLe32(block_.data());
  pos_ = kRateBlockHeaderSize;
  return RateBlockError::kOk;
}

RateBlockError RateBlockReader::ReadRecord(PublishedRecord& record) {
  if (pos_ < kRateBlockHeaderSize || block_.size() - pos_ < kPublishedRecordSize) {
    return RateBlockError::kPastEnd;
  }
  // The struct's layout is the published one (checked where it is declared), so a byte copy is
  // the whole decode; it also copes with a view that is not 8-byte aligned at this record. The
  // checks look at the copy: a section that changes under the reader cannot slip text past them.
  std::uint8_t copy[kPublishedRecordSize];
  std::memcpy(copy, block_.data() + pos_, kPublishedRecordSize);
  if (!TextFieldsTerminated(copy)) return RateBlockError::kUnterminatedText;
  std::memcpy(&record, copy, kPublishedRecordSize);
  pos_ += kPublishedRecordSize;
  return RateBlockError::kOk;
}

RateBlockError DecodeRateBlock(std::span<const std::uint8_t> block,
                               std::vector<RateBlockGroup>& groups) {
  groups.clear();
  RateBlockReader reader(block);
  std::uint32_t groupCount = 0;
  RateBlockError error = reader.ReadGroupCount(groupCount);
  if (error != RateBlockError::kOk) return error;
  // Decoding into a local result keeps `groups` empty on every failure path.
  std::vector<RateBlockGroup> decoded;
  for (std::uint32_t g = 0; g < groupCount; ++g) {
    PublishedRecord head;
    error = reader.ReadRecord(head);
    if (error != RateBlockError::kOk) return error;
    const std::uint32_t groupSize = head.groupSize;
    RateBlockGroup& group = decoded.emplace_back();
    group.records.push_back(head);
    for (std::uint32_t i = 1; i < groupSize; ++i) {
      PublishedRecord record;
      error = reader.ReadRecord(record);
      if (error != RateBlockError::kOk) return error;
      group.records.push_back(record);
    }
  }
  groups = std::move(decoded);
  return RateBlockError::kOk;
}

}  // namespace tral
