// Adapter identity: MAC text, the adapters that have an IPv4 address, and wireless BSSID/SSID.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "service/network_source.h"
#include "shared/published_record.h"

namespace tral {

// Driver query constants of the 802.11 identity.
inline constexpr std::uint32_t kIoctlNdisQueryGlobalStats = 0x00170002;
inline constexpr std::uint32_t kOid80211Bssid = 0x0D010101;
inline constexpr std::uint32_t kOid80211Ssid = 0x0D010102;
inline constexpr std::uint32_t kNdisSsidAnswerSize = 36;  // u32 length + 32 bytes

inline constexpr char kUnassociatedBssid[] = "00-00-00-00-00-00";

// One adapter with a physical address, as reconciliation consumes it; its IP text is empty when
// it has no IPv4 address (IPv4 disabled, or an IPv6-only network).
struct AdapterEntry {
  char description[kDescriptionWidth] = {};
  char adapterKey[kAdapterKeyWidth] = {};
  char ipText[kIpTextWidth] = {};
  char bssid[kBssidWidth] = {};
  char ssid[kSsidWidth] = {};
  char adapterName[kAdapterNameWidth] = {};
  std::uint32_t interfaceIndex = 0;  // the interface of its counters; 0 unknown
  bool noWirelessDevice = false;  // neither the driver nor the wireless service knew the adapter
};

// What a wireless identity query found.
enum class WirelessProbe {
  kNoWirelessDevice,  // no BSSID answer from the driver and unknown to the wireless service
  kNotAssociated,  // a wireless adapter without an access point (BSSID all zeros)
  kAssociated,
};

// Two uppercase hex digits per byte joined by "-"; out must hold 3 * length bytes (at least 1).
void FormatMacText(const std::uint8_t* bytes, std::size_t length, char* out);

// The MAC text of an address as an adapter key; addresses longer than 8 bytes are cut to 8 so that
// keys from every source fit the key field and compare equal.
template <std::size_t N>
void FormatAdapterKey(const std::uint8_t* bytes, std::size_t length, char (&out)[N]) {
  static_assert(N >= 3 * kMaxPhysAddrBytes);
  FormatMacText(bytes, length < kMaxPhysAddrBytes ? length : kMaxPhysAddrBytes, out);
}

// Adapters with a physical address, in list order, each with its wireless identity; one without an
// IPv4 address gets an empty IP text, unless another adapter with the same physical address has
// one (then that one alone stands for the address). False when the adapter list cannot be read.
bool EnumerateAdapters(NetworkSource& net, std::vector<AdapterEntry>& out);

// The IP text of a connection on an adapter whose first IPv4 address is `firstIp`: empty for none.
std::string_view ConnectionIpText(std::string_view firstIp);

// The connection IP text of the adapter with this key.
bool FindAdapterIp(NetworkSource& net, std::string_view adapterKey, char (&ipOut)[kIpTextWidth]);
// The same over an adapter list already read.
bool FindAdapterIpIn(const std::vector<RawAdapter>& list, std::string_view adapterKey,
                     char (&ipOut)[kIpTextWidth]);

// Clears both outputs, then fills them from the adapter's driver; where the driver gives no BSSID
// (wired adapters, and many current wireless drivers), from the wireless service. True when an
// access point was reported; a wireless adapter that is not associated gives "00-00-00-00-00-00"
// and an empty SSID with false.
bool QueryWirelessIdentity(NetworkSource& net, std::string_view adapterName,
                           char (&bssidOut)[kBssidWidth], char (&ssidOut)[kSsidWidth]);
// The same query, telling also whether the adapter is wireless at all.
WirelessProbe ProbeWirelessIdentity(NetworkSource& net, std::string_view adapterName,
                                    char (&bssidOut)[kBssidWidth], char (&ssidOut)[kSsidWidth]);

}  // namespace tral
