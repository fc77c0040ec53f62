// Where day files come from: a folder on disk in the programs, memory in tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "shared/civil_date.h"

namespace tral {

// How fetching one day file's bytes went. "Absent" and "could not be read" are told apart: a file
// that exists but cannot be opened or read (shared away, access denied) is history that is there
// and must be named, not counted as a day without traffic.
enum class DayFileRead { kRead, kAbsent, kUnreadable };

class DayFileSource {
 public:
  virtual ~DayFileSource() = default;
  // Replaces `bytes` with the day file of `date`, as much of it as could be read (a read error
  // part-way leaves the bytes before it, which then decode as a file that ends early).
  [[nodiscard]] virtual DayFileRead ReadDayFile(const CivilDate& date, std::vector<std::uint8_t>& bytes) = 0;
  // Why the last read gave kUnreadable, or stopped part-way, in the system's words.
  virtual std::string LastReadProblem() const { return {}; }
  // Replaces `dates` with the dates of the day files present, in any order. False when the source
  // cannot list its files; a span is then read date by date.
  [[nodiscard]] virtual bool ListDayFiles(std::vector<CivilDate>& dates) {
    dates.clear();
    return false;
  }
};

}  // namespace tral
