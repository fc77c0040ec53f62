// The monitor's data plans: figures with today's live totals, the plan of the connection on show,
// the texts, the alerts (once per threshold and period), the editor's checks and the list's writes.
#include <gtest/gtest.h>

#include "monitor/plans/plan_form.h"
#include "monitor/plans/plan_list.h"
#include "monitor/plans/plan_status.h"
#include "monitor/resources/resource.h"
#include "monitor_test_support.h"

namespace tral {
namespace {

using test::BlockBytes;
using test::BlockRecord;
using test::DayFileBytes;
using test::MemoryControls;
using test::MemoryDayFiles;

constexpr std::uint64_t kMB = 1ull << 20;
constexpr std::uint64_t kGB = 1ull << 30;
constexpr CivilDate kToday{2026, 3, 24};  // 15 Mar .. 14 Apr: day 10 of 31, 21 days left

DataPlan MonthPlan(const std::string& section, const std::string& name, ConnectionMatch match, std::uint64_t limit) {
  DataPlan plan;
  plan.section = section;
  plan.name = name;
  plan.match = std::move(match);
  plan.start = CivilDate{2025, 11, 15};
  plan.limitBytes = limit;
  return plan;
}

ConnectionList Live(std::uint64_t rx, std::uint64_t tx) {
  ConnectionList list;
  BlockRecord phone{"Phone", "AA-BB-CC-DD-EE-FF", "192.168.43.7", "", "Hotspot", rx, tx};
  BlockRecord wired{"Wired", "00-1A-2B-3C-4D-5E", "10.0.0.2", "", "", 5 * kGB, 0};
  EXPECT_TRUE(FillConnectionList(BlockBytes({{phone}, {wired}}), list));
  return list;
}

class PlanMonitorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files_.listable = true;
    files_.stampable = true;
    // 10 GB on the hotspot in the days before today, and a day of the month before the period.
    files_.files[CivilDate{2026, 3, 14}] = DayFileBytes({{"AA-BB-CC-DD-EE-FF", {{"192.168.43.7", "", "Hotspot", kGB, 0}}}}, 1);
    files_.files[CivilDate{2026, 3, 16}] =
        DayFileBytes({{"AA-BB-CC-DD-EE-FF", {{"192.168.43.7", "", "Hotspot", 6 * kGB, 2 * kGB}}}}, 1);
    files_.files[CivilDate{2026, 3, 20}] = DayFileBytes({{"aa-bb-cc-dd-ee-ff", {{"192.168.43.9", "", "", 2 * kGB, 0}}}}, 1);
  }

  void Watch(std::vector<DataPlan> plans) {
    std::vector<PlanReading> readings;
    for (DataPlan& plan : plans) readings.push_back(PlanReading{plan.section, std::move(plan), {}, {}});
    monitor_.SetPlans(std::move(readings));
  }

  MemoryDayFiles files_;
  PlanMonitor monitor_{files_};
  MonitorSettings settings_;  // MB, two decimals
};

TEST_F(PlanMonitorTest, TheFieldShowsThePlanOfTheConnectionOnShow) {
  Watch({MonthPlan("PLAN1", "Home", {ConnectionMatch::Kind::kSsid, "hotspot"}, 50 * kGB),
         MonthPlan("PLAN2", "Phone", {ConnectionMatch::Kind::kAdapter, "AA-BB-CC-DD-EE-FF"}, 50 * kGB)});
  // 2.34 GB today, received and sent.
  monitor_.Update(kToday, Live(2 * kGB, 344 * kMB));
  const PlanState* hotspot = monitor_.PlanOf("AA-BB-CC-DD-EE-FF", "192.168.43.7", "Hotspot");
  ASSERT_NE(hotspot, nullptr);
  EXPECT_EQ(hotspot->plan.name, "Home");  // the first plan that matches
  // 8 GB of 16 March + 2 GB + 344 MB today = 10.34 GB, 20 %; (50 - 10.34) GB / 21 = 1.89 GB a day.
  EXPECT_EQ(PlanFieldText(*hotspot, settings_), "Home: 10.34 GB of 50.00 GB (20%), 1.89 GB a day left");
  EXPECT_EQ(PlanTipText(*hotspot), "Home: 20%");
  // The adapter's other address counts for the adapter's plan only: 10.34 GB + 2 GB.
  const PlanState* adapter = monitor_.PlanOf("AA-BB-CC-DD-EE-FF", "192.168.43.9", "");
  ASSERT_NE(adapter, nullptr);
  EXPECT_EQ(adapter->figures.usedBytes, 12 * kGB + 344 * kMB);
  EXPECT_EQ(monitor_.PlanOf("00-1A-2B-3C-4D-5E", "10.0.0.2", ""), nullptr);
  EXPECT_EQ(monitor_.PlanOf("", "", ""), nullptr);  // nothing on show
}

