// The chart windows' figures: days summed over the checked rows with gaps and damaged days, the
// texts of a day, the highlight keys, and the speed ring in the settings' unit.
#include <gtest/gtest.h>

#include "monitor/charts/daily_traffic.h"
#include "monitor/charts/speed_view.h"
#include "support/day_file_bytes.h"

namespace tral {
namespace {

using test::DayFileBytes;

TEST(DailyTraffic, CountedDaysAreSummedOverTheCheckedRowsWithGapsForDaysWithoutAFile) {
  test::MemoryDayFiles files;
  files.files[{2026, 2, 1}] = DayFileBytes({{"K1", {{"10.0.0.1", "", "", 1000, 10}, {"10.0.0.2", "", "", 200, 20}}}}, 5);
  test::Bytes cut = DayFileBytes({{"K1", {{"10.0.0.2", "", "", 300, 30}, {"10.0.0.1", "", "", 4000, 40}}}}, 5);
  cut.resize(cut.size() - 4 - 8);  // the second entry ends early: only the first counts
  files.files[{2026, 2, 3}] = cut;
  CStatisticData rows(files);
  rows.CountSpan({2026, 2, 1}, {2026, 2, 4});
  ASSERT_EQ(rows.RowCount(), 2u);  // 10.0.0.1 (row 0), 10.0.0.2 (row 1)

  DailyTraffic traffic = DailyTrafficOf(rows, {2026, 2, 1}, {2026, 2, 4});
  ASSERT_EQ(traffic.days.size(), 4u);
  const struct {
    DayReadOutcome outcome;
    std::uint64_t rx;
    std::uint64_t tx;
  } all[] = {{DayReadOutcome::kComplete, 1200, 30}, {DayReadOutcome::kMissing, 0, 0},
             {DayReadOutcome::kDamaged, 300, 30}, {DayReadOutcome::kMissing, 0, 0}};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(traffic.days[i].outcome, all[i].outcome) << i;
    EXPECT_EQ(traffic.days[i].rxBytes, all[i].rx) << i;
    EXPECT_EQ(traffic.days[i].txBytes, all[i].tx) << i;
  }
  rows.SetChecked(1, false);
  const std::size_t opened = files.opened.size();
  traffic = DailyTrafficOf(rows, {2026, 2, 1}, {2026, 2, 4});
  EXPECT_EQ(files.opened.size(), opened);  // summed again from what was counted
  EXPECT_EQ(traffic.days[0].rxBytes, 1000u);
  EXPECT_EQ(traffic.days[2].rxBytes, 0u);  // its one complete entry is the unchecked row's
  EXPECT_EQ(JoinLines(SpanFigureLines(traffic, MonitorSettings{}), " | "),
            "2026-02-01 to 2026-02-04 | Downloaded: 1000 bytes (0.00 MB) | Uploaded: 10 bytes (0.00 MB) | "
            "2 days without a file");
}

TEST(DailyTraffic, ADaysFiguresAreExactAndInTheUnitOfTheSettings) {
  MonitorSettings mb;  // MB, two decimals
  MonitorSettings kb;
  kb.quantity = 0;
  kb.quantitydec = 0;
  const CivilDate day{2026, 2, 3};
  const struct {
    DaySum sum;
    const MonitorSettings* settings;
    std::vector<std::string> lines;
  } cases[] = {
      // 60000123 >> 10 = 58593 KB, / 1024 = 57.2197; 7000000 >> 10 = 6835 KB = 6.6748 MB.
      {{day, DayReadOutcome::kComplete, 60000123, 7000000}, &mb,
       {"2026-02-03", "Downloaded: 60000123 bytes (57.22 MB)", "Uploaded: 7000000 bytes (6.67 MB)"}},
      // 1536 / 1024 = 1.5, an exact half: to the even 2.
      {{day, DayReadOutcome::kDamaged, 1536, 0}, &kb,
       {"2026-02-03", "Downloaded: 1536 bytes (2 KB)", "Uploaded: 0 bytes (0 KB)",
        "Damaged file: counted as far as it could be read"}},
      {{day, DayReadOutcome::kMissing, 0, 0}, &mb, {"2026-02-03", "No day file"}},
      {{day, DayReadOutcome::kUnreadable, 0, 0}, &mb, {"2026-02-03", "The day file could not be read"}},
  };
  for (const auto& c : cases) EXPECT_EQ(DayFigureLines(c.sum, *c.settings), c.lines) << c.lines[1];
}

TEST(DailyTraffic, KeysMoveTheHighlightWithinTheDays) {
  using Day = std::optional<std::size_t>;
  const struct {
    Day from;
    DayKey key;
    std::size_t days;
    Day to;
  } cases[] = {
      {{}, DayKey::kLeft, 4, 3}, {{}, DayKey::kRight, 4, 3},  // from none: the newest day
      {3, DayKey::kLeft, 4, 2},  {0, DayKey::kLeft, 4, 0},   {3, DayKey::kRight, 4, 3},
      {1, DayKey::kHome, 4, 0},  {1, DayKey::kEnd, 4, 3},    {9, DayKey::kLeft, 4, 3},  // a span that shrank
      {{}, DayKey::kLeft, 0, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(MoveHighlight(c.from, c.key, c.days), c.to);
}

TEST(SpeedView, TheRingsLastFiveMinutesInTheSpeedUnit) {
  chart::SpeedRing ring(chart::kSpeedRingCapacity);
  ring.Push({1'000, 99, 99});  // more than five minutes before the newest: not shown
  ring.Push({400'000, 1024, 512});
  ring.Push({402'000, 2048, 0});
  MonitorSettings settings;  // KB/s
  settings.refresh = 2;
  const chart::SpeedGraphInput input = SpeedGraphOf(ring, settings, PixelRect{0, 0, 300, 200}, 96);
  EXPECT_EQ(input.nowMs, 402'000u);
  EXPECT_EQ(input.maxGapMs, 6000u);  // three periods of 2 s
  EXPECT_EQ(input.unit, "KB/s");
  ASSERT_EQ(input.points.size(), 2u);
  EXPECT_DOUBLE_EQ(input.points[0].rx, 1.0);
  EXPECT_DOUBLE_EQ(input.points[0].tx, 0.5);
  MainView view;
  view.ipText = "10.0.0.5";
  view.downloadSpeed = "2.00";
  view.uploadSpeed = "0.00";
  EXPECT_EQ(SpeedFiguresText(view, settings), "10.0.0.5: download 2.00 KB/s, upload 0.00 KB/s");
  EXPECT_EQ(SpeedFiguresText(MainView{}, settings), "No connection shown");
}

}  // namespace
}  // namespace tral
