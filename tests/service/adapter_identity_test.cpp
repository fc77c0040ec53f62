// MAC text, the adapters that count, and the wireless identity from the driver or the WLAN service.
#include <gtest/gtest.h>

#include "fakes/fake_network.h"
#include "service/adapter_identity.h"
#include "shared/text_field.h"

namespace tral {
namespace {

using fakes::FakeDriverAnswer;
using fakes::FakeNetwork;

TEST(FormatMacText, TwoUppercaseDigitsPerByteJoinedByDashes) {
  struct Case {
    std::vector<std::uint8_t> bytes;
    const char* text;
  } cases[] = {
      {{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, "00-1A-2B-3C-4D-5E"},
      {{0x0F}, "0F"},
      {{}, ""},
      {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, "FF-FF-FF-FF-FF-FF-FF-FF"},
  };
  for (const Case& c : cases) {
    char out[26];
    FormatMacText(c.bytes.data(), c.bytes.size(), out);
    EXPECT_STREQ(out, c.text);
  }
}

TEST(FormatAdapterKey, LongAddressesAreCutToEightBytes) {
  const std::uint8_t bytes[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  char key[26];
  FormatAdapterKey(bytes, sizeof bytes, key);
  EXPECT_STREQ(key, "01-02-03-04-05-06-07-08");
}

TEST(EnumerateAdapters, ListsAdaptersWithAnAddressThoseWithoutIpv4UnderAnEmptyIp) {
  FakeNetwork net;
  net.AddAdapter("Wired", {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, "10.0.0.5", "{A}").interfaceIndex = 7;
  net.AddAdapter("IPv6 only", {0x00, 0x00, 0x00, 0x00, 0x00, 0x01}, "0.0.0.0", "{B}");
  net.AddAdapter("No address", {}, "10.0.0.9", "{C}");
  net.AddAdapter("Second", {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF}, "192.168.1.2", "{D}");
  // A network card under a virtual switch: the switch's adapter has the card's address and the IPv4.
  net.AddAdapter("Card", {0x02, 0x00, 0x00, 0x00, 0x00, 0x0C}, "", "{E}");
  net.AddAdapter("Switch", {0x02, 0x00, 0x00, 0x00, 0x00, 0x0C}, "10.1.1.1", "{F}");
  net.AddAdapter("IPv4 unbound twice", {0x00, 0x00, 0x00, 0x00, 0x00, 0x01}, "", "{G}");
  std::vector<AdapterEntry> entries;
  ASSERT_TRUE(EnumerateAdapters(net, entries));
  std::vector<std::string> listed;
  for (const AdapterEntry& e : entries) listed.push_back(std::string(e.adapterName) + " " + e.ipText);
  EXPECT_EQ(listed, (std::vector<std::string>{"{A} 10.0.0.5", "{B} ", "{D} 192.168.1.2", "{F} 10.1.1.1"}));
  EXPECT_STREQ(entries[0].description, "Wired");
  EXPECT_STREQ(entries[0].adapterKey, "00-1A-2B-3C-4D-5E");
  EXPECT_EQ(entries[0].interfaceIndex, 7u);
  EXPECT_STREQ(entries[0].bssid, "");
  EXPECT_STREQ(entries[1].adapterKey, "00-00-00-00-00-01");

  net.adapterListFails = true;
  EXPECT_FALSE(EnumerateAdapters(net, entries));
}

TEST(FindAdapterIp, FindsTheFirstAddressOfTheAdapterWithThatKey) {
  FakeNetwork net;
  net.AddAdapter("No address", {}, "10.0.0.9", "{C}");
  net.AddAdapter("Wired", {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, "0.0.0.0", "{A}");
  char ip[16];
  ASSERT_TRUE(FindAdapterIp(net, "00-1A-2B-3C-4D-5E", ip));
  EXPECT_STREQ(ip, "");  // no IPv4: the empty IP text its connection is counted under
  EXPECT_FALSE(FindAdapterIp(net, "00-1a-2b-3c-4d-5e", ip));  // exact comparison
  net.AddAdapter("Switch", {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, "10.0.0.4", "{S}");
  ASSERT_TRUE(FindAdapterIp(net, "00-1A-2B-3C-4D-5E", ip));
  EXPECT_STREQ(ip, "10.0.0.4");  // the adapter of that address that has IPv4
}

FakeDriverAnswer Wireless(std::uint8_t last, const std::string& ssid, std::uint32_t ssidLength) {
  FakeDriverAnswer a;
  a.bssidBytes = 6;
  const std::uint8_t bssid[6] = {0x00, 0x11, 0x22, 0x33, 0x44, last};
  std::memcpy(a.bssid, bssid, 6);
  a.ssidBytes = 36;
  a.ssid = ssid;
  a.ssidLength = ssidLength;
  return a;
}

TEST(QueryWirelessIdentity, DriverAnswers) {
  struct Case {
    const char* name;
    bool hasDevice;
    FakeDriverAnswer answer;
    bool found;
    const char* bssid;
    const char* ssid;
  } cases[] = {
      {"no device", false, {}, false, "", ""},
      {"wired: no BSSID answer", true, {}, false, "", ""},
      {"associated", true, Wireless(0x55, "home", 4), true, "00-11-22-33-44-55", "home"},
      {"empty SSID answer", true, Wireless(0, "", 0), true, "00-11-22-33-44-00", ""},
      {"SSID shorter than its zero", true, Wireless(0x55, std::string("ab\0cd", 5), 5), true,
       "00-11-22-33-44-55", "ab"},
      {"32-character SSID", true, Wireless(0x55, std::string(32, 'x'), 32), true, "00-11-22-33-44-55",
       "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"},
      {"length beyond 32 is cut", true, Wireless(0x55, std::string(32, 'y'), 200), true,
       "00-11-22-33-44-55", "yyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyy"},
  };
  for (const Case& c : cases) {
    FakeNetwork net;
    if (c.hasDevice) net.drivers["{W}"] = c.answer;
    char bssid[26] = "stale";
    char ssid[33] = "stale";
    EXPECT_EQ(QueryWirelessIdentity(net, "{W}", bssid, ssid), c.found) << c.name;
    EXPECT_STREQ(bssid, c.bssid) << c.name;
    EXPECT_STREQ(ssid, c.ssid) << c.name;
  }
}

TEST(QueryWirelessIdentity, NotAssociatedDriverGivesZeroBssidAndNoSsid) {
  FakeNetwork net;
  FakeDriverAnswer a = Wireless(0, "ignored", 7);
  std::memset(a.bssid, 0, 6);
  net.drivers["{W}"] = a;
  char bssid[26], ssid[33];
  EXPECT_FALSE(QueryWirelessIdentity(net, "{W}", bssid, ssid));
  EXPECT_STREQ(bssid, "00-00-00-00-00-00");
  EXPECT_STREQ(ssid, "");
}

TEST(QueryWirelessIdentity, DriversWithoutTheLegacyQueryAskTheWlanService) {
  WlanConnection connected;
  connected.state = WlanConnection::State::kConnected;
  const std::uint8_t ap[6] = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60};
  std::memcpy(connected.bssid, ap, 6);
  std::memcpy(connected.ssid, "office", 6);
  connected.ssidLength = 6;
  WlanConnection idle;
  idle.state = WlanConnection::State::kNotAssociated;

  struct Case {
    const char* name;
    bool hasDevice;
    std::optional<WlanConnection> wlan;
    bool found;
    const char* bssid;
    const char* ssid;
  } cases[] = {
      {"device opens, no BSSID answer", true, connected, true, "10-20-30-40-50-60", "office"},
      {"device does not open", false, connected, true, "10-20-30-40-50-60", "office"},
      {"not associated", true, idle, false, "00-00-00-00-00-00", ""},
      {"wired: unknown to the WLAN service", true, std::nullopt, false, "", ""},
  };
  for (const Case& c : cases) {
    FakeNetwork net;
    if (c.hasDevice) net.drivers["{W}"] = FakeDriverAnswer{};
    if (c.wlan) net.wlan["{W}"] = *c.wlan;
    char bssid[26], ssid[33];
    EXPECT_EQ(QueryWirelessIdentity(net, "{W}", bssid, ssid), c.found) << c.name;
    EXPECT_STREQ(bssid, c.bssid) << c.name;
    EXPECT_STREQ(ssid, c.ssid) << c.name;
  }
}

TEST(QueryWirelessIdentity, ADriverAnswerIsNotOverriddenByTheWlanService) {
  FakeNetwork net;
  net.drivers["{W}"] = Wireless(0x55, "home", 4);
  WlanConnection other;
  other.state = WlanConnection::State::kConnected;
  net.wlan["{W}"] = other;
  char bssid[26], ssid[33];
  EXPECT_TRUE(QueryWirelessIdentity(net, "{W}", bssid, ssid));
  EXPECT_STREQ(ssid, "home");
}

}  // namespace
}  // namespace tral
