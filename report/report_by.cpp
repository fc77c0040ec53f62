// Grouping the report's rows by day, month, year, hour or five minutes, and the busiest groups.
#include "report/report_by.h"

#include <algorithm>
#include <cstdio>

#include "shared/saturating_sum.h"

namespace tral::report {

namespace {

constexpr std::int64_t kHoursPerDay = 24;
constexpr std::int64_t kMinutesPerHour = 60;

// Division rounding down, also for the days before 1970.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0); }

// Groups of a day's hours or slots: how many a day has.
std::int64_t PerDay(Grouping by) { return by == Grouping::kHour ? kHoursPerDay : kSlotsPerDay; }

std::vector<StatisticRow> RowsOf(const CStatisticData& data) {
  std::vector<StatisticRow> rows;
  rows.reserve(data.RowCount());
  for (std::size_t i = 0; i < data.RowCount(); ++i) rows.push_back(data.Row(i));
  return rows;
}

std::uint64_t Traffic(const GroupFigures& group) {
  std::uint64_t bytes = 0;
  for (const StatisticRow& row : group.rows) {
    bytes = SaturatingSum(bytes, SaturatingSum(row.downloadedBytes, row.uploadedBytes));
  }
  return bytes;
}

}  // namespace

std::int64_t GroupOrdinal(Grouping by, const CivilDate& date, std::uint32_t minuteOfDay) {
  switch (by) {
    case Grouping::kDay: return DaysFromCivil(date);
    case Grouping::kMonth: return std::int64_t{date.year} * 12 + (date.month - 1);
    case Grouping::kYear: return date.year;
    case Grouping::kHour: return DaysFromCivil(date) * kHoursPerDay + minuteOfDay / kMinutesPerHour;
    case Grouping::kFiveMinutes: return DaysFromCivil(date) * kSlotsPerDay + minuteOfDay / kSlotMinutes;
  }
  return 0;
}

CivilDate GroupFirstDate(Grouping by, std::int64_t ordinal) {
  switch (by) {
    case Grouping::kDay: return CivilFromDays(ordinal);
    case Grouping::kMonth:
      return CivilDate{static_cast<std::uint16_t>(FloorDiv(ordinal, 12)),
                       static_cast<std::uint16_t>(ordinal - FloorDiv(ordinal, 12) * 12 + 1), 1};
    case Grouping::kYear: return CivilDate{static_cast<std::uint16_t>(ordinal), 1, 1};
    case Grouping::kHour:
    case Grouping::kFiveMinutes: return CivilFromDays(FloorDiv(ordinal, PerDay(by)));
  }
  return CivilDate{};
}

std::string GroupStartText(Grouping by, std::int64_t ordinal, bool iso) {
  const CivilDate first = GroupFirstDate(by, ordinal);
  char text[32];
  switch (by) {
    case Grouping::kDay: return DateText(first);
    case Grouping::kMonth:
      std::snprintf(text, sizeof text, "%04u-%02u", static_cast<unsigned>(first.year), static_cast<unsigned>(first.month));
      return text;
    case Grouping::kYear: return std::to_string(first.year);
    case Grouping::kHour:
    case Grouping::kFiveMinutes: break;
  }
  const std::int64_t inDay = ordinal - FloorDiv(ordinal, PerDay(by)) * PerDay(by);
  const std::int64_t minute = inDay * (kMinutesPerHour * kHoursPerDay / PerDay(by));
  std::snprintf(text, sizeof text, "%c%02u:%02u", iso ? 'T' : ' ', static_cast<unsigned>(minute / kMinutesPerHour),
                static_cast<unsigned>(minute % kMinutesPerHour));
  return DateText(first) + text;
}

void KeepTop(GroupedFigures& grouped, std::size_t count) {
  std::vector<std::uint64_t> traffic;
  traffic.reserve(grouped.groups.size());
  for (const GroupFigures& group : grouped.groups) traffic.push_back(Traffic(group));
  std::stable_sort(grouped.listed.begin(), grouped.listed.end(),
                   [&](std::size_t a, std::size_t b) { return traffic[a] > traffic[b]; });
  if (grouped.listed.size() > count) grouped.listed.resize(count);
  grouped.top = count;
}

GroupCounter::GroupCounter(Grouping by, DayFileSource& files, TextEqualIgnoringCase equal)
    : by_(by), files_(files), equal_(equal), group_(files, equal), notPlaced_(files, equal) {
  grouped_.by = by;
}

void GroupCounter::FlushDayGroup() {
  if (!current_) return;
  grouped_.groups.push_back(GroupFigures{*current_, RowsOf(group_)});
  group_.Clear();
  current_.reset();
}

void GroupCounter::AddEntry(const CivilDate& date, const DayEntryView& entry) {
  if (FromSlots()) return;
  const std::int64_t ordinal = GroupOrdinal(by_, date);
  if (current_ != ordinal) FlushDayGroup();
  current_ = ordinal;
  group_.AddEntry(entry.adapterKey, entry.ipText, entry.bssid, entry.ssid, entry.rxBytes, entry.txBytes);
}

void GroupCounter::AddTimedDay(const TimedDay& day) {
  const TimeGrain grain = by_ == Grouping::kHour ? TimeGrain::kHour : TimeGrain::kFiveMinutes;
  for (const BucketBytes& b : GroupSlots(day, grain)) {
    const TimedConnection& c = day.connections[b.connection];
    CStatisticData& bucket = buckets_.try_emplace(b.bucket, files_, equal_).first->second;
    bucket.AddEntry(c.adapterKey, c.ipText, c.bssid, c.ssid, b.rxBytes, b.txBytes);
  }
  for (const TimedConnection& c : day.connections) {
    if (c.notPlacedRxBytes == 0 && c.notPlacedTxBytes == 0) continue;
    notPlaced_.AddEntry(c.adapterKey, c.ipText, c.bssid, c.ssid, c.notPlacedRxBytes, c.notPlacedTxBytes);
  }
}

void GroupCounter::EndDate(const CivilDate& date) {
  if (!FromSlots()) {
    // A date with a file and no entry counted still makes its group.
    const std::int64_t ordinal = GroupOrdinal(by_, date);
    if (current_ != ordinal) FlushDayGroup();
    current_ = ordinal;
    return;
  }
  const std::int64_t firstOfDay = GroupOrdinal(by_, date);
  for (const auto& [bucket, data] : buckets_) grouped_.groups.push_back(GroupFigures{firstOfDay + bucket, RowsOf(data)});
  buckets_.clear();
  if (notPlaced_.RowCount() > 0) grouped_.notPlaced.push_back(NotPlacedFigures{date, RowsOf(notPlaced_)});
  notPlaced_.Clear();
}

GroupedFigures GroupCounter::Finish() {
  FlushDayGroup();
  grouped_.listed.resize(grouped_.groups.size());
  for (std::size_t i = 0; i < grouped_.listed.size(); ++i) grouped_.listed[i] = i;
  return std::move(grouped_);
}

}  // namespace tral::report
