// The pictures of a day's hours and of the last hour or day of speeds: today's live figures added
// to its slots, the hours and their texts over the checked rows, the slots as average speeds, and
// the days kept until the folder changes.
#include <gtest/gtest.h>

#include <algorithm>

#include "monitor/charts/daily_traffic.h"
#include "monitor/charts/day_hours.h"
#include "monitor/charts/live_today.h"
#include "monitor/charts/slot_days.h"
#include "monitor/charts/speed_view.h"
#include "monitor_test_support.h"
#include "support/slot_file_bytes.h"

namespace tral {
namespace {

using test::D;
using test::DayFileBytes;
using test::SlotFileBytes;

// Today as its files hold it: A placed whole in slots 0 and 100, B (500 bytes) in no slot.
TimedDay Today() {
  test::MemoryDayFiles files;
  files.files[D(2026, 3, 29)] =
      DayFileBytes({{"K1", {{"10.0.0.5", "", "", 10000, 1000}, {"10.0.0.6", "", "", 500, 0}}}}, 1);
  files.slotFiles[D(2026, 3, 29)] = SlotFileBytes({{"K1", "10.0.0.5", "", "", {{0, 4000, 400}, {100, 6000, 600}}}});
  TimedDayReader reader(files);
  return reader.Read(D(2026, 3, 29));
}

LiveConnection Live(const char* ip, std::uint64_t rx, std::uint64_t tx) {
  return LiveConnection{ConnectionTexts{"K1", ip, "", ""}, rx, tx};
}

TEST(LiveToday, WhatTheFilesDoNotHoldYetGoesToTheCurrentSlot) {
  constexpr std::uint32_t k1307 = 13 * 3600 + 7 * 60 + 30;  // slot 157
  constexpr std::uint32_t k0822 = 8 * 3600 + 22 * 60;  // slot 100
  const struct {
    const char* what;
    bool known;
    CivilDate date;
    std::uint32_t second;
    std::vector<LiveConnection> live;
    DayReadOutcome dayOutcome;
    std::uint16_t slot;  // the slot looked at
    BucketSum inSlot;
    std::size_t connections;
  } cases[] = {
      {"the bytes since the last save", true, D(2026, 3, 29), k1307, {Live("10.0.0.5", 10700, 1100)},
       DayReadOutcome::kComplete, 157, {700, 100}, 2},
      {"a connection the files do not know yet", true, D(2026, 3, 29), k1307, {Live("10.0.0.9", 300, 30)},
       DayReadOutcome::kComplete, 157, {300, 30}, 3},
      {"into a slot that has bytes already", true, D(2026, 3, 29), k0822, {Live("10.0.0.5", 10500, 1000)},
       DayReadOutcome::kComplete, 100, {6500, 600}, 2},
      {"nothing new", true, D(2026, 3, 29), k1307, {Live("10.0.0.5", 10000, 1000)}, DayReadOutcome::kComplete, 157,
       {0, 0}, 2},
      {"a live figure below the file's adds nothing", true, D(2026, 3, 29), k1307, {Live("10.0.0.5", 9000, 1200)},
       DayReadOutcome::kComplete, 157, {0, 200}, 2},
      // Whose totals are unknown: every live byte would look new.
      {"a day file that ended early", true, D(2026, 3, 29), k1307, {Live("10.0.0.5", 10700, 1100)},
       DayReadOutcome::kDamaged, 157, {0, 0}, 2},
      {"another day's files", true, D(2026, 3, 28), k1307, {Live("10.0.0.5", 10700, 1100)}, DayReadOutcome::kComplete,
       157, {0, 0}, 2},
      {"before the first poll", false, D(2026, 3, 29), k1307, {Live("10.0.0.5", 10700, 1100)},
       DayReadOutcome::kComplete, 157, {0, 0}, 2},
  };
  for (const auto& c : cases) {
    TimedDay day = Today();
    day.day.outcome = c.dayOutcome;
    LiveToday live;
    live.known = c.known;
    live.date = c.date;
    live.secondOfDay = c.second;
    live.connections = c.live;
    AddLiveFigures(day, live);
    EXPECT_EQ(SumBuckets(day, TimeGrain::kFiveMinutes)[c.slot], c.inSlot) << c.what;
    EXPECT_EQ(day.connections.size(), c.connections) << c.what;
    // What was in no slot stays so: the live bytes are placed.
    EXPECT_EQ(day.connections[1].notPlacedRxBytes, 500u) << c.what;
  }
}

TEST(LiveToday, ThePollsRecordsOfOneConnectionAreOneAndTheSlotIsTheTimeOfDays) {
  test::BlockRecord a{"NIC", "K1", "10.0.0.5", "", "", 700, 70};
  test::BlockRecord again = a;  // the same four texts twice in one block
  again.rxTotal = 300;
  again.txTotal = 30;
  test::BlockRecord wifi{"WLAN", "K2", "10.0.0.7", "B1", "Home", 5, 6};
  const test::Bytes block = test::BlockBytes({{a, again}, {wifi}});
  ConnectionList list;
  ASSERT_TRUE(FillConnectionList(block, list));
  const LiveToday live = LiveTodayOf(list, D(2026, 3, 29), 300);
  ASSERT_EQ(live.connections.size(), 2u);
  EXPECT_EQ(live.connections[0].rxBytes, 1000u);
  EXPECT_EQ(live.connections[0].txBytes, 100u);
  EXPECT_EQ(live.connections[1].texts, (ConnectionTexts{"K2", "10.0.0.7", "B1", "Home"}));
  const struct {
    std::uint32_t second;
    std::uint16_t slot;
  } slots[] = {{0, 0}, {299, 0}, {300, 1}, {13 * 3600 + 5 * 60, 157}, {86'399, 287}};
  for (const auto& s : slots) {
    LiveToday at;
    at.secondOfDay = s.second;
    EXPECT_EQ(at.Slot(), s.slot) << s.second;
  }
}

TEST(DayHours, TheHoursOfTheCheckedRowsAndWhatIsInNoSlot) {
  test::MemoryDayFiles files;
  files.files[D(2026, 1, 30)] = DayFileBytes(
      {{"K1", {{"10.0.0.5", "", "", 3'000'000, 300'000}}}, {"K2", {{"10.0.0.7", "B1", "Cafe", 2'000'000, 0}}}}, 1);
  files.slotFiles[D(2026, 1, 30)] =
      SlotFileBytes({{"K1", "10.0.0.5", "", "", {{156, 1'000'000, 100'000}, {157, 1'048'576, 0}, {287, 5, 5}}},
                     {"K2", "10.0.0.7", "B1", "Cafe", {{12, 2'000'000, 0}}}});
  CStatisticData rows(files);
  rows.CountDay(D(2026, 1, 30));
  TimedDayReader reader(files);
  const TimedDay day = reader.Read(D(2026, 1, 30));
  const MonitorSettings mb;  // MB, two decimals

  DayHours hours = DayHoursOf(day, TimeGrain::kHour, rows);
  ASSERT_EQ(hours.buckets.size(), 24u);
  EXPECT_EQ(hours.buckets[13], (BucketSum{2'048'576, 100'000}));
  EXPECT_EQ(hours.buckets[1], (BucketSum{2'000'000, 0}));
  // K1: 3,000,000 - 2,048,581 = 951,419 received and 300,000 - 100,005 = 199,995 sent in no slot.
  EXPECT_EQ(hours.notPlaced, (BucketSum{951'419, 199'995}));
  EXPECT_EQ(JoinLines(DayHoursLines(hours, mb), " | "),
            "2026-01-30 by the hour | Downloaded: 4048581 bytes (3.86 MB) | Uploaded: 100005 bytes (0.09 MB) | "
            "Not placed in time: downloaded 951419 bytes (0.91 MB), uploaded 199995 bytes (0.19 MB)");
  EXPECT_EQ(BucketFigureLines(hours, 13, mb),
            (std::vector<std::string>{"2026-01-30 13:00 to 14:00", "Downloaded: 2048576 bytes (1.95 MB)",
                                      "Uploaded: 100000 bytes (0.09 MB)"}));

  // The wireless row unchecked: its hour is empty; five-minute slots end at midnight.
  rows.SetChecked(1, false);
  hours = DayHoursOf(day, TimeGrain::kFiveMinutes, rows);
  ASSERT_EQ(hours.buckets.size(), 288u);
  EXPECT_EQ(hours.buckets[12], (BucketSum{0, 0}));
  EXPECT_EQ(BucketFigureLines(hours, 287, mb)[0], "2026-01-30 23:55 to 24:00");
  EXPECT_EQ(DayHoursLines(hours, mb)[0], "2026-01-30 by five minutes");
  const chart::DailyChartInput chart = DayHoursChartOf(hours, mb, PixelRect{0, 0, 600, 300}, 96);
  ASSERT_EQ(chart.days.size(), 288u);
  EXPECT_EQ(chart.labels.text(12), "01:00");

  // What was wrong with the files, last on the day's line.
  const struct {
    DayReadOutcome dayOutcome;
    DayReadOutcome slotOutcome;
    std::string last;
  } faults[] = {
      {DayReadOutcome::kComplete, DayReadOutcome::kUnreadable, "The slot file could not be read"},
      {DayReadOutcome::kComplete, DayReadOutcome::kDamaged, "Damaged slot file: read as far as it goes"},
      {DayReadOutcome::kDamaged, DayReadOutcome::kComplete, "Damaged file: counted as far as it could be read"},
      {DayReadOutcome::kMissing, DayReadOutcome::kMissing, "No day file"},
      {DayReadOutcome::kUnreadable, DayReadOutcome::kMissing, "The day file could not be read"},
  };
  for (const auto& f : faults) {
    hours.dayOutcome = f.dayOutcome;
    hours.slotOutcome = f.slotOutcome;
    EXPECT_EQ(DayHoursLines(hours, mb).back(), f.last);
  }
}

TEST(SpeedView, TheLastHourOrDayOfSlotsAsAverageSpeeds) {
  test::MemoryDayFiles files;
  files.files[D(2026, 3, 28)] = DayFileBytes({{"K1", {{"10.0.0.5", "", "", 0, 0}}}}, 1);
  files.files[D(2026, 3, 29)] = DayFileBytes({{"K1", {{"10.0.0.5", "", "", 0, 0}}}}, 1);
  // 307,200 bytes in five minutes are 1,024 bytes a second: 1 KB/s.
  files.slotFiles[D(2026, 3, 28)] = SlotFileBytes({{"K1", "10.0.0.5", "", "", {{12, 153'600, 0}, {287, 307'200, 0}}},
                                                   {"K1", "10.0.0.6", "", "", {{287, 999'999, 0}}}});
  files.slotFiles[D(2026, 3, 29)] =
      SlotFileBytes({{"K1", "10.0.0.5", "", "", {{0, 614'400, 0}, {12, 153'600, 307'200}}}});
  TimedDayReader reader(files);
  const TimedDay yesterday = reader.Read(D(2026, 3, 28));
  const TimedDay today = reader.Read(D(2026, 3, 29));
  const ConnectionTexts shown{"K1", "10.0.0.5", "", ""};
  constexpr std::uint32_t k0102 = 3600 + 150;  // 01:02:30
  constexpr std::uint64_t kDayMs = 86'400'000;
  const MonitorSettings kbs = [] {
    MonitorSettings s;
    s.speed = 1;  // KB/s
    return s;
  }();
  const struct {
    SpeedRange range;
    std::size_t points;  // two a slot: its start (or the span's) and its end (or now)
    chart::SpeedPoint first;
    chart::SpeedPoint last;
    double at2355;  // yesterday's last slot, when shown
  } cases[] = {
      // From 00:02:30 today: slots 0 (from the span's start) to 12 (to now).
      {SpeedRange::kHour, 2 * 13, {kDayMs + 150'000, 2.0, 0}, {kDayMs + 3'750'000, 0.5, 1.0}, -1},
      // From 01:02:30 yesterday: its slots 12 to 287, then today's 0 to 12.
      {SpeedRange::kDay, 2 * (276 + 13), {3'750'000, 0.5, 0}, {kDayMs + 3'750'000, 0.5, 1.0}, 1.0},
  };
  for (const auto& c : cases) {
    const chart::SpeedGraphInput input =
        SlotSpeedGraphOf(yesterday, today, shown, k0102, c.range, kbs, PixelRect{0, 0, 400, 200}, 96);
    EXPECT_EQ(input.nowMs, kDayMs + 3'750'000);
    EXPECT_EQ(input.spanMs, c.range == SpeedRange::kHour ? 3'600'000u : kDayMs);
    EXPECT_EQ(input.labelStepMs, c.range == SpeedRange::kHour ? 600'000u : 10'800'000u);
    ASSERT_EQ(input.points.size(), c.points);
    EXPECT_EQ(input.points.front().timeMs, c.first.timeMs);
    EXPECT_DOUBLE_EQ(input.points.front().rx, c.first.rx);
    EXPECT_EQ(input.points.back().timeMs, c.last.timeMs);
    EXPECT_DOUBLE_EQ(input.points.back().rx, c.last.rx);
    EXPECT_DOUBLE_EQ(input.points.back().tx, c.last.tx);
    if (c.at2355 >= 0) {
      // The start of slot 287, after the end of slot 286 at the same time.
      const auto at = std::find_if(input.points.rbegin(), input.points.rend(),
                                   [](const chart::SpeedPoint& p) { return p.timeMs == 287 * 300'000u; });
      ASSERT_NE(at, input.points.rend());
      EXPECT_DOUBLE_EQ(at->rx, c.at2355);  // the other address's bytes are not the shown one's
    }
  }
  EXPECT_TRUE(SlotSpeedGraphOf(yesterday, today, std::nullopt, k0102, SpeedRange::kDay, kbs, PixelRect{}, 96)
                  .points.empty());
}

TEST(SlotDays, ADayIsReadAgainOnlyWhenTheFolderChangedOrAMinutePassed) {
  test::MemoryDayFiles files;
  files.files[D(2026, 3, 29)] = DayFileBytes({{"K1", {{"10.0.0.5", "", "", 10, 0}}}}, 1);
  files.folderStamp = 7;
  SlotDays days(files);
  const struct {
    const char* what;
    std::optional<std::uint64_t> stamp;
    std::uint64_t nowMs;
    std::size_t reads;  // of the day file so far
  } steps[] = {
      {"the first time", 7, 1'000, 1},
      {"the same folder", 7, 2'000, 1},
      {"a save renamed a file into it", 8, 3'000, 2},
      {"just under a minute later", 8, 62'999, 2},
      {"a minute after it was read", 8, 63'000, 3},
      {"a folder without stamps", std::nullopt, 64'000, 4},
      {"still without", std::nullopt, 64'001, 5},
  };
  for (const auto& s : steps) {
    files.folderStamp = s.stamp;
    EXPECT_EQ(days.Day(D(2026, 3, 29), s.nowMs).connections.size(), 1u) << s.what;
    EXPECT_EQ(files.opened.size(), s.reads) << s.what;
  }
}

}  // namespace
}  // namespace tral
