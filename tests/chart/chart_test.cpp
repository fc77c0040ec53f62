// The charts' decisions: round tick steps, bar columns for spans of 1, 7, 31 and 366 days, date
// labels that never touch, the hit test, the shown span, the speed ring and the speed graph's lines.
#include <gtest/gtest.h>

#include <string>

#include "chart/daily_chart.h"
#include "chart/speed_graph.h"

namespace tral::chart {
namespace {

// Six pixels a character, lines 14 high: every figure below follows from it by hand.
const TextMeasure kMeasure{14, [](std::string_view text) { return static_cast<int>(text.size()) * 6; }};

TEST(ChartTicks, TheStepIsOneTwoOrFiveTimesAPowerOfTenThatCoversTheMaximum) {
  const struct {
    double max;
    int maxTicks;
    double step;
    int count;
    int decimals;
  } cases[] = {
      {1, 5, 0.2, 5, 1},    {7, 5, 2, 4, 0},    {10, 5, 2, 5, 0},      {99, 5, 20, 5, 0},
      {101, 5, 50, 3, 0},   {1234, 5, 500, 3, 0}, {0.3, 5, 0.1, 3, 1},  {1e9, 5, 2e8, 5, 0},
      {5, 5, 1, 5, 0},      {10, 8, 2, 5, 0},   {0.0042, 4, 0.002, 3, 3}, {7, 1, 10, 1, 0},
      {0, 5, 1, 1, 0},  // nothing to show: the axis 0 to 1
  };
  for (const auto& c : cases) {
    const TickScale got = ChooseTicks(c.max, c.maxTicks);
    EXPECT_DOUBLE_EQ(got.step, c.step) << c.max;
    EXPECT_EQ(got.count, c.count) << c.max;
    EXPECT_EQ(got.decimals, c.decimals) << c.max;
  }
  EXPECT_EQ(TickText(0.2 * 3, 1), "0.6");
  EXPECT_EQ(TickText(2e8 * 5, 0), "1000000000");
  EXPECT_EQ(TickText(-0.0, 1), "0.0");
}

DailyChartInput Days(std::size_t n, double firstRx, double firstTx) {
  DailyChartInput input{PixelRect{0, 0, 640, 300}, CivilDate{2026, 1, 1}, {}, "MB", 96, {}};
  input.days.assign(n, DayBars{1, 1, DayMark::kComplete});
  input.days[0] = DayBars{firstRx, firstTx, DayMark::kComplete};
  return input;
}

// Area 640 x 300: the legend's line at 8, the plot from 28 to the zero line at 300 - 8 - 14 - 9 =
// 269 (241 high, room for 8 ticks); a maximum of 10 gives ticks 0..10 by 2, whose widest text "10"
// (12 px) puts the plot's left edge at 8 + 12 + 6 = 26, its right at 632: 606 pixels for the days.
TEST(DailyChart, ColumnsTileThePlotAndHoldBarsSideBySideOrOverlaid) {
  const struct {
    std::size_t days;
    std::size_t column;
    PixelRect slot;  // top 28, bottom 269 + the mark band's 4
    PixelRect rx;
    PixelRect tx;
    bool txInFront;
  } cases[] = {
      // One day, 606 wide: a pad of 75 either side, bars of (606 - 150) / 2 = 228; rx 10 is the top
      // (241 high), tx 2.5 is 60.25 -> 60.
      {1, 0, {26, 28, 632, 273}, {101, 28, 329, 269}, {329, 209, 557, 269}, true},
      // Seven days: edges at 26 + 606 i / 7 rounded down = 26, 112, 199, 285, 372, ...
      {7, 0, {26, 28, 112, 273}, {36, 28, 69, 269}, {69, 209, 102, 269}, true},
      {7, 3, {285, 28, 372, 273}, {295, 245, 328, 269}, {328, 245, 361, 269}, true},  // 1 -> 24.1 -> 24
      // 31 days, 19.55 each: column 0 is 19 wide (pad 2, bars 7), the last 20 (pad 2, bars 8).
      {31, 0, {26, 28, 45, 273}, {28, 28, 35, 269}, {35, 209, 42, 269}, true},
      {31, 30, {612, 28, 632, 273}, {614, 245, 622, 269}, {622, 245, 630, 269}, true},
      // 366 days, 1.66 each: too narrow for two bars, both fill the column, the lower in front.
      {366, 0, {26, 28, 27, 273}, {26, 28, 27, 269}, {26, 209, 27, 269}, true},
      {366, 1, {27, 28, 29, 273}, {27, 245, 29, 269}, {27, 245, 29, 269}, true},
  };
  for (const auto& c : cases) {
    const DailyChartLayout layout = LayOutDailyChart(Days(c.days, 10, 2.5), kMeasure);
    ASSERT_EQ(layout.plot, (PixelRect{26, 28, 632, 269})) << c.days;
    ASSERT_EQ(layout.columns.size(), c.days);
    const DayColumn& got = layout.columns[c.column];
    EXPECT_EQ(got.slot, c.slot) << c.days << "/" << c.column;
    EXPECT_EQ(got.rx, c.rx) << c.days << "/" << c.column;
    EXPECT_EQ(got.tx, c.tx) << c.days << "/" << c.column;
    EXPECT_EQ(got.txInFront, c.txInFront) << c.days << "/" << c.column;
  }
  // Overlaid, the upload in front only where it is the lower bar.
  DailyChartInput input = Days(366, 1, 9);
  input.days[1] = DayBars{10, 2, DayMark::kComplete};
  EXPECT_FALSE(LayOutDailyChart(input, kMeasure).columns[0].txInFront);
}

TEST(DailyChart, GapsAndDamagedDaysAndTheLegend) {
  DailyChartInput input = Days(7, 10, 10);
  input.days[2] = DayBars{5, 5, DayMark::kNoFile};  // no file: no bars whatever the figures say
  input.days[3].mark = DayMark::kDamaged;
  const DailyChartLayout layout = LayOutDailyChart(input, kMeasure);
  EXPECT_EQ(layout.columns[2].rx.Height() + layout.columns[2].tx.Height(), 0);
  // The damaged day's mark: under the zero line, across its column (285..372).
  EXPECT_EQ(layout.columns[3].markBox, (PixelRect{285, 270, 372, 273}));
  EXPECT_EQ(layout.columns[0].markBox, PixelRect{});
  ASSERT_EQ(layout.legend.size(), 3u);
  EXPECT_EQ(layout.legend[2].label.text, "Damaged file");
  // Right of the unit "MB" (8..20) and 14 more; a 10 square, centred on the line 8..22.
  EXPECT_EQ(layout.legend[0].swatch, (PixelRect{34, 10, 44, 20}));
  EXPECT_EQ(LayOutDailyChart(Days(7, 1, 1), kMeasure).legend.size(), 2u);
}

TEST(DailyChart, DatesAreLabelledEveryFewDaysSoThatLabelsKeepTheirDistance) {
  const struct {
    double columnWidth;
    std::size_t step;
  } steps[] = {{100, 1}, {20, 2}, {13, 3}, {12.6, 7}, {2.8, 14}, {1.66, 28}, {1, 56}, {0.1, 728}};
  for (const auto& s : steps) EXPECT_EQ(DateLabelStep(s.columnWidth, 30, 8), s.step) << s.columnWidth;

  // "MM-DD" is 30 wide: 366 days get one label every 28 days, 31 days every second, 7 days each.
  // The last offered label of 31 and of 366 days is moved left to end at 632 and then comes within
  // 5 pixels of the one before (567..597): it is left out, 15 of 16 and 13 of 14 remain.
  const struct {
    std::size_t days;
    std::size_t labels;
  } counts[] = {{1, 1}, {7, 7}, {31, 15}, {366, 13}};
  for (const auto& c : counts) {
    EXPECT_EQ(LayOutDailyChart(Days(c.days, 10, 1), kMeasure).dateLabels.size(), c.labels) << c.days;
  }
  const DailyChartLayout year = LayOutDailyChart(Days(366, 10, 1), kMeasure);
  EXPECT_EQ(year.dateLabels[0].label.text, "01-01");
  EXPECT_EQ(year.dateLabels[1].label.text, "01-29");
  EXPECT_EQ(year.dateLabels[1].label.box, (PixelRect{58, 278, 88, 292}));  // centred on 72..74

  // For any width, no two labels come closer than 8 pixels, and all stay inside the picture.
  for (const std::size_t days : {1, 7, 31, 366}) {
    for (int width = 60; width <= 1600; width += 7) {
      DailyChartInput input = Days(days, 10, 1);
      input.area = PixelRect{0, 0, width, 200};
      const DailyChartLayout layout = LayOutDailyChart(input, kMeasure);
      for (std::size_t i = 0; i < layout.dateLabels.size(); ++i) {
        const PixelRect& box = layout.dateLabels[i].label.box;
        EXPECT_TRUE(box.left >= 8 && box.right <= width - 8) << days << " days, " << width << " wide";
        if (i > 0) {
          EXPECT_GE(box.left, layout.dateLabels[i - 1].label.box.right + 8) << days << ", " << width;
        }
      }
      if (width >= 100) {
        EXPECT_FALSE(layout.dateLabels.empty()) << days << " days, " << width << " wide";
      }
    }
  }
}

TEST(DailyChart, HoursSlotsMonthsAndYearsAreLabelledAtRoundTimes) {
  // 606 pixels for the columns; "00:00" is 30 wide and wants 38 with its gap.
  const struct {
    const char* what;
    std::size_t columns;
    ColumnLabels labels;
    std::vector<std::string> first;  // the first labels kept
    std::size_t count;
  } cases[] = {
      // 25.25 pixels an hour: every second hour.
      {"a day's hours", 24, TimeOfDayLabels(CivilDate{2026, 1, 30}, 60, 1), {"00:00", "02:00", "04:00"}, 12},
      // 2.1 pixels a slot: 12 slots (an hour) are 25 pixels, 24 are 50: every second hour again.
      {"a day's slots", 288, TimeOfDayLabels(CivilDate{2026, 1, 30}, 5, 1), {"00:00", "02:00"}, 12},
      // 3.6 pixels an hour: every 12 hours, each midnight named by its date.
      {"a week's hours", 168, TimeOfDayLabels(CivilDate{2026, 1, 30}, 60, 7), {"01-30", "12:00", "01-31", "12:00"}, 14},
      // "2025-11" is 42 wide: 50 with its gap, 43.3 a month: every second month, across the year.
      {"months", 14, MonthLabels(CivilDate{2025, 11, 1}), {"2025-11", "2026-01", "2026-03"}, 7},
      {"years", 3, YearLabels(CivilDate{2024, 1, 1}), {"2024", "2025", "2026"}, 3},
  };
  for (const auto& c : cases) {
    DailyChartInput input = Days(c.columns, 10, 1);
    input.labels = c.labels;
    const DailyChartLayout layout = LayOutDailyChart(input, kMeasure);
    ASSERT_EQ(layout.dateLabels.size(), c.count) << c.what;
    for (std::size_t i = 0; i < c.first.size(); ++i) EXPECT_EQ(layout.dateLabels[i].label.text, c.first[i]) << c.what;
  }
  EXPECT_EQ(TimeOfDayLabels(CivilDate{2026, 1, 30}, 5, 1).text(287), "23:55");
  EXPECT_EQ(MonthLabels(CivilDate{2025, 11, 1}).text(13), "2026-12");
}

TEST(DailyChart, APointIsOverTheDayWhoseColumnHoldsIt) {
  const DailyChartLayout week = LayOutDailyChart(Days(7, 10, 1), kMeasure);
  const DailyChartLayout year = LayOutDailyChart(Days(366, 10, 1), kMeasure);
  const struct {
    const DailyChartLayout* layout;
    int x;
    int y;
    std::optional<std::size_t> day;
  } cases[] = {
      {&week, 111, 100, 0}, {&week, 112, 100, 1},  {&week, 631, 100, 6},
      {&week, 25, 100, {}},  // left of the plot: on the value labels
      {&week, 632, 100, {}}, {&week, 100, 27, {}},  // right of the plot, above it
      {&week, 100, 272, 0},  // in the mark band under the zero line
      {&week, 100, 273, {}},  // on the date labels
      {&year, 26, 50, 0},    {&year, 28, 50, 1},   {&year, 29, 50, 2}, {&year, 631, 50, 365},
  };
  for (const auto& c : cases) EXPECT_EQ(DayAt(*c.layout, c.x, c.y), c.day) << c.x << "," << c.y;
}

TEST(DailyChart, ALongSpanShowsTheDaysWithFilesAndAtMostTenYears) {
  const CivilDate first{1950, 1, 1};
  const CivilDate last{2049, 12, 31};
  const struct {
    CivilDate first;
    CivilDate last;
    std::optional<CivilDate> firstFile;
    std::optional<CivilDate> lastFile;
    ShownSpan want;
  } cases[] = {
      {{2026, 1, 1}, {2026, 1, 4}, {}, {}, {{2026, 1, 1}, {2026, 1, 4}}},
      {first, last, CivilDate{2025, 1, 1}, CivilDate{2025, 12, 31}, {{2025, 1, 1}, {2025, 12, 31}}},
      // 3660 days up to 2025-12-31 begin on 2015-12-25.
      {first, last, CivilDate{1990, 5, 5}, CivilDate{2025, 12, 31}, {{2015, 12, 25}, {2025, 12, 31}}},
      {first, last, {}, {}, {{2039, 12, 25}, last}},
  };
  for (const auto& c : cases) {
    const ShownSpan got = ChartSpan(c.first, c.last, c.firstFile, c.lastFile);
    EXPECT_EQ(got.first, c.want.first);
    EXPECT_EQ(got.last, c.want.last);
  }
}

TEST(SpeedRing, KeepsTheNewestSamplesOldestFirst) {
  SpeedRing ring(3);
  for (std::uint64_t t = 1; t <= 4; ++t) ring.Push(SpeedSample{t * 1000, static_cast<std::uint32_t>(t), 0});
  ASSERT_EQ(ring.Size(), 3u);
  EXPECT_EQ(ring.At(0).timeMs, 2000u);
  EXPECT_EQ(ring.At(2).rxRate, 4u);
  const std::vector<SpeedSample> recent = ring.Since(3000);
  ASSERT_EQ(recent.size(), 2u);
  EXPECT_EQ(recent[0].timeMs, 3000u);
  ring.Push(SpeedSample{2500, 9, 9});  // the clock went back: the ring starts afresh
  ASSERT_EQ(ring.Size(), 1u);
  EXPECT_EQ(ring.At(0).rxRate, 9u);
}

// Area 400 x 200: plot 28..169 (141 high, 5 ticks); 0..10 by 2 puts its left at 26, its right at
// 392, 366 pixels for the five minutes.
TEST(SpeedGraph, SamplesBecomeLinesBrokenWhereSamplesAreMissing) {
  const std::uint64_t now = 1'000'000;
  SpeedGraphInput input{PixelRect{0, 0, 400, 200}, {}, now, kSpeedGraphSpanMs, 5000, "KB/s", 96, 60'000};
  input.points = {{600'000, 50, 50},  // before the five minutes: left out
                  {700'000, 0, 1},
                  {701'000, 5, 2},
                  {now, 10, 0}};  // 299 s later: a new line
  const SpeedGraphLayout layout = LayOutSpeedGraph(input, kMeasure);
  EXPECT_EQ(layout.plot, (PixelRect{26, 28, 392, 169}));
  ASSERT_EQ(layout.rxLines.size(), 2u);
  // x: 26 + 1000 / 300000 x 366 = 27.2 -> 27; y: 5 of 10 on 141 pixels is 70.5 -> 71 up from 169.
  EXPECT_EQ(layout.rxLines[0], (LinePath{{26, 169}, {27, 98}}));
  EXPECT_EQ(layout.rxLines[1], (LinePath{{392, 28}}));
  EXPECT_EQ(layout.txLines[0], (LinePath{{26, 155}, {27, 141}}));  // 1 -> 14.1, 2 -> 28.2
  // A label a minute: "now" at 392, moved inside the picture; "-5 min" at 26, moved right to 8.
  ASSERT_EQ(layout.timeLabels.size(), 6u);
  EXPECT_EQ(layout.timeLabels.back().label.text, "now");
  EXPECT_EQ(layout.timeLabels.back().label.box, (PixelRect{374, 178, 392, 192}));
  EXPECT_EQ(layout.timeLabels.front().label.box, (PixelRect{8, 178, 44, 192}));
}

TEST(SpeedGraph, AnHourOrADayIsLabelledAtItsStepsInMinutesOrHours) {
  const struct {
    std::uint64_t spanMs;
    std::uint64_t stepMs;
    std::vector<std::string> labels;  // left to right
  } cases[] = {
      // 61 pixels every 10 minutes leave room for "-10 min" (42 wide) and its gap of 10.
      {3'600'000, 600'000, {"-1 h", "-50 min", "-40 min", "-30 min", "-20 min", "-10 min", "now"}},
      // 45.75 pixels every 3 hours: "-24 h" is 30 wide.
      {86'400'000, 10'800'000, {"-24 h", "-21 h", "-18 h", "-15 h", "-12 h", "-9 h", "-6 h", "-3 h", "now"}},
  };
  for (const auto& c : cases) {
    SpeedGraphInput input{PixelRect{0, 0, 400, 200}, {}, 100'000'000, c.spanMs, c.spanMs, "KB/s", 96, c.stepMs};
    const SpeedGraphLayout layout = LayOutSpeedGraph(input, kMeasure);
    std::vector<std::string> labels;
    for (const PlacedLabel& label : layout.timeLabels) labels.push_back(label.label.text);
    EXPECT_EQ(labels, c.labels) << c.spanMs;
  }
  EXPECT_EQ(MinutesAgoText(90), "-90 min");
  EXPECT_EQ(MinutesAgoText(120), "-2 h");
}

}  // namespace
}  // namespace tral::chart
