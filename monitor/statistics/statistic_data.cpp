// Statistics aggregation over day files, and its size and running-time texts.
#include "monitor/statistics/statistic_data.h"

#include <algorithm>
#include <charconv>

#include "shared/day_file_codec.h"
#include "shared/text_field.h"

namespace tral {

namespace {

std::string DecimalText(std::uint64_t value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

}  // namespace

void CStatisticData::Clear() {
  rows_.clear();
  uptimeMs_ = 0;
  nextRowHint_ = 0;
}

bool CStatisticData::Matches(const StatisticRow& row, std::string_view adapterKey, std::string_view ipText,
                             std::string_view bssid, std::string_view ssid) const {
  // The address tells most rows apart; the adapter key is usually shared by several.
  return equal_(row.ipText, ipText) && equal_(row.adapterKey, adapterKey) && equal_(row.bssid, bssid) &&
         equal_(row.ssid, ssid);
}

void CStatisticData::AddRecord(std::string_view adapterKey, std::string_view ipText, std::string_view bssid,
                               std::string_view ssid, std::uint64_t downloadedKb, std::uint64_t uploadedKb) {
  Merge(adapterKey, ipText, bssid, ssid, downloadedKb, uploadedKb, 0, 0);
}

void CStatisticData::AddEntry(std::string_view adapterKey, std::string_view ipText, std::string_view bssid,
                              std::string_view ssid, std::uint64_t rxBytes, std::uint64_t txBytes) {
  // Whole kilobytes per entry: each day's remainder is dropped, not carried.
  Merge(adapterKey, ipText, bssid, ssid, rxBytes >> 10, txBytes >> 10, rxBytes, txBytes);
}

void CStatisticData::Merge(std::string_view adapterKey, std::string_view ipText, std::string_view bssid,
                           std::string_view ssid, std::uint64_t downloadedKb, std::uint64_t uploadedKb,
                           std::uint64_t downloadedBytes, std::uint64_t uploadedBytes) {
  adapterKey = adapterKey.substr(0, kRowKeyChars);
  ipText = ipText.substr(0, kRowIpChars);
  bssid = bssid.substr(0, kRowBssidChars);
  ssid = ssid.substr(0, kRowSsidChars);
  // No two rows are equal (a row is added only when none matches), so the one matching row may be
  // looked for anywhere first: day files list their connections in the same order day after day,
  // so the row after the last one matched is tried before the search from the top.
  std::size_t found = rows_.size();
  if (nextRowHint_ < rows_.size() && Matches(rows_[nextRowHint_], adapterKey, ipText, bssid, ssid)) {
    found = nextRowHint_;
  } else {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
      if (Matches(rows_[i], adapterKey, ipText, bssid, ssid)) {
        found = i;
        break;
      }
    }
  }
  if (found < rows_.size()) {
    rows_[found].downloadedKb += downloadedKb;
    rows_[found].uploadedKb += uploadedKb;
    rows_[found].downloadedBytes += downloadedBytes;
    rows_[found].uploadedBytes += uploadedBytes;
  } else {
    rows_.push_back(StatisticRow{std::string(adapterKey), std::string(ipText), std::string(bssid),
                                 std::string(ssid), downloadedKb, uploadedKb, downloadedBytes, uploadedBytes,
                                 true});
  }
  nextRowHint_ = found + 1;
}

DayReadOutcome CStatisticData::ReadDay(std::uint16_t year, std::uint16_t month, std::uint16_t day) {
  if (!files_.ReadDayFile(CivilDate{year, month, day}, buffer_)) return DayReadOutcome::kMissing;
  // Entries are merged as they are read: a file damaged further on keeps what came before.
  DayFileReader reader(buffer_);
  std::uint32_t groupCount = 0;
  if (!reader.ReadGroupCount(groupCount)) return DayReadOutcome::kDamaged;
  for (std::uint32_t g = 0; g < groupCount; ++g) {
    char adapterKey[kAdapterKeyWidth];
    std::uint32_t entryCount = 0;
    if (!reader.ReadGroupHeader(adapterKey, entryCount)) return DayReadOutcome::kDamaged;
    for (std::uint32_t e = 0; e < entryCount; ++e) {
      DayFileEntry entry;
      if (!reader.ReadEntry(entry)) return DayReadOutcome::kDamaged;
      AddEntry(FieldText(adapterKey), FieldText(entry.ipText), FieldText(entry.bssid), FieldText(entry.ssid),
               entry.rxBytes, entry.txBytes);
    }
  }
  std::uint32_t dayUptimeMs = 0;
  if (!reader.ReadUptime(dayUptimeMs)) return DayReadOutcome::kDamaged;
  uptimeMs_ += dayUptimeMs;
  return DayReadOutcome::kComplete;
}

DayReadOutcome CStatisticData::CountDay(const CivilDate& date) { return ReadDay(date.year, date.month, date.day); }

void CStatisticData::CountSpan(const CivilDate& first, const CivilDate& last, const DayReadObserver& observer) {
  if (!files_.ListDayFiles(listed_)) {
    CountEveryDate(first, last, observer);
    return;
  }
  // Ascending dates, each once (a file system that tells letter case apart may hold "....bin" and
  // "....BIN" of one date; reading by date opens one of them once).
  std::sort(listed_.begin(), listed_.end());
  listed_.erase(std::unique(listed_.begin(), listed_.end()), listed_.end());
  const CivilDate end = std::max(first, last);  // a first date after the last reads the first only
  for (auto it = std::lower_bound(listed_.begin(), listed_.end(), first); it != listed_.end() && *it <= end; ++it) {
    const DayReadOutcome outcome = CountDay(*it);
    if (observer) observer(*it, outcome);
  }
}

void CStatisticData::CountEveryDate(const CivilDate& first, const CivilDate& last, const DayReadObserver& observer) {
  CivilDate date = first;
  for (;;) {
    const DayReadOutcome outcome = CountDay(date);
    if (observer) observer(date, outcome);
    const CivilDate next = AddDays(date, 1);
    // The second test stops at the end of the representable years instead of wrapping around.
    if (next > last || !(next > date)) break;
    date = next;
  }
}

StatisticSums CStatisticData::SumChecked() const {
  StatisticSums sums;
  for (const StatisticRow& row : rows_) {
    if (!row.checked) continue;
    sums.downloadedKb += row.downloadedKb;
    sums.uploadedKb += row.uploadedKb;
  }
  return sums;
}

std::string FormatSize(std::uint64_t kb) {
  if (kb > 99'999'999'999ULL) return DecimalText(kb >> 30) + " TB ";
  if (kb > 99'999'999ULL) return DecimalText(kb >> 20) + " GB ";
  if (kb > 99'999ULL) return DecimalText(kb >> 10) + " MB ";
  return DecimalText(kb) + " KB ";
}

std::string FormatUptime(std::uint64_t ms) {
  const std::uint64_t hours = ms / 3'600'000;
  const std::uint64_t minutes = (ms - hours * 3'600'000) / 60'000;
  return DecimalText(hours) + " hours and " + DecimalText(minutes) + " minutes";
}

}  // namespace tral
