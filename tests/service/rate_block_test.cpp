// The shared rate block's bytes: group order, record offsets, groupSize, sizing and bounds.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "service/rate_block.h"
#include "shared/byte_order.h"
#include "shared/text_field.h"

namespace tral {
namespace {

constexpr std::uint8_t kUntouched = 0xCC;

// A record of adapter `key` with the given totals; the link slot and the receive baseline hold
// values that must never reach the block.
RecordPtr Record(const char* key, const char* ip, std::uint64_t rx, std::uint64_t tx) {
  RecordPtr r = NewRecord();
  SetFieldText(r->adapterKey, key);
  SetFieldText(r->ipText, ip);
  SetFieldText(r->description, "Adapter");
  r->rxTotal = rx;
  r->txTotal = tx;
  r->linkSlot = 0xDEADBEEF;
  r->rxBase = 0x1122334455667788;
  return r;
}

// Adds an adapter whose chain holds records with these (rx, tx) totals, head first.
void AddAdapter(ConnectionTable& table, const char* key,
                std::vector<std::pair<std::uint64_t, std::uint64_t>> totals) {
  std::size_t index = 0;
  for (std::size_t i = 0; i < totals.size(); ++i) {
    std::string ip = "10.0.0." + std::to_string(i + 1);
    RecordPtr r = Record(key, ip.c_str(), totals[i].first, totals[i].second);
    if (i == 0) {
      index = table.Append(key, std::move(r));
    } else {
      table.At(index).chain.push_back(std::move(r));
    }
  }
}

std::vector<std::uint8_t> Encode(const ConnectionTable& table, std::size_t size, RateBlockWritten* written = nullptr) {
  std::vector<std::uint8_t> block(size, kUntouched);
  RateBlockWritten w = EncodeRateBlock(table, block);
  if (written) *written = w;
  return block;
}

std::string TextAt(const std::vector<std::uint8_t>& block, std::size_t offset, std::size_t width) {
  return std::string(BoundedText(reinterpret_cast<const char*>(block.data() + offset), width));
}

TEST(EncodeRateBlock, NoTrafficGivesGroupCountZeroAndNothingElse) {
  ConnectionTable table;
  AddAdapter(table, "AA-BB-CC-DD-EE-FF", {{0, 0}, {0, 0}});
  RateBlockWritten w;
  std::vector<std::uint8_t> block = Encode(table, 2000, &w);
  EXPECT_EQ((std::vector<std::uint8_t>(block.begin(), block.begin() + 5)),
            (std::vector<std::uint8_t>{0, 0, 0, 0, kUntouched}));
  EXPECT_EQ(w.groups, 0u);
  EXPECT_EQ(w.records, 0u);
  EXPECT_TRUE(w.complete);
}

TEST(EncodeRateBlock, HeadWithoutTrafficLeavesOnlyTheEarlierRecord) {
  ConnectionTable table;
  AddAdapter(table, "AA-BB-CC-DD-EE-FF", {{0, 0}, {500, 0}});
  std::vector<std::uint8_t> block = Encode(table, 2000);
  EXPECT_EQ(LoadLe32(block.data()), 1u);
  EXPECT_EQ(TextAt(block, 4 + 287, 16), "10.0.0.2");
  EXPECT_EQ(LoadLe32(block.data() + 4 + 312), 1u);
  EXPECT_EQ(block[700], kUntouched);  // nothing after the last record
}

// Two adapters with 2 and 1 records with traffic (and one without, skipped), then an adapter with
// none: records at 4, 700 and 1396 with groupSize 2, 2, 1.
TEST(EncodeRateBlock, GroupsInTableOrderRecordsInChainOrder) {
  ConnectionTable table;
  AddAdapter(table, "00-1A-2B-3C-4D-5E", {{0x0102030405060708, 7}, {0, 0}, {9, 0}});
  AddAdapter(table, "02-00-00-00-00-0C", {{0, 0}});
  AddAdapter(table, "AA-BB-CC-DD-EE-FF", {{0, 0x100}});
  table.Head(0).rxRate = 1234;
  SetFieldText(table.Head(0).ssid, "home");

  RateBlockWritten w;
  std::vector<std::uint8_t> block = Encode(table, 3000, &w);
  EXPECT_EQ(LoadLe32(block.data()), 2u);
  EXPECT_EQ(w.records, 3u);
  EXPECT_TRUE(w.complete);

  struct Expected {
    std::size_t offset;
    const char* key;
    const char* ip;
    std::uint32_t groupSize;
  };
  const Expected expected[] = {
      {4, "00-1A-2B-3C-4D-5E", "10.0.0.1", 2},
      {700, "00-1A-2B-3C-4D-5E", "10.0.0.3", 2},
      {1396, "AA-BB-CC-DD-EE-FF", "10.0.0.1", 1},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.offset);
    EXPECT_EQ(TextAt(block, e.offset + 261, 26), e.key);
    EXPECT_EQ(TextAt(block, e.offset + 287, 16), e.ip);
    EXPECT_EQ(TextAt(block, e.offset + 4, 257), "Adapter");
    EXPECT_EQ(LoadLe32(block.data() + e.offset), 0u);  // link
    EXPECT_EQ(LoadLe32(block.data() + e.offset + 312), e.groupSize);
    EXPECT_EQ(LoadLe32(block.data() + e.offset + 316), 0u);
  }
  // The first record's other fields are its image, little-endian.
  const std::uint8_t rxBytes[8] = {0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01};
  EXPECT_EQ(std::memcmp(block.data() + 4 + 304, rxBytes, 8), 0);
  EXPECT_EQ(LoadLe64(block.data() + 4 + 320), 7u);
  EXPECT_EQ(LoadLe32(block.data() + 4 + 360), 1234u);
  EXPECT_EQ(TextAt(block, 4 + 402, 33), "home");
  EXPECT_EQ(LoadLe64(block.data() + 1396 + 320), 0x100u);
  EXPECT_EQ(block[2092], kUntouched);
}

TEST(RateBlockSize, NeededBytesAndSectionSize) {
  struct Case {
    std::size_t records;
    std::size_t needed;
    std::size_t section;
  };
  const Case cases[] = {
      {0, 4, 1048576},
      {3, 2092, 1048576},
      {1506, 1048180, 1048576},  // the most the minimum section holds
      {1507, 1048876, 1048876},  // one more needs a larger section
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.records);
    ConnectionTable table;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> totals(c.records, {1, 0});
    if (c.records > 0) AddAdapter(table, "AA-BB-CC-DD-EE-FF", totals);
    AddAdapter(table, "00-1A-2B-3C-4D-5E", {{0, 0}});
    EXPECT_EQ(RateBlockBytesNeeded(table), c.needed);
    EXPECT_EQ(RateBlockSectionSize(RateBlockBytesNeeded(table)), c.section);
  }
}

