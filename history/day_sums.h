// Each day's bytes over a span, summed over the connections a filter accepts: what the data plans
// and the daily charts read.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "history/day_reading.h"

namespace tral {

struct DaySum {
  CivilDate date;
  DayReadOutcome outcome = DayReadOutcome::kMissing;
  std::uint64_t rxBytes = 0;  // downloaded, exact
  std::uint64_t txBytes = 0;  // uploaded, exact
  bool saturated = false;  // a sum would have passed the largest 64-bit number and stays at it
};

// Whether an entry counts; null counts every entry.
using EntryFilter = std::function<bool(const DayEntryView& entry)>;

// One sum per day of the span whose file is there (the sums saturate) (complete, damaged: as far as it could be read,
// or unreadable: zero), ascending; days without a file are left out.
std::vector<DaySum> SumDays(SpanReader& reader, const CivilDate& first, const CivilDate& last,
                            const EntryFilter& accept = nullptr);

}  // namespace tral
