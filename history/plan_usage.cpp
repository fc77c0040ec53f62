// Keeping each data plan's sum of its period's day files, read again only when something changed.
#include "history/plan_usage.h"

#include <algorithm>

#include "shared/saturating_sum.h"

namespace tral {

std::uint64_t CountedBytes(PlanCount count, std::uint64_t rxBytes, std::uint64_t txBytes) {
  switch (count) {
    case PlanCount::kReceived: return rxBytes;
    case PlanCount::kSent: return txBytes;
    case PlanCount::kBoth: break;
  }
  return SaturatingSum(rxBytes, txBytes);
}

bool PlanUsage::CurrentListing() {
  // The folder's stamp first: a save between it and the listing shows as a new stamp next time.
  std::uint64_t stamp = 0;
  const bool folderStamped = files_.FolderStamp(stamp);
  const bool same = listed_ && folderStamped && stamp == folderStamp_ && ++updatesSinceListing_ < kUpdatesPerListing;
  if (same) return stamped_;
  stamped_ = files_.ListDayFileStamps(listing_);
  std::sort(listing_.begin(), listing_.end(), [](const DayFileStamp& a, const DayFileStamp& b) { return a.date < b.date; });
  listed_ = true;
  folderStamp_ = stamp;
  updatesSinceListing_ = 0;
  ++listings_;
  return stamped_;
}

void PlanUsage::Update(const std::vector<DataPlan>& plans, const CivilDate& day, bool throughDay) {
  entries_.resize(plans.size());
  incomplete_.clear();
  // One listing tells for every plan whether a file of its days was added, removed or rewritten.
  const bool stamped = CurrentListing();
  const auto byDate = [](const DayFileStamp& a, const DayFileStamp& b) { return a.date < b.date; };

  std::vector<std::size_t> stale;
  for (std::size_t i = 0; i < plans.size(); ++i) {
    const DataPlan& plan = plans[i];
    Entry& e = entries_[i];
    const PlanPeriod period = PeriodContaining(plan, day);
    const CivilDate to = std::min(period.last, throughDay ? day : AddDays(day, -1));
    const bool hasDays = !(day < period.first) && !(to < period.first);
    inRange_.clear();
    if (hasDays && stamped) {
      auto it = std::lower_bound(listing_.begin(), listing_.end(), DayFileStamp{period.first}, byDate);
      for (; it != listing_.end() && it->date <= to; ++it) inRange_.push_back(*it);
    }
    const bool same = e.valid && e.match.kind == plan.match.kind && e.match.value == plan.match.value &&
                      e.count == plan.count && e.period.first == period.first && e.period.last == period.last &&
                      e.hasDays == hasDays && (!hasDays || e.to == to) && e.stamps == inRange_;
    e.period = period;
    if (same) continue;
    e.match = plan.match;
    e.count = plan.count;
    e.hasDays = hasDays;
    e.from = period.first;
    e.to = to;
    e.stamps = inRange_;
    e.bytes = 0;
    e.valid = true;
    if (hasDays) stale.push_back(i);
  }
  if (!stale.empty()) ReadStale(stale, stamped);
}

void PlanUsage::ReadStale(const std::vector<std::size_t>& stale, bool stamped) {
  CivilDate first = entries_[stale.front()].from;
  CivilDate last = entries_[stale.front()].to;
  for (const std::size_t i : stale) {
    first = std::min(first, entries_[i].from);
    last = std::max(last, entries_[i].to);
  }
  std::vector<std::size_t> counting;  // the stale plans whose days include the day being read
  const auto onStart = [&](const CivilDate& date) {
    counting.clear();
    for (const std::size_t i : stale) {
      if (entries_[i].from <= date && date <= entries_[i].to) counting.push_back(i);
    }
  };
  const auto onEntry = [&](const DayEntryView& entry) {
    for (const std::size_t i : counting) {
      Entry& e = entries_[i];
      if (!MatchesConnection(e.match, entry.adapterKey, entry.ipText, entry.ssid, equal_)) continue;
      const std::uint64_t counted = CountedBytes(e.count, entry.rxBytes, entry.txBytes);
      e.bytes = SaturatingSum(e.bytes, counted);
    }
  };
  const auto onDay = [&](const CivilDate& date, const DayReadResult& result) {
    if (result.outcome == DayReadOutcome::kDamaged || result.outcome == DayReadOutcome::kUnreadable) {
      incomplete_.emplace_back(date, result);
    }
  };
  ++reads_;
  if (!stamped) {
    reader_.Read(first, last, onStart, onEntry, onDay);
    return;
  }
  // The stamps' listing names the files already: the reader needs no second one.
  listedDates_.clear();
  for (const DayFileStamp& stamp : listing_) listedDates_.push_back(stamp.date);
  reader_.ReadListed(listedDates_, first, last, onStart, onEntry, onDay);
}

}  // namespace tral
