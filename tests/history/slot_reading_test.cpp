// Slot files read with their day files: the outcomes of the slot file, the pairing of the two, the
// bytes not placed in time, and the sums in slots, hours and days.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "history/slot_reading.h"
#include "support/slot_file_bytes.h"

namespace tral {
namespace {

using test::D;
using test::DayFileBytes;
using test::MemoryDayFiles;
using test::SlotConnection;
using test::SlotFileBytes;

constexpr std::uint64_t kMost = UINT64_MAX;

// Three connections of one adapter key and another; 10,000 + 500 + 4,096 bytes received.
test::Bytes Day() {
  return DayFileBytes({{"00-1A-2B-3C-4D-5E", {{"192.168.1.10", "", "", 10000, 3000}, {"192.168.1.11", "", "", 500, 0}}},
                       {"AA-BB-CC-DD-EE-FF", {{"10.0.0.7", "00-11-22-33-44-55", "Cafe", 4096, 512}}}},
                      3'600'000);
}

// The first connection in four slots (00:00, 00:55, 01:00, 23:55): 10,000 received, 1,000 sent.
const SlotConnection kFirst{"00-1A-2B-3C-4D-5E", "192.168.1.10", "", "",
                            {{0, 1000, 100}, {11, 2000, 200}, {12, 3000, 300}, {287, 4000, 400}}};
const SlotConnection kCafe{"AA-BB-CC-DD-EE-FF", "10.0.0.7", "00-11-22-33-44-55", "Cafe", {{100, 4096, 512}}};

struct Placed {
  std::string ip;
  std::size_t slots;
  std::uint64_t notPlacedRx;
  std::uint64_t notPlacedTx;

