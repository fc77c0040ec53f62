// Calendar stepping, and the names of day files and slot files.
#include <gtest/gtest.h>

#include "shared/civil_date.h"
#include "support/history_names.h"

namespace tral {
namespace {

TEST(CivilDate, DayAndSlotFileNamesAreZeroPaddedYearMonthDay) {
  EXPECT_EQ(DayFileName({2009, 3, 13}), "20090313.bin");
  EXPECT_EQ(DayFileName({987, 1, 2}), "09870102.bin");
  EXPECT_EQ(SlotFileName({2009, 3, 13}), "20090313.slots");
  EXPECT_EQ(SlotFileName({987, 1, 2}), "09870102.slots");
}

TEST(CivilDate, AddDaysCrossesMonthYearAndLeapDay) {
  struct Case {
    CivilDate from;
    int days;
    CivilDate to;
  } cases[] = {
      {{2009, 3, 13}, -1, {2009, 3, 12}},  {{2008, 12, 31}, 1, {2009, 1, 1}},
      {{2009, 1, 1}, -1, {2008, 12, 31}},  {{2008, 2, 28}, 1, {2008, 2, 29}},
      {{2009, 2, 28}, 1, {2009, 3, 1}},    {{2000, 3, 1}, -1, {2000, 2, 29}},
      {{1900, 3, 1}, -1, {1900, 2, 28}},   {{2026, 12, 7}, -366, {2025, 12, 6}},
      {{1601, 1, 1}, 0, {1601, 1, 1}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AddDays(c.from, c.days), c.to) << DayFileName(c.from) << " + " << c.days;
  }
  EXPECT_EQ(DaysFromCivil({1970, 1, 1}), 0);
}

// Each name of the shared table through both rules: at most one accepts it, with the table's date.
TEST(CivilDate, OnlyRealDatesWithTheirSuffixAreDayOrSlotFileNames) {
  for (const test::HistoryName& c : test::kHistoryNames) {
    CivilDate day{1, 1, 1};
    CivilDate slots{1, 1, 1};
    EXPECT_EQ(ParseDayFileName(c.name, day), c.dayFile) << c.name;
    EXPECT_EQ(ParseSlotFileName(c.name, slots), c.slotFile) << c.name;
    EXPECT_EQ(IsDayFileName(c.name), c.dayFile) << c.name;
    EXPECT_EQ(IsSlotFileName(c.name), c.slotFile) << c.name;
    // A name a rule does not accept leaves the date alone.
    const CivilDate untouched{1, 1, 1};
    EXPECT_EQ(day, c.dayFile ? c.date : untouched) << c.name;
    EXPECT_EQ(slots, c.slotFile ? c.date : untouched) << c.name;
  }
}

}  // namespace
}  // namespace tral
