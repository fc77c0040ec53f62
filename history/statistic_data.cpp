// Statistics aggregation over day files, and its size and running-time texts.
#include "history/statistic_data.h"

#include <algorithm>
#include <charconv>

namespace tral {

namespace {

std::string DecimalText(std::uint64_t value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

void ClipToRowWidths(std::string_view& adapterKey, std::string_view& ipText, std::string_view& bssid,
                     std::string_view& ssid) {
  adapterKey = adapterKey.substr(0, kRowKeyChars);
  ipText = ipText.substr(0, kRowIpChars);
  bssid = bssid.substr(0, kRowBssidChars);
  ssid = ssid.substr(0, kRowSsidChars);
}

}  // namespace

void CStatisticData::Clear() {
  rows_.clear();
  uptimeMs_ = 0;
  nextRowHint_ = 0;
  unreadable_.clear();
  damaged_.clear();
  days_.clear();
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

std::size_t CStatisticData::AddEntry(std::string_view adapterKey, std::string_view ipText, std::string_view bssid,
                                     std::string_view ssid, std::uint64_t rxBytes, std::uint64_t txBytes) {
  // Whole kilobytes per entry: each day's remainder is dropped, not carried.
  return Merge(adapterKey, ipText, bssid, ssid, rxBytes >> 10, txBytes >> 10, rxBytes, txBytes);
}

std::size_t CStatisticData::FindRow(std::string_view adapterKey, std::string_view ipText, std::string_view bssid,
                                    std::string_view ssid, std::size_t from) const {
  // Rows keep texts cut to their widths, so an entry's texts are compared cut the same way.
  ClipToRowWidths(adapterKey, ipText, bssid, ssid);
  // No two rows are equal (a row is added only when none matches), so the one matching row may be
  // looked for anywhere first.
  if (from < rows_.size() && Matches(rows_[from], adapterKey, ipText, bssid, ssid)) return from;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (Matches(rows_[i], adapterKey, ipText, bssid, ssid)) return i;
  }
  return rows_.size();
}

std::size_t CStatisticData::Merge(std::string_view adapterKey, std::string_view ipText, std::string_view bssid,
                           std::string_view ssid, std::uint64_t downloadedKb, std::uint64_t uploadedKb,
                           std::uint64_t downloadedBytes, std::uint64_t uploadedBytes) {
  ClipToRowWidths(adapterKey, ipText, bssid, ssid);
  const std::size_t found = FindRow(adapterKey, ipText, bssid, ssid, nextRowHint_);
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
  return found;
}

void CStatisticData::AddEntryView(const DayEntryView& entry) {
  const std::size_t row =
      AddEntry(entry.adapterKey, entry.ipText, entry.bssid, entry.ssid, entry.rxBytes, entry.txBytes);
  if (days_.empty()) return;
  std::vector<RowBytes>& rows = days_.back().rows;
  auto it = std::find_if(rows.begin(), rows.end(), [row](const RowBytes& r) { return r.row == row; });
  if (it == rows.end()) it = rows.insert(rows.end(), RowBytes{row, 0, 0});
  it->rxBytes += entry.rxBytes;
  it->txBytes += entry.txBytes;
}

void CStatisticData::BeginDay(const CivilDate& date) { days_.push_back(CountedDay{date, DayReadOutcome::kMissing, {}}); }

void CStatisticData::EndDay(const CivilDate& date, const DayReadResult& result) {
  NoteDay(date, result);
  if (result.outcome == DayReadOutcome::kMissing) {
    days_.pop_back();
  } else {
    days_.back().outcome = result.outcome;
  }
}

void CStatisticData::NoteDay(const CivilDate& date, const DayReadResult& result) {
  // Entries were merged as they were read: a file damaged further on keeps what came before.
  if (result.outcome == DayReadOutcome::kComplete) uptimeMs_ += result.uptimeMs;
  if (result.outcome == DayReadOutcome::kDamaged) damaged_.push_back(date);
  if (result.outcome == DayReadOutcome::kUnreadable) unreadable_.push_back(date);
}

DayReadResult CStatisticData::ReadDay(std::uint16_t year, std::uint16_t month, std::uint16_t day) {
  const CivilDate date{year, month, day};
  BeginDay(date);
  const DayReadResult result = reader_.ReadOne(date, [this](const DayEntryView& entry) { AddEntryView(entry); });
  EndDay(date, result);
  return result;
}

DayReadResult CStatisticData::CountDay(const CivilDate& date) { return ReadDay(date.year, date.month, date.day); }

void CStatisticData::CountSpan(const CivilDate& first, const CivilDate& last, const DayReadObserver& observer) {
  reader_.Read(
      first, last, [this](const CivilDate& date) { BeginDay(date); },
      [this](const DayEntryView& entry) { AddEntryView(entry); },
      [&](const CivilDate& date, const DayReadResult& result) {
        EndDay(date, result);
        if (observer) observer(date, result);
      });
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
