// Where day files come from: a folder on disk in the programs, memory in tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "shared/civil_date.h"

namespace tral {

// How fetching one day file's bytes went. "Absent" and "could not be read" are told apart: a file
// that exists but cannot be opened or read (shared away, access denied) is history that is there
// and must be named, not counted as a day without traffic.
enum class DayFileRead { kRead, kAbsent, kUnreadable };

// Larger files are read only this far; nothing the service writes comes near it.
inline constexpr std::size_t kMaxDayFileBytes = 64u << 20;

// Reads a file into `bytes` until a read comes back empty or short, in growing chunks (a day of ten
// connections is about 1 KB, so a day usually costs one read): `read(into, want)` gives the bytes
// it read, or -1 on an error, which ends the reading with what came before. True when no error.
template <typename Read>
bool ReadWholeFile(std::vector<std::uint8_t>& bytes, Read read) {
  std::size_t chunk = 4096;
  std::size_t got = 0;
  bool ok = true;
  while (got < kMaxDayFileBytes) {
    const std::size_t want = chunk < kMaxDayFileBytes - got ? chunk : kMaxDayFileBytes - got;
    chunk = chunk * 2 < (1u << 20) ? chunk * 2 : (1u << 20);
    bytes.resize(got + want);
    const long long n = read(bytes.data() + got, want);
    if (n < 0) {
      ok = false;
      break;
    }
    got += static_cast<std::size_t>(n);
    if (static_cast<std::size_t>(n) < want) break;
  }
  bytes.resize(got);
  return ok;
}

// A day file as a listing sees it: what tells a file that changed from the same file, without
// opening it.
struct DayFileStamp {
  CivilDate date;
  std::uint64_t size = 0;  // bytes
  std::uint64_t writeTime = 0;  // the file system's last-write time, in its own units

  friend bool operator==(const DayFileStamp&, const DayFileStamp&) = default;
};

class DayFileSource {
 public:
  virtual ~DayFileSource() = default;
  // Replaces `bytes` with the day file of `date`, as much of it as could be read (a read error
  // part-way leaves the bytes before it, which then decode as a file that ends early).
  [[nodiscard]] virtual DayFileRead ReadDayFile(const CivilDate& date, std::vector<std::uint8_t>& bytes) = 0;
  // Replaces `bytes` with the slot file of `date` (the day's traffic in five-minute slots, kept
  // beside its day file), read as the day file is. A source without slot files has none.
  [[nodiscard]] virtual DayFileRead ReadSlotFile(const CivilDate& date, std::vector<std::uint8_t>& bytes) {
    (void)date;
    bytes.clear();
    return DayFileRead::kAbsent;
  }
  // Why the last read gave kUnreadable, or stopped part-way, in the system's words.
  virtual std::string LastReadProblem() const { return {}; }
  // Replaces `dates` with the dates of the day files present, in any order. False when the source
  // cannot list its files; a span is then read date by date.
  [[nodiscard]] virtual bool ListDayFiles(std::vector<CivilDate>& dates) {
    dates.clear();
    return false;
  }
  // Replaces `stamps` with the day files present and their stamps, in any order. False when the
  // source cannot tell; a reader then cannot notice a changed file and reads again when asked.
  [[nodiscard]] virtual bool ListDayFileStamps(std::vector<DayFileStamp>& stamps) {
    stamps.clear();
    return false;
  }
  // A stamp of the folder itself, which changes whenever a file is added to it, removed from it or
  // renamed in it: each save of the service renames its fresh file over the day file, so a reader
  // that sees the same stamp needs no new listing to know the files are as they were (a file
  // rewritten in place is the exception). False when the source has none.
  [[nodiscard]] virtual bool FolderStamp(std::uint64_t& stamp) {
    stamp = 0;
    return false;
  }
};

}  // namespace tral
