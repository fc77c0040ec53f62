// Fakes and byte builders for the monitor's core tests: INI in memory, ticks, day files, blocks.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "monitor/app/ini_values.h"
#include "monitor/mainwindow/tick_source.h"
#include "monitor/statistics/statistic_data.h"

namespace tral::test {

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

// One published record as the service lays it out, offsets written out by hand.
struct BlockRecord {
  std::string description;
  std::string adapterKey;
  std::string ip;
  std::string bssid;
  std::string ssid;
  std::uint64_t rxTotal = 0;
  std::uint64_t txTotal = 0;
  std::uint32_t rxRate = 0;
  std::uint32_t txRate = 0;
  std::uint32_t rxTick = 0;
  std::uint32_t txTick = 0;
  std::string adapterName = "{GUID}";
};

inline Bytes RecordBytes(const BlockRecord& r, std::uint32_t groupSize, std::uint32_t link = 0x11223344) {
  Bytes b(696, 0);
  Poke32(b, 0, link);
  PokeText(b, 4, r.description);
  PokeText(b, 261, r.adapterKey);
  PokeText(b, 287, r.ip);
  Poke64(b, 304, r.rxTotal);
  Poke32(b, 312, groupSize);
  Poke32(b, 316, 0);
  Poke64(b, 320, r.txTotal);
  Poke32(b, 360, r.rxRate);
  Poke32(b, 364, r.txRate);
  Poke32(b, 368, r.rxTick);
  Poke32(b, 372, r.txTick);
  PokeText(b, 376, r.bssid);
  PokeText(b, 402, r.ssid);
  PokeText(b, 435, r.adapterName);
  return b;
}

// groupCount, then each group's records with the group's size in every record.
inline Bytes BlockBytes(const std::vector<std::vector<BlockRecord>>& groups) {
  Bytes b;
  Put32(b, static_cast<std::uint32_t>(groups.size()));
  for (const auto& group : groups) {
    for (const BlockRecord& r : group) {
      const Bytes rec = RecordBytes(r, static_cast<std::uint32_t>(group.size()));
      b.insert(b.end(), rec.begin(), rec.end());
    }
  }
  return b;
}

// An INI file in memory: values keyed by "SECTION/key", every write recorded in order.
class MemoryIni final : public IniFile {
 public:
  std::map<std::string, std::string> values;
  std::vector<std::pair<std::string, std::string>> writes;
  bool failWrites = false;

  std::string ReadText(const char* section, const char* key, const char* defaultText) override {
    const auto it = values.find(std::string(section) + "/" + key);
    const std::string text = it == values.end() ? defaultText : it->second;
    return text.substr(0, 18);
  }
  bool WriteText(const char* section, const char* key, const char* value) override {
    writes.emplace_back(std::string(section) + "/" + key, value);
    if (failWrites) return false;
    values[std::string(section) + "/" + key] = value;
    return true;
  }
};

class FakeTicks final : public TickSource {
 public:
  std::uint32_t now = 0;
  std::uint32_t Now() override { return now; }
};

// Day files in memory by date; a date without bytes does not exist. With `listable` the files can
// be listed (plus the `extraListed` dates, as a listing may name files that then fail to open).
class MemoryDayFiles final : public DayFileSource {
 public:
  std::map<CivilDate, Bytes> files;
  std::vector<CivilDate> opened;
  bool listable = false;
  std::vector<CivilDate> extraListed;

  bool ListDayFiles(std::vector<CivilDate>& dates) override {
    dates = extraListed;
    if (!listable) return false;
    for (const auto& file : files) dates.push_back(file.first);
    return true;
  }

  bool ReadDayFile(const CivilDate& date, std::vector<std::uint8_t>& bytes) override {
    opened.push_back(date);
    const auto it = files.find(date);
    if (it == files.end()) return false;
    bytes = it->second;
    return true;
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