  friend bool operator==(const Placed&, const Placed&) = default;
};

std::vector<Placed> PlacedOf(const TimedDay& day) {
  std::vector<Placed> out;
  for (const TimedConnection& c : day.connections) out.push_back({c.ipText, c.slots.size(), c.notPlacedRxBytes, c.notPlacedTxBytes});
  return out;
}

TEST(SlotReading, EachOutcomeOfTheSlotFileLeavesUnplacedWhatItDoesNotHold) {
  test::Bytes cut = SlotFileBytes({kFirst, kCafe});
  cut.resize(cut.size() - 5);
  test::Bytes otherVersion = SlotFileBytes({kFirst});
  otherVersion[4] = 2;
  // The service was stopped between writing the day file and the slot file: the slot file is the
  // save before, when the first connection had received 3,000 bytes in two slots.
  const SlotConnection kEarlier{"00-1A-2B-3C-4D-5E", "192.168.1.10", "", "", {{0, 1000, 100}, {11, 2000, 200}}};
  const struct {
    const char* what;
    std::optional<test::Bytes> slotFile;  // none: no slot file
    bool unreadable;
    DayReadOutcome outcome;
    std::string problem;
    std::vector<Placed> placed;
  } cases[] = {
      {"both files whole", SlotFileBytes({kFirst, kCafe}), false, DayReadOutcome::kComplete, "",
       {{"192.168.1.10", 4, 0, 2000}, {"192.168.1.11", 0, 500, 0}, {"10.0.0.7", 1, 0, 0}}},
      {"a day counted before slot files", std::nullopt, false, DayReadOutcome::kMissing, "",
       {{"192.168.1.10", 0, 10000, 3000}, {"192.168.1.11", 0, 500, 0}, {"10.0.0.7", 0, 4096, 512}}},
      {"a slot file held by another program", std::nullopt, true, DayReadOutcome::kUnreadable,
       "it is held by another program",
       {{"192.168.1.10", 0, 10000, 3000}, {"192.168.1.11", 0, 500, 0}, {"10.0.0.7", 0, 4096, 512}}},
      {"a slot file cut in its last slot", cut, false, DayReadOutcome::kDamaged,
       "it ends inside slot 1 of 1 of connection 2 of 2",
       {{"192.168.1.10", 4, 0, 2000}, {"192.168.1.11", 0, 500, 0}, {"10.0.0.7", 0, 4096, 512}}},
      {"a slot file of another version", otherVersion, false, DayReadOutcome::kDamaged, "it is of version 2, not 1",
       {{"192.168.1.10", 0, 10000, 3000}, {"192.168.1.11", 0, 500, 0}, {"10.0.0.7", 0, 4096, 512}}},
      {"stopped between the two writes", SlotFileBytes({kEarlier}), false, DayReadOutcome::kComplete, "",
       {{"192.168.1.10", 2, 7000, 2700}, {"192.168.1.11", 0, 500, 0}, {"10.0.0.7", 0, 4096, 512}}},
      {"an empty slot file", test::Bytes{}, false, DayReadOutcome::kDamaged,
       "it does not begin with the slot file's mark",
       {{"192.168.1.10", 0, 10000, 3000}, {"192.168.1.11", 0, 500, 0}, {"10.0.0.7", 0, 4096, 512}}},
  };
  for (const auto& c : cases) {
    MemoryDayFiles files;
    files.files[D(2026, 1, 30)] = Day();
    if (c.slotFile) files.slotFiles[D(2026, 1, 30)] = *c.slotFile;
    if (c.unreadable) files.unreadableSlots.insert(D(2026, 1, 30));
    TimedDayReader reader(files);
    const TimedDay day = reader.Read(D(2026, 1, 30));
    EXPECT_EQ(day.day.outcome, DayReadOutcome::kComplete) << c.what;
    EXPECT_EQ(day.slots.outcome, c.outcome) << c.what;
    EXPECT_EQ(day.slots.problem, c.problem) << c.what;
    EXPECT_EQ(PlacedOf(day), c.placed) << c.what;
    EXPECT_EQ(day.HasNotPlaced(), true) << c.what;
  }
}

TEST(SlotReading, ConnectionsPairByTheirFourTextsByteForByte) {
  const struct {
    const char* what;
    test::Bytes dayFile;
    std::vector<SlotConnection> slotFile;
    std::vector<Placed> placed;
    std::vector<std::uint64_t> dayRx;  // each connection's day total received
  } cases[] = {
      {"two entries of the same texts are one connection, their totals summed",
       DayFileBytes({{"K1", {{"10.0.0.5", "", "", 700, 0}}}, {"K1", {{"10.0.0.5", "", "", 300, 10}}}}, 1),
       {{"K1", "10.0.0.5", "", "", {{5, 1000, 10}}}},
       {{"10.0.0.5", 1, 0, 0}},
       {1000}},
      {"two connections of the same texts have their slots summed",
       DayFileBytes({{"K1", {{"10.0.0.5", "", "", 1000, 0}}}}, 1),
       {{"K1", "10.0.0.5", "", "", {{5, 100, 0}, {7, 200, 0}}}, {"K1", "10.0.0.5", "", "", {{6, 300, 0}, {7, 400, 0}}}},
       {{"10.0.0.5", 3, 0, 0}},
       {1000}},
      {"another letter case is another connection",
       DayFileBytes({{"K1", {{"10.0.0.5", "B1", "Home", 1000, 0}}}}, 1),
       {{"K1", "10.0.0.5", "B1", "HOME", {{5, 600, 0}}}},
       {{"10.0.0.5", 0, 1000, 0}, {"10.0.0.5", 1, 0, 0}},
       {1000, 0}},
      {"slots beyond the day's totals count as they are, nothing below zero",
       DayFileBytes({{"K1", {{"10.0.0.5", "", "", 100, 50}}}}, 1),
       {{"K1", "10.0.0.5", "", "", {{5, 600, 10}}}},
       {{"10.0.0.5", 1, 0, 40}},
       {100}},
      {"a day without traffic", DayFileBytes({}, 1), {}, {}, {}},
  };
  for (const auto& c : cases) {
    MemoryDayFiles files;
    files.files[D(2026, 3, 29)] = c.dayFile;
    files.slotFiles[D(2026, 3, 29)] = SlotFileBytes(c.slotFile);
    TimedDayReader reader(files);
    const TimedDay day = reader.Read(D(2026, 3, 29));
    EXPECT_EQ(day.slots.outcome, DayReadOutcome::kComplete) << c.what;
    EXPECT_EQ(PlacedOf(day), c.placed) << c.what;
    std::vector<std::uint64_t> dayRx;
    for (const TimedConnection& t : day.connections) dayRx.push_back(t.dayRxBytes);
    EXPECT_EQ(dayRx, c.dayRx) << c.what;
  }
}

TEST(SlotReading, SlotsSumIntoSlotsHoursAndDays) {
  MemoryDayFiles files;
  files.files[D(2026, 1, 30)] = Day();
  files.slotFiles[D(2026, 1, 30)] = SlotFileBytes({kFirst, kCafe});
  TimedDayReader reader(files);
  const TimedDay day = reader.Read(D(2026, 1, 30));
  // Connections: 0 is 192.168.1.10, 1 is 192.168.1.11 (no slots), 2 is the cafe's.
  const struct {
    TimeGrain grain;
    std::vector<BucketBytes> buckets;
    std::uint32_t lastStartMinute;
  } cases[] = {
      {TimeGrain::kFiveMinutes,
       {{0, 0, 1000, 100}, {11, 0, 2000, 200}, {12, 0, 3000, 300}, {100, 2, 4096, 512}, {287, 0, 4000, 400}},
       23 * 60 + 55},
      // 00:00 and 00:55 are the first hour, 01:00 the second; 08:20 is in the ninth.
      {TimeGrain::kHour, {{0, 0, 3000, 300}, {1, 0, 3000, 300}, {8, 2, 4096, 512}, {23, 0, 4000, 400}}, 23 * 60},
      {TimeGrain::kDay, {{0, 0, 10000, 1000}, {0, 2, 4096, 512}}, 0},
  };
  for (const auto& c : cases) {
    const int per = SlotsPerBucket(c.grain);
    EXPECT_EQ(GroupSlots(day, c.grain), c.buckets) << per;
    EXPECT_EQ(BucketStartMinute(c.grain, BucketsPerDay(c.grain) - 1), c.lastStartMinute) << per;
  }

  // Every hour of the day, over the connections chosen, and what they have in no slot.
  const struct {
    const char* what;
    TimedConnectionFilter counted;
    BucketSum hour0;
    BucketSum hour8;
    BucketSum notPlaced;
  } sums[] = {
      {"all", nullptr, {3000, 300}, {4096, 512}, {500, 2000}},
      {"the cafe only", [](std::size_t i) { return i == 2; }, {0, 0}, {4096, 512}, {0, 0}},
      {"the address without slots", [](std::size_t i) { return i == 1; }, {0, 0}, {0, 0}, {500, 0}},
  };
  for (const auto& s : sums) {
    BucketSum notPlaced{1, 1};
    const std::vector<BucketSum> hours = SumBuckets(day, TimeGrain::kHour, s.counted, &notPlaced);
    ASSERT_EQ(hours.size(), 24u) << s.what;
    EXPECT_EQ(hours[0], s.hour0) << s.what;
    EXPECT_EQ(hours[8], s.hour8) << s.what;
    EXPECT_EQ(notPlaced, s.notPlaced) << s.what;
  }
  EXPECT_EQ(SumBuckets(day, TimeGrain::kFiveMinutes).size(), 288u);
}

TEST(SlotReading, SumsStopAtTheLargestNumber) {
  MemoryDayFiles files;
  files.files[D(2026, 1, 30)] = DayFileBytes({{"K1", {{"10.0.0.5", "", "", kMost, kMost}, {"10.0.0.5", "", "", 9, 0}}}}, 1);
  files.slotFiles[D(2026, 1, 30)] =
      SlotFileBytes({{"K1", "10.0.0.5", "", "", {{0, kMost - 1, 5}, {1, 2, 6}}}, {"K1", "10.0.0.5", "", "", {{1, kMost, 0}}}});
  TimedDayReader reader(files);
  const TimedDay day = reader.Read(D(2026, 1, 30));
  ASSERT_EQ(day.connections.size(), 1u);
  EXPECT_EQ(day.connections[0].dayRxBytes, kMost);
  EXPECT_EQ(day.connections[0].slots[1], (SlotBytes{1, kMost, 6}));
  EXPECT_EQ(GroupSlots(day, TimeGrain::kHour), (std::vector<BucketBytes>{{0, 0, kMost, 11}}));
  EXPECT_EQ(SumBuckets(day, TimeGrain::kDay)[0], (BucketSum{kMost, 11}));
  EXPECT_EQ(day.connections[0].notPlacedRxBytes, 0u);
  EXPECT_EQ(day.connections[0].notPlacedTxBytes, kMost - 11);
}

TEST(SlotReading, ASpanReadsTheSlotFilesOfItsDayFilesOnly) {
  MemoryDayFiles files;
  files.listable = true;
  files.files[D(2026, 1, 30)] = Day();
  files.files[D(2026, 1, 31)] = DayFileBytes({{"K1", {{"10.0.0.5", "", "", 5, 0}}}}, 1);
  files.files[D(2026, 2, 3)] = DayFileBytes({{"K1", {{"10.0.0.5", "", "", 7, 0}}}}, 1);
  files.unreadable.insert(D(2026, 2, 3));
  files.slotFiles[D(2026, 1, 30)] = SlotFileBytes({kFirst, kCafe});
  files.slotFiles[D(2026, 2, 1)] = SlotFileBytes({{"K1", "10.0.0.5", "", "", {{1, 5, 0}}}});  // no day file
  const struct {
    const char* what;
    CivilDate first;
    CivilDate last;
    EntryFilter accept;
    std::vector<CivilDate> days;
    std::vector<std::size_t> connections;
    std::vector<CivilDate> slotsRead;  // not the unreadable day's, not the lone slot file
  } cases[] = {
      {"the whole span", D(2026, 1, 1), D(2026, 2, 28), nullptr,
       {D(2026, 1, 30), D(2026, 1, 31), D(2026, 2, 3)}, {3, 1, 0}, {D(2026, 1, 30), D(2026, 1, 31)}},
      {"one address", D(2026, 1, 1), D(2026, 2, 28),
       [](const DayEntryView& e) { return e.ipText == "10.0.0.7"; },
       {D(2026, 1, 30), D(2026, 1, 31), D(2026, 2, 3)}, {1, 0, 0}, {D(2026, 1, 30), D(2026, 1, 31)}},
      {"a span of the lone slot file", D(2026, 2, 1), D(2026, 2, 2), nullptr, {}, {}, {}},
  };
  for (const auto& c : cases) {
    files.slotsOpened.clear();
    TimedDayReader reader(files);
    std::vector<CivilDate> days;
    std::vector<std::size_t> connections;
    reader.ReadSpan(c.first, c.last, c.accept, [&](const TimedDay& day) {
      days.push_back(day.date);
      connections.push_back(day.connections.size());
    });
    EXPECT_EQ(days, c.days) << c.what;
    EXPECT_EQ(connections, c.connections) << c.what;
    EXPECT_EQ(files.slotsOpened, c.slotsRead) << c.what;
  }
  // A date without a day file is not looked at for slots.
  files.slotsOpened.clear();
  TimedDayReader reader(files);
  const TimedDay lone = reader.Read(D(2026, 2, 1));
  EXPECT_EQ(lone.day.outcome, DayReadOutcome::kMissing);
  EXPECT_TRUE(lone.connections.empty());
  EXPECT_TRUE(files.slotsOpened.empty());
}

}  // namespace
}  // namespace tral
