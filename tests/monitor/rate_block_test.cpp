// Rate-block decoding into the connection list: good snapshots and blocks that lie or are cut.
#include <gtest/gtest.h>

#include "monitor/common/connection_list.h"
#include "monitor_test_support.h"
#include "shared/rate_block_reader.h"
#include "shared/text_field.h"

namespace tral {
namespace {

using test::BlockBytes;
using test::BlockRecord;
using test::Bytes;

BlockRecord Rec(const std::string& key, const std::string& ip, std::uint64_t rx) {
  BlockRecord r;
  r.description = "Adapter " + key;
  r.adapterKey = key;
  r.ip = ip;
  r.rxTotal = rx;
  r.txTotal = rx + 1;
  return r;
}

// Two adapters with 2 and 1 records: groupCount 2, records at 4, 700 and 1396.
Bytes TwoAndOne() {
  return BlockBytes({{Rec("00-1A-2B-3C-4D-5E", "10.0.0.5", 100), Rec("00-1A-2B-3C-4D-5E", "10.0.0.6", 200)},
                     {Rec("AA-BB-CC-DD-EE-FF", "192.168.1.20", 300)}});
}

TEST(RateBlock, GroupsOfTwoAndOneBecomeTwoGroupsInBlockOrder) {
  Bytes block = TwoAndOne();
  ASSERT_EQ(block.size(), 4u + 3 * 696);
  block.resize(1 << 20, 0);  // the section is at least 1 MiB; the rest is zeros
  ConnectionList list;
  ASSERT_TRUE(FillConnectionList(block, list));
  ASSERT_EQ(list.Groups().size(), 2u);
  const ConnectionGroup& first = list.Groups()[0];
  EXPECT_EQ(first.key, "00-1A-2B-3C-4D-5E");
  ASSERT_EQ(first.chain.size(), 2u);
  EXPECT_EQ(FieldText(first.chain[0].ipText), "10.0.0.5");
  EXPECT_EQ(FieldText(first.chain[1].ipText), "10.0.0.6");
  EXPECT_EQ(first.chain[1].rxTotal, 200u);
  EXPECT_EQ(first.chain[1].txTotal, 201u);
  EXPECT_EQ(FieldText(first.chain[0].description), "Adapter 00-1A-2B-3C-4D-5E");
  EXPECT_EQ(FieldText(first.chain[0].adapterName), "{GUID}");
  EXPECT_EQ(list.Groups()[1].key, "AA-BB-CC-DD-EE-FF");
  EXPECT_EQ(list.Groups()[1].chain.size(), 1u);
  // The writer's link and the group bookkeeping are not kept in the copies.
  for (const ConnectionGroup& g : list.Groups()) {
    for (const PublishedRecord& r : g.chain) {
      EXPECT_EQ(r.link, 0u);
      EXPECT_EQ(r.groupSize, 0u);
      EXPECT_EQ(r.zero, 0u);
    }
  }
}

TEST(RateBlock, ZeroGroupsReadsAsAnEmptySnapshot) {
  Bytes block;
  test::Put32(block, 0);
  ConnectionList list;
  list.AddGroup(PublishedRecord{});  // a previous snapshot is dropped
  EXPECT_TRUE(FillConnectionList(block, list));
  EXPECT_TRUE(list.Empty());
}

TEST(RateBlock, GroupSizeZeroOrOneMeansTheHeadAlone) {
  for (std::uint32_t size : {0u, 1u}) {
    Bytes block;
    test::Put32(block, 2);
    Bytes a = test::RecordBytes(Rec("K1", "1.1.1.1", 1), size);
    Bytes b = test::RecordBytes(Rec("K2", "2.2.2.2", 2), size);
    block.insert(block.end(), a.begin(), a.end());
    block.insert(block.end(), b.begin(), b.end());
    ConnectionList list;
    ASSERT_TRUE(FillConnectionList(block, list)) << size;
    ASSERT_EQ(list.Groups().size(), 2u);
    EXPECT_EQ(list.Groups()[1].key, "K2");
  }
}

TEST(RateBlock, DamagedBlocksFailCleanlyAndLeaveTheListEmpty) {
  const Bytes good = TwoAndOne();
  struct Case {
    const char* what;
    Bytes block;
    RateBlockError error;
  };
  std::vector<Case> cases;
  cases.push_back({"empty section", {}, RateBlockError::kTooShort});
  cases.push_back({"three bytes", {1, 0, 0}, RateBlockError::kTooShort});
  {
    Bytes b = good;
    test::Poke32(b, 0, 0xFFFFFFFFu);  // huge groupCount
    cases.push_back({"huge groupCount", b, RateBlockError::kPastEnd});
  }
  {
    Bytes b = good;
    test::Poke32(b, 0, 3);  // one group more than there are records
    cases.push_back({"groupCount one too many", b, RateBlockError::kPastEnd});
  }
  {
    Bytes b = good;
    test::Poke32(b, 4 + 312, 0xFFFFFFFFu);  // first group claims 4 billion records
    cases.push_back({"huge groupSize", b, RateBlockError::kPastEnd});
  }
  {
    Bytes b = good;
    test::Poke32(b, 4 + 2 * 696 + 312, 2);  // last group claims a record beyond the end
    cases.push_back({"groupSize past end", b, RateBlockError::kPastEnd});
  }
  {
    Bytes b = good;
    b.resize(b.size() - 1);  // last record cut by one byte
    cases.push_back({"last record cut", b, RateBlockError::kPastEnd});
  }
  // Each text field filled to its width without a NUL, in the second record.
  const struct {
    const char* field;
    std::size_t offset;
    std::size_t width;
  } texts[] = {{"description", 4, 257}, {"adapterKey", 261, 26}, {"ipText", 287, 16},
               {"bssid", 376, 26},      {"ssid", 402, 33},       {"adapterName", 435, 260}};
  for (const auto& t : texts) {
    Bytes b = good;
    std::memset(b.data() + 4 + 696 + t.offset, 'A', t.width);
    cases.push_back({t.field, b, RateBlockError::kUnterminatedText});
  }
  for (const Case& c : cases) {
    std::vector<RateBlockGroup> groups{RateBlockGroup{}};
    EXPECT_EQ(DecodeRateBlock(c.block, groups), c.error) << c.what;
    EXPECT_TRUE(groups.empty()) << c.what;
    ConnectionList list;
    list.AddGroup(PublishedRecord{});
    EXPECT_FALSE(FillConnectionList(c.block, list)) << c.what;
    EXPECT_TRUE(list.Empty()) << c.what;
  }
}

TEST(RateBlock, TextFilledToWidthMinusOneWithItsNulIsAccepted) {
  Bytes block = BlockBytes({{Rec("K", "1.1.1.1", 1)}});
  std::memset(block.data() + 4 + 402, 'S', 32);  // a 32-character SSID, NUL in the last byte
  ConnectionList list;
  ASSERT_TRUE(FillConnectionList(block, list));
  EXPECT_EQ(FieldText(list.Groups()[0].chain[0].ssid), std::string(32, 'S'));
}

}  // namespace
}  // namespace tral
