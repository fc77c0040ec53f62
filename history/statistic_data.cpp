// Statistics aggregation over day files, and its size and running-time texts.
#include "history/statistic_data.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <deque>
#include <mutex>
#include <utility>

#include "shared/saturating_sum.h"

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

using ByteClasses = std::array<std::uint8_t, 256>;

// For every byte, the smallest byte the comparison takes as the same letter. The comparison is
// known by its function only, so the classes are learnt from it, once per function: texts it
// finds equal are then equal byte class by byte class, and hash alike.
const std::uint8_t* ByteClassesOf(TextEqualIgnoringCase equal) {
  static std::mutex lock;
  static std::deque<std::pair<TextEqualIgnoringCase, ByteClasses>> known;  // entries never move
  const std::lock_guard<std::mutex> hold(lock);
  for (const auto& [function, classes] : known) {
    if (function == equal) return classes.data();
  }
  ByteClasses classes{};
  for (int b = 0; b < 256; ++b) {
    classes[b] = static_cast<std::uint8_t>(b);
    const char text = static_cast<char>(b);
    for (int c = 0; c < b; ++c) {
      const char other = static_cast<char>(c);
      if (equal(std::string_view(&other, 1), std::string_view(&text, 1))) {
        classes[b] = classes[c];
        break;
      }
    }
  }
  return known.emplace_back(equal, classes).second.data();
}

}  // namespace

CStatisticData::CStatisticData(DayFileSource& files, TextEqualIgnoringCase equal)
    : reader_(files), equal_(equal), byteClasses_(ByteClassesOf(equal)) {}

void CStatisticData::Clear() {
  rows_.clear();
  rowHashes_.clear();
  slots_.clear();
  rowDay_.clear();
  rowDayAt_.clear();
  uptimeMs_ = 0;
  nextRowHint_ = 0;
  unreadable_.clear();
  damaged_.clear();
  days_.clear();
}

