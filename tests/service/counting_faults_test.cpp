// The counting loop under faults: damaged and unreadable day files, a final save that meets a
// reader, clock jumps, sleep, and two months of simulated time with the tick count wrapping,
// changes of date, a clock set back and forward, and stalls.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "service/counting_loop.h"
#include "service/day_files.h"
#include "service_test_support.h"
#include "shared/day_file_codec.h"
#include "shared/slot_file_codec.h"

namespace tral {
namespace {

using testing::CounterFixture;
using testing::kKeyA;
using testing::kKeyB;
using testing::kMacA;
using testing::kMacB;
using testing::NoAnswer;

// Adapters A (10.0.0.5) and B (10.0.0.7) with 64-bit counters.
struct TwoAdapters : CounterFixture {
  CountingLoop loop;
  NoAnswer answerer;

  TwoAdapters() {
    net.table.wideCounters = true;
    net.AddAdapter("Wired A", kMacA, "10.0.0.5", "{A}");
    net.AddAdapter("Wired B", kMacB, "10.0.0.7", "{B}");
    net.AddRow(kMacA, 1000000, 1000);
    net.AddRow(kMacB, 2000000, 2000);
  }
  void Pass(std::uint64_t rxA, std::uint64_t rxB, WakeReason reason = WakeReason::kTimeout,
            std::uint32_t afterMs = 1000) {
    BeginIteration(state, loop);
    net.table.rows[0].inOctets += rxA;
    net.table.rows[1].inOctets += rxB;
    clock.tick += afterMs;
    AfterWake(state, loop, reason, true, answerer);
  }
  // Received bytes of each connection in a day file: "key ip" to bytes.
  std::map<std::string, std::uint64_t> Received(const std::string& name) {
    std::map<std::string, std::uint64_t> out;
    for (const DayFileGroup& g : DecodeDayFile(store.files[name]).groups) {
      for (const DayFileEntry& e : g.entries) out[std::string(g.adapterKey) + " " + e.ipText] = e.rxBytes;
    }
    return out;
  }
};

std::vector<std::uint8_t> Field(const char* text, std::size_t width) {
  std::vector<std::uint8_t> f(width, 0);
  for (std::size_t i = 0; text[i] != '\0'; ++i) f[i] = static_cast<std::uint8_t>(text[i]);
  return f;
}

void Append(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

void AppendU(std::vector<std::uint8_t>& out, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// Today's file written by hand: group A with 10.0.0.5 (111 received) and 10.0.0.6 (222), group B
// with 10.0.0.7 (333), running time 7,000 ms. Offsets: count 0..4, group A header 4..34, its
// entries 34..125 and 125..216, group B header 216..246, its entry 246..337, running time 337..341.
std::vector<std::uint8_t> HandWrittenFile() {
  std::vector<std::uint8_t> f;
  AppendU(f, 2, 4);
  Append(f, Field(kKeyA, 26));
  AppendU(f, 2, 4);
  for (auto [ip, rx] : {std::pair{"10.0.0.5", 111}, std::pair{"10.0.0.6", 222}}) {
    Append(f, Field(ip, 16));
    Append(f, Field("", 26));
    Append(f, Field("", 33));
    AppendU(f, rx, 8);
    AppendU(f, 0, 8);
  }
  Append(f, Field(kKeyB, 26));
  AppendU(f, 1, 4);
  Append(f, Field("10.0.0.7", 16));
  Append(f, Field("", 26));
  Append(f, Field("", 33));
  AppendU(f, 333, 8);
  AppendU(f, 0, 8);
  AppendU(f, 7000, 4);
  return f;
}

// A cut file keeps every entry that is whole; the start continues from those, counts the traffic
// after it and its first save writes a whole file again.
TEST(DamagedDayFile, EveryTruncationStartsAndCounts) {
  const std::vector<std::uint8_t> whole = HandWrittenFile();
  ASSERT_EQ(whole.size(), 341u);
  for (std::size_t length = 0; length <= whole.size(); ++length) {
    SCOPED_TRACE(length);
    TwoAdapters f;
    f.store.files["20090313.bin"].assign(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
    StartCounting(f.state, f.loop);
    f.Pass(10, 20);
    const std::uint64_t savedA = length >= 125 ? 111 : 0;
    const std::uint64_t savedB = length >= 337 ? 333 : 0;
    EXPECT_EQ(f.Head(kKeyA).rxTotal, savedA + 10);
    EXPECT_EQ(f.Head(kKeyB).rxTotal, savedB + 20);
    EXPECT_EQ(f.state.savedUptimeMs, length == whole.size() ? 7000u : 0u);

    EXPECT_TRUE(FinishCounting(f.state, f.loop));
    const DayFileContents saved = DecodeDayFile(f.store.files["20090313.bin"]);
    EXPECT_TRUE(saved.complete);
    EXPECT_TRUE(saved.uptimeMs.has_value());
  }
}

// Random bytes, of random lengths, in place of today's file: no crash, counting goes on, and the
// first save replaces them with a whole file.
TEST(DamagedDayFile, RandomBytesStartAndCount) {
  std::mt19937 random(20091213);
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    TwoAdapters f;
    std::vector<std::uint8_t>& bytes = f.store.files["20090313.bin"];
    bytes.resize(random() % 1200);
    for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(random());
    // Small counts now and then, so that groups and entries are really read.
    if (bytes.size() >= 4 && round % 2 == 0) {
      bytes[0] = static_cast<std::uint8_t>(random() % 4);
      bytes[1] = bytes[2] = bytes[3] = 0;
    }
    StartCounting(f.state, f.loop);
    std::uint64_t beforeA = 0;
    if (auto index = f.state.table.Find(kKeyA)) {
      for (const auto& r : f.state.table.At(*index).chain) beforeA += r->rxTotal;
    }
    f.Pass(10, 20);
    std::uint64_t afterA = 0;
    for (const auto& r : f.Entry(kKeyA).chain) afterA += r->rxTotal;
    EXPECT_EQ(afterA, beforeA + 10);
    EXPECT_TRUE(FinishCounting(f.state, f.loop));
    EXPECT_TRUE(DecodeDayFile(f.store.files["20090313.bin"]).complete);
  }
}

// Today's file exists but cannot be read (held, access denied, too large): it is never overwritten
// unread. Read again at the save, it is merged when it can be read by then; else it is renamed
// aside with its bytes and the save goes on; a file that can be neither read nor renamed stays and
// the save fails.
TEST(UnreadableDayFile, IsMergedOrKeptAsideButNeverOverwritten) {
  struct Case {
    const char* name;
    bool readableBySave;
    bool renamable;
    bool saved;
    std::map<std::string, std::uint64_t> received;  // in today's file after the save
  };
  const std::string a5 = std::string(kKeyA) + " 10.0.0.5", a6 = std::string(kKeyA) + " 10.0.0.6";
  const std::string b7 = std::string(kKeyB) + " 10.0.0.7";
  const Case cases[] = {
      {"readable again by the save: merged", true, true, true, {{a5, 111 + 10}, {a6, 222}, {b7, 333 + 20}}},
      {"still unreadable: kept aside", false, true, true, {{a5, 10}, {b7, 20}}},
      {"neither readable nor renamable: left alone", false, false, false, {{a5, 111}, {a6, 222}, {b7, 333}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TwoAdapters f;
    const std::vector<std::uint8_t> held = HandWrittenFile();
    f.store.files["20090313.bin"] = held;
    f.store.unreadable = {"20090313.bin"};
    if (!c.renamable) f.store.unrenamable = {"20090313.bin"};
    const std::uint32_t startTick = f.clock.tick;
    StartCounting(f.state, f.loop);
    EXPECT_EQ(f.clock.tick - startTick, 2 * kUnreadableRetryMs);  // read three times, 200 ms apart
    EXPECT_EQ(f.state.table.CountRecordsWithTraffic(), 0u);
    f.Pass(10, 20);
    if (c.readableBySave) f.store.unreadable.clear();
    EXPECT_EQ(FinishCounting(f.state, f.loop), c.saved);
    f.store.unreadable.clear();
    EXPECT_EQ(f.Received("20090313.bin"), c.received);
    const bool keptAside = !c.readableBySave && c.renamable;
    EXPECT_EQ(f.store.files.contains("20090313.bin.unreadable"), keptAside);
    if (keptAside) {
      EXPECT_EQ(f.store.files["20090313.bin.unreadable"], held);
    }
    EXPECT_EQ(f.incidents.Count(Incident::kFileKeptAside), keptAside ? 1 : 0);
    EXPECT_EQ(f.incidents.Count(Incident::kCannotSave), c.saved ? 0 : 2);  // the file, then the stop
    // The merged file's running time: 7,000 ms saved and this run's first wake-up (one period).
    if (c.readableBySave) {
      EXPECT_EQ(DecodeDayFile(f.store.files["20090313.bin"]).uptimeMs, 7995u);
    }
  }
}

// The final save meets a reader that holds the day file (or its slot file): it tries again every
// 250 ms for up to 10 s for both files together, and says whether the day got onto the disk. A slot
// file that stays held costs the slots, never the day.
TEST(FinalSave, RetriesWhileAReaderHoldsTheFileAndTellsTheOutcome) {
  struct Case {
    const char* held;  // "" for both files
    int busyReplaces;
    bool saved;
    bool slotsSaved;
    std::uint32_t waitedMs;
  } cases[] = {{"", 0, true, true, 0},
               {"", 3, true, true, 750},
               {"", 40, true, true, 10000},
               {"", 41, false, false, 10000},
               {"20090313.slots", 30, true, true, 7500},
               {"20090313.slots", 41, true, false, 10000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.held << " " << c.busyReplaces);
    TwoAdapters f;
    StartCounting(f.state, f.loop);
    f.Pass(10, 20);
    f.store.busyReplaces = c.busyReplaces;
    f.store.busyName = c.held;
    const std::uint32_t before = f.clock.tick;
    EXPECT_EQ(FinishCounting(f.state, f.loop), c.saved);
    EXPECT_EQ(f.clock.tick - before, c.waitedMs);
    EXPECT_EQ(f.store.files.contains("20090313.bin"), c.saved);
    EXPECT_EQ(f.store.files.contains("20090313.slots"), c.slotsSaved);
    EXPECT_EQ(f.incidents.Count(Incident::kCannotSave), c.slotsSaved ? 0 : 1);
  }
}

// A clock that jumps five years ahead while the service runs: nothing is pruned, counting goes on
// in that day's file; when the clock is put right the day's file is taken up again where it was
// left, so its totals never go down; the next ordinary midnight prunes as usual and leaves the
// file of the future day alone.
TEST(ClockJump, PrunesNothingAndTheRightDayGoesOnWhereItWasLeft) {
  TwoAdapters f;
  f.net.table.rows.pop_back();  // adapter A alone
  f.store.keepDays = "2";
  f.store.files["20090311.bin"] = {1};
  f.store.files["20090312.bin"] = {2};
  StartCounting(f.state, f.loop);
  f.Pass(100, 0);

  f.clock.date = CivilDate{2014, 3, 13};
  f.Pass(50, 0);  // the wake-up that finds the new date only takes baselines, as at midnight
  f.Pass(30, 0);
  EXPECT_TRUE(f.store.files.contains("20090311.bin"));
  EXPECT_TRUE(f.store.files.contains("20090312.bin"));
  EXPECT_EQ(f.Received("20090313.bin"), (std::map<std::string, std::uint64_t>{{std::string(kKeyA) + " 10.0.0.5", 100}}));
  EXPECT_EQ(f.incidents.Count(Incident::kClockJump), 1);

  f.clock.date = CivilDate{2009, 3, 13};  // put right
  f.Pass(20, 0);
  f.Pass(10, 0);
  EXPECT_EQ(f.Head(kKeyA).rxTotal, 110u);
  EXPECT_EQ(f.Received("20140313.bin"), (std::map<std::string, std::uint64_t>{{std::string(kKeyA) + " 10.0.0.5", 30}}));
  EXPECT_EQ(f.incidents.Count(Incident::kClockJump), 2);
  EXPECT_TRUE(f.store.files.contains("20090311.bin"));

  f.clock.date = CivilDate{2009, 3, 14};  // an ordinary midnight: keepdays 2 keeps the 12th and 13th
  f.Pass(5, 0);
  EXPECT_FALSE(f.store.files.contains("20090311.bin"));
  EXPECT_TRUE(f.store.files.contains("20090312.bin"));
  EXPECT_EQ(f.Received("20090313.bin"), (std::map<std::string, std::uint64_t>{{std::string(kKeyA) + " 10.0.0.5", 110}}));
  EXPECT_TRUE(f.store.files.contains("20140313.bin"));
  EXPECT_EQ(f.incidents.Count(Incident::kClockJump), 2);
}

// Days that really passed (a sleep over two midnights: the tick count goes on) are an ordinary
// change and prune; the same change of date within a second is a jump.
TEST(ClockJump, DaysThatPassedInSleepAreNoJump) {
  struct Case {
    std::uint32_t gapMs;
    bool pruned;
  } cases[] = {{2 * 86400000u, true}, {86400000u + 3600000u, true}, {1000, false}, {86400000u - 1000, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.gapMs);
    TwoAdapters f;
    f.store.keepDays = "1";
    f.store.files["20090313.bin"] = {1};
    StartCounting(f.state, f.loop);
    f.clock.date = CivilDate{2009, 3, 15};
    f.Pass(0, 0, WakeReason::kTimeout, c.gapMs);
    EXPECT_EQ(!f.store.files.contains("20090313.bin"), c.pruned);
    EXPECT_EQ(f.incidents.Count(Incident::kClockJump), c.pruned ? 0 : 1);
  }
}

// Before the system sleeps the traffic so far is saved; after it wakes the adapters are read again
// and every counter takes a fresh baseline: a counter the driver restarted during the sleep, which
// has counted past its old value by the first pass, credits nothing it did not count since.
TEST(Sleep, SavesBeforeAndReadsTheAdaptersAgainWithoutASpikeAfter) {
  TwoAdapters f;
  f.net.table.rows.pop_back();  // adapter A alone, at 1,000,000 received bytes
  StartCounting(f.state, f.loop);
  f.Pass(100, 0);
  f.Pass(40, 0, WakeReason::kSuspending, 300);
  EXPECT_EQ(f.Received("20090313.bin"), (std::map<std::string, std::uint64_t>{{std::string(kKeyA) + " 10.0.0.5", 140}}));

  // Asleep for an hour: the counter restarted from zero and reads 1,500,000 at the wake; the
  // adapter joined another network meanwhile.
  f.net.table.rows[0].inOctets = 1500000;
  f.net.adapters[0].firstIp = "10.0.0.9";
  const int listReads = f.net.adapterListReads;
  f.Pass(0, 0, WakeReason::kResumed, 3600000);
  EXPECT_GT(f.net.adapterListReads, listReads);
  EXPECT_STREQ(f.Head(kKeyA).ipText, "10.0.0.9");
  f.Pass(70, 0);
  EXPECT_EQ(f.Head(kKeyA).rxTotal, 70u);
  EXPECT_EQ(f.Entry(kKeyA).chain[1]->rxTotal, 140u);
}

// Two months of passes in simulated time, checked against the rules of the loop written out here:
// - a wake-up adds the ticks since the previous one, but one period (995 ms) when the tick count
//   went backwards or more than ten periods passed, and one period for the first wake-up of a run or
//   of a day while the system has been up for more than ten periods;
// - the wake-up that finds a new date adds nothing to either day and credits no traffic (the new
//   day's records take their first baselines); the old day's file is final as it stood before it;
// - a day whose file exists when its date comes (again) continues from the file's totals and time;
// - a pass's bytes go to the five-minute slot (300,000 ms) of the wall clock's time of day at it, so
//   every day's slot file adds up to its day file.
TEST(LongRun, SixtyDaysOfPassesStayExact) {
  struct Day {
    std::uint64_t rx = 0;
    std::uint64_t tx = 0;
    std::uint32_t uptimeMs = 0;
    std::map<std::uint16_t, std::pair<std::uint64_t, std::uint64_t>> slots;
  };
  constexpr std::uint64_t kDayMs = 86400000;
  constexpr std::uint32_t kStep = 9950;  // the longest gap that still counts in full
  const CivilDate first{2009, 3, 13};

  TwoAdapters f;
  f.net.table.rows.pop_back();  // adapter A alone
  std::uint64_t wallMs = 10 * 3600000ull;  // 10:00 on the first day
  std::int64_t offsetDays = 0;  // the clock as set by the user, against the real days
  // The tick count wraps five days in (and again 49.7 days later).
  const std::uint32_t tick0 = static_cast<std::uint32_t>((1ull << 32) - 5 * kDayMs - 10 * 3600000ull);
  std::uint64_t sinceBoot = 0;
  auto dateNow = [&] { return AddDays(first, static_cast<std::int64_t>(wallMs / kDayMs) + offsetDays); };
  auto tickNow = [&] { return static_cast<std::uint32_t>(tick0 + sinceBoot); };

  f.clock.date = dateNow();
  f.clock.tick = tickNow();
  StartCounting(f.state, f.loop);

  std::map<CivilDate, Day> expected;
  CivilDate current = dateNow();
  std::uint32_t lastTick = 0;
  std::uint64_t passes = 0;
  std::uint64_t wraps = 0;

  // One wake-up `gapMs` after the previous one, with `bytes` received meanwhile.
  auto wake = [&](std::uint64_t gapMs, std::uint64_t bytes) {
    BeginIteration(f.state, f.loop);
    wallMs += gapMs;
    sinceBoot += gapMs;
    f.net.table.rows[0].inOctets += bytes;
    f.net.table.rows[0].outOctets += bytes / 10;
    const std::uint32_t now = tickNow();
    if (now < f.clock.tick) ++wraps;
    f.clock.tick = now;
    f.clock.date = dateNow();
    const std::uint64_t ofDay = wallMs % kDayMs;
    f.clock.hour = static_cast<std::uint8_t>(ofDay / 3600000);
    f.clock.minute = static_cast<std::uint8_t>(ofDay / 60000 % 60);
    f.clock.second = static_cast<std::uint8_t>(ofDay / 1000 % 60);
    AfterWake(f.state, f.loop, WakeReason::kTimeout, true, f.answerer);
    ++passes;

    if (dateNow() != current) {
      current = dateNow();
      lastTick = 0;
      return;
    }
    const std::uint32_t d = now - lastTick;
    const std::uint32_t added = (now < lastTick || d > 10 * 995) ? 995 : d;
    lastTick = now;
    Day& day = expected[current];
    day.uptimeMs += added;
    day.rx += bytes;
    day.tx += bytes / 10;
    auto& slot = day.slots[static_cast<std::uint16_t>(ofDay / 300000)];
    slot.first += bytes;
    slot.second += bytes / 10;
  };
  auto runUntil = [&](std::uint64_t day, std::uint64_t hour, std::uint32_t minute = 0) {
    const std::uint64_t until = day * kDayMs + hour * 3600000 + minute * 60000ull;
    while (wallMs + kStep <= until) wake(kStep, 1000 + passes % 7);
  };

  runUntil(10, 3);
  wake(20000, 5000);  // a 20 s stall
  runUntil(20, 10);
  offsetDays = -1;  // the clock is set back a day: day 19 goes on
  wake(kStep, 300);
  runUntil(20, 14);
  offsetDays = 0;  // and forward again
  wake(kStep, 400);
  runUntil(33, 2);
  wake(2 * 3600000ull, 77777);  // two hours asleep
  runUntil(40, 10);
  offsetDays = 1;  // forward a day: day 41 begins early
  wake(kStep, 500);
  runUntil(40, 14);
  offsetDays = 0;  // back to day 40
  wake(kStep, 600);
  runUntil(45, 23, 59);
  wake(3 * 60000, 8888);  // a stall across midnight
  runUntil(60, 10);
  BeginIteration(f.state, f.loop);
  EXPECT_TRUE(FinishCounting(f.state, f.loop));

  EXPECT_EQ(wraps, 2u);
  EXPECT_GT(passes, 500000u);
  ASSERT_EQ(expected.size(), 61u);
  for (const auto& [date, day] : expected) {
    SCOPED_TRACE(DayFileName(date));
    const DayFileContents file = DecodeDayFile(f.store.files[DayFileName(date)]);
    ASSERT_TRUE(file.complete);
    ASSERT_EQ(file.groups.size(), 1u);
    ASSERT_EQ(file.groups[0].entries.size(), 1u);
    EXPECT_EQ(file.groups[0].entries[0].rxBytes, day.rx);
    EXPECT_EQ(file.groups[0].entries[0].txBytes, day.tx);
    EXPECT_EQ(file.uptimeMs, day.uptimeMs);
    const SlotFileContents slots = DecodeSlotFile(f.store.files[SlotFileName(date)]);
    ASSERT_TRUE(slots.complete);
    ASSERT_EQ(slots.connections.size(), 1u);
    std::map<std::uint16_t, std::pair<std::uint64_t, std::uint64_t>> got;
    for (const SlotBytes& s : slots.connections[0].slots) got[s.slot] = {s.rxBytes, s.txBytes};
    EXPECT_EQ(got, day.slots);
  }
}

}  // namespace
}  // namespace tral