// A view smaller than the snapshot (an older section a client still holds): whole groups that fit,
// a groupCount that counts them, and not one byte written past the view.
TEST(EncodeRateBlock, StaysInsideASmallerView) {
  ConnectionTable table;
  AddAdapter(table, "00-1A-2B-3C-4D-5E", {{1, 1}});
  AddAdapter(table, "AA-BB-CC-DD-EE-FF", {{2, 2}, {3, 3}});
  AddAdapter(table, "02-00-00-00-00-0C", {{4, 4}});
  struct Case {
    std::size_t viewBytes;
    std::uint32_t groups;
    std::uint32_t records;
  };
  const Case cases[] = {
      {4, 0, 0},
      {699, 0, 0},
      {700, 1, 1},
      {1395, 1, 1},  // the second group needs 1396 + 696 bytes: not even its head goes in
      {2091, 1, 1},
      {2092, 2, 3},
      {2787, 2, 3},  // the third group is not begun after a group that stopped
      {2788, 3, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.viewBytes);
    std::vector<std::uint8_t> memory(c.viewBytes + 64, kUntouched);
    RateBlockWritten w = EncodeRateBlock(table, std::span(memory.data(), c.viewBytes));
    EXPECT_EQ(LoadLe32(memory.data()), c.groups);
    EXPECT_EQ(w.records, c.records);
    EXPECT_EQ(w.complete, c.groups == 3);
    for (std::size_t i = c.viewBytes; i < memory.size(); ++i) ASSERT_EQ(memory[i], kUntouched) << i;
  }
}

TEST(EncodeRateBlock, ViewShorterThanTheCountIsLeftAlone) {
  ConnectionTable table;
  AddAdapter(table, "00-1A-2B-3C-4D-5E", {{1, 1}});
  std::vector<std::uint8_t> memory(8, kUntouched);
  RateBlockWritten w = EncodeRateBlock(table, std::span(memory.data(), 3));
  EXPECT_FALSE(w.complete);
  EXPECT_EQ(memory, std::vector<std::uint8_t>(8, kUntouched));
}

}  // namespace
}  // namespace tral