std::vector<StatisticRow> CStatisticData::TakeRows() {
  std::vector<StatisticRow> rows = std::move(rows_);
  Clear();
  return rows;
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

std::uint64_t CStatisticData::RowHash(std::string_view adapterKey, std::string_view ipText, std::string_view bssid,
                                      std::string_view ssid) const {
  // The byte classes eight at a time, each word multiplied in; each text closed by its length so
  // that no two splits of the same bytes into four texts meet; the result stirred so that its low
  // bits, which pick the slot, depend on every byte.
  std::uint64_t hash = 0;
  const auto mix = [&hash](std::uint64_t word) {
    hash = (hash ^ word) * 0x9E3779B97F4A7C15ULL;
    hash ^= hash >> 29;
  };
  for (const std::string_view text : {adapterKey, ipText, bssid, ssid}) {
    std::uint64_t word = 0;
    std::size_t i = 0;
    for (; i < text.size(); ++i) {
      word = (word << 8) | byteClasses_[static_cast<unsigned char>(text[i])];
      if (i % 8 == 7) {
        mix(word);
        word = 0;
      }
    }
    mix(word);
    mix(text.size());
  }
  hash ^= hash >> 33;
  hash *= 0xFF51AFD7ED558CCDULL;
  hash ^= hash >> 33;
  return hash;
}

std::optional<std::size_t> CStatisticData::RowOf(std::string_view adapterKey, std::string_view ipText,
                                                 std::string_view bssid, std::string_view ssid) const {
  ClipToRowWidths(adapterKey, ipText, bssid, ssid);
  const std::size_t row = FindRow(adapterKey, ipText, bssid, ssid, RowHash(adapterKey, ipText, bssid, ssid), 0);
  if (row >= rows_.size()) return std::nullopt;
  return row;
}

std::size_t CStatisticData::FindRow(std::string_view adapterKey, std::string_view ipText, std::string_view bssid,
                                    std::string_view ssid, std::uint64_t hash, std::size_t from) const {
  // No two rows are equal (a row is added only when none matches), so the one matching row may be
  // looked for anywhere first: the row after the last one matched is often the next.
  if (from < rows_.size() && rowHashes_[from] == hash && Matches(rows_[from], adapterKey, ipText, bssid, ssid)) {
    return from;
  }
  if (slots_.empty()) return rows_.size();
  const std::size_t mask = slots_.size() - 1;
  const auto tag = static_cast<std::uint32_t>(hash >> 32);
  for (std::size_t at = static_cast<std::size_t>(hash) & mask; slots_[at].row != 0; at = (at + 1) & mask) {
    if (slots_[at].tag == tag && Matches(rows_[slots_[at].row - 1], adapterKey, ipText, bssid, ssid)) {
      return slots_[at].row - 1;
    }
  }
  return rows_.size();
}

void CStatisticData::IndexRow(std::size_t row) {
  // At most half the slots in use keeps the probes short; the table doubles and is filled again.
  if (slots_.size() < 2 * (row + 1)) {
    slots_.assign(std::max<std::size_t>(64, slots_.size() * 2), Slot{});
    for (std::size_t r = 0; r < row; ++r) IndexRow(r);
  }
  const std::size_t mask = slots_.size() - 1;
  std::size_t at = static_cast<std::size_t>(rowHashes_[row]) & mask;
  while (slots_[at].row != 0) at = (at + 1) & mask;
  slots_[at] = Slot{static_cast<std::uint32_t>(rowHashes_[row] >> 32), static_cast<std::uint32_t>(row + 1)};
}

std::size_t CStatisticData::Merge(std::string_view adapterKey, std::string_view ipText, std::string_view bssid,
                           std::string_view ssid, std::uint64_t downloadedKb, std::uint64_t uploadedKb,
                           std::uint64_t downloadedBytes, std::uint64_t uploadedBytes) {
  // Rows keep texts cut to their widths, so an entry's texts are compared cut the same way.
  ClipToRowWidths(adapterKey, ipText, bssid, ssid);
  const std::uint64_t hash = RowHash(adapterKey, ipText, bssid, ssid);
  const std::size_t found = FindRow(adapterKey, ipText, bssid, ssid, hash, nextRowHint_);
  if (found < rows_.size()) {
    StatisticRow& row = rows_[found];
    // Each sum is added on its own: || would leave the later ones out once one saturated.
    const bool capped = AddSaturating(row.downloadedKb, downloadedKb) | AddSaturating(row.uploadedKb, uploadedKb) |
                        AddSaturating(row.downloadedBytes, downloadedBytes) |
                        AddSaturating(row.uploadedBytes, uploadedBytes);
    row.saturated = row.saturated || capped;
  } else {
    rows_.push_back(StatisticRow{adapterKey, ipText, bssid, ssid, downloadedKb, uploadedKb, downloadedBytes,
                                 uploadedBytes, true, false});
    rowHashes_.push_back(hash);
    IndexRow(found);
  }
  nextRowHint_ = found + 1;
  return found;
}

void CStatisticData::AddEntryView(const DayEntryView& entry) {
  const std::size_t row =
      AddEntry(entry.adapterKey, entry.ipText, entry.bssid, entry.ssid, entry.rxBytes, entry.txBytes);
  if (days_.empty()) return;
  std::vector<RowBytes>& rows = days_.back().rows;
  // Only days that are kept need to know where each row's bytes are; a count through AddEntry
  // alone leaves these lists empty.
  if (rowDay_.size() <= row) {
    rowDay_.resize(rows_.size(), 0);
    rowDayAt_.resize(rows_.size(), 0);
  }
  if (rowDay_[row] != daySerial_) {
    rowDay_[row] = daySerial_;
    rowDayAt_[row] = rows.size();
    rows.push_back(RowBytes{row, 0, 0});
  }
  RowBytes& bytes = rows[rowDayAt_[row]];
  AddSaturating(bytes.rxBytes, entry.rxBytes);
  AddSaturating(bytes.txBytes, entry.txBytes);
}

void CStatisticData::BeginDay(const CivilDate& date) {
  ++daySerial_;
  days_.push_back(CountedDay{date, DayReadOutcome::kMissing, {}});
}

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
    AddSaturating(sums.downloadedKb, row.downloadedKb);
    AddSaturating(sums.uploadedKb, row.uploadedKb);
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
