// Fakes and byte builders for the monitor's core tests: INI in memory, ticks, published blocks.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "monitor/framework/data_exchange.h"
#include "monitor/settings/ini_values.h"
#include "monitor/settings/monitor_settings.h"
#include "monitor/common/tick_source.h"
#include "support/day_file_bytes.h"

namespace tral::test {

// Settings whose speed unit and decimals are the given ones, everything else at its default.
inline MonitorSettings SpeedSettings(std::int32_t unit, std::int32_t decimals) {
  MonitorSettings s;
  s.speed = unit;
  s.speeddec = decimals;
  return s;
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

// Dialog controls held in memory; failed checks are recorded instead of shown.
class MemoryControls final : public ui::ExchangeControls {
 public:
  std::map<int, int> combos;
  std::map<int, bool> checks;
  std::map<int, int> radios;
  std::map<int, std::string> texts;
  std::vector<std::pair<int, std::string>> failures;

  int ComboSelection(int id) override { return combos.at(id); }
  void SelectCombo(int id, int index) override { combos[id] = index; }
  bool IsChecked(int id) override { return checks.at(id); }
  void SetChecked(int id, bool checked) override { checks[id] = checked; }
  int CheckedRadio(int firstId) override { return radios.at(firstId); }
  void CheckRadio(int firstId, int index) override { radios[firstId] = index; }
  std::string Text(int id) override { return texts.at(id); }
  void SetText(int id, std::string_view text) override { texts[id] = std::string(text); }
  void ReportFailure(int id, const std::string& message) override { failures.emplace_back(id, message); }
};

class FakeTicks final : public TickSource {
 public:
  std::uint32_t now = 0;
  std::uint32_t Now() override { return now; }
};

}  // namespace tral::test
