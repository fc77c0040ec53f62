// The day file's byte layout: a bounded reader and an appending writer, pure functions over bytes.
//
// Layout (little-endian, no header): u32 groupCount; per group a 26-byte adapter key and a u32
// entryCount followed by entryCount entries of 91 bytes (ip 16, bssid 26, ssid 33, u64 rx, u64 tx);
// after the last group an optional u32 running time in milliseconds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "shared/published_record.h"

namespace tral {

inline constexpr std::size_t kDayCountSize = 4;
inline constexpr std::size_t kDayGroupHeaderSize = kAdapterKeyWidth + 4;  // 30
inline constexpr std::size_t kDayEntrySize = kIpTextWidth + kBssidWidth + kSsidWidth + 8 + 8;  // 91

struct DayFileEntry {
  char ipText[kIpTextWidth] = {};
  char bssid[kBssidWidth] = {};
  char ssid[kSsidWidth] = {};
  std::uint64_t rxBytes = 0;
  std::uint64_t txBytes = 0;
};

// Reads a day file's fields in order. Every read is bounded by the bytes that exist: a count that
// promises more than the file holds ends at the first field that is not all there. Text fields are
// taken up to their first NUL and never beyond their width; a field without a NUL is cut to
// width - 1 characters so that it fits a NUL-terminated field of the same width.
class DayFileReader {
 public:
  explicit DayFileReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  [[nodiscard]] bool ReadGroupCount(std::uint32_t& groupCount);
  [[nodiscard]] bool ReadGroupHeader(char (&adapterKey)[kAdapterKeyWidth], std::uint32_t& entryCount);
  [[nodiscard]] bool ReadEntry(DayFileEntry& entry);
  [[nodiscard]] bool SkipEntries(std::uint32_t count);
  // The running time after the last group: only when all four bytes are there.
  [[nodiscard]] bool ReadUptime(std::uint32_t& uptimeMs);
  // The bytes not read yet.
  std::size_t Remaining() const { return bytes_.size() - pos_; }

 private:
  bool Take(std::size_t n, const std::uint8_t*& p);

  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
};

// A whole day file decoded as far as it is intact.
struct DayFileGroup {
  char adapterKey[kAdapterKeyWidth] = {};
  std::vector<DayFileEntry> entries;  // the complete entries read
};

struct DayFileContents {
  std::vector<DayFileGroup> groups;  // groups begun, in file order (the last may be partial)
  bool complete = false;  // every group and entry promised was there
  std::optional<std::uint32_t> uptimeMs;  // present only when complete and four more bytes follow
};

DayFileContents DecodeDayFile(std::span<const std::uint8_t> bytes);

// Appends the fields of a day file to a byte buffer; text fields are written whole, byte for byte.
class DayFileWriter {
 public:
  explicit DayFileWriter(std::vector<std::uint8_t>& out) : out_(out) {}

  void PutGroupCount(std::uint32_t groupCount);
  void PutGroupHeader(const char (&adapterKey)[kAdapterKeyWidth], std::uint32_t entryCount);
  void PutEntry(const char (&ipText)[kIpTextWidth], const char (&bssid)[kBssidWidth],
                const char (&ssid)[kSsidWidth], std::uint64_t rxBytes, std::uint64_t txBytes);
  void PutUptime(std::uint32_t uptimeMs);

 private:
  std::uint8_t* Grow(std::size_t n);

  std::vector<std::uint8_t>& out_;
};

}  // namespace tral
