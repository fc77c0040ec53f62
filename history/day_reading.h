// Reading day files: one day decoded entry by entry with the reason when it ends early, and the
// days of a span found through one listing of the folder.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "history/day_file_source.h"

namespace tral {

// What reading one day file gave: no file, a file that could not be read (or is no regular file),
// every field read through to the running time and nothing after it, or a damaged file: one that
// ended early or goes on after its running time (its complete entries count, its running time
// does not).
enum class DayReadOutcome { kMissing, kUnreadable, kComplete, kDamaged };

// One complete entry of a day file, its texts taken up to their NUL within their field.
struct DayEntryView {
  std::string_view adapterKey;
  std::string_view ipText;
  std::string_view bssid;
  std::string_view ssid;
  std::uint64_t rxBytes = 0;
  std::uint64_t txBytes = 0;
};

struct DayReadResult {
  DayReadOutcome outcome = DayReadOutcome::kMissing;
  std::uint32_t uptimeMs = 0;  // the day's running time; only when complete
  std::string problem;  // why a file ended early or could not be read; empty otherwise
};

using DayEntryVisitor = std::function<void(const DayEntryView& entry)>;

// Decodes a day file's bytes, handing every complete entry to `onEntry` in file order: a file
// damaged further on keeps what came before the damage.
DayReadResult DecodeDay(const std::vector<std::uint8_t>& bytes, const DayEntryVisitor& onEntry);

// The outcome of fetching a history file (a day file, or the slot file beside it): nothing for an
// absent file, the system's reason for one that could not be read, and otherwise what `decode`
// makes of the bytes, with the system's reason added when the read stopped part-way.
DayReadResult DecodeRead(DayFileSource& files, DayFileRead read, const std::function<DayReadResult()>& decode);

// Reads and decodes the day file of `date`; `buffer` is reused from day to day.
DayReadResult ReadDay(DayFileSource& files, const CivilDate& date, std::vector<std::uint8_t>& buffer,
                      const DayEntryVisitor& onEntry);

// Told before each day of a span is read, so the reader can set up for it.
using DayStartVisitor = std::function<void(const CivilDate& date)>;
// Told after each day of a span has been read.
using DayReadObserver = std::function<void(const CivilDate& date, const DayReadResult& result)>;

// Walks the dates from `first` to `last`, both included (`first` is read even when after `last`).
// Only the dates whose files the source lists are read, ascending and each once, so a span of
// centuries costs one listing instead of a failed open per day; when the source cannot list,
// every date is read.
class SpanReader {
 public:
  explicit SpanReader(DayFileSource& files) : files_(files) {}

  void Read(const CivilDate& first, const CivilDate& last, const DayStartVisitor& onStart,
            const DayEntryVisitor& onEntry, const DayReadObserver& onDay);
  // The same over a listing the caller made already (the dates of the files present, any order).
  void ReadListed(const std::vector<CivilDate>& listed, const CivilDate& first, const CivilDate& last,
                  const DayStartVisitor& onStart, const DayEntryVisitor& onEntry, const DayReadObserver& onDay);
  // One date, whether or not the listing names it.
  DayReadResult ReadOne(const CivilDate& date, const DayEntryVisitor& onEntry);

 private:
  void ReadSorted(const CivilDate& first, const CivilDate& end, const DayStartVisitor& onStart,
                  const DayEntryVisitor& onEntry, const DayReadObserver& onDay);
  void VisitDay(const CivilDate& date, const DayStartVisitor& onStart, const DayEntryVisitor& onEntry,
                const DayReadObserver& onDay);

  DayFileSource& files_;
  std::vector<std::uint8_t> buffer_;  // one day's bytes, reused from day to day
  std::vector<CivilDate> listed_;  // the source's day files, reused from span to span
};

}  // namespace tral
