// The counting loop under faults: damaged day files at start, and two months of simulated time with
// the tick count wrapping, changes of date, a clock set back and forward, and stalls.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "service/counting_loop.h"
#include "service/day_files.h"
#include "service_test_support.h"
#include "shared/day_file_codec.h"

namespace tral {
namespace {

using testing::CounterFixture;
using testing::kKeyA;
using testing::kKeyB;
using testing::kMacA;
using testing::kMacB;

class NoAnswer final : public RequestAnswerer {
 public:
  void AnswerRequest(const ConnectionTable&) override {}
};

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
  void Pass(std::uint64_t rxA, std::uint64_t rxB) {
    BeginIteration(state, loop);
    net.table.rows[0].inOctets += rxA;
    net.table.rows[1].inOctets += rxB;
    clock.tick += 1000;
    AfterWake(state, loop, WakeReason::kTimeout, true, answerer);
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

    FinishCounting(f.state, f.loop);
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
    FinishCounting(f.state, f.loop);
    EXPECT_TRUE(DecodeDayFile(f.store.files["20090313.bin"]).complete);
  }
}

// Two months of passes in simulated time, checked against the rules of the loop written out here:
// - a wake-up adds the ticks since the previous one, but one period (995 ms) when the tick count
//   went backwards or more than ten periods passed, and one period for the first wake-up of a run or
//   of a day while the system has been up for more than ten periods;
// - the wake-up that finds a new date adds nothing to either day and credits no traffic (the new
//   day's records take their first baselines); the old day's file is final as it stood before it;
// - a day whose file exists when its date comes (again) continues from the file's totals and time.
TEST(LongRun, SixtyDaysOfPassesStayExact) {
  struct Day {
    std::uint64_t rx = 0;
    std::uint64_t tx = 0;
    std::uint32_t uptimeMs = 0;
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
  FinishCounting(f.state, f.loop);

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
  }
}

}  // namespace
}  // namespace tral
