// Reading slot files: a day's traffic per connection in five-minute slots, paired with the day's
// day file, what of it is not placed in time, and its sums in slots, hours or days.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "history/day_reading.h"
#include "history/day_sums.h"
#include "shared/slot_file_codec.h"

namespace tral {

// Decodes a slot file's bytes: kComplete with every connection, or kDamaged with the connections
// read whole before the damage and where it is. A file of another layout (mark, version, slot
// length) is damaged with nothing in it: its bytes mean nothing to this reader.
DayReadResult DecodeSlots(const std::vector<std::uint8_t>& bytes, std::vector<SlotFileConnection>& connections);

// Reads and decodes the slot file of `date`: kMissing when there is none, kUnreadable with the
// system's reason when it is there but cannot be read, as for day files.
DayReadResult ReadSlots(DayFileSource& files, const CivilDate& date, std::vector<std::uint8_t>& buffer,
                        std::vector<SlotFileConnection>& connections);

// One connection of one day: its day-file totals, its slots, and the bytes that are in the totals
// but in no slot.
struct TimedConnection {
  std::string adapterKey;
  std::string ipText;
  std::string bssid;
  std::string ssid;
  std::uint64_t dayRxBytes = 0;  // the day file's totals (entries of the same texts summed)
  std::uint64_t dayTxBytes = 0;
  std::vector<SlotBytes> slots;  // ascending, only slots with traffic
  // Day total - slot sum per direction: bytes counted that day whose time is not known. Never
  // below 0: slots beyond the totals (the day file damaged before the entry) count as they are.
  std::uint64_t notPlacedRxBytes = 0;
  std::uint64_t notPlacedTxBytes = 0;
};

// A day's day file and slot file read together.
struct TimedDay {
  CivilDate date;
  DayReadResult day;  // the day file's outcome
  DayReadResult slots;  // the slot file's: kMissing when the day has none (all its bytes unplaced)
  // The day file's connections in file order, then any the slot file holds beyond them; each set of
  // four texts once (compared byte for byte, as the two files are paired).
  std::vector<TimedConnection> connections;

  bool HasNotPlaced() const;
};

// Reads days with their slot files. A slot file is read only with a day file that could be read: a
// day counted by a service that kept no slots has its bytes all unplaced, and a slot file alone has
// no totals.
class TimedDayReader {
 public:
  explicit TimedDayReader(DayFileSource& files) : files_(files), days_(files) {}

  // One date; `accept` picks the connections (all when null). A date without a day file gives a
  // day with no connections and both outcomes kMissing. `onEntry`, when given, sees every complete
  // entry of the day file as it is read, accepted or not, so a caller that counts the entries needs
  // no second read.
  TimedDay Read(const CivilDate& date, const EntryFilter& accept = nullptr, const DayEntryVisitor& onEntry = nullptr);
  // The dates from `first` to `last` that have a day file (listed once, as SpanReader does),
  // ascending, each handed to `onDay`.
  void ReadSpan(const CivilDate& first, const CivilDate& last, const EntryFilter& accept,
                const std::function<void(const TimedDay&)>& onDay);

 private:
  void Start(const CivilDate& date);
  // The connection of these texts in the day being read, added when new.
  TimedConnection& Connection(std::string_view adapterKey, std::string_view ipText, std::string_view bssid,
                              std::string_view ssid);
  void AddEntry(const DayEntryView& entry);
  TimedDay Finish(const DayReadResult& day, const EntryFilter& accept);

  DayFileSource& files_;
  SpanReader days_;
  TimedDay day_;  // the day being read
  std::unordered_map<std::string, std::size_t> index_;  // its connections by their four texts
  std::vector<std::uint8_t> slotBuffer_;
  std::vector<SlotFileConnection> slotConnections_;
};

// The four texts of a connection as one key, for finding it among many: texts hold no NUL, so
// they are joined with NULs.
std::string ConnectionKey(std::string_view adapterKey, std::string_view ipText, std::string_view bssid,
                          std::string_view ssid);

// How finely slots are summed: each bucket covers this many slots.
enum class TimeGrain : std::uint16_t { kFiveMinutes = 1, kHour = 12, kDay = kSlotsPerDay };

constexpr std::uint16_t SlotsPerBucket(TimeGrain grain) { return static_cast<std::uint16_t>(grain); }
constexpr std::uint16_t BucketsPerDay(TimeGrain grain) {
  return static_cast<std::uint16_t>(kSlotsPerDay / SlotsPerBucket(grain));
}
// The minutes since midnight at which a bucket begins.
constexpr std::uint32_t BucketStartMinute(TimeGrain grain, std::uint16_t bucket) {
  return static_cast<std::uint32_t>(bucket) * SlotsPerBucket(grain) * kSlotMinutes;
}

// One connection's bytes in one bucket of a day.
struct BucketBytes {
  std::uint16_t bucket = 0;
  std::size_t connection = 0;  // index into the day's connections
  std::uint64_t rxBytes = 0;
  std::uint64_t txBytes = 0;

  friend bool operator==(const BucketBytes&, const BucketBytes&) = default;
};

// The buckets of a day that carried traffic, per connection: ascending by bucket, then by
// connection. Sums stop at the largest 64-bit number instead of wrapping.
std::vector<BucketBytes> GroupSlots(const TimedDay& day, TimeGrain grain);

// Bytes of one bucket over the connections counted.
struct BucketSum {
  std::uint64_t rxBytes = 0;
  std::uint64_t txBytes = 0;

  friend bool operator==(const BucketSum&, const BucketSum&) = default;
};

// Whether a connection of a day (by index) is counted.
using TimedConnectionFilter = std::function<bool(std::size_t connection)>;

// Every bucket of the day, busy or not (24 for hours, 288 for slots), over the connections
// `counted` takes (all when null); `notPlaced`, when given, receives their bytes in no slot.
std::vector<BucketSum> SumBuckets(const TimedDay& day, TimeGrain grain, const TimedConnectionFilter& counted = nullptr,
                                  BucketSum* notPlaced = nullptr);

}  // namespace tral
