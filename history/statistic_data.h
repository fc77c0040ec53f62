// A span's day files merged into one row per connection, the running time, and their texts: what the
// Statistics window and the report show.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "history/day_reading.h"
#include "history/row_text.h"
#include "shared/ascii_text.h"

namespace tral {

// Case-insensitive equality of two texts in the system code page. The portable default folds ASCII
// letters only (AsciiEqualIgnoringCase); the Windows layer provides one that knows the code page.
// Texts of different lengths are never equal, and two texts are equal when each byte is equal to
// the byte in the same place taken on its own (a double-byte character to the same two bytes).
using TextEqualIgnoringCase = bool (*)(std::string_view, std::string_view);

// Longest texts a row holds: each fits the day file's field with its NUL.
inline constexpr std::size_t kRowKeyChars = 25;
inline constexpr std::size_t kRowIpChars = 15;
inline constexpr std::size_t kRowBssidChars = 25;
inline constexpr std::size_t kRowSsidChars = 32;

struct StatisticRow {
  RowText<kRowKeyChars> adapterKey;
  RowText<kRowIpChars> ipText;
  RowText<kRowBssidChars> bssid;  // empty when not wireless
  RowText<kRowSsidChars> ssid;
  std::uint64_t downloadedKb = 0;  // sum over the days of each entry's bytes / 1024, truncated per entry
  std::uint64_t uploadedKb = 0;
  // The exact sums of the entries' bytes, for readers that want more than whole kilobytes.
  std::uint64_t downloadedBytes = 0;
  std::uint64_t uploadedBytes = 0;
  bool checked = true;
  // One of the four sums would have passed the largest 64-bit number and stays at it instead.
  bool saturated = false;
};

// One day that ReadDay, CountDay or CountSpan read: the exact bytes it gave each row (by row
// index), so that the days can be drawn again for any choice of rows without reading the files.
struct RowBytes {
  std::size_t row = 0;
  std::uint64_t rxBytes = 0;
  std::uint64_t txBytes = 0;
};
struct CountedDay {
  CivilDate date;
  DayReadOutcome outcome = DayReadOutcome::kMissing;  // never kMissing once kept
  std::vector<RowBytes> rows;
};

// Sums stop at the largest 64-bit number rather than wrap around (see shared/saturating_sum.h).
struct StatisticSums {
  std::uint64_t downloadedKb = 0;
  std::uint64_t uploadedKb = 0;
};

class CStatisticData {
 public:
  explicit CStatisticData(DayFileSource& files, TextEqualIgnoringCase equal = AsciiEqualIgnoringCase);

  // Removes every row and sets the uptime total to 0.
  void Clear();
  // Adds to the first row with the same four texts (ignoring case), or appends a checked row that
  // keeps these texts' letter case. The row is found through a hash of its texts: the time of a
  // count grows with the entries read, not with entries times rows.
  void AddRecord(std::string_view adapterKey, std::string_view ipText, std::string_view bssid,
                 std::string_view ssid, std::uint64_t downloadedKb, std::uint64_t uploadedKb);
  // Merges one day-file entry: its bytes into the exact sums, and its bytes / 1024, truncated,
  // into the kilobyte sums. Returns the index of its row. Every sum saturates (the row says so).
  std::size_t AddEntry(std::string_view adapterKey, std::string_view ipText, std::string_view bssid,
                std::string_view ssid, std::uint64_t rxBytes, std::uint64_t txBytes);
  // The row an entry of these texts merges into (compared as AddEntry compares them), if there is one.
  std::optional<std::size_t> RowOf(std::string_view adapterKey, std::string_view ipText, std::string_view bssid,
                                   std::string_view ssid) const;
  // Merges every complete entry of one day file. The day's running time is added only when the
  // file was read through to its last field; a missing or unreadable file adds nothing.
  DayReadResult ReadDay(std::uint16_t year, std::uint16_t month, std::uint16_t day);
  DayReadResult CountDay(const CivilDate& date);
  // Every date from `first` to `last`, both included; `first` is read even when after `last`.
  // Only the dates whose files the source lists are read (see SpanReader); the result is the same
  // as reading every date. `observer`, when given, hears of every day right after it was read
  // (dates without a file are then not read, and not heard of).
  void CountSpan(const CivilDate& first, const CivilDate& last, const DayReadObserver& observer = nullptr);
  // Adds what a day read by the caller gave once its entries have been added with AddEntry: its
  // running time when complete, the date when damaged or unreadable.
  void NoteDay(const CivilDate& date, const DayReadResult& result);
  // The days counted since the last Clear whose files could not be read, or ended early.
  const std::vector<CivilDate>& UnreadableDays() const { return unreadable_; }
  const std::vector<CivilDate>& DamagedDays() const { return damaged_; }
  // The days with a file that ReadDay, CountDay and CountSpan read since the last Clear, in the
  // order read (ascending for a span).
  const std::vector<CountedDay>& Days() const { return days_; }

