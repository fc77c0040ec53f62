// The Windows adapter list, interface counters and wireless queries against this machine's kernel.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "linux_view.h"
#include "service/adapter_identity.h"
#include "service/win32/network_source_win32.h"

namespace tral::win32 {
namespace {

using testing::HostInterfaceNames;
using testing::InterfaceMacText;
using testing::KernelCounters;
using testing::ReadHostText;
using testing::ReadKernelCounters;

constexpr char kLoopbackMac[] = "00-00-00-00-00-00";

std::string KeyOf(const std::uint8_t* address, std::uint32_t length) {
  char key[kAdapterKeyWidth];
  FormatAdapterKey(address, length, key);
  return key;
}

// An address as the kernel prints it in /proc/net/route: the first octet is the lowest byte.
std::uint32_t RouteFromDotted(const std::string& text) {
  unsigned a = 0, b = 0, c = 0, d = 0;
  std::sscanf(text.c_str(), "%u.%u.%u.%u", &a, &b, &c, &d);
  return a | b << 8 | c << 16 | d << 24;
}

// Each host interface's IPv4 address: a local address of the kernel (/proc/net/fib_trie) that lies
// inside a subnet routed through that interface (/proc/net/route). Keyed by the interface's MAC text.
std::map<std::string, std::string> KernelIpv4ByMac() {
  std::vector<std::string> locals;
  std::istringstream trie(ReadHostText("/proc/net/fib_trie"));
  std::string line, last;
  while (std::getline(trie, line)) {
    const std::size_t leaf = line.find("|-- ");
    if (leaf != std::string::npos) last = line.substr(leaf + 4);
    if (line.find("/32 host LOCAL") != std::string::npos && last.rfind("127.", 0) != 0) locals.push_back(last);
  }
  std::map<std::string, std::string> byMac;
  std::istringstream routes(ReadHostText("/proc/net/route"));
  std::getline(routes, line);  // header
  while (std::getline(routes, line)) {
    std::istringstream fields(line);
    std::string iface, dest, gateway, flags, refCnt, use, metric, mask;
    fields >> iface >> dest >> gateway >> flags >> refCnt >> use >> metric >> mask;
    const std::uint32_t d = std::stoul(dest, nullptr, 16);
    const std::uint32_t m = std::stoul(mask, nullptr, 16);
    if (m == 0) continue;
    for (const std::string& ip : locals) {
      if ((RouteFromDotted(ip) & m) == d) byMac[InterfaceMacText(iface)] = ip;
    }
  }
  return byMac;
}

TEST(Win32NetworkSource, InterfaceRowsCarryTheKernelsCountersUnderEveryAddress) {
  struct Mode {
    const char* name;
    CounterSource source;
    bool wide;
  } modes[] = {
      {"64-bit table", CounterSource::kWideWhereAvailable, true},
      {"classic 32-bit table", CounterSource::kClassicOnly, false},
  };
  const std::vector<std::string> interfaces = HostInterfaceNames();
  ASSERT_FALSE(interfaces.empty()) << "no interfaces under Z:\\sys\\class\\net";
  for (const Mode& mode : modes) {
    SCOPED_TRACE(mode.name);
    Win32NetworkSource net(mode.source);
    std::map<std::string, KernelCounters> before, after;
    for (const std::string& i : interfaces) before[i] = ReadKernelCounters(i);
    InterfaceTable table;
    ASSERT_TRUE(net.ReadInterfaceTable(table));
    for (const std::string& i : interfaces) after[i] = ReadKernelCounters(i);
    EXPECT_EQ(table.wideCounters, mode.wide);

    for (const std::string& i : interfaces) {
      SCOPED_TRACE(i);
      const std::string mac = InterfaceMacText(i);
      if (mac == kLoopbackMac) {
        int without = 0;
        for (const InterfaceRow& r : table.rows) without += r.physAddrLength == 0;
        EXPECT_GE(without, 1) << "loopback is listed without a physical address";
        continue;
      }
      const InterfaceRow* row = nullptr;
      int rows = 0;
      for (const InterfaceRow& r : table.rows) {
        if (KeyOf(r.physAddr, r.physAddrLength) == mac) {
          row = &r;
          ++rows;
        }
      }
      ASSERT_EQ(rows, 1) << mac;
      EXPECT_EQ(row->physAddrLength, 6u);
      EXPECT_FALSE(row->filterInterface);
      const KernelCounters& b = before[i];
      const KernelCounters& a = after[i];
      if (mode.wide) {
        EXPECT_LE(b.rx, row->inOctets);
        EXPECT_LE(row->inOctets, a.rx);
        EXPECT_LE(b.tx, row->outOctets);
        EXPECT_LE(row->outOctets, a.tx);
      } else {
        // The low 32 bits of the kernel's counter, moved on by at most what the kernel counted.
        EXPECT_LT(row->inOctets, 1ull << 32);
        EXPECT_LT(row->outOctets, 1ull << 32);
        EXPECT_LE(static_cast<std::uint32_t>(row->inOctets - b.rx), a.rx - b.rx);
        EXPECT_LE(static_cast<std::uint32_t>(row->outOctets - b.tx), a.tx - b.tx);
      }
    }
  }
}

TEST(Win32NetworkSource, AdapterListGivesAddressedInterfacesTheirIpv4AddressAndNoWirelessIdentity) {
  const std::map<std::string, std::string> expected = KernelIpv4ByMac();
  ASSERT_FALSE(expected.empty()) << "the host has no interface with an IPv4 address";
  Win32NetworkSource net;

  std::vector<RawAdapter> list;
  ASSERT_TRUE(net.ReadAdapterList(list));
  for (const auto& [mac, ip] : expected) {
    SCOPED_TRACE(mac);
    int found = 0;
    for (const RawAdapter& a : list) {
      if (KeyOf(a.address, a.addressLength) != mac) continue;
      ++found;
      EXPECT_EQ(a.firstIp, ip);
      EXPECT_FALSE(a.description.empty());
      GUID guid;
      EXPECT_TRUE(ParseAdapterGuid(a.adapterName, guid)) << a.adapterName;
    }
    EXPECT_EQ(found, 1);
  }

  std::vector<AdapterEntry> entries;
  ASSERT_TRUE(EnumerateAdapters(net, entries));
  for (const auto& [mac, ip] : expected) {
    int found = 0;
    for (const AdapterEntry& e : entries) found += mac == e.adapterKey && ip == e.ipText;
    EXPECT_EQ(found, 1) << mac << " " << ip;
  }
  for (const AdapterEntry& e : entries) {
    EXPECT_STREQ(e.bssid, "") << e.adapterKey;
    EXPECT_STREQ(e.ssid, "") << e.adapterKey;
  }
}

TEST(Win32NetworkSource, WiredAdaptersAndBadNamesGiveNoWirelessAnswer) {
  Win32NetworkSource net;
  std::vector<RawAdapter> list;
  ASSERT_TRUE(net.ReadAdapterList(list));
  ASSERT_FALSE(list.empty());
  for (const RawAdapter& a : list) {
    SCOPED_TRACE(a.adapterName);
    EXPECT_EQ(net.QueryWlanConnection(a.adapterName).state, WlanConnection::State::kUnknown);
    if (std::unique_ptr<NdisDevice> device = net.OpenNdisDevice(a.adapterName)) {
      std::uint8_t bssid[6];
      EXPECT_NE(device->Query(kOid80211Bssid, bssid, sizeof bssid), 6u);
    }
  }
  // Names that are not a bare adapter name never reach the file system.
  for (const char* name : {"", "..\\Windows", "C:\\boot.ini", "a/b"}) {
    EXPECT_EQ(net.OpenNdisDevice(name), nullptr) << name;
    EXPECT_EQ(net.QueryWlanConnection(name).state, WlanConnection::State::kUnknown) << name;
  }
}

TEST(ParseAdapterGuid, ReadsOnlyTheBracedGuidForm) {
  const GUID kExpected = {0x4D36E972, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
  struct Case {
    const char* text;
    bool valid;
  } cases[] = {
      {"{4D36E972-E325-11CE-BFC1-08002BE10318}", true},
      {"{4d36e972-e325-11ce-bfc1-08002be10318}", true},
      {"4D36E972-E325-11CE-BFC1-08002BE10318", false},      // no braces
      {"{4D36E972-E325-11CE-BFC1-08002BE1031}", false},     // one digit short
      {"{4D36E972-E325-11CE-BFC1-08002BE103180}", false},   // one digit too many
      {"{4D36E972-E325-11CEB-FC1-08002BE10318}", false},    // dash misplaced
      {"{4D36E97G-E325-11CE-BFC1-08002BE10318}", false},    // not hex
      {"{4D36E972-E325-11CE-BFC1-08002BE1031 }", false},    // blank in the tail
      {"{+D36E972-E325-11CE-BFC1-08002BE10318}", false},    // sign
      {"", false},
  };
  for (const Case& c : cases) {
    GUID guid{};
    EXPECT_EQ(ParseAdapterGuid(c.text, guid), c.valid) << c.text;
    if (c.valid) {
      EXPECT_EQ(std::memcmp(&guid, &kExpected, sizeof guid), 0) << c.text;
    }
  }
}

}  // namespace
}  // namespace tral::win32
