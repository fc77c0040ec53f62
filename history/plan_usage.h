// What the day files say each data plan has used in its period: summed once, and again only for a
// plan whose period, match or count changed, when the day moved on, or when a day file of those
// days changed (seen through the stamps of one folder listing per update).
#pragma once

#include <cstdint>
#include <vector>

#include "history/plan_period.h"
#include "history/statistic_data.h"

namespace tral {

// The bytes of one entry or connection that count against a plan (received, sent or both; a sum
// past 64 bits stays at the largest number).
std::uint64_t CountedBytes(PlanCount count, std::uint64_t rxBytes, std::uint64_t txBytes);

// Whether a plan counts a connection with these texts.
inline bool PlanCounts(const DataPlan& plan, std::string_view adapterKey, std::string_view ipText,
                       std::string_view ssid, TextEqualIgnoringCase equal) {
  return MatchesConnection(plan.match, adapterKey, ipText, ssid, equal);
}

class PlanUsage {
 public:
  explicit PlanUsage(DayFileSource& files, TextEqualIgnoringCase equal = AsciiEqualIgnoringCase)
      : files_(files), reader_(files), equal_(equal) {}

  // Brings every plan's sum up to `day`. With `throughDay` the day files count through `day` (the
  // report); without, through the day before (the monitor adds today's live figures itself). Plans
  // whose days must be read again are read together: each day file of their periods is opened once.
  void Update(const std::vector<DataPlan>& plans, const CivilDate& day, bool throughDay);

  const PlanPeriod& Period(std::size_t plan) const { return entries_[plan].period; }
  std::uint64_t FileBytes(std::size_t plan) const { return entries_[plan].bytes; }
  // How many times day files were read since construction (one read serves several plans).
  std::size_t Reads() const { return reads_; }

 private:
  struct Entry {
    PlanPeriod period;
    ConnectionMatch match;
    PlanCount count = PlanCount::kBoth;
    bool hasDays = false;  // the period has days to read up to the day asked for
    CivilDate from;
    CivilDate to;
    std::vector<DayFileStamp> stamps;  // of the days from .. to when they were read
    std::uint64_t bytes = 0;
    bool valid = false;
  };

  void ReadStale(const std::vector<std::size_t>& stale, bool stamped);

  DayFileSource& files_;
  SpanReader reader_;
  TextEqualIgnoringCase equal_;
  std::vector<Entry> entries_;
  std::vector<DayFileStamp> listing_;  // reused from update to update
  std::vector<DayFileStamp> inRange_;
  std::vector<CivilDate> listedDates_;
  std::size_t reads_ = 0;
};

}  // namespace tral
