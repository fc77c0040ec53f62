// What the day files say each data plan has used in its period: summed once, and again only for a
// plan whose period, match or count changed, when the day moved on, or when a day file of those
// days changed (seen through the stamps of a folder listing, made again only when the folder's own
// stamp moved, or after kUpdatesPerListing updates for a file rewritten in place).
#pragma once

#include <cstdint>
#include <utility>
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

// Updates between two listings while the folder's stamp stays: once a minute at one poll a second.
inline constexpr int kUpdatesPerListing = 60;

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
  std::size_t Listings() const { return listings_; }
  // The day files the last update read that ended early or could not be read, with the reason:
  // counted as far as they could be read.
  const std::vector<std::pair<CivilDate, DayReadResult>>& IncompleteDays() const { return incomplete_; }

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
  // The stamps' listing, made again when the folder may have changed.
  bool CurrentListing();

  DayFileSource& files_;
  SpanReader reader_;
  TextEqualIgnoringCase equal_;
  std::vector<Entry> entries_;
  std::vector<DayFileStamp> listing_;  // reused from update to update
  std::vector<DayFileStamp> inRange_;
  std::vector<CivilDate> listedDates_;
  bool listed_ = false;  // listing_ holds a listing
  bool stamped_ = false;  // the source gave stamps for it
  std::uint64_t folderStamp_ = 0;  // the folder's stamp when it was made
  int updatesSinceListing_ = 0;
  std::size_t reads_ = 0;
  std::size_t listings_ = 0;
  std::vector<std::pair<CivilDate, DayReadResult>> incomplete_;
};

}  // namespace tral
