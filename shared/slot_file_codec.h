// The slot file's byte layout: a day's traffic per connection in five-minute slots of local time,
// beside the day's day file. A bounded decoder and an appending writer, pure functions over bytes.
//
// Layout, version 1 (little-endian, fixed-width fields, no padding):
//
//   offset  size  heading (12 bytes)
//        0     4  mark "TMSL" (0x54 0x4D 0x53 0x4C)
//        4     2  u16 version, 1
//        6     2  u16 minutes per slot, 5
//        8     4  u32 connectionCount
//
//   then connectionCount connections, each a 103-byte heading followed by its slots:
//        0    26  adapter key    the four texts of the day file's entry, byte for byte as the
//       26    16  IP text        day file holds them (NUL-terminated within their width)
//       42    26  BSSID
//       68    33  SSID
//      101     2  u16 slotCount, 0 to 288
//
//   each slot 18 bytes:
//        0     2  u16 slot, 0 to 287, strictly ascending within a connection
//        2     8  u64 bytes received in that slot
//       10     8  u64 bytes sent in that slot
//
// Nothing follows the last connection. Only slots that carried traffic are stored, and only
// connections with such a slot, so the size grows with the busy slots: 12 + 103 per connection + 18
// per busy slot.
//
// A slot is minutes since local midnight / 5 of the wall clock (SlotOfTimeOfDay): on the day the
// clocks go back, the repeated hour adds into the same slots; on the day they go forward, the skipped
// hour's slots stay empty.
//
// Pairing with the day file of the same date: a connection here is the day file's entry with the
// same adapter key (its group's) and the same IP, BSSID and SSID, compared byte for byte
// (SameConnection). Both files are written from the same records at the same save, the day file
// first, so a connection's slot sums never exceed its entry's totals; the difference, day total -
// slot sum per direction, is the traffic not placed in time (a crash between the two writes, or the
// whole day for days counted before slot files existed). A day file entry without a connection here
// has all its bytes unplaced. Should a file hold two entries of the same four texts, their totals
// and their slots are each summed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "shared/published_record.h"

namespace tral {

inline constexpr std::uint8_t kSlotFileMark[4] = {'T', 'M', 'S', 'L'};
inline constexpr std::uint16_t kSlotFileVersion = 1;
inline constexpr std::uint32_t kSlotMinutes = 5;
inline constexpr std::uint32_t kSlotsPerDay = 24 * 60 / kSlotMinutes;  // 288

inline constexpr std::size_t kSlotFileHeadingSize = 12;
inline constexpr std::size_t kSlotConnectionHeadingSize =
    kAdapterKeyWidth + kIpTextWidth + kBssidWidth + kSsidWidth + 2;  // 103
inline constexpr std::size_t kSlotSize = 2 + 8 + 8;  // 18

// The slot of a wall-clock time of day, whatever its seconds: 00:00 to 00:04 is 0, 00:05 is 1,
// 23:55 to 23:59 is 287. Anything past the day's last minute stays in its last slot.
constexpr std::uint16_t SlotOfTimeOfDay(unsigned hour, unsigned minute) {
  const unsigned slot = (hour * 60 + minute) / kSlotMinutes;
  return static_cast<std::uint16_t>(slot < kSlotsPerDay ? slot : kSlotsPerDay - 1);
}

// One slot with traffic.
struct SlotBytes {
  std::uint16_t slot = 0;
  std::uint64_t rxBytes = 0;
  std::uint64_t txBytes = 0;

  friend bool operator==(const SlotBytes&, const SlotBytes&) = default;
};

// One connection of a slot file, its texts NUL-terminated within their fields.
struct SlotFileConnection {
  char adapterKey[kAdapterKeyWidth] = {};
  char ipText[kIpTextWidth] = {};
  char bssid[kBssidWidth] = {};
  char ssid[kSsidWidth] = {};
  std::vector<SlotBytes> slots;  // ascending
};

// A slot file decoded as far as it is intact.
struct SlotFileContents {
  std::vector<SlotFileConnection> connections;  // every connection read whole, in file order
  bool complete = false;  // the heading, every connection and every slot promised, and nothing more
  // False when the file is not this layout at all (another mark, version or slot length): its bytes
  // mean nothing to this program, which must neither count them nor overwrite them.
  bool knownLayout = false;
  std::string problem;  // where and why the file stops being read; empty when complete
};

// Decodes a slot file. Every read is bounded by the bytes that exist; counts are believed only as
// far as the bytes go. A connection counts only when all its slots are there and in order.
SlotFileContents DecodeSlotFile(std::span<const std::uint8_t> bytes);

// Whether a slot file's connection is the day file's entry of `adapterKey` with these texts.
bool SameConnection(const SlotFileConnection& connection, std::string_view adapterKey, std::string_view ipText,
                    std::string_view bssid, std::string_view ssid);

// The sums of a connection's slots per direction; a sum that would pass 2^64 - 1 stays there.
void SlotSums(std::span<const SlotBytes> slots, std::uint64_t& rxOut, std::uint64_t& txOut);

// Appends the fields of a slot file to a byte buffer in order; text fields are written whole.
class SlotFileWriter {
 public:
  explicit SlotFileWriter(std::vector<std::uint8_t>& out) : out_(out) {}

  void PutHeading(std::uint32_t connectionCount);
  void PutConnection(const char (&adapterKey)[kAdapterKeyWidth], const char (&ipText)[kIpTextWidth],
                     const char (&bssid)[kBssidWidth], const char (&ssid)[kSsidWidth], std::uint16_t slotCount);
  void PutSlot(const SlotBytes& slot);

 private:
  std::uint8_t* Grow(std::size_t n);

  std::vector<std::uint8_t>& out_;
};

// A whole slot file of these connections (those without slots are left out).
std::vector<std::uint8_t> EncodeSlotFile(std::span<const SlotFileConnection> connections);

}  // namespace tral
