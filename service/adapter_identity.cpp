// MAC text, adapter enumeration and the wireless identity query over the network seam.
#include "service/adapter_identity.h"

#include <cstring>
#include <optional>

#include "shared/text_field.h"

namespace tral {

namespace {

// SSID bytes up to the reported length (at most 32) or the first zero byte.
void CopySsid(const std::uint8_t* bytes, std::uint32_t length, char (&ssidOut)[kSsidWidth]) {
  if (length > 32) length = 32;
  std::uint32_t n = 0;
  while (n < length && bytes[n] != 0) {
    ssidOut[n] = static_cast<char>(bytes[n]);
    ++n;
  }
  ssidOut[n] = '\0';
}

// The driver's answer; nullopt when the driver gave no BSSID (wired adapters, and current wireless
// drivers that no longer answer the legacy queries).
std::optional<WirelessProbe> QueryDriver(NetworkSource& net, std::string_view adapterName,
                                         char (&bssidOut)[kBssidWidth], char (&ssidOut)[kSsidWidth]) {
  std::unique_ptr<NdisDevice> device = net.OpenNdisDevice(adapterName);
  if (!device) return std::nullopt;
  std::uint8_t bssid[6] = {};
  if (device->Query(kOid80211Bssid, bssid, sizeof bssid) != sizeof bssid) return std::nullopt;
  FormatMacText(bssid, sizeof bssid, bssidOut);
  if (std::strcmp(bssidOut, kUnassociatedBssid) == 0) return WirelessProbe::kNotAssociated;
  std::uint8_t answer[kNdisSsidAnswerSize] = {};
  if (device->Query(kOid80211Ssid, answer, sizeof answer) == 0) return WirelessProbe::kAssociated;
  const std::uint32_t length = static_cast<std::uint32_t>(answer[0]) | answer[1] << 8 |
                               answer[2] << 16 | static_cast<std::uint32_t>(answer[3]) << 24;
  if (length != 0) CopySsid(answer + 4, length, ssidOut);
  return WirelessProbe::kAssociated;
}

WirelessProbe QueryWlanService(NetworkSource& net, std::string_view adapterName,
                               char (&bssidOut)[kBssidWidth], char (&ssidOut)[kSsidWidth]) {
  const WlanConnection c = net.QueryWlanConnection(adapterName);
  switch (c.state) {
    case WlanConnection::State::kUnknown:
      return WirelessProbe::kNoWirelessDevice;
    case WlanConnection::State::kNotAssociated:
      SetFieldText(bssidOut, kUnassociatedBssid);
      return WirelessProbe::kNotAssociated;
    case WlanConnection::State::kConnected:
      break;
  }
  FormatMacText(c.bssid, sizeof c.bssid, bssidOut);
  if (std::strcmp(bssidOut, kUnassociatedBssid) == 0) return WirelessProbe::kNotAssociated;
  CopySsid(c.ssid, c.ssidLength, ssidOut);
  return WirelessProbe::kAssociated;
}

}  // namespace

void FormatMacText(const std::uint8_t* bytes, std::size_t length, char* out) {
  static const char kHex[] = "0123456789ABCDEF";
  char* p = out;
  for (std::size_t i = 0; i < length; ++i) {
    if (i != 0) *p++ = '-';
    *p++ = kHex[bytes[i] >> 4];
    *p++ = kHex[bytes[i] & 0x0F];
  }
  *p = '\0';
}

std::string_view ConnectionIpText(std::string_view firstIp) {
  return firstIp == "0.0.0.0" ? firstIp.substr(0, 0) : firstIp;  // empty, but pointing into the text
}

bool EnumerateAdapters(NetworkSource& net, std::vector<AdapterEntry>& out) {
  out.clear();
  std::vector<RawAdapter> list;
  if (!net.ReadAdapterList(list)) return false;
  auto sameAddress = [](const RawAdapter& a, const RawAdapter& b) {
    return a.addressLength == b.addressLength && std::memcmp(a.address, b.address, a.addressLength) == 0;
  };
  for (std::size_t i = 0; i < list.size(); ++i) {
    const RawAdapter& a = list[i];
    if (a.addressLength == 0) continue;
    if (ConnectionIpText(a.firstIp).empty()) {
      // A physical address shared with an adapter that has IPv4 (a virtual switch over its
      // network card), or with an earlier one without, is that adapter's: one entry per address.
      bool taken = false;
      for (std::size_t j = 0; j < list.size() && !taken; ++j) {
        taken = j != i && sameAddress(a, list[j]) && (j < i || !ConnectionIpText(list[j].firstIp).empty());
      }
      if (taken) continue;
    }
    AdapterEntry& e = out.emplace_back();
    e.noWirelessDevice = ProbeWirelessIdentity(net, a.adapterName, e.bssid, e.ssid) ==
                         WirelessProbe::kNoWirelessDevice;
    FormatAdapterKey(a.address, a.addressLength, e.adapterKey);
    SetFieldText(e.ipText, ConnectionIpText(a.firstIp));
    SetFieldText(e.description, a.description);
    SetFieldText(e.adapterName, a.adapterName);
    e.interfaceIndex = a.interfaceIndex;
  }
  return true;
}

bool FindAdapterIpIn(const std::vector<RawAdapter>& list, std::string_view adapterKey,
                     char (&ipOut)[kIpTextWidth]) {
  bool found = false;
  for (const RawAdapter& a : list) {
    if (a.addressLength == 0) continue;
    char key[kAdapterKeyWidth];
    FormatAdapterKey(a.address, a.addressLength, key);
    if (adapterKey != key) continue;
    // An adapter with IPv4 stands for its physical address before one without (as enumerated).
    const std::string_view ip = ConnectionIpText(a.firstIp);
    if (!found || !ip.empty()) SetFieldText(ipOut, ip);
    found = true;
    if (!ip.empty()) break;
  }
  return found;
}

bool FindAdapterIp(NetworkSource& net, std::string_view adapterKey, char (&ipOut)[kIpTextWidth]) {
  std::vector<RawAdapter> list;
  return net.ReadAdapterList(list) && FindAdapterIpIn(list, adapterKey, ipOut);
}

WirelessProbe ProbeWirelessIdentity(NetworkSource& net, std::string_view adapterName,
                                    char (&bssidOut)[kBssidWidth], char (&ssidOut)[kSsidWidth]) {
  std::memset(bssidOut, 0, sizeof bssidOut);
  std::memset(ssidOut, 0, sizeof ssidOut);
  if (std::optional<WirelessProbe> driver = QueryDriver(net, adapterName, bssidOut, ssidOut)) {
    return *driver;
  }
  return QueryWlanService(net, adapterName, bssidOut, ssidOut);
}

bool QueryWirelessIdentity(NetworkSource& net, std::string_view adapterName,
                           char (&bssidOut)[kBssidWidth], char (&ssidOut)[kSsidWidth]) {
  return ProbeWirelessIdentity(net, adapterName, bssidOut, ssidOut) == WirelessProbe::kAssociated;
}

}  // namespace tral
