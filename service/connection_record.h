// The service's record of one connection: the published 696-byte image plus private sampling state.
#pragma once

#include <cstddef>
#include <cstdint>

#include "shared/published_record.h"

namespace tral {

inline constexpr std::uint64_t kNoBaseline = ~std::uint64_t{0};
inline constexpr std::uint32_t kNominalPassMs = 1000;  // interval assumed where none was measured

// The first 696 bytes are the record's published image: they go to the rate block unchanged except
// for offsets 312..319 (groupSize and zero there, the receive baseline here) and the link slot. The
// chain of an adapter is held by the table, so nothing pointer-sized lives in the image.
struct ConnectionRecord {
  std::uint32_t linkSlot = 0;  // always 0: chains are held outside the published bytes
  char description[kDescriptionWidth] = {};
  char adapterKey[kAdapterKeyWidth] = {};
  char ipText[kIpTextWidth] = {};
  std::uint8_t pad0 = 0;
  std::uint64_t rxTotal = 0;  // bytes received today in this situation
  std::uint64_t rxBase = kNoBaseline;  // receive counter at the last sample
  std::uint64_t txTotal = 0;  // bytes sent today
  std::uint64_t txBase = kNoBaseline;
  std::uint32_t rxWindow[3] = {};  // received bytes of the last three passes, newest first
  std::uint32_t txWindow[3] = {};
  std::uint32_t rxRate = 0;  // bytes per second over the window
  std::uint32_t txRate = 0;
  std::uint32_t rxTick = 0;  // ms tick of the last pass in which the received counter moved
  std::uint32_t txTick = 0;
  char bssid[kBssidWidth] = {};
  char ssid[kSsidWidth] = {};
  char adapterName[kAdapterNameWidth] = {};
  std::uint8_t pad1 = 0;

  // ---- private to the service: never published, never saved ----
  std::uint32_t passMs[3] = {kNominalPassMs, kNominalPassMs, kNominalPassMs};  // ms each window slot spans
  std::uint32_t baseTick = 0;  // tick at which the baselines were taken
  std::uint32_t baseRow = 0;  // interface index of the row the baselines were read from
  bool baseTickKnown = false;
  bool wideBase = false;  // baselines hold whole 64-bit counters (else the 32-bit counters)
  bool noWirelessDevice = false;  // the last identity query found no wireless adapter at all
  // A counter that fell below its baseline may be a transient low reading; the pre-drop baselines
  // are held until the counter either returns to them or moves on from the low value.
  bool holdRx = false;
  bool holdTx = false;
  std::uint64_t rxHold = 0;
  std::uint64_t txHold = 0;
  // Which of its table's slot lists holds the record's traffic in five-minute slots: 1 + its index,
  // 0 for none yet. The list lives in the table, so that the record keeps its fixed layout.
  std::uint32_t slotList = 0;

  bool HasTraffic() const { return rxTotal != 0 || txTotal != 0; }
};

inline constexpr std::size_t kRecordImageSize = kPublishedRecordSize;

static_assert(offsetof(ConnectionRecord, description) == record_offset::kDescription);
static_assert(offsetof(ConnectionRecord, adapterKey) == record_offset::kAdapterKey);
static_assert(offsetof(ConnectionRecord, ipText) == record_offset::kIpText);
static_assert(offsetof(ConnectionRecord, rxTotal) == record_offset::kRxTotal);
static_assert(offsetof(ConnectionRecord, rxBase) == record_offset::kGroupSize);
static_assert(offsetof(ConnectionRecord, txTotal) == record_offset::kTxTotal);
static_assert(offsetof(ConnectionRecord, txBase) == record_offset::kTxBase);
static_assert(offsetof(ConnectionRecord, rxWindow) == record_offset::kRxWindow);
static_assert(offsetof(ConnectionRecord, txWindow) == record_offset::kTxWindow);
static_assert(offsetof(ConnectionRecord, rxRate) == record_offset::kRxRate);
static_assert(offsetof(ConnectionRecord, txRate) == record_offset::kTxRate);
static_assert(offsetof(ConnectionRecord, rxTick) == record_offset::kRxTick);
static_assert(offsetof(ConnectionRecord, txTick) == record_offset::kTxTick);
static_assert(offsetof(ConnectionRecord, bssid) == record_offset::kBssid);
static_assert(offsetof(ConnectionRecord, ssid) == record_offset::kSsid);
static_assert(offsetof(ConnectionRecord, adapterName) == record_offset::kAdapterName);
static_assert(offsetof(ConnectionRecord, pad1) == kPublishedRecordSize - 1);
static_assert(offsetof(ConnectionRecord, passMs) >= kPublishedRecordSize);

}  // namespace tral
