// The year of day files both statistics benchmarks read: 366 days from 13 March 2008, each with
// three adapters of 4, 3 and 3 connections (ten in all), traffic and a running time; and the slot
// files beside them for the report's hours.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "shared/civil_date.h"
#include "shared/day_file_codec.h"
#include "shared/slot_file_codec.h"
#include "shared/text_field.h"

namespace tral::bench {

inline constexpr int kDays = 366;
inline constexpr CivilDate kFirst{2008, 3, 13};

// The bytes of day number `day` (0 for kFirst); the totals grow with the day.
inline std::vector<std::uint8_t> DayFileBytesOfDay(int day) {
  std::vector<std::uint8_t> bytes;
  DayFileWriter writer(bytes);
  const char* keys[] = {"00-1A-2B-3C-4D-5E", "AA-BB-CC-DD-EE-FF", "00-0C-29-AB-CD-EF"};
  const int entries[] = {4, 3, 3};
  writer.PutGroupCount(3);
  for (int g = 0; g < 3; ++g) {
    char key[kAdapterKeyWidth];
    SetFieldText(key, keys[g]);
    writer.PutGroupHeader(key, entries[g]);
    for (int e = 0; e < entries[g]; ++e) {
      char ip[kIpTextWidth], bssid[kBssidWidth], ssid[kSsidWidth];
      SetFieldText(ip, "192.168." + std::to_string(g) + "." + std::to_string(10 + e));
      SetFieldText(bssid, g == 1 ? "00-11-22-33-44-5" + std::to_string(e) : "");
      SetFieldText(ssid, g == 1 ? "Network " + std::to_string(e) : "");
      writer.PutEntry(ip, bssid, ssid, 1'000'000ULL * (day + 1) + e, 200'000ULL * (day + 1) + e);
    }
  }
  writer.PutUptime(86'000'000);
  return bytes;
}

// The slot file of day number `day`: each of its ten connections busy from 08:00 to midnight (192
// slots), its day's bytes spread evenly over them (the remainder not placed).
inline std::vector<std::uint8_t> SlotFileBytesOfDay(int day) {
  constexpr std::uint16_t kFirstBusy = 96;
  const char* keys[] = {"00-1A-2B-3C-4D-5E", "AA-BB-CC-DD-EE-FF", "00-0C-29-AB-CD-EF"};
  const int entries[] = {4, 3, 3};
  std::vector<SlotFileConnection> connections;
  for (int g = 0; g < 3; ++g) {
    for (int e = 0; e < entries[g]; ++e) {
      SlotFileConnection c;
      SetFieldText(c.adapterKey, keys[g]);
      SetFieldText(c.ipText, "192.168." + std::to_string(g) + "." + std::to_string(10 + e));
      SetFieldText(c.bssid, g == 1 ? "00-11-22-33-44-5" + std::to_string(e) : "");
      SetFieldText(c.ssid, g == 1 ? "Network " + std::to_string(e) : "");
      const std::uint64_t busy = kSlotsPerDay - kFirstBusy;
      for (std::uint16_t s = kFirstBusy; s < kSlotsPerDay; ++s) {
        c.slots.push_back(SlotBytes{s, 1'000'000ULL * (day + 1) / busy, 200'000ULL * (day + 1) / busy});
      }
      connections.push_back(std::move(c));
    }
  }
  return EncodeSlotFile(connections);
}

}  // namespace tral::bench
