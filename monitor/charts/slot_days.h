// Days read with their slot files for the chart windows, kept while the folder stays as it was:
// the service replaces today's files by renaming fresh ones over them, which moves the folder's
// stamp, so a window that asks at every refresh reads the files only after a save.
#pragma once

#include <cstdint>
#include <map>

#include "history/slot_reading.h"

namespace tral {

class SlotDays {
 public:
  explicit SlotDays(DayFileSource& files) : files_(files), reader_(files) {}

  // The day of `date` as its files are now. `nowMs` (a monotonic clock) bounds how long a day is
  // kept at all, for a folder without stamps or a file rewritten in place.
  TimedDay Day(const CivilDate& date, std::uint64_t nowMs);

 private:
  struct Kept {
    TimedDay day;
    std::uint64_t readMs = 0;
  };

  DayFileSource& files_;
  TimedDayReader reader_;
  std::map<CivilDate, Kept> kept_;
  bool stamped_ = false;
  std::uint64_t stamp_ = 0;  // the folder's, when the kept days were read
};

// Days are read again at least this often.
inline constexpr std::uint64_t kSlotDaysMaxAgeMs = 60'000;

}  // namespace tral