TEST(PlanTexts, QuantitiesInTheWindowsUnitOrLarger) {
  MonitorSettings kb;
  kb.quantity = 0;
  kb.quantitydec = 1;
  MonitorSettings mb;  // MB, two decimals
  const struct {
    std::uint64_t bytes;
    const MonitorSettings& settings;
    const char* want;
  } cases[] = {
      {512 * 1024, mb, "0.50 MB"}, {1023 * kMB, mb, "1023.00 MB"}, {kGB, mb, "1.00 GB"},
      {1536 * kGB, mb, "1.50 TB"}, {1000, kb, "1.0 KB"}, {3 * kMB / 2, kb, "1.5 MB"},
  };
  for (const auto& c : cases) EXPECT_EQ(PlanQuantity(c.bytes, c.settings), c.want) << c.bytes;
  PlanState over{MonthPlan("PLAN1", "Cap", {}, 500 * kMB), {}};
  over.figures = FiguresOf(over.plan, PeriodContaining(over.plan, kToday), kToday, 600 * kMB);
  EXPECT_EQ(PlanFieldText(over, mb), "Cap: 600.00 MB of 500.00 MB (120%), limit reached");
}

TEST_F(PlanMonitorTest, EachThresholdAndTheProjectionAreAlertedOncePerPeriod) {
  // 8 GB + 2 GB of the adapter's files before today.
  DataPlan plan = MonthPlan("PLAN1", "Home", {ConnectionMatch::Kind::kAdapter, "AA-BB-CC-DD-EE-FF"}, 100 * kGB);
  plan.warn = {50, 80, 100};
  Watch({plan});
  auto due = [&](std::uint64_t today) {
    monitor_.Update(kToday, Live(today, 0));
    return monitor_.DueAlert(0);
  };
  // 10 + 20 GB: 30 %, projected 30 x 31 / 10 = 93 GB: nothing yet.
  EXPECT_FALSE(due(20 * kGB));
  // 10 + 30 GB: projected 124 GB, above the limit: the projection, once.
  std::optional<PlanAlert> alert = due(30 * kGB);
  ASSERT_TRUE(alert);
  EXPECT_TRUE(alert->thresholds.empty());
  EXPECT_TRUE(alert->projected);
  EXPECT_TRUE(IsWarning(*alert));
  EXPECT_EQ(PlanAlertText(monitor_.States()[0], *alert, settings_),
            "Home: at this rate 124.00 GB by 2026-04-14, above the limit of 100.00 GB");
  EXPECT_EQ(PlanAlertedText(monitor_.NoteAlert(0, *alert)), "2026-03-15:projected");
  EXPECT_FALSE(due(30 * kGB));
  // Past 50 % and 80 % in one poll: one alert naming 80 %.
  alert = due(72 * kGB);
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->thresholds, (std::vector<std::uint32_t>{50, 80}));
  EXPECT_FALSE(alert->projected);
  EXPECT_FALSE(IsWarning(*alert));
  EXPECT_EQ(PlanAlertText(monitor_.States()[0], *alert, settings_),
            "Home: 80% of 100.00 GB used (82.00 GB); 877.71 MB a day left until 2026-04-14");
  EXPECT_EQ(PlanAlertedText(monitor_.NoteAlert(0, *alert)), "2026-03-15:50,80,projected");
  EXPECT_FALSE(due(80 * kGB));
  alert = due(90 * kGB);
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->thresholds, (std::vector<std::uint32_t>{100}));
  EXPECT_TRUE(IsWarning(*alert));
  monitor_.NoteAlert(0, *alert);
  EXPECT_EQ(PlanAlertedText(*monitor_.Readings()[0].plan->alerted), "2026-03-15:50,80,100,projected");

  // As read again after a restart: nothing is due in this period; in the next one all may be.
  plan.alerted = monitor_.States()[0].plan.alerted;
  Watch({plan});
  EXPECT_FALSE(due(90 * kGB));
  monitor_.Update(CivilDate{2026, 4, 15}, Live(90 * kGB, 0));
  alert = monitor_.DueAlert(0);
  ASSERT_TRUE(alert);
  EXPECT_EQ(alert->thresholds, (std::vector<std::uint32_t>{50, 80}));
}

TEST(PlanProblems, TheStatusLineNamesTheFirstUnusedSection) {
  std::vector<PlanReading> readings(3);
  readings[0].plan = DataPlan{};
  readings[1] = PlanReading{"PLAN2", std::nullopt, {{"period", "period \"weekly\" is not month, week, day or once"}},
                            {{"name", "Lab"}}};
  readings[2] = PlanReading{"PLAN5", std::nullopt, {{"name", "no name"}}, {}};
  EXPECT_EQ(PlanProblemText(readings),
            "The data plan PLAN2 (\"Lab\") is not used: period \"weekly\" is not month, week, day or once (and 1 more)");
  readings.resize(1);
  EXPECT_EQ(PlanProblemText(readings), "");
}

