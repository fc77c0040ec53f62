// The counting loop driven by a hand-set clock: running time, change of date, actions, save cadence.
#include <gtest/gtest.h>

#include "service/counting_loop.h"
#include "service_test_support.h"
#include "shared/day_file_codec.h"

namespace tral {
namespace {

using testing::CounterFixture;
using testing::kKeyA;
using testing::kMacA;

class RecordingAnswerer final : public RequestAnswerer {
 public:
  explicit RecordingAnswerer(fakes::FakeDayStore& store) : store_(store) {}
  void AnswerRequest(const ConnectionTable& table) override {
    ++answers;
    replacesBeforeLastAnswer = store_.replaces;
    lastRecords = table.CountRecordsWithTraffic();
  }
  int answers = 0;
  int replacesBeforeLastAnswer = -1;
  std::size_t lastRecords = 0;

 private:
  fakes::FakeDayStore& store_;
};

// One wired adapter A at 10.0.0.5 whose counters grow by 100 received and 10 sent bytes per pass.
struct LoopFixture : CounterFixture {
  CountingLoop loop;
  RecordingAnswerer answerer{store};
  std::uint64_t rx = 50000;
  std::uint64_t tx = 7000;

  explicit LoopFixture(CivilDate date = CivilDate{2009, 3, 13}) {
    clock.date = date;
    net.AddAdapter("Wired A", kMacA, "10.0.0.5", "{A}");
    net.AddRow(kMacA, rx, tx);
    net.table.wideCounters = true;
  }
  void Start() { StartCounting(state, loop); }
  // One iteration: the wait lasts `afterMs`, the counters move meanwhile, then the loop acts.
  bool Wake(WakeReason reason, std::uint32_t afterMs = 1000, bool armed = true, std::uint64_t drx = 100,
            std::uint64_t dtx = 10) {
    BeginIteration(state, loop);
    rx += drx;
    tx += dtx;
    net.table.rows[0].inOctets = rx;
    net.table.rows[0].outOctets = tx;
    clock.tick += afterMs;
    return AfterWake(state, loop, reason, armed, answerer);
  }
  DayFileContents File(const std::string& name) {
    auto it = store.files.find(name);
    if (it == store.files.end()) return {};
    return DecodeDayFile(it->second);
  }
  // Counts a pass on 13 March, then the save at the change to 14 March fails.
  void FailTheSaveAtTheChangeOfDate() {
    Start();
    Wake(WakeReason::kTimeout);
    store.replaceFails = true;
    clock.date = CivilDate{2009, 3, 14};
    Wake(WakeReason::kTimeout);
  }
};

// A day file holding one entry for adapter A.
std::vector<std::uint8_t> DayFile(const char* ip, std::uint64_t rxBytes, std::uint64_t txBytes, std::uint32_t uptime) {
  std::vector<std::uint8_t> bytes;
  DayFileWriter w(bytes);
  char key[kAdapterKeyWidth] = {};
  char ipText[kIpTextWidth] = {};
  char none[kBssidWidth] = {};
  char noSsid[kSsidWidth] = {};
  SetFieldText(key, kKeyA);
  SetFieldText(ipText, ip);
  w.PutGroupCount(1);
  w.PutGroupHeader(key, 1);
  w.PutEntry(ipText, none, noSsid, rxBytes, txBytes);
  w.PutUptime(uptime);
  return bytes;
}

TEST(RunningTimeIncrement, AddsTheGapOrOnePeriod) {
  struct Case {
    const char* name;
    std::uint32_t lastTick;
    std::uint32_t now;
    std::uint32_t added;
  };
  const Case cases[] = {
      {"an ordinary wake-up", 100000, 101003, 1003},
      {"a request soon after", 100000, 100200, 200},
      {"exactly ten periods", 100000, 109950, 9950},
      {"one ms more is a stall", 100000, 109951, 995},
      {"a 20 s stall", 100000, 120000, 995},
      {"the tick count wrapped", 0xFFFFFF00u, 0x00000100u, 995},
      {"first wake, system up for a minute", 0, 60000, 995},
      {"first wake, system up for 5 s", 0, 5000, 5000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RunningTimeIncrement(c.lastTick, c.now, kSamplePeriodMs), c.added) << c.name;
  }
}

TEST(CountingLoop, StartPrunesRemovesTemporariesAndContinuesTodaysTotals) {
  LoopFixture f;
  f.store.keepDays = "1";
  f.store.files["20090311.bin"] = {1};
  f.store.files["20090312.bin"] = {2};
  f.store.files["20090313.tmp"] = {3};
  f.store.files["20090313.bin"] = DayFile("10.0.0.5", 4000, 300, 60000);
  f.Start();
  EXPECT_FALSE(f.store.files.contains("20090311.bin"));
  EXPECT_TRUE(f.store.files.contains("20090312.bin"));
  EXPECT_FALSE(f.store.files.contains("20090313.tmp"));

  // The first pass after the start credits from the baselines the start took.
  f.Wake(WakeReason::kTimeout);
  EXPECT_EQ(f.Head(kKeyA).rxTotal, 4100u);
  EXPECT_EQ(f.Head(kKeyA).txTotal, 310u);
  EXPECT_TRUE(FinishCounting(f.state, f.loop));
  DayFileContents saved = f.File("20090313.bin");
  ASSERT_EQ(saved.groups.size(), 1u);
  EXPECT_EQ(saved.groups[0].entries[0].rxBytes, 4100u);
  // Saved running time 60 s plus the first wake-up's one period (the tick count is far beyond 10 s).
  EXPECT_EQ(saved.uptimeMs, 60995u);
  EXPECT_EQ(f.state.table.Size(), 0u);
}

TEST(CountingLoop, YearChangeSavesUnderTheOldDateAndStartsFromZero) {
  LoopFixture f(CivilDate{2009, 12, 31});
  f.Start();
  f.Wake(WakeReason::kTimeout);  // +995 ms of running time
  f.Wake(WakeReason::kTimeout);  // +1000
  f.clock.date = CivilDate{2010, 1, 1};
  f.Wake(WakeReason::kTimeout, 1000, true, 70, 7);  // crosses midnight

  DayFileContents old = f.File("20091231.bin");
  ASSERT_EQ(old.groups.size(), 1u);
  EXPECT_EQ(old.groups[0].entries[0].rxBytes, 200u);  // the traffic up to the old day's last pass
  EXPECT_EQ(old.groups[0].entries[0].txBytes, 20u);
  EXPECT_EQ(old.uptimeMs, 1995u);  // as it stood at the top of the crossing iteration
  EXPECT_FALSE(f.store.files.contains("20100101.bin"));

  // The new day starts from zero: the crossing pass only took baselines.
  EXPECT_EQ(f.Head(kKeyA).rxTotal, 0u);
  f.Wake(WakeReason::kTimeout, 1000, true, 40, 4);
  EXPECT_EQ(f.Head(kKeyA).rxTotal, 40u);
  EXPECT_TRUE(FinishCounting(f.state, f.loop));
  DayFileContents fresh = f.File("20100101.bin");
  ASSERT_EQ(fresh.groups.size(), 1u);
  EXPECT_EQ(fresh.groups[0].entries[0].rxBytes, 40u);
  EXPECT_EQ(fresh.uptimeMs, 995u);  // the new day's first wake-up (lastTick 0) counts one period
}

// A save of the old day that fails at the change of date keeps that day until a later save works.
TEST(CountingLoop, FailedSaveAtChangeOfDateIsRetriedLater) {
  LoopFixture f;
  f.FailTheSaveAtTheChangeOfDate();
  EXPECT_FALSE(f.store.files.contains("20090313.bin"));
  EXPECT_EQ(f.Head(kKeyA).rxTotal, 0u);

  f.store.replaceFails = false;
  for (int i = 0; i < 41; ++i) f.Wake(WakeReason::kTimeout);  // the next periodic save
  DayFileContents old = f.File("20090313.bin");
  ASSERT_EQ(old.groups.size(), 1u);
  EXPECT_EQ(old.groups[0].entries[0].rxBytes, 100u);
  EXPECT_EQ(f.File("20090314.bin").groups[0].entries[0].rxBytes, 4000u);
  EXPECT_TRUE(f.loop.unsavedDays.empty());
}

TEST(CountingLoop, UnsavedDayIsWrittenAtStop) {
  LoopFixture f;
  f.FailTheSaveAtTheChangeOfDate();
  f.store.replaceFails = false;
  f.Wake(WakeReason::kTimeout);
  EXPECT_FALSE(f.Wake(WakeReason::kStop));
  EXPECT_TRUE(FinishCounting(f.state, f.loop));
  EXPECT_EQ(f.File("20090313.bin").groups[0].entries[0].rxBytes, 100u);
  EXPECT_EQ(f.File("20090314.bin").groups[0].entries[0].rxBytes, 100u);
}

// Save cadence: the day file is written when more than 40 timed passes have run. A timed pass is
// due 995 ms after the last one, whatever requests came meanwhile; a request wake-up at which one is
// due takes it too.
TEST(CountingLoop, SaveCadence) {
  struct Wake {
    WakeReason reason;
    std::uint32_t afterMs;
  };
  struct Case {
    const char* name;
    std::vector<Wake> wakes;
    std::vector<int> savedAfterWake;  // 1-based wake numbers after which the count of saves grows
  };
  auto repeat = [](std::vector<Wake> pattern, int times) {
    std::vector<Wake> all;
    for (int i = 0; i < times; ++i) all.insert(all.end(), pattern.begin(), pattern.end());
    return all;
  };
  const Wake timed{WakeReason::kTimeout, 1000};
  const Wake request{WakeReason::kRequest, 500};
  const Case cases[] = {
      {"40 timed passes do not save", repeat({timed}, 40), {}},
      {"the 41st timed pass saves and the count starts again", repeat({timed}, 82), {41, 82}},
      // Every second request comes 1,000 ms after the last timed pass: 41 of them at wake 82.
      {"requests every 500 ms save every 41 s", repeat({request}, 82), {82}},
      {"requests between timed passes do not hasten the save",
       repeat({{WakeReason::kRequest, 300}, {WakeReason::kTimeout, 700}}, 41), {82}},
      {"an address change is no pass", repeat({timed, {WakeReason::kAddressChange, 1}}, 41), {81}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoopFixture f;
    f.Start();
    int expected = 0;
    for (std::size_t i = 0; i < c.wakes.size(); ++i) {
      f.Wake(c.wakes[i].reason, c.wakes[i].afterMs);
      for (int at : c.savedAfterWake) expected += at == static_cast<int>(i) + 1 ? 1 : 0;
      ASSERT_EQ(f.store.replaces, expected) << "after wake " << i + 1;
    }
  }
}

// A program that floods requests gets its answers, but costs at most one pass per 10 ms and no
// save beyond the clock's: ten seconds of requests 1 ms apart.
TEST(CountingLoop, ARequestFloodNeitherSavesNorSamplesMoreThanTheLimit) {
  LoopFixture f;
  f.Start();
  const int readsAtStart = f.net.tableReads;
  for (int i = 0; i < 10000; ++i) f.Wake(WakeReason::kRequest, 1);
  EXPECT_EQ(f.answerer.answers, 10000);
  EXPECT_EQ(f.store.replaces, 0);  // ten timed passes in ten seconds
  EXPECT_EQ(f.loop.passCount, 10u);
  // At most one pass per 10 ms (1,000 in 10 s) and the ten timed ones, each a pass of its own.
  EXPECT_LE(f.net.tableReads - readsAtStart, 1010);
  EXPECT_GE(f.net.tableReads - readsAtStart, 1000);
  // Every answer holds the traffic up to the newest pass: 10,000 ms of 100 bytes per ms.
  EXPECT_GE(f.Head(kKeyA).rxTotal, 999000u);
}

TEST(CountingLoop, RequestIsAnsweredBeforeTheSaveItTriggers) {
  LoopFixture f;
  f.Start();
  for (int i = 0; i < 82; ++i) f.Wake(WakeReason::kRequest, 500);  // the 82nd takes the 41st timed pass
  EXPECT_EQ(f.answerer.answers, 82);
  EXPECT_EQ(f.answerer.replacesBeforeLastAnswer, 0);
  EXPECT_EQ(f.store.replaces, 1);
  EXPECT_EQ(f.answerer.lastRecords, 1u);  // the answer had the fresh sample's traffic
}

TEST(CountingLoop, AddressAndRouteChangesReconcileWithoutASample) {
  for (WakeReason reason : {WakeReason::kAddressChange, WakeReason::kRouteChange}) {
    LoopFixture f;
    f.Start();
    f.Wake(WakeReason::kTimeout);
    const int tableReads = f.net.tableReads;
    const std::uint32_t passes = f.loop.passCount;
    f.net.adapters[0].firstIp = "10.0.0.6";
    f.Wake(reason);
    EXPECT_EQ(f.net.tableReads, tableReads);
    EXPECT_EQ(f.loop.passCount, passes);
    EXPECT_EQ(f.answerer.answers, 0);
    ASSERT_EQ(f.Entry(kKeyA).chain.size(), 2u);
    EXPECT_STREQ(f.Head(kKeyA).ipText, "10.0.0.6");
    // The next pass credits the new connection with everything since the last sample.
    f.Wake(WakeReason::kTimeout);
    EXPECT_EQ(f.Head(kKeyA).rxTotal, 200u);
    EXPECT_EQ(f.Entry(kKeyA).chain[1]->rxTotal, 100u);
  }
}

// An address change that no notification reports is found by the periodic reconciliation, which
// runs only while a notification cannot be armed.
TEST(CountingLoop, PeriodicReconciliationWithoutNotifications) {
  struct Case {
    const char* name;
    bool armed;
    WakeReason pass;
    std::uint32_t periodMs;
    int passesUntilMoved;  // 0: never within 60 passes
  };
  const Case cases[] = {
      {"timed passes, notifications armed", true, WakeReason::kTimeout, 1000, 0},
      {"timed passes, a notification missing", false, WakeReason::kTimeout, 1000, 10},
      {"requests only, a notification missing", false, WakeReason::kRequest, 500, 20},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoopFixture f;
    f.Start();
    f.net.adapters[0].firstIp = "10.0.0.6";
    int moved = 0;
    for (int i = 1; i <= 60 && moved == 0; ++i) {
      f.Wake(c.pass, c.periodMs, c.armed);
      if (std::string_view(f.Head(kKeyA).ipText) == "10.0.0.6") moved = i;
    }
    EXPECT_EQ(moved, c.passesUntilMoved);
  }
}

TEST(CountingLoop, StopLeavesTheLoopAfterAccountingTheWakeUp) {
  LoopFixture f;
  f.Start();
  EXPECT_TRUE(f.Wake(WakeReason::kTimeout));
  const int reads = f.net.tableReads;
  EXPECT_FALSE(f.Wake(WakeReason::kStop));
  EXPECT_EQ(f.net.tableReads, reads);  // no sample
  EXPECT_EQ(f.loop.elapsedMs, 1995u);
}

// After a pause the wake-up that ends it counts one period, however long the pause was, and the
// first pass credits the traffic of the paused time.
TEST(CountingLoop, ResumeAfterPauseCountsOnePeriod) {
  LoopFixture f;
  f.Start();
  f.Wake(WakeReason::kTimeout);
  NoteResumed(f.loop);
  f.Wake(WakeReason::kTimeout, 5000, true, 3000, 0);
  EXPECT_EQ(f.loop.elapsedMs, 995u + 995u);
  EXPECT_EQ(f.Head(kKeyA).rxTotal, 3100u);
  f.Wake(WakeReason::kTimeout, 5000);
  EXPECT_EQ(f.loop.elapsedMs, 995u + 995u + 5000u);
}

}  // namespace
}  // namespace tral
