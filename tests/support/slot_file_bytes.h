// Slot files in bytes, laid out field by field by hand: the fixtures of every reader of slot files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/day_file_bytes.h"

namespace tral::test {

inline void Put16(Bytes& b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}

struct SlotRow {
  std::uint16_t slot = 0;
  std::uint64_t rx = 0;
  std::uint64_t tx = 0;
};

struct SlotConnection {
  std::string adapterKey;
  std::string ip;
  std::string bssid;
  std::string ssid;
  std::vector<SlotRow> slots;
};

// "TMSL", version 1, 5 minutes, the count; per connection key 26, IP 16, BSSID 26, SSID 33 and the
// slot count 2; per slot its number 2, received 8, sent 8.
inline Bytes SlotFileBytes(const std::vector<SlotConnection>& connections) {
  Bytes b = {'T', 'M', 'S', 'L'};
  Put16(b, 1);
  Put16(b, 5);
  Put32(b, static_cast<std::uint32_t>(connections.size()));
  for (const SlotConnection& c : connections) {
    PutText(b, c.adapterKey, 26);
    PutText(b, c.ip, 16);
    PutText(b, c.bssid, 26);
    PutText(b, c.ssid, 33);
    Put16(b, static_cast<std::uint16_t>(c.slots.size()));
    for (const SlotRow& s : c.slots) {
      Put16(b, s.slot);
      Put64(b, s.rx);
      Put64(b, s.tx);
    }
  }
  return b;
}

}  // namespace tral::test
