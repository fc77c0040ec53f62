// The period of a data plan that contains a day, and a plan's figures on that day: days elapsed,
// in all and left, the projection to the period's end and what may be used per day from tomorrow.
#pragma once

#include <cstdint>

#include "history/data_plan.h"

namespace tral {

struct PlanPeriod {
  bool active = false;  // a plan that runs once is inactive before its first and after its last day
  CivilDate first;
  CivilDate last;  // included
};

// month: from the latest billing day on or before `day` to the day before the next one, the
// billing day falling on a shorter month's last day; week: the 7 days from the latest day on or
// before `day` with the start's weekday; day: `day` alone; once: start .. end.
PlanPeriod PeriodContaining(const DataPlan& plan, const CivilDate& day);

struct PlanFigures {
  PlanPeriod period;
  std::uint64_t usedBytes = 0;
  std::uint64_t limitBytes = 0;
  std::uint32_t elapsedDays = 0;  // first .. day, both counted
  std::uint32_t totalDays = 0;
  std::uint32_t daysLeft = 0;  // after day, up to the last
  std::uint64_t projectedBytes = 0;  // used x total / elapsed, truncated
  std::uint64_t allowanceBytes = 0;  // max(0, limit - used) / max(1, left), truncated
  std::uint64_t percent = 0;  // used x 100 / limit, truncated
};

// The figures of `plan` on `day` with `usedBytes` counted from the period's first day to `day`.
// An inactive period before its first day has elapsed 0 and projects nothing; after its last day it
// counts as run out: every day elapsed, none left, the projection the use itself.
PlanFigures FiguresOf(const DataPlan& plan, const PlanPeriod& period, const CivilDate& day, std::uint64_t usedBytes);

// Whether `used` is at least `percent` % of `limit`, exactly (no rounding of the share).
bool ReachesPercent(std::uint64_t used, std::uint64_t limit, std::uint32_t percent);

// a x b / c truncated, exact without overflow; the largest 64-bit number when the result is larger.
std::uint64_t MulDiv(std::uint64_t a, std::uint64_t b, std::uint64_t c);

}  // namespace tral
