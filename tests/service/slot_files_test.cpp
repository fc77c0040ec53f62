// Slot files of the counting loop: the slot each pass credits, days of 23 and 25 hours, a kill
// between the day file's write and the slot file's, and slot files found damaged, unreadable,
// foreign or absent at the start.
#include <gtest/gtest.h>

#include <optional>
#include <utility>
#include <vector>

#include "service/counting_loop.h"
#include "service/day_files.h"
#include "service_test_support.h"
#include "shared/day_file_codec.h"
#include "shared/slot_file_codec.h"
#include "support/slot_file_bytes.h"

namespace tral {
namespace {

using testing::CounterFixture;
using testing::kKeyA;
using testing::kMacA;
using testing::NoAnswer;

constexpr char kDay[] = "20090313.bin";
constexpr char kSlots[] = "20090313.slots";

// One wired adapter A at 10.0.0.5 on 13 March 2009, its passes driven one by one, each at the wall
// clock time set before it.
struct SlotRun : CounterFixture {
  CountingLoop loop;
  NoAnswer answerer;

  SlotRun() {
    net.table.wideCounters = true;
    net.AddAdapter("Wired A", kMacA, "10.0.0.5", "{A}");
    net.AddRow(kMacA, 50000, 7000);
  }
  void At(int hour, int minute, int second = 0) {
    clock.hour = static_cast<std::uint8_t>(hour);
    clock.minute = static_cast<std::uint8_t>(minute);
    clock.second = static_cast<std::uint8_t>(second);
  }
  void Start() { StartCounting(state, loop); }
  // A timed pass `afterMs` after the last one, with this traffic meanwhile.
  void Pass(std::uint64_t rx, std::uint64_t tx, std::uint32_t afterMs = 1000) {
    BeginIteration(state, loop);
    net.table.rows[0].inOctets += rx;
    net.table.rows[0].outOctets += tx;
    clock.tick += afterMs;
    AfterWake(state, loop, WakeReason::kTimeout, true, answerer);
  }
  bool Stop() {
    BeginIteration(state, loop);
    return FinishCounting(state, loop);
  }
  // A slot file decoded; nothing when there is none.
  SlotFileContents SlotFile(const std::string& name = kSlots) {
    const auto it = store.files.find(name);
    return it == store.files.end() ? SlotFileContents{} : DecodeSlotFile(it->second);
  }
  // The slots of A at 10.0.0.5 in a slot file; empty when it has none.
  std::vector<SlotBytes> Slots(const std::string& name = kSlots) {
    for (const SlotFileConnection& c : SlotFile(name).connections) {
      if (SameConnection(c, kKeyA, "10.0.0.5", "", "")) return c.slots;
    }
    return {};
  }
  // Day total - slot sum of A at 10.0.0.5, received and sent: the bytes not placed in time.
  std::pair<std::uint64_t, std::uint64_t> NotPlaced(const std::string& day = kDay, const std::string& slots = kSlots) {
    const DayFileContents file = DecodeDayFile(store.files.at(day));
    std::uint64_t rx = 0, tx = 0;
    SlotSums(Slots(slots), rx, tx);
    const DayFileEntry& e = file.groups.at(0).entries.at(0);
    EXPECT_LE(rx, e.rxBytes);
    EXPECT_LE(tx, e.txBytes);
    return {e.rxBytes - rx, e.txBytes - tx};
  }
};

// The slot a pass credits is the one of the wall clock's time as the pass wakes.
TEST(SlotFiles, APassCreditsTheSlotOfItsTimeOfDay) {
  struct Case {
    int hour, minute, second;
    std::uint16_t slot;
  } cases[] = {{0, 0, 0, 0}, {0, 4, 59, 0}, {0, 5, 0, 1}, {23, 59, 59, 287}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.hour << ":" << c.minute << ":" << c.second);
    SlotRun f;
    f.At(c.hour, c.minute, c.second);
    f.Start();
    f.Pass(1500, 40);
    ASSERT_TRUE(f.Stop());
    EXPECT_EQ(f.Slots(), (std::vector<SlotBytes>{{c.slot, 1500, 40}}));
    EXPECT_EQ(f.NotPlaced(), std::make_pair(std::uint64_t{0}, std::uint64_t{0}));
  }
}

// A pass every minute, half a minute past it, with 1,000 bytes received and 10 sent: five passes
// fall into each slot. On the day the clocks go back (at 03:00 to 02:00) the hour from 02:00 comes
// twice and its twelve slots get ten passes each; on the day they go forward (at 02:00 to 03:00) its
// slots stay empty. The slots add up to the day's totals either way.
TEST(SlotFiles, DaysOf23And25HoursAddUpToTheirTotals) {
  struct Case {
    const char* name;
    std::vector<int> hours;  // the wall clock's hours in the order the day lives them
    int passesInHourTwoSlots;
  } cases[] = {
      {"25 hours", {0, 1, 2, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23}, 10},
      {"23 hours", {0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SlotRun f;
    f.At(0, 0);
    f.Start();
    for (int hour : c.hours) {
      for (int minute = 0; minute < 60; ++minute) {
        f.At(hour, minute, 30);
        f.Pass(1000, 10, 60000);
      }
    }
    f.clock.date = CivilDate{2009, 3, 14};  // midnight: the day's files are written
    f.At(0, 0, 30);
    f.Pass(0, 0, 30000);

    const std::vector<SlotBytes> slots = f.Slots();
    std::size_t i = 0;
    for (std::uint16_t slot = 0; slot < 288; ++slot) {
      const int passes = slot >= 24 && slot < 36 ? c.passesInHourTwoSlots : 5;
      if (passes == 0) continue;
      ASSERT_LT(i, slots.size());
      EXPECT_EQ(slots[i], (SlotBytes{slot, 1000u * passes, 10u * passes}));
      ++i;
    }
    EXPECT_EQ(i, slots.size());
    const DayFileContents day = DecodeDayFile(f.store.files[kDay]);
    EXPECT_EQ(day.groups.at(0).entries.at(0).rxBytes, 1000u * 60 * c.hours.size());
    EXPECT_EQ(f.NotPlaced(), std::make_pair(std::uint64_t{0}, std::uint64_t{0}));
  }
}

// The service dies in the middle of its second save (41 passes of 100 and 10 bytes at 12:00, 41 more
// at 12:10): after the day file's write, the old slot file stands beside the new day file and what
// the save added is not placed in time; before it, neither file moved. A restart takes both up and
// keeps that difference, no more, while it counts ten passes at 12:20.
TEST(SlotFiles, AKillBetweenTheTwoWritesLeavesOneSaveIntervalUnplaced) {
  using Slots = std::vector<SlotBytes>;
  struct Case {
    const char* dies;
    const char* unwritten;  // the file the second save never replaced
    std::uint64_t dayRx;  // in the day file after the kill
    std::pair<std::uint64_t, std::uint64_t> notPlaced;
    Slots slotsAtTheEnd;
  } cases[] = {
      {"between the two writes", kSlots, 8200, {4100, 410}, {{144, 4100, 410}, {148, 1000, 100}}},
      {"before the day file's write", kDay, 4100, {0, 0}, {{144, 4100, 410}, {148, 1000, 100}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dies);
    SlotRun first;
    first.At(12, 0);
    first.Start();
    for (int i = 0; i < 41; ++i) first.Pass(100, 10);  // the 41st pass saves both files
    ASSERT_EQ(first.store.slotReplaces, 1);
    first.At(12, 10);
    first.store.unwritable.insert(c.unwritten);
    for (int i = 0; i < 41; ++i) first.Pass(100, 10);
    EXPECT_EQ(DecodeDayFile(first.store.files[kDay]).groups.at(0).entries.at(0).rxBytes, c.dayRx);
    EXPECT_EQ(first.Slots(), (Slots{{144, 4100, 410}}));
    EXPECT_EQ(first.NotPlaced(), c.notPlaced);

    SlotRun restarted;
    restarted.store.files = first.store.files;
    restarted.At(12, 20);
    restarted.Start();
    for (int i = 0; i < 10; ++i) restarted.Pass(100, 10);
    ASSERT_TRUE(restarted.Stop());
    EXPECT_EQ(restarted.Slots(), c.slotsAtTheEnd);
    EXPECT_EQ(restarted.NotPlaced(), c.notPlaced);
  }
}

// Today's day file holds A at 10.0.0.5 with 1,000 received and 100 sent; each row puts a slot file
// beside it (or none), starts, counts 500 and 50 at 12:00 and stops.
TEST(SlotFiles, ASlotFileFoundAtTheStartIsTakenUpOrKeptButNeverLost) {
  const test::Bytes day = test::DayFileBytes({{kKeyA, {{"10.0.0.5", "", "", 1000, 100}}}}, 5000);
  const test::Bytes own = test::SlotFileBytes({{kKeyA, "10.0.0.5", "", "", {{10, 600, 60}}}});
  test::Bytes cut = test::SlotFileBytes({{kKeyA, "10.0.0.5", "", "", {{10, 600, 60}, {20, 100, 10}}}});
  cut.resize(cut.size() - 1);
  const test::Bytes beyond = test::SlotFileBytes({{kKeyA, "10.0.0.5", "", "", {{10, 5000, 0}}}});
  test::Bytes later = own;
  later[4] = 2;  // a version this program does not know
  using Slots = std::vector<SlotBytes>;
  struct Case {
    const char* name;
    std::optional<test::Bytes> slotFile;
    bool unreadable;  // the slot file is held by another program at the start
    bool readableAgain;  // and let go before the first save
    // Right after the start: the slot file as taken up (one not taken up whole is replaced at once
    // by what was, and is gone when that was nothing), or nothing when the file found stays
    // untouched until the save.
    std::optional<Slots> atStart;
    Slots slots;  // in the slot file at the end
    std::pair<std::uint64_t, std::uint64_t> notPlaced;
    bool keptAside;  // "20090313.slots.unreadable" holds the file found
  } cases[] = {
      {"none: the day's bytes so far are not placed", std::nullopt, false, false, std::nullopt, {{144, 500, 50}},
       {1000, 100}, false},
      {"its own: taken up", own, false, false, Slots{{10, 600, 60}}, {{10, 600, 60}, {144, 500, 50}}, {400, 40}, false},
      {"cut inside a slot: nothing taken", cut, false, false, Slots{}, {{144, 500, 50}}, {1000, 100}, false},
      {"more than the day's totals: not taken", beyond, false, false, Slots{}, {{144, 500, 50}}, {1000, 100}, false},
      {"unreadable: kept aside", own, true, false, std::nullopt, {{144, 500, 50}}, {1000, 100}, true},
      {"unreadable, then readable: taken up", own, true, true, std::nullopt, {{10, 600, 60}, {144, 500, 50}},
       {400, 40}, false},
      {"of a later version: kept aside", later, false, false, std::nullopt, {{144, 500, 50}}, {1000, 100}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SlotRun f;
    f.store.files[kDay] = day;
    if (c.slotFile) f.store.files[kSlots] = *c.slotFile;
    if (c.unreadable) f.store.unreadable.insert(kSlots);
    f.At(12, 0);
    f.Start();
    if (c.atStart) {
      EXPECT_EQ(f.store.files.contains(kSlots), !c.atStart->empty());
      EXPECT_EQ(f.Slots(), *c.atStart);
    } else if (c.slotFile) {
      EXPECT_EQ(f.store.files[kSlots], *c.slotFile);
    }
    if (c.readableAgain) f.store.unreadable.clear();
    for (int i = 0; i < 5; ++i) f.Pass(100, 10);
    ASSERT_TRUE(f.Stop());
    EXPECT_EQ(f.Slots(), c.slots);
    EXPECT_EQ(f.NotPlaced(), c.notPlaced);
    EXPECT_EQ(f.store.files.contains("20090313.slots.unreadable"), c.keptAside);
    if (c.keptAside) {
      EXPECT_EQ(f.store.files["20090313.slots.unreadable"], *c.slotFile);
    }
    EXPECT_EQ(f.incidents.Count(Incident::kFileKeptAside), c.keptAside ? 1 : 0);
  }
}

// A slot file that can be neither read nor renamed is never overwritten; the day file is saved all
// the same. One beside a day file kept aside goes aside with it.
TEST(SlotFiles, ASlotFileIsNeverOverwrittenUnreadAndGoesAsideWithItsDayFile) {
  const test::Bytes day = test::DayFileBytes({{kKeyA, {{"10.0.0.5", "", "", 1000, 100}}}}, 5000);
  const test::Bytes own = test::SlotFileBytes({{kKeyA, "10.0.0.5", "", "", {{10, 600, 60}}}});
  {
    SlotRun f;
    f.store.files[kDay] = day;
    f.store.files[kSlots] = own;
    f.store.unreadable.insert(kSlots);
    f.store.unrenamable.insert(kSlots);
    f.At(12, 0);
    f.Start();
    f.Pass(100, 10);
    EXPECT_TRUE(f.Stop());
    EXPECT_EQ(f.store.files[kSlots], own);
    EXPECT_EQ(DecodeDayFile(f.store.files[kDay]).groups.at(0).entries.at(0).rxBytes, 1100u);
    EXPECT_EQ(f.incidents.Count(Incident::kCannotSave), 1);
  }
  {
    SlotRun f;
    f.store.files[kDay] = day;
    f.store.files[kSlots] = own;
    f.store.unreadable.insert(kDay);
    f.At(12, 0);
    f.Start();
    f.Pass(100, 10);
    EXPECT_TRUE(f.Stop());
    EXPECT_EQ(f.store.files["20090313.bin.unreadable"], day);
    EXPECT_EQ(f.store.files["20090313.slots.unreadable"], own);
    EXPECT_EQ(f.Slots(), (std::vector<SlotBytes>{{144, 100, 10}}));
    EXPECT_EQ(f.NotPlaced(), std::make_pair(std::uint64_t{0}, std::uint64_t{0}));
  }
}

}  // namespace
}  // namespace tral
