// The Options dialog's exchange and field rules, and what the Options command opens with and writes.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "monitor/options/options_flow.h"
#include "monitor/options/options_form.h"
#include "monitor/resources/resource.h"
#include "monitor_test_support.h"

namespace tral {
namespace {

using test::MemoryControls;

// Every control holding a value that differs from the default settings, so a field that was
// taken can be told from one that was not.
MemoryControls EditedControls() {
  MemoryControls c;
  c.combos = {{IDC_OPT_QUANTITY_UNIT, 0}, {IDC_OPT_QUANTITY_DEC, 3}, {IDC_OPT_SPEED_DEC, 1}, {IDC_OPT_SPEED_UNIT, 4}};
  c.checks = {{IDC_OPT_HIDE_IDLE, false}, {IDC_OPT_LAUNCH, false}, {IDC_OPT_MINTRAY, false}, {IDC_OPT_MINCLOSE, false}};
  c.radios = {{IDC_OPT_PREFER_ACTIVE, 1}};
  c.texts = {{IDC_OPT_IDLE_TIME, "15"}, {IDC_OPT_REFRESH, "30"}, {IDC_OPT_KEEP_DAYS, "90"}};
  return c;
}

OptionsForm DefaultForm() {
  OptionsForm form;
  form.keepDays = 366;
  return form;
}

bool Save(MemoryControls& controls, OptionsForm& form) {
  ui::DataExchange exchange(controls, true);
  ExchangeOptions(exchange, form);
  return !exchange.Failed();
}

TEST(OptionsExchange, SavingTakesEveryControlIntoItsField) {
  MemoryControls controls = EditedControls();
  OptionsForm form = DefaultForm();
  ASSERT_TRUE(Save(controls, form));
  const MonitorSettings expected{.quantity = 0, .quantitydec = 3, .speeddec = 1, .speed = 4, .prefer = 1,
                                 .hideidle = 0, .idletime = 15, .launch = 0, .mintray = 0, .refresh = 30,
                                 .minclose = 0, .keepdays = 366};  // the field goes into keepdays only on OK
  EXPECT_EQ(std::memcmp(&form.settings, &expected, sizeof expected), 0);
  EXPECT_EQ(form.keepDays, 90u);
  EXPECT_TRUE(controls.failures.empty());
}

// Each case changes one or two number fields of EditedControls(). A failed check reports one
// message for its control, and no field after it in the table is taken.
TEST(OptionsExchange, NumberChecksInTableOrderTheFirstFailureStops) {
  const std::string positive = "Please enter a positive integer.";
  const std::string refreshRange = "Please enter an integer between 1 and 999.";
  const std::string keepRange = "Please enter an integer between 0 and 9999.";
  const struct {
    const char* name;
    std::map<int, std::string> texts;
    int failedId;  // 0: no failure
    std::string message;
  } cases[] = {
      {"empty refresh", {{IDC_OPT_REFRESH, ""}}, IDC_OPT_REFRESH, positive},
      {"refresh 0", {{IDC_OPT_REFRESH, "0"}}, IDC_OPT_REFRESH, refreshRange},
      {"refresh 1000", {{IDC_OPT_REFRESH, "1000"}}, IDC_OPT_REFRESH, refreshRange},
      {"refresh 1", {{IDC_OPT_REFRESH, "1"}}, 0, ""},
      {"refresh 999", {{IDC_OPT_REFRESH, "999"}}, 0, ""},
      {"idle time 0", {{IDC_OPT_IDLE_TIME, "0"}}, 0, ""},
      {"empty idle time", {{IDC_OPT_IDLE_TIME, ""}}, IDC_OPT_IDLE_TIME, positive},
      {"idle time -1", {{IDC_OPT_IDLE_TIME, "-1"}}, IDC_OPT_IDLE_TIME, positive},
      {"keep history 0", {{IDC_OPT_KEEP_DAYS, "0"}}, 0, ""},
      {"keep history 9999", {{IDC_OPT_KEEP_DAYS, "9999"}}, 0, ""},
      {"keep history 10000", {{IDC_OPT_KEEP_DAYS, "10000"}}, IDC_OPT_KEEP_DAYS, keepRange},
      {"empty keep history", {{IDC_OPT_KEEP_DAYS, ""}}, IDC_OPT_KEEP_DAYS, positive},
      {"idle before refresh", {{IDC_OPT_IDLE_TIME, "x"}, {IDC_OPT_REFRESH, ""}}, IDC_OPT_IDLE_TIME, positive},
      {"refresh before keep", {{IDC_OPT_REFRESH, "0"}, {IDC_OPT_KEEP_DAYS, ""}}, IDC_OPT_REFRESH, refreshRange},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryControls controls = EditedControls();
    for (const auto& [id, text] : c.texts) controls.texts[id] = text;
    OptionsForm form = DefaultForm();
    const MonitorSettings before = form.settings;
    EXPECT_EQ(Save(controls, form), c.failedId == 0);
    if (c.failedId == 0) {
      EXPECT_TRUE(controls.failures.empty());
      continue;
    }
    ASSERT_EQ(controls.failures.size(), 1u);
    EXPECT_EQ(controls.failures[0].first, c.failedId);
    EXPECT_EQ(controls.failures[0].second, c.message);
    // The field that failed and everything after it keep their values.
    if (c.failedId == IDC_OPT_IDLE_TIME) {
      EXPECT_EQ(form.settings.idletime, before.idletime);
      EXPECT_EQ(form.settings.launch, before.launch);
      EXPECT_EQ(form.settings.prefer, before.prefer);
    }
    if (c.failedId != IDC_OPT_KEEP_DAYS) {
      EXPECT_EQ(form.settings.refresh, before.refresh);
      EXPECT_EQ(form.settings.minclose, before.minclose);
    }
    EXPECT_EQ(form.keepDays, 366u);
  }
}

TEST(OptionsKeepHistory, OffWhenTheServiceValueIsUnavailable) {
  const struct {
    std::uint32_t keepdays;  // as the caller puts it in
    std::uint32_t typed;  // what the field holds on OK
    bool enabled;
    std::uint32_t shown;
    std::uint32_t returned;
  } cases[] = {
      {kKeepDaysOff, 0, false, 0, kKeepDaysOff},
      {kKeepDaysOff, 25, false, 0, kKeepDaysOff},
      {366, 366, true, 366, 366},
      {366, 0, true, 366, 0},
      {0, 7, true, 0, 7},
  };
  for (const auto& c : cases) {
    OptionsForm form;
    form.settings.keepdays = c.keepdays;
    EXPECT_EQ(PrepareKeepHistory(form), c.enabled) << c.keepdays;
    EXPECT_EQ(form.keepDays, c.shown) << c.keepdays;
    form.keepDays = c.typed;
    AcceptKeepHistory(form);
    EXPECT_EQ(form.settings.keepdays, c.returned) << c.keepdays << " typed " << c.typed;
  }
}

TEST(OptionsKeepDays, OpeningShowsWhatTheServiceDoes) {
  const struct {
    std::uint32_t stored;  // unsigned read, 4294967295 when missing
    bool writable;
    std::uint32_t shown;
  } cases[] = {
      {kKeepDaysMissing, true, 0},  // missing or -1: the service keeps every day
      {0, true, 0},
      {4294967291u, true, 0},  // -5: the service deletes nothing
      {2147483648u, true, 0},  // negative as the service reads it
      {1, true, 1},
      {366, true, 366},
      {20000, true, 20000},  // beyond the field's range: OK then asks for 0 to 9999
      {kKeepDaysMissing, false, kKeepDaysOff},
      {30, false, kKeepDaysOff},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(KeepDaysForDialog(c.stored, c.writable), c.shown) << c.stored << (c.writable ? " writable" : "");
  }
}

TEST(OptionsKeepDays, WrittenOnlyWhenTheServiceWouldDoOtherwise) {
  const struct {
    const char* name;
    std::uint32_t fromDialog;
    std::uint32_t stored;
    std::optional<std::uint32_t> written;
  } cases[] = {
      {"missing, 0 confirmed", 0, kKeepDaysMissing, std::nullopt},
      {"-1, 0 confirmed", 0, 4294967295u, std::nullopt},
      {"0, 0 confirmed", 0, 0, std::nullopt},
      {"-5, 0 confirmed", 0, 4294967291u, std::nullopt},
      {"unchanged", 30, 30, std::nullopt},
      {"changed", 45, 30, 45u},
      {"missing, days set", 30, kKeepDaysMissing, 30u},
      {"days to keep all", 0, 30, 0u},
      {"not writable", kKeepDaysOff, kKeepDaysMissing, std::nullopt},
      {"not writable, value present", kKeepDaysOff, 30, std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(KeepDaysToWrite(c.fromDialog, c.stored), c.written) << c.name;
}

// A refresh of 0 or above 999 s comes back as 1 s; the timer restarts only for a new period.
TEST(OptionsApply, RefreshClampAndTimerRestart) {
  const struct {
    std::uint32_t current;
    std::uint32_t accepted;
    std::uint32_t applied;
    bool restart;
  } cases[] = {{1, 1, 1, false},    {1, 30, 30, true},   {30, 30, 30, false}, {1, 1000, 1, false},
               {30, 1000, 1, true}, {99, 0, 1, true},    {5, 500, 500, true}, {5, 999, 999, true},
               {1, 4294967295u, 1, false}};
  for (const auto& c : cases) {
    MonitorSettings current;
    current.refresh = c.current;
    MonitorSettings accepted = current;
    accepted.refresh = c.accepted;
    const OptionsOutcome outcome = ApplyOptions(current, accepted, kKeepDaysMissing);
    EXPECT_EQ(outcome.settings.refresh, c.applied) << c.current << " -> " << c.accepted;
    EXPECT_EQ(outcome.restartRefreshTimer, c.restart) << c.current << " -> " << c.accepted;
  }
}

TEST(OptionsApply, EveryFieldComesBackAndKeepDaysFollowsTheService) {
  MonitorSettings current;  // keepdays 366 as constructed
  MonitorSettings accepted{.quantity = 0, .quantitydec = 0, .speeddec = 3, .speed = 4, .prefer = 1,
                           .hideidle = 0, .idletime = 5, .launch = 0, .mintray = 0, .refresh = 7,
                           .minclose = 0, .keepdays = 10};
  const OptionsOutcome written = ApplyOptions(current, accepted, 30);
  EXPECT_EQ(written.keepDaysToWrite, std::optional<std::uint32_t>(10));
  MonitorSettings expected = accepted;
  expected.keepdays = 366;  // until the write has succeeded
  EXPECT_EQ(std::memcmp(&written.settings, &expected, sizeof expected), 0);

  // The service already keeps ten days: nothing to write, and the window knows the value.
  EXPECT_EQ(ApplyOptions(current, accepted, 10).settings.keepdays, 10u);
  EXPECT_FALSE(ApplyOptions(current, accepted, 10).keepDaysToWrite);
  // Field off: the window's value stays.
  accepted.keepdays = kKeepDaysOff;
  EXPECT_EQ(ApplyOptions(current, accepted, 10).settings.keepdays, 366u);
}

}  // namespace
}  // namespace tral
