// Periods of the data plans and their figures.
#include "history/plan_period.h"

#include <algorithm>

namespace tral {

namespace {

constexpr std::uint64_t kLow32 = 0xFFFFFFFFu;

// The billing day of a month: the plan's day, or the month's last day when the month is shorter.
CivilDate BillingDay(std::uint16_t year, std::uint16_t month, std::uint16_t billingDay) {
  const CivilDate last = LastDayOfMonth(CivilDate{year, month, 1});
  return CivilDate{year, month, std::min(billingDay, last.day)};
}

CivilDate MonthAfter(const CivilDate& date) {
  return date.month == 12 ? CivilDate{static_cast<std::uint16_t>(date.year + 1), 1, 1}
                          : CivilDate{date.year, static_cast<std::uint16_t>(date.month + 1), 1};
}

CivilDate MonthBefore(const CivilDate& date) {
  return date.month == 1 ? CivilDate{static_cast<std::uint16_t>(date.year - 1), 12, 1}
                         : CivilDate{date.year, static_cast<std::uint16_t>(date.month - 1), 1};
}

std::uint32_t DaysFromTo(const CivilDate& first, const CivilDate& last) {
  return static_cast<std::uint32_t>(DaysFromCivil(last) - DaysFromCivil(first) + 1);
}

}  // namespace

std::uint64_t MulDiv(std::uint64_t a, std::uint64_t b, std::uint64_t c) {
  if (c == 0) return UINT64_MAX;
  // The 128-bit product from 32-bit halves, then long division bit by bit: standard C++ has no
  // wider integer, and this runs a few times per poll.
  const std::uint64_t p0 = (a & kLow32) * (b & kLow32);
  const std::uint64_t p1 = (a & kLow32) * (b >> 32);
  const std::uint64_t p2 = (a >> 32) * (b & kLow32);
  const std::uint64_t p3 = (a >> 32) * (b >> 32);
  const std::uint64_t middle = (p0 >> 32) + (p1 & kLow32) + (p2 & kLow32);
  const std::uint64_t low = (middle << 32) | (p0 & kLow32);
  const std::uint64_t high = p3 + (p1 >> 32) + (p2 >> 32) + (middle >> 32);
  if (high >= c) return UINT64_MAX;  // the quotient needs more than 64 bits
  std::uint64_t remainder = high;
  std::uint64_t quotient = 0;
  for (int bit = 63; bit >= 0; --bit) {
    const bool carry = (remainder >> 63) != 0;
    remainder = (remainder << 1) | ((low >> bit) & 1u);
    quotient <<= 1;
    if (carry || remainder >= c) {
      remainder -= c;
      quotient |= 1u;
    }
  }
  return quotient;
}

bool ReachesPercent(std::uint64_t used, std::uint64_t limit, std::uint32_t percent) {
  return MulDiv(used, 100, limit) >= percent;
}

PlanPeriod PeriodContaining(const DataPlan& plan, const CivilDate& day) {
  switch (plan.period) {
    case PlanRenewal::kMonth: {
      CivilDate first = BillingDay(day.year, day.month, plan.start.day);
      if (day < first) {
        const CivilDate before = MonthBefore(day);
        first = BillingDay(before.year, before.month, plan.start.day);
      }
      const CivilDate after = MonthAfter(first);
      return PlanPeriod{true, first, AddDays(BillingDay(after.year, after.month, plan.start.day), -1)};
    }
    case PlanRenewal::kWeek: {
      const int back = (DayOfWeek(day) - DayOfWeek(plan.start) + 7) % 7;
      const CivilDate first = AddDays(day, -back);
      return PlanPeriod{true, first, AddDays(first, 6)};
    }
    case PlanRenewal::kDay:
      return PlanPeriod{true, day, day};
    case PlanRenewal::kOnce:
      return PlanPeriod{plan.start <= day && day <= plan.end, plan.start, plan.end};
  }
  return PlanPeriod{};
}

PlanFigures FiguresOf(const DataPlan& plan, const PlanPeriod& period, const CivilDate& day, std::uint64_t usedBytes) {
  PlanFigures f;
  f.period = period;
  f.usedBytes = usedBytes;
  f.limitBytes = plan.limitBytes;
  f.totalDays = DaysFromTo(period.first, period.last);
  if (day < period.first) {
    f.daysLeft = f.totalDays;  // all of it is still to come
  } else if (period.last < day) {
    f.elapsedDays = f.totalDays;  // run out: nothing left to use
  } else {
    f.elapsedDays = DaysFromTo(period.first, day);
    f.daysLeft = f.totalDays - f.elapsedDays;
  }
  f.projectedBytes = f.elapsedDays == 0 ? 0 : MulDiv(usedBytes, f.totalDays, f.elapsedDays);
  const std::uint64_t remaining = plan.limitBytes > usedBytes ? plan.limitBytes - usedBytes : 0;
  f.allowanceBytes = period.last < day ? 0 : remaining / std::max<std::uint64_t>(1, f.daysLeft);
  f.percent = MulDiv(usedBytes, 100, plan.limitBytes);
  return f;
}

}  // namespace tral
