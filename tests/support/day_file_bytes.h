// Day files in bytes, laid out field by field by hand, and a day-file folder in memory: the
// fixtures of every reader of day files (the history, the statistics window, the report).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "history/day_file_source.h"

namespace tral::test {

// A date written as the numbers it is read as.
constexpr CivilDate D(int y, int m, int d) {
  return CivilDate{static_cast<std::uint16_t>(y), static_cast<std::uint16_t>(m), static_cast<std::uint16_t>(d)};
}

using Bytes = std::vector<std::uint8_t>;

inline void Put32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
inline void Put64(Bytes& b, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
inline void PutText(Bytes& b, const std::string& text, std::size_t width) {
  Bytes field(width, 0);
  std::memcpy(field.data(), text.data(), std::min(text.size(), width));
  b.insert(b.end(), field.begin(), field.end());
}
inline void Poke32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void Poke64(Bytes& b, std::size_t at, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void PokeText(Bytes& b, std::size_t at, const std::string& text) {
  std::memcpy(b.data() + at, text.data(), text.size());
  b[at + text.size()] = 0;
}

// Day files (and the slot files beside them) in memory by date; a date without bytes does not exist. With `listable` the files can
// be listed (plus the `extraListed` dates, as a listing may name files that then fail to open).
class MemoryDayFiles final : public DayFileSource {
 public:
  std::map<CivilDate, Bytes> files;
  std::vector<CivilDate> opened;
  bool listable = false;
  std::vector<CivilDate> extraListed;
  std::set<CivilDate> unreadable;  // there, but cannot be read
  // Slot files by date, and those there that cannot be read.
  std::map<CivilDate, Bytes> slotFiles;
  std::set<CivilDate> unreadableSlots;
  std::vector<CivilDate> slotsOpened;
  // The reason a read of an unreadable file gives.
  std::string unreadableWhy = "it is held by another program";
  std::string lastProblem;

  std::string LastReadProblem() const override { return lastProblem; }
  // With `stampable` the listing gives stamps: each file's size and its entry in `writeTimes`.
  bool stampable = false;
  std::map<CivilDate, std::uint64_t> writeTimes;
  std::optional<std::uint64_t> folderStamp;  // none: the folder has no stamp
  int listings = 0;

  bool FolderStamp(std::uint64_t& stamp) override {
    stamp = folderStamp.value_or(0);
    return folderStamp.has_value();
  }

  bool ListDayFileStamps(std::vector<DayFileStamp>& stamps) override {
    ++listings;
    stamps.clear();
    if (!stampable) return false;
    for (const auto& [date, bytes] : files) stamps.push_back(DayFileStamp{date, bytes.size(), writeTimes[date]});
    return true;
  }

  bool ListDayFiles(std::vector<CivilDate>& dates) override {
    ++listings;
    dates = extraListed;
    if (!listable) return false;
    for (const auto& file : files) dates.push_back(file.first);
    return true;
  }

  DayFileRead ReadDayFile(const CivilDate& date, std::vector<std::uint8_t>& bytes) override {
    opened.push_back(date);
    return Fetch(files, unreadable, date, bytes);
  }

  DayFileRead ReadSlotFile(const CivilDate& date, std::vector<std::uint8_t>& bytes) override {
    slotsOpened.push_back(date);
    return Fetch(slotFiles, unreadableSlots, date, bytes);
  }

 private:
  DayFileRead Fetch(const std::map<CivilDate, Bytes>& from, const std::set<CivilDate>& held, const CivilDate& date,
                    std::vector<std::uint8_t>& bytes) {
    const bool cannot = held.count(date) != 0;
    lastProblem = cannot ? unreadableWhy : "";
    if (cannot) return DayFileRead::kUnreadable;
    const auto it = from.find(date);
    if (it == from.end()) return DayFileRead::kAbsent;
    bytes = it->second;
    return DayFileRead::kRead;
  }
};

struct DayEntry {
  std::string ip;
  std::string bssid;
  std::string ssid;
  std::uint64_t rx = 0;
  std::uint64_t tx = 0;
};

struct DayGroup {
  std::string adapterKey;
  std::vector<DayEntry> entries;
};

// A day file laid out field by field: count, per group key 26 + count 4, entries of 91, uptime.
inline Bytes DayFileBytes(const std::vector<DayGroup>& groups, std::uint32_t uptimeMs) {
  Bytes b;
  Put32(b, static_cast<std::uint32_t>(groups.size()));
  for (const DayGroup& g : groups) {
    PutText(b, g.adapterKey, 26);
    Put32(b, static_cast<std::uint32_t>(g.entries.size()));
    for (const DayEntry& e : g.entries) {
      PutText(b, e.ip, 16);
      PutText(b, e.bssid, 26);
      PutText(b, e.ssid, 33);
      Put64(b, e.rx);
      Put64(b, e.tx);
    }
  }
  Put32(b, uptimeMs);
  return b;
}

}  // namespace tral::test