// ---- the editor ----

MemoryControls FilledEditor() {
  MemoryControls c;
  c.texts = {{IDC_PLAN_NAME, " Trip "}, {IDC_PLAN_MATCH_VALUE, "Hotel"}, {IDC_PLAN_START, "2026-03-10"},
             {IDC_PLAN_END, "2026-03-20"}, {IDC_PLAN_LIMIT, "1.5"}, {IDC_PLAN_WARN, "100, 80"}};
  c.combos = {{IDC_PLAN_MATCH_KIND, 3}, {IDC_PLAN_PERIOD, 3}, {IDC_PLAN_LIMIT_UNIT, 1}, {IDC_PLAN_COUNT, 2}};
  return c;
}

std::optional<DataPlan> SaveEditor(MemoryControls& controls, PlanForm& form) {
  std::optional<DataPlan> accepted;
  ui::DataExchange exchange(controls, true);
  ExchangePlanForm(exchange, form, accepted);
  return accepted;
}

TEST(PlanEditor, TheFieldsGiveThePlan) {
  MemoryControls controls = FilledEditor();
  PlanForm form;
  const std::optional<DataPlan> plan = SaveEditor(controls, form);
  ASSERT_TRUE(plan);
  EXPECT_TRUE(controls.failures.empty());
  const std::vector<std::pair<std::string, std::string>> want = {
      {"name", "Trip"}, {"match", "ssid:Hotel"}, {"period", "once"}, {"start", "2026-03-10"}, {"end", "2026-03-20"},
      {"limit", "1610612736"}, {"count", "tx"}, {"warn", "80,100"}};
  EXPECT_EQ(PlanValues(*plan), want);
}

TEST(PlanEditor, EachBadFieldHasItsMessageInTableOrder) {
  const struct {
    int id;
    const char* text;  // into the text field `id`, or a combo index when it is a combo
    int combo;
    const char* message;
  } cases[] = {
      {IDC_PLAN_NAME, "  ", 0, "Please enter a name for the plan."},
      {IDC_PLAN_NAME, "a-name-of-sixty-four-characters-is-one-too-long-for-the-field-xx", 0,
       "Please enter a name of at most 63 characters."},
      {IDC_PLAN_MATCH_VALUE, "", 0, "Please enter the network name (SSID)."},
      {IDC_PLAN_PERIOD, nullptr, -1, "Please choose how the plan renews."},
      {IDC_PLAN_START, "2026-02-29", 0, "Please enter the first day as YYYY-MM-DD, a date that exists."},
      {IDC_PLAN_END, "10.3.2026", 0, "Please enter the last day as YYYY-MM-DD, a date that exists."},
      {IDC_PLAN_END, "2026-03-09", 0, "The last day must not be before the first day."},
      {IDC_PLAN_LIMIT, "0", 0, "Please enter the limit as a number above 0 with at most two decimals, e.g. 50 or 1.5."},
      {IDC_PLAN_LIMIT, "1.255", 0, "Please enter the limit as a number above 0 with at most two decimals, e.g. 50 or 1.5."},
      {IDC_PLAN_WARN, "80;100", 0,
       "Please enter the alert thresholds as percentages from 1 to 1000 separated by commas, e.g. 80,100."},
  };
  for (const auto& c : cases) {
    MemoryControls controls = FilledEditor();
    if (c.text != nullptr) {
      controls.texts[c.id] = c.text;
    } else {
      controls.combos[c.id] = c.combo;
    }
    PlanForm form;
    EXPECT_FALSE(SaveEditor(controls, form)) << c.message;
    ASSERT_EQ(controls.failures.size(), 1u) << c.message;
    EXPECT_EQ(controls.failures[0], std::make_pair(c.id, std::string(c.message)));
  }
  MemoryControls ip = FilledEditor();
  ip.combos[IDC_PLAN_MATCH_KIND] = 2;
  ip.texts[IDC_PLAN_MATCH_VALUE] = "192.168.1";
  PlanForm form;
  EXPECT_FALSE(SaveEditor(ip, form));
  EXPECT_EQ(ip.failures.at(0).second, "Please enter an IP address of four numbers from 0 to 255, e.g. 192.168.1.10.");
}

