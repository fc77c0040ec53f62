// Data plans: reading sections (every bad value named), periods, figures, and the cached sums of
// a period's day files.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>

#include "history/data_plan.h"
#include "history/plan_period.h"
#include "history/plan_usage.h"
#include "history/profile_text.h"
#include "support/day_file_bytes.h"

namespace tral {
namespace {

using test::DayFileBytes;
using test::MemoryDayFiles;

using test::D;

constexpr std::uint64_t kGB = 1ull << 30;

DataPlan Plan(PlanRenewal period, CivilDate start, CivilDate end = {}) {
  DataPlan plan;
  plan.period = period;
  plan.start = start;
  plan.end = end;
  plan.limitBytes = 50 * kGB;
  return plan;
}

TEST(PlanPeriod, ThePeriodThatContainsTheDay) {
  const struct {
    const char* what;
    DataPlan plan;
    CivilDate day;
    PlanPeriod want;
  } cases[] = {
      {"billing 31, 28 Feb of a leap year", Plan(PlanRenewal::kMonth, D(2023, 1, 31)), D(2024, 2, 28),
       {true, D(2024, 1, 31), D(2024, 2, 28)}},
      {"billing 31 falls on 29 Feb", Plan(PlanRenewal::kMonth, D(2023, 1, 31)), D(2024, 2, 29),
       {true, D(2024, 2, 29), D(2024, 3, 30)}},
      {"billing 31 falls on 28 Feb of a common year", Plan(PlanRenewal::kMonth, D(2023, 1, 31)), D(2023, 2, 28),
       {true, D(2023, 2, 28), D(2023, 3, 30)}},
      {"billing 31, the day before it in February", Plan(PlanRenewal::kMonth, D(2023, 1, 31)), D(2023, 2, 27),
       {true, D(2023, 1, 31), D(2023, 2, 27)}},
      {"billing 31 falls on 30 April", Plan(PlanRenewal::kMonth, D(2023, 1, 31)), D(2024, 3, 31),
       {true, D(2024, 3, 31), D(2024, 4, 29)}},
      {"billing 30 in a common February", Plan(PlanRenewal::kMonth, D(2023, 4, 30)), D(2023, 2, 28),
       {true, D(2023, 2, 28), D(2023, 3, 29)}},
      {"billing 30 in a leap February", Plan(PlanRenewal::kMonth, D(2023, 4, 30)), D(2024, 2, 29),
       {true, D(2024, 2, 29), D(2024, 3, 29)}},
      {"billing 29 in a common February", Plan(PlanRenewal::kMonth, D(2023, 1, 29)), D(2023, 2, 28),
       {true, D(2023, 2, 28), D(2023, 3, 28)}},
      {"billing 29 on 29 Feb itself", Plan(PlanRenewal::kMonth, D(2023, 1, 29)), D(2024, 2, 29),
       {true, D(2024, 2, 29), D(2024, 3, 28)}},
      {"billing 29, 28 Feb of a leap year", Plan(PlanRenewal::kMonth, D(2023, 1, 29)), D(2024, 2, 28),
       {true, D(2024, 1, 29), D(2024, 2, 28)}},
      {"the billing day itself starts a period", Plan(PlanRenewal::kMonth, D(2025, 7, 15)), D(2026, 3, 15),
       {true, D(2026, 3, 15), D(2026, 4, 14)}},
      {"the day before the billing day ends one", Plan(PlanRenewal::kMonth, D(2025, 7, 15)), D(2026, 3, 14),
       {true, D(2026, 2, 15), D(2026, 3, 14)}},
      {"across the year end", Plan(PlanRenewal::kMonth, D(2025, 7, 10)), D(2026, 1, 5),
       {true, D(2025, 12, 10), D(2026, 1, 9)}},
      // 2026-03-11 is a Wednesday; 2026-01-04 a Sunday.
      {"week from Sunday", Plan(PlanRenewal::kWeek, D(2026, 1, 4)), D(2026, 3, 11), {true, D(2026, 3, 8), D(2026, 3, 14)}},
      {"week from Monday", Plan(PlanRenewal::kWeek, D(2026, 1, 5)), D(2026, 3, 11), {true, D(2026, 3, 9), D(2026, 3, 15)}},
      {"week from Tuesday", Plan(PlanRenewal::kWeek, D(2026, 1, 6)), D(2026, 3, 11), {true, D(2026, 3, 10), D(2026, 3, 16)}},
      {"week from Wednesday", Plan(PlanRenewal::kWeek, D(2026, 1, 7)), D(2026, 3, 11), {true, D(2026, 3, 11), D(2026, 3, 17)}},
      {"week from Thursday", Plan(PlanRenewal::kWeek, D(2026, 1, 8)), D(2026, 3, 11), {true, D(2026, 3, 5), D(2026, 3, 11)}},
      {"week from Friday", Plan(PlanRenewal::kWeek, D(2026, 1, 9)), D(2026, 3, 11), {true, D(2026, 3, 6), D(2026, 3, 12)}},
      {"week from Saturday", Plan(PlanRenewal::kWeek, D(2026, 1, 10)), D(2026, 3, 11), {true, D(2026, 3, 7), D(2026, 3, 13)}},
      {"a day", Plan(PlanRenewal::kDay, D(2020, 1, 1)), D(2026, 3, 11), {true, D(2026, 3, 11), D(2026, 3, 11)}},
      {"once, before it", Plan(PlanRenewal::kOnce, D(2026, 3, 1), D(2026, 3, 31)), D(2026, 2, 28),
       {false, D(2026, 3, 1), D(2026, 3, 31)}},
      {"once, its first day", Plan(PlanRenewal::kOnce, D(2026, 3, 1), D(2026, 3, 31)), D(2026, 3, 1),
       {true, D(2026, 3, 1), D(2026, 3, 31)}},
      {"once, its last day", Plan(PlanRenewal::kOnce, D(2026, 3, 1), D(2026, 3, 31)), D(2026, 3, 31),
       {true, D(2026, 3, 1), D(2026, 3, 31)}},
      {"once, after it", Plan(PlanRenewal::kOnce, D(2026, 3, 1), D(2026, 3, 31)), D(2026, 4, 1),
       {false, D(2026, 3, 1), D(2026, 3, 31)}},
  };
  for (const auto& c : cases) {
    const PlanPeriod got = PeriodContaining(c.plan, c.day);
    EXPECT_EQ(got.active, c.want.active) << c.what;
    EXPECT_EQ(DateText(got.first), DateText(c.want.first)) << c.what;
    EXPECT_EQ(DateText(got.last), DateText(c.want.last)) << c.what;
  }
}

// used, limit, elapsed, total, left, projected, allowance, percent
auto Numbers(const PlanFigures& f) {
  return std::tuple(f.usedBytes, f.limitBytes, f.elapsedDays, f.totalDays, f.daysLeft, f.projectedBytes,
                    f.allowanceBytes, f.percent);
}

TEST(PlanFigures, ElapsedLeftProjectionAndAllowance) {
  const DataPlan month = Plan(PlanRenewal::kMonth, D(2025, 7, 15));  // 50 GB
  const DataPlan once = Plan(PlanRenewal::kOnce, D(2026, 3, 1), D(2026, 3, 10));
  const struct {
    const char* what;
    const DataPlan& plan;
    CivilDate day;
    std::uint64_t used;
    PlanFigures want;  // the period is checked above
  } cases[] = {
      // 15 Mar .. 14 Apr is 31 days; on 24 Mar 10 have passed and 21 are left. 10 GB x 31 / 10 =
      // 31 GB; 40 GB / 21 = 42949672960 / 21 = 2045222521 rest 19.
      {"ten days into a 31-day month", month, D(2026, 3, 24), 10 * kGB,
       {{}, 10 * kGB, 50 * kGB, 10, 31, 21, 31 * kGB, 2045222521, 20}},
      // 1000 x 31 / 3 = 10333.3; (50 GB - 1000) / 28, 53687090200 / 28 = 1917396078 rest 16.
      {"the projection is truncated", month, D(2026, 3, 17), 1000,
       {{}, 1000, 50 * kGB, 3, 31, 28, 10333, 1917396078, 0}},
      {"the last day: all that is left is for today", month, D(2026, 4, 14), 49 * kGB,
       {{}, 49 * kGB, 50 * kGB, 31, 31, 0, 49 * kGB, kGB, 98}},
      {"over the limit: no allowance", month, D(2026, 3, 15), 60 * kGB,
       {{}, 60 * kGB, 50 * kGB, 1, 31, 30, 1860 * kGB, 0, 120}},
      {"once, before it: nothing elapsed, nothing projected", once, D(2026, 2, 20), 0,
       {{}, 0, 50 * kGB, 0, 10, 10, 0, 5 * kGB, 0}},
      {"once, after it: run out", once, D(2026, 3, 20), 30 * kGB, {{}, 30 * kGB, 50 * kGB, 10, 10, 0, 30 * kGB, 0, 60}},
  };
  for (const auto& c : cases) {
    const PlanFigures f = FiguresOf(c.plan, PeriodContaining(c.plan, c.day), c.day, c.used);
    EXPECT_EQ(Numbers(f), Numbers(c.want)) << c.what;
  }
}

TEST(PlanFigures, ProductsBeyondSixtyFourBitsAreExact) {
  EXPECT_EQ(MulDiv(1ull << 63, 100, 1ull << 62), 200u);
  EXPECT_EQ(MulDiv(UINT64_MAX, 31, 31), UINT64_MAX);
  EXPECT_EQ(MulDiv(UINT64_MAX - 1, 3, 4), 13835058055282163710u);  // (2^64 - 2) x 3 / 4, by hand
  EXPECT_EQ(MulDiv(UINT64_MAX, UINT64_MAX, 1), UINT64_MAX);  // too large: the largest number
  EXPECT_TRUE(ReachesPercent(80, 100, 80));
  EXPECT_FALSE(ReachesPercent(79, 100, 80));
  EXPECT_TRUE(ReachesPercent(4, 5, 80));  // exactly 80 %
  EXPECT_FALSE(ReachesPercent(3'999'999'999, 5'000'000'000, 80));
}

// ---- sections ----

const char kGoodSection[] =
    "[PLAN1]\r\n"
    "name = Home\r\n"
    "match=adapter:00-1A-2B-3C-4D-5E\r\n"
    "period=Month\r\n"
    "start=2026-01-31\r\n"
    "limit=53687091200\r\n";

PlanReading ReadOne(const std::string& extra, const std::string& section = kGoodSection) {
  ProfileText file(section + extra);
  return ReadPlan(file, "plan1");
}

TEST(PlanSection, AGoodSectionWithItsDefaults) {
  const PlanReading r = ReadOne("end=2020-01-01\r\nalerted=2026-03-31:100,80,projected\r\n");
  ASSERT_TRUE(r.plan) << (r.problems.empty() ? "" : r.problems[0].reason);
  EXPECT_EQ(r.plan->name, "Home");
  EXPECT_EQ(r.plan->match.kind, ConnectionMatch::Kind::kAdapter);
  EXPECT_EQ(r.plan->match.value, "00-1A-2B-3C-4D-5E");
  EXPECT_EQ(r.plan->period, PlanRenewal::kMonth);
  EXPECT_EQ(r.plan->limitBytes, 50 * kGB);
  EXPECT_EQ(r.plan->count, PlanCount::kBoth);
  EXPECT_EQ(r.plan->warn, (std::vector<std::uint32_t>{80, 100}));
  ASSERT_TRUE(r.plan->alerted);
  EXPECT_EQ(PlanAlertedText(*r.plan->alerted), "2026-03-31:80,100,projected");
  // Written back as keys, in key order (`end` only for a plan that runs once).
  const std::vector<std::pair<std::string, std::string>> want = {
      {"name", "Home"}, {"match", "adapter:00-1A-2B-3C-4D-5E"}, {"period", "month"}, {"start", "2026-01-31"},
      {"limit", "53687091200"}, {"count", "both"}, {"warn", "80,100"}, {"alerted", "2026-03-31:80,100,projected"}};
  EXPECT_EQ(PlanValues(*r.plan), want);
}

// `section` with the key's line set to `value`, or taken out for no value.
std::string With(const std::string& section, const std::string& key, const char* value) {
  std::string text = section;
  const std::size_t at = text.find("\n" + key + "=");
  if (at != std::string::npos) text.erase(at + 1, text.find('\n', at + 1) - at);
  return value ? text + key + "=" + value + "\r\n" : text;
}

TEST(PlanSection, EveryBadValueIsNamedWithItsReason) {
  const std::string kDay = "[PLAN1]\r\nname=A\r\nmatch=all\r\nperiod=day\r\nstart=2026-02-01\r\nlimit=5\r\n";
  const std::string kOnce = "[PLAN1]\r\nname=Trip\r\nmatch=ssid:Hotel\r\nperiod=once\r\nstart=2026-03-10\r\nlimit=1000\r\n";
  const std::string kLongName(64, 'n');
  // 63 letters, a two-byte character across the 64-byte cut, and then thousands more.
  const std::string kHugeValue = std::string(63, 'p') + "\xC3\xA9" + std::string(5000, 'q');
  const std::string kHugeReason = "period \"" + std::string(63, 'p') + "...\" is not month, week, day or once";
  const struct {
    std::string section;
    const char* key;
    const char* value;  // none: the key left out
    const char* reason;
  } cases[] = {
      {kDay, "period", "fortnight", "period \"fortnight\" is not month, week, day or once"},
      {kDay, "start", "2026-02-30", "start \"2026-02-30\" is not a date that exists (YYYY-MM-DD)"},
      {kDay, "limit", "0", "limit \"0\" is not a positive whole number of bytes"},
      {kDay, "limit", "1.5", "limit \"1.5\" is not a positive whole number of bytes"},
      {kDay, "limit", "18446744073709551616", "limit \"18446744073709551616\" is not a positive whole number of bytes"},
      {kDay, "limit", nullptr, "no limit"},
      {kOnce, "end", "2026-03-09", "end 2026-03-09 is before start 2026-03-10"},
      {kOnce, "end", nullptr, "no end"},
      {kDay, "name", nullptr, "no name"},
      {kDay, "name", kLongName.c_str(), "the name is longer than 63 characters"},
      {kDay, "match", "ip:300.1.1.1", "match \"ip:300.1.1.1\" is not all, adapter:<address>, ip:<a.b.c.d> or ssid:<name>"},
      {kGoodSection, "count", "up", "count \"up\" is not both, rx or tx"},
      {kGoodSection, "warn", "80,abc", "warn \"80,abc\" is not a list of percentages from 1 to 1000"},
      {kGoodSection, "warn", "80,", "warn \"80,\" is not a list of percentages from 1 to 1000"},
      // A value of thousands of characters is cut in the message after 64 bytes.
      {kDay, "period", kHugeValue.c_str(), kHugeReason.c_str()},
  };
  for (const auto& c : cases) {
    const PlanReading r = ReadOne("", With(c.section, c.key, c.value));
    EXPECT_FALSE(r.plan) << c.reason;
    ASSERT_EQ(r.problems.size(), 1u) << c.reason;
    EXPECT_EQ(r.problems[0].key, c.key);
    EXPECT_EQ(r.problems[0].reason, c.reason);
  }
  // A name of thousands of characters is cut in the message too.
  const PlanReading huge = ReadOne("", With(kDay, "name", std::string(5000, 'n').c_str()));
  EXPECT_EQ(UnusedPlanText(huge),
            "the data plan plan1 (\"" + std::string(64, 'n') + "...\") is not used: the name is longer than 63 characters");
  // All bad values of one section at once, each with its own reason.
  const PlanReading several = ReadOne("", "[PLAN1]\r\nperiod=yearly\r\nstart=x\r\n");
  EXPECT_EQ(several.problems.size(), 5u);  // name, match, period, start, limit
}

TEST(PlanSection, TheSectionsOfAFileEachOnItsOwn) {
  ProfileText file(
      "; plans for the fleet\r\n"
      "[OPTIONS]\r\nquantity=1\r\n"
      "[PLAN2]\r\nname='Phone'\r\nmatch=ssid:My Phone  \r\nperiod=week\r\nstart=2026-01-05\r\nlimit=1073741824\r\n"
      "count=rx\r\nwarn= 100 , 50 ,50\r\n"
      "[PLAN3]\r\nname=Broken\r\nperiod=weekly\r\n"
      "[Plan5]\r\nname=\"Lab\"\r\nname=second\r\nmatch=ip:198.18.0.101\r\nperiod=day\r\nstart=2026-01-01\r\nlimit=9\r\n"
      "warn=\r\n"
      "[PLAN17]\r\nname=Beyond\r\nmatch=all\r\nperiod=day\r\nstart=2026-01-01\r\nlimit=9\r\n");
  const std::vector<PlanReading> plans = ReadPlans(file);
  ASSERT_EQ(plans.size(), 3u);
  EXPECT_EQ(plans[0].section, "PLAN2");
  ASSERT_TRUE(plans[0].plan);
  EXPECT_EQ(plans[0].plan->name, "Phone");  // one pair of quotes goes, as with the profile functions
  EXPECT_EQ(plans[0].plan->match.value, "My Phone");
  EXPECT_EQ(plans[0].plan->count, PlanCount::kReceived);
  EXPECT_EQ(plans[0].plan->warn, (std::vector<std::uint32_t>{50, 100}));
  EXPECT_EQ(plans[1].section, "PLAN3");
  EXPECT_FALSE(plans[1].plan);
  EXPECT_EQ(plans[2].section, "PLAN5");
  ASSERT_TRUE(plans[2].plan);
  EXPECT_EQ(plans[2].plan->name, "Lab");  // the first of two counts
  EXPECT_TRUE(plans[2].plan->warn.empty());  // an empty warn: no threshold alerts
}

// The bytes of a plans file as the profile functions or an editor may have saved it.
TEST(PlansFile, UnicodeAndCodePageTextIsReadAnythingElseIsNamed) {
  const std::string utf16 = std::string("\xFF\xFE") + std::string("[\0P\0]\0\r\0\n\0n\0=\0\xE9\0\x3D\xD8\x00\xDE", 20);
  const struct {
    const char* what;
    std::string bytes;
    const char* text;  // as UTF-8 when unicode; none: refused
    bool unicode;
    const char* why;
  } cases[] = {
      {"UTF-16LE with its mark, a surrogate pair", utf16, "[P]\r\nn=\xC3\xA9\xF0\x9F\x98\x80", true, ""},
      {"UTF-8 with its mark", "\xEF\xBB\xBF[P]\nn=\xC3\xA9", "[P]\nn=\xC3\xA9", true, ""},
      {"UTF-8 without a mark", "[P]\nn=\xC3\xA9", "[P]\nn=\xC3\xA9", true, ""},
      {"the code page (not UTF-8)", "[P]\nn=\xE9", "[P]\nn=\xE9", false, ""},
      {"an escape sequence in a name is text still", "[P]\nname=Home\x1B]0;title\x07\nmatch=all\nperiod=day\n",
       "[P]\nname=Home\x1B]0;title\x07\nmatch=all\nperiod=day\n", true, ""},
      {"UTF-16LE without a mark", std::string("[\0P\0]\0", 6), nullptr, false, "it holds NUL bytes, which no text file does"},
      {"UTF-16BE with its mark", std::string("\xFE\xFF\0[\0P\0]", 8), nullptr, false,
       "it is UTF-16 big-endian text; save it as UTF-8 or UTF-16 little-endian"},
      {"UTF-16LE with half a surrogate pair", std::string("\xFF\xFE" "a\0\x00\xD8" "b\0", 8), nullptr, false,
       "it starts as UTF-16 text but is not UTF-16 throughout"},
      {"UTF-16LE of an odd length", std::string("\xFF\xFE" "a\0b", 5), nullptr, false,
       "it starts as UTF-16 text but is not UTF-16 throughout"},
      {"a UTF-8 mark before other bytes", "\xEF\xBB\xBF[P]\nn=\xE9", nullptr, false,
       "it starts as UTF-8 text but is not UTF-8 throughout"},
      {"binary bytes without a NUL", "\x01\x02\x03\x04\x05[P]\x06\x07\x08\x0B\x0C\x0E\x0F\x10\x11\x12", nullptr, false,
       "more than one byte in 20 is a control character, which no text file has"},
  };
  for (const auto& c : cases) {
    std::string why;
    const std::optional<ProfileFileText> decoded = DecodeProfileFile(c.bytes, why);
    ASSERT_EQ(decoded.has_value(), c.text != nullptr) << c.what << ": " << why;
    EXPECT_EQ(why, c.why) << c.what;
    if (!decoded) continue;
    EXPECT_EQ(decoded->text, c.text) << c.what;
    EXPECT_EQ(decoded->unicode, c.unicode) << c.what;
  }
}

// ---- the cached sums of the past days ----

class PlanUsageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files_.listable = true;
    files_.stampable = true;
    // Two connections of one adapter and another adapter, over three days of a week starting
    // Monday 2026-03-09; today (11 March) has a file too.
    files_.files[D(2026, 3, 8)] = DayFileBytes({{"K1", {{"10.0.0.1", "", "", 100000, 1}}}}, 1);
    files_.files[D(2026, 3, 9)] =
        DayFileBytes({{"K1", {{"10.0.0.1", "", "", 1000, 10}, {"10.0.0.2", "", "Cafe", 2000, 20}}},
                      {"K2", {{"10.0.0.9", "", "", 4000, 40}}}},
                     1);
    files_.files[D(2026, 3, 10)] = DayFileBytes({{"k1", {{"10.0.0.1", "", "", 300, 3}}}}, 1);
    files_.files[D(2026, 3, 11)] = DayFileBytes({{"K1", {{"10.0.0.1", "", "", 50, 5}}}}, 1);
    DataPlan adapter = Plan(PlanRenewal::kWeek, D(2026, 1, 5));
    adapter.match = ConnectionMatch{ConnectionMatch::Kind::kAdapter, "K1"};
    DataPlan cafe = adapter;
    cafe.match = ConnectionMatch{ConnectionMatch::Kind::kSsid, "cafe"};
    cafe.count = PlanCount::kSent;
    plans_ = {adapter, cafe};
  }

