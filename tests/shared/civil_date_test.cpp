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

TEST(CivilDate, OnlyRealDatesWithTheDaySuffixAreDayFileNames) {
  const struct {
    const char* name;
    bool isDayFile;
    CivilDate date;
  } cases[] = {
      {"20090313.bin", true, {2009, 3, 13}},
      {"20090313.BIN", true, {2009, 3, 13}},  // file names compare without case
      {"20080229.Bin", true, {2008, 2, 29}},
      {"16010101.bin", true, {1601, 1, 1}},
      {"99991231.bin", true, {9999, 12, 31}},
      {"20090229.bin", false, {}},  // no leap day in 2009
      {"21000229.bin", false, {}},  // nor in 2100
      {"20090431.bin", false, {}},
      {"20091301.bin", false, {}},
      {"20090001.bin", false, {}},
      {"20090300.bin", false, {}},
      {"2009031.bin", false, {}},
      {"200903133.bin", false, {}},
      {"2009-313.bin", false, {}},
      {"20090313.tmp", false, {}},  // a save's temporary
      {"20090313.binary", false, {}},  // found through its short alias
      {"ABCDEF~1.BIN", false, {}},
      {"", false, {}},
  };
  for (const auto& c : cases) {
    CivilDate date{1, 1, 1};
    EXPECT_EQ(ParseDayFileName(c.name, date), c.isDayFile) << c.name;
    const CivilDate want = c.isDayFile ? c.date : CivilDate{1, 1, 1};  // a non-name leaves the date alone
    EXPECT_EQ(date, want) << c.name;
  }
}

}  // namespace
}  // namespace tral
