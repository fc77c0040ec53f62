// A made-up network for core tests: adapter list, interface rows, driver and wireless answers.
#pragma once

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "service/network_source.h"

namespace tral::fakes {

struct FakeDriverAnswer {
  std::uint32_t bssidBytes = 0;  // bytes the BSSID query returns (6 for a wireless adapter)
  std::uint8_t bssid[6] = {};
  std::uint32_t ssidBytes = 0;  // bytes the SSID query returns (36 when answered)
  std::uint32_t ssidLength = 0;
  std::string ssid;
};

class FakeNetwork final : public NetworkSource {
 public:
  std::vector<RawAdapter> adapters;
  bool adapterListFails = false;
  InterfaceTable table;
  bool tableFails = false;
  std::map<std::string, FakeDriverAnswer> drivers;  // by adapter name; absent: device cannot open
  std::map<std::string, WlanConnection> wlan;  // by adapter name; absent: kUnknown

  int adapterListReads = 0;
  int ipv4ListReads = 0;
  int deviceOpens = 0;
  int tableReads = 0;

  bool ReadAdapterList(std::vector<RawAdapter>& out) override {
    ++adapterListReads;
    if (adapterListFails) return false;
    out = adapters;
    return true;
  }

  // The adapters given an IPv4 text ("0.0.0.0" included); "" stands for an adapter without IPv4.
  bool ReadIpv4AdapterList(std::vector<RawAdapter>& out) override {
    ++ipv4ListReads;
    if (adapterListFails) return false;
    out.clear();
    for (const RawAdapter& a : adapters) {
      if (!a.firstIp.empty()) out.push_back(a);
    }
    return true;
  }

  bool ReadInterfaceTable(InterfaceTable& out) override {
    ++tableReads;
    if (tableFails || table.rows.empty()) return false;
    out.rows.assign(table.rows.begin(), table.rows.end());
    out.wideCounters = table.wideCounters;
    return true;
  }

  std::unique_ptr<NdisDevice> OpenNdisDevice(std::string_view adapterName) override {
    ++deviceOpens;
    auto it = drivers.find(std::string(adapterName));
    if (it == drivers.end()) return nullptr;
    return std::make_unique<Device>(it->second);
  }

  WlanConnection QueryWlanConnection(std::string_view adapterName) override {
    auto it = wlan.find(std::string(adapterName));
    return it == wlan.end() ? WlanConnection{} : it->second;
  }

  // Helpers to describe a machine.
  RawAdapter& AddAdapter(const std::string& description, std::vector<std::uint8_t> mac,
                         const std::string& ip, const std::string& name) {
    RawAdapter& a = adapters.emplace_back();
    a.description = description;
    a.addressLength = static_cast<std::uint32_t>(mac.size());
    if (!mac.empty()) std::memcpy(a.address, mac.data(), std::min<std::size_t>(mac.size(), sizeof a.address));
    a.firstIp = ip;
    a.adapterName = name;
    return a;
  }

  InterfaceRow& AddRow(std::vector<std::uint8_t> mac, std::uint64_t in, std::uint64_t out) {
    InterfaceRow& r = table.rows.emplace_back();
    r.physAddrLength = static_cast<std::uint32_t>(mac.size());
    if (!mac.empty()) std::memcpy(r.physAddr, mac.data(), std::min<std::size_t>(mac.size(), sizeof r.physAddr));
    r.inOctets = in;
    r.outOctets = out;
    return r;
  }

 private:
  class Device final : public NdisDevice {
   public:
    explicit Device(const FakeDriverAnswer& a) : answer_(a) {}
    std::uint32_t Query(std::uint32_t oid, void* out, std::uint32_t size) override {
      if (oid == 0x0D010101) {
        if (answer_.bssidBytes == 0 || size < 6) return 0;
        std::memcpy(out, answer_.bssid, 6);
        return answer_.bssidBytes;
      }
      if (oid == 0x0D010102) {
        if (answer_.ssidBytes == 0 || size < 36) return 0;
        auto* p = static_cast<std::uint8_t*>(out);
        for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(answer_.ssidLength >> (8 * i));
        std::memcpy(p + 4, answer_.ssid.data(), std::min<std::size_t>(answer_.ssid.size(), 32));
        return answer_.ssidBytes;
      }
      return 0;
    }

   private:
    FakeDriverAnswer answer_;
  };
};

}  // namespace tral::fakes