  MemoryDayFiles files_;
  std::vector<DataPlan> plans_;
};

TEST_F(PlanUsageTest, ThePastDaysOfEachPeriodAreReadOnceForAllPlans) {
  PlanUsage usage(files_);
  usage.Update(plans_, D(2026, 3, 11), false);
  // K1 (any case) on 9 and 10 March: 1000 + 10 + 2000 + 20 + 300 + 3; 8 March is the week before.
  EXPECT_EQ(usage.FileBytes(0), 3333u);
  EXPECT_EQ(usage.FileBytes(1), 20u);  // sent on "Cafe"
  EXPECT_EQ(files_.opened, (std::vector<CivilDate>{D(2026, 3, 9), D(2026, 3, 10)}));
  EXPECT_EQ(files_.listings, 1);  // the stamps' listing serves the read too

  usage.Update(plans_, D(2026, 3, 11), true);  // through the day itself, as the report counts
  EXPECT_EQ(usage.FileBytes(0), 3333u + 55);
}

TEST_F(PlanUsageTest, ReadAgainOnlyWhenAFileOfThePeriodOrTheDayChanges) {
  PlanUsage usage(files_);
  usage.Update(plans_, D(2026, 3, 11), false);
  files_.opened.clear();
  usage.Update(plans_, D(2026, 3, 11), false);
  EXPECT_EQ(usage.Reads(), 1u) << "nothing changed: no file opened";
  EXPECT_TRUE(files_.opened.empty());

  files_.files[D(2026, 3, 11)] = DayFileBytes({{"K1", {{"10.0.0.1", "", "", 9999, 0}}}}, 2);  // today: not a past day
  files_.writeTimes[D(2026, 3, 8)] = 7;  // the week before
  usage.Update(plans_, D(2026, 3, 11), false);
  EXPECT_EQ(usage.Reads(), 1u);

  files_.files[D(2026, 3, 10)] = DayFileBytes({{"K1", {{"10.0.0.1", "", "", 400, 4}}}}, 2);  // rewritten,
  files_.writeTimes[D(2026, 3, 10)] = 1;  // same size: the write time tells
  usage.Update(plans_, D(2026, 3, 11), false);
  EXPECT_EQ(usage.Reads(), 2u);
  EXPECT_EQ(usage.FileBytes(0), 3434u);

  usage.Update(plans_, D(2026, 3, 12), false);  // the next day: 11 March is a past day now
  EXPECT_EQ(usage.Reads(), 3u);
  EXPECT_EQ(usage.FileBytes(0), 3434u + 9999);

  plans_[1].count = PlanCount::kBoth;  // one plan changed: only it is read again
  files_.opened.clear();
  usage.Update(plans_, D(2026, 3, 12), false);
  EXPECT_EQ(usage.Reads(), 4u);
  EXPECT_EQ(usage.FileBytes(1), 2020u);
  EXPECT_EQ(usage.FileBytes(0), 3434u + 9999);
}

