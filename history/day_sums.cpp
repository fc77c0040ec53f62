// Summing each day of a span over the accepted connections.
#include "history/day_sums.h"

#include "shared/saturating_sum.h"

namespace tral {

std::vector<DaySum> SumDays(SpanReader& reader, const CivilDate& first, const CivilDate& last,
                            const EntryFilter& accept) {
  std::vector<DaySum> days;
  DaySum day;
  reader.Read(
      first, last, [&](const CivilDate& date) { day = DaySum{date}; },
      [&](const DayEntryView& entry) {
        if (accept && !accept(entry)) return;
        const bool capped = AddSaturating(day.rxBytes, entry.rxBytes) | AddSaturating(day.txBytes, entry.txBytes);
        day.saturated = day.saturated || capped;
      },
      [&](const CivilDate&, const DayReadResult& result) {
        if (result.outcome == DayReadOutcome::kMissing) return;
        day.outcome = result.outcome;
        days.push_back(day);
      });
  return days;
}

}  // namespace tral
