// The 696-byte connection record as the service publishes it in the shared rate block.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tral {

// Widths of the fixed text fields; each holds NUL-terminated ANSI text inside its width.
inline constexpr std::size_t kDescriptionWidth = 257;
inline constexpr std::size_t kAdapterKeyWidth = 26;
inline constexpr std::size_t kIpTextWidth = 16;
inline constexpr std::size_t kBssidWidth = 26;
inline constexpr std::size_t kSsidWidth = 33;
inline constexpr std::size_t kAdapterNameWidth = 260;

inline constexpr std::size_t kPublishedRecordSize = 696;

// Byte offsets inside a published record. The service's own record keeps the same image, except
// that offsets 312..319 hold its receive baseline where the published copy has groupSize and zero.
namespace record_offset {
inline constexpr std::size_t kLink = 0;
inline constexpr std::size_t kDescription = 4;
inline constexpr std::size_t kAdapterKey = 261;
inline constexpr std::size_t kIpText = 287;
inline constexpr std::size_t kRxTotal = 304;
inline constexpr std::size_t kGroupSize = 312;
inline constexpr std::size_t kZero = 316;
inline constexpr std::size_t kTxTotal = 320;
inline constexpr std::size_t kTxBase = 328;
inline constexpr std::size_t kRxWindow = 336;
inline constexpr std::size_t kTxWindow = 348;
inline constexpr std::size_t kRxRate = 360;
inline constexpr std::size_t kTxRate = 364;
inline constexpr std::size_t kRxTick = 368;
inline constexpr std::size_t kTxTick = 372;
inline constexpr std::size_t kBssid = 376;
inline constexpr std::size_t kSsid = 402;
inline constexpr std::size_t kAdapterName = 435;
}  // namespace record_offset

// A published record as readers see it. Integers are little-endian (the only byte order of the
// platforms this runs on); the struct's natural layout is exactly the published one.
struct PublishedRecord {
  std::uint32_t link;  // writer's chain link; 0 in every copy readers keep
  char description[kDescriptionWidth];
  char adapterKey[kAdapterKeyWidth];
  char ipText[kIpTextWidth];
  std::uint8_t pad0;
  std::uint64_t rxTotal;  // bytes today
  std::uint32_t groupSize;  // records of this adapter in the block
  std::uint32_t zero;
  std::uint64_t txTotal;  // bytes today
  std::uint64_t txBase;  // writer's send baseline; of no use to readers
  std::uint32_t rxWindow[3];  // bytes per pass, newest first
  std::uint32_t txWindow[3];
  std::uint32_t rxRate;  // bytes per second
  std::uint32_t txRate;
  std::uint32_t rxTick;  // ms tick count of the last receive change, 0 if never
  std::uint32_t txTick;
  char bssid[kBssidWidth];
  char ssid[kSsidWidth];
  char adapterName[kAdapterNameWidth];
  std::uint8_t pad1;
};

static_assert(sizeof(PublishedRecord) == kPublishedRecordSize);
static_assert(offsetof(PublishedRecord, description) == record_offset::kDescription);
static_assert(offsetof(PublishedRecord, adapterKey) == record_offset::kAdapterKey);
static_assert(offsetof(PublishedRecord, ipText) == record_offset::kIpText);
static_assert(offsetof(PublishedRecord, rxTotal) == record_offset::kRxTotal);
static_assert(offsetof(PublishedRecord, groupSize) == record_offset::kGroupSize);
static_assert(offsetof(PublishedRecord, zero) == record_offset::kZero);
static_assert(offsetof(PublishedRecord, txTotal) == record_offset::kTxTotal);
static_assert(offsetof(PublishedRecord, txBase) == record_offset::kTxBase);
static_assert(offsetof(PublishedRecord, rxWindow) == record_offset::kRxWindow);
static_assert(offsetof(PublishedRecord, txWindow) == record_offset::kTxWindow);
static_assert(offsetof(PublishedRecord, rxRate) == record_offset::kRxRate);
static_assert(offsetof(PublishedRecord, txRate) == record_offset::kTxRate);
static_assert(offsetof(PublishedRecord, rxTick) == record_offset::kRxTick);
static_assert(offsetof(PublishedRecord, txTick) == record_offset::kTxTick);
static_assert(offsetof(PublishedRecord, bssid) == record_offset::kBssid);
static_assert(offsetof(PublishedRecord, ssid) == record_offset::kSsid);
static_assert(offsetof(PublishedRecord, adapterName) == record_offset::kAdapterName);

}  // namespace tral