  std::size_t RowCount() const { return rows_.size(); }
  // Hands the rows over without copying them, and clears as Clear does.
  std::vector<StatisticRow> TakeRows();
  const StatisticRow& Row(std::size_t index) const { return rows_[index]; }
  bool IsChecked(std::size_t index) const { return rows_[index].checked; }
  void SetChecked(std::size_t index, bool checked) { rows_[index].checked = checked; }
  std::uint64_t UptimeMs() const { return uptimeMs_; }

  StatisticSums SumChecked() const;

 private:
  // The row of these texts (ignoring case), or RowCount(); row `from` is tried first. `hash` is
  // RowHash of the texts.
  std::size_t FindRow(std::string_view adapterKey, std::string_view ipText, std::string_view bssid,
                      std::string_view ssid, std::uint64_t hash, std::size_t from) const;
  // A hash of the four texts that is the same for texts the comparison takes as equal.
  std::uint64_t RowHash(std::string_view adapterKey, std::string_view ipText, std::string_view bssid,
                        std::string_view ssid) const;
  void IndexRow(std::size_t row);
  void AddEntryView(const DayEntryView& entry);
  void BeginDay(const CivilDate& date);
  void EndDay(const CivilDate& date, const DayReadResult& result);
  // Returns the row the entry went to.
  std::size_t Merge(std::string_view adapterKey, std::string_view ipText, std::string_view bssid, std::string_view ssid,
             std::uint64_t downloadedKb, std::uint64_t uploadedKb, std::uint64_t downloadedBytes,
             std::uint64_t uploadedBytes);
  bool Matches(const StatisticRow& row, std::string_view adapterKey, std::string_view ipText,
               std::string_view bssid, std::string_view ssid) const;

  SpanReader reader_;
  TextEqualIgnoringCase equal_;
  const std::uint8_t* byteClasses_;  // per byte, the smallest byte the comparison takes as equal to it
  std::vector<StatisticRow> rows_;
  std::vector<std::uint64_t> rowHashes_;  // RowHash of each row
  // Open addressing over the rows: the high half of a row's hash beside it, so that a probe
  // reads one place (eight bytes) and looks at a row only when that half matches.
  struct Slot {
    std::uint32_t tag = 0;
    std::uint32_t row = 0;  // row + 1; 0 for a free slot
  };
  std::vector<Slot> slots_;
  // Where each row's bytes are in the current day's list: valid while rowDay_ is daySerial_. Grown
  // only once a day read through ReadDay, CountDay or CountSpan keeps its rows' bytes.
  std::vector<std::uint64_t> rowDay_;
  std::vector<std::size_t> rowDayAt_;
  std::uint64_t daySerial_ = 0;
  std::uint64_t uptimeMs_ = 0;
  std::size_t nextRowHint_ = 0;  // index after the row matched last
  std::vector<CivilDate> unreadable_;
  std::vector<CivilDate> damaged_;
  std::vector<CountedDay> days_;
};

// "<n> KB ", "<n> MB ", "<n> GB " or "<n> TB " from a count of KB: decimal thresholds of
// 99,999 / 99,999,999 / 99,999,999,999, binary divisors, truncated.
std::string FormatSize(std::uint64_t kb);
// "<h> hours and <m> minutes", both truncated; no days, no singular.
std::string FormatUptime(std::uint64_t ms);

}  // namespace tral