TEST_F(PlanUsageTest, TheFolderIsListedAgainOnlyWhenItsOwnStampMoves) {
  files_.folderStamp = 100;
  PlanUsage usage(files_);
  usage.Update(plans_, D(2026, 3, 11), false);
  usage.Update(plans_, D(2026, 3, 11), false);
  EXPECT_EQ(usage.Listings(), 1u);
  files_.files[D(2026, 3, 10)] = DayFileBytes({{"K1", {{"10.0.0.1", "", "", 400, 4}}}}, 2);
  files_.writeTimes[D(2026, 3, 10)] = 1;
  usage.Update(plans_, D(2026, 3, 11), false);
  EXPECT_EQ(usage.FileBytes(0), 3333u) << "rewritten in place: not seen yet";
  files_.folderStamp = 101;  // a save renamed a file into the folder
  usage.Update(plans_, D(2026, 3, 11), false);
  EXPECT_EQ(usage.Listings(), 2u);
  EXPECT_EQ(usage.FileBytes(0), 3434u);
  for (int i = 0; i < kUpdatesPerListing; ++i) usage.Update(plans_, D(2026, 3, 11), false);
  EXPECT_EQ(usage.Listings(), 3u) << "a file rewritten in place is seen within a minute of polls";
}

TEST_F(PlanUsageTest, WithoutStampsTheDayStillMovesTheSumOn) {
  files_.stampable = false;
  PlanUsage usage(files_);
  usage.Update(plans_, D(2026, 3, 11), false);
  usage.Update(plans_, D(2026, 3, 11), false);
  EXPECT_EQ(usage.Reads(), 1u);
  usage.Update(plans_, D(2026, 3, 12), false);
  EXPECT_EQ(usage.Reads(), 2u);
  EXPECT_EQ(usage.FileBytes(0), 3333u + 55);
}

}  // namespace
}  // namespace tral