TEST(PlanEditor, AnUnchangedLimitKeepsItsBytesAndAnUnchangedPlanItsAlerts) {
  DataPlan fleet = MonthPlan("PLAN4", "Office", {ConnectionMatch::Kind::kIp, "10.0.0.2"}, 50'000'000'000);
  fleet.alerted = PlanAlerted{CivilDate{2026, 3, 15}, {80}, false};
  PlanForm form = PlanFormOf(fleet);
  EXPECT_EQ(form.limit, "46.56");  // 50e9 bytes / 2^30, truncated to hundredths
  EXPECT_EQ(form.limitUnit, 1);
  MemoryControls controls;
  ui::DataExchange load(controls, false);
  std::optional<DataPlan> unused;
  ExchangePlanForm(load, form, unused);
  controls.texts[IDC_PLAN_NAME] = "Office 2";
  std::optional<DataPlan> renamed = SaveEditor(controls, form);
  ASSERT_TRUE(renamed);
  EXPECT_EQ(renamed->limitBytes, 50'000'000'000u);
  EXPECT_EQ(renamed->section, "PLAN4");
  EXPECT_EQ(renamed->alerted, fleet.alerted);
  controls.texts[IDC_PLAN_LIMIT] = "40";
  const std::optional<DataPlan> smaller = SaveEditor(controls, form);
  ASSERT_TRUE(smaller);
  EXPECT_EQ(smaller->limitBytes, 40 * kGB);
  EXPECT_FALSE(smaller->alerted);  // counted against another limit now
}

TEST(PlanEditor, LimitsInMegaAndGigabytes) {
  EXPECT_EQ(ParseLimit("50", 1), 50 * kGB);
  EXPECT_EQ(ParseLimit("0.5", 0), 512 * 1024u);
  EXPECT_EQ(ParseLimit("1.01", 0), kMB + 10485u);  // 0.01 MB = 10485.76 bytes, truncated
  EXPECT_FALSE(ParseLimit("", 1));
  EXPECT_FALSE(ParseLimit("1.", 1));
  EXPECT_FALSE(ParseLimit(".5", 1));
  EXPECT_FALSE(ParseLimit("0.00", 1));
  std::int32_t unit = -1;
  EXPECT_EQ(LimitText(1536 * kMB, unit), "1.5");
  EXPECT_EQ(unit, 1);
  EXPECT_EQ(LimitText(700 * kMB, unit), "700");
  EXPECT_EQ(unit, 0);
}

TEST(PlanEditor, ABadSectionOpensAsItStands) {
  const PlanReading bad{"PLAN3", std::nullopt, {{"period", "..."}},
                        {{"name", "Lab"}, {"match", "IP:10.0.0.7"}, {"period", "weekly"}, {"limit", "5GB"}}};
  const PlanForm form = PlanFormOf(bad);
  EXPECT_EQ(form.section, "PLAN3");
  EXPECT_EQ(form.matchKind, 2);
  EXPECT_EQ(form.matchValue, "10.0.0.7");
  EXPECT_EQ(form.period, -1);
  EXPECT_EQ(form.limit, "5GB");
}

// ---- the list ----

TEST(PlanListTest, OkWritesOnlyWhatChanged) {
  std::vector<PlanReading> readings = {
      PlanReading{"PLAN1", MonthPlan("PLAN1", "Home", {}, 50 * kGB), {}, {}},
      PlanReading{"PLAN2", std::nullopt, {{"limit", "no limit"}}, {{"name", "Broken"}}},
      PlanReading{"PLAN4", MonthPlan("PLAN4", "Phone", {}, kGB), {}, {}},
  };
  PlanList list(readings);
  EXPECT_TRUE(list.Changes().empty());
  ASSERT_TRUE(list.Add(MonthPlan("", "Trip", {}, kGB)));
  EXPECT_EQ(list.Entries()[2].section, "PLAN3");  // the first free number, in section order
  list.Remove(0);
  ASSERT_TRUE(list.Add(MonthPlan("", "Again", {}, kGB)));  // PLAN1 is free again
  list.Replace(3, MonthPlan("", "Phone 2", {}, 2 * kGB));
  const std::vector<PlanSectionWrite> writes = list.Changes();
  ASSERT_EQ(writes.size(), 3u);  // the bad PLAN2 untouched
  EXPECT_EQ(writes[0].section, "PLAN1");
  EXPECT_EQ(writes[0].values.at(0).second, "Again");
  EXPECT_EQ(writes[1].section, "PLAN3");
  EXPECT_EQ(writes[2].section, "PLAN4");
  EXPECT_EQ(writes[2].values.at(0).second, "Phone 2");
  list.Remove(1);  // the bad one: its section goes
  EXPECT_EQ(list.Changes().front().section, "PLAN2");
  EXPECT_TRUE(list.Changes().front().values.empty());
  EXPECT_EQ(PlanListText(list.Entries()[0], MonitorSettings{}), "Again: 1.00 GB every month, all");
  EXPECT_EQ(PlanListText(readings[1], MonitorSettings{}), "PLAN2 (Broken): not used, no limit");
}

}  // namespace
}  // namespace tral
