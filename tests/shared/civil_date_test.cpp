// Calendar stepping and day-file names.
#include <gtest/gtest.h>

#include "shared/civil_date.h"

namespace tral {
namespace {

TEST(CivilDate, DayFileNameIsZeroPaddedYearMonthDay) {
  EXPECT_EQ(DayFileName({2009, 3, 13}), "20090313.bin");
  EXPECT_EQ(DayFileName({987, 1, 2}), "09870102.bin");
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

}  // namespace
}  // namespace tral
