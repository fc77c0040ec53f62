// What the counting core needs from the operating system's network side, as plain values.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tral {

inline constexpr std::size_t kMaxPhysAddrBytes = 8;  // adapter list and classic interface rows

// One adapter of the system's adapter list, in list order.
struct RawAdapter {
  std::string description;
  std::uint8_t address[kMaxPhysAddrBytes] = {};
  std::uint32_t addressLength = 0;
  std::string firstIp;  // text of the first IPv4 address, "0.0.0.0" or empty when it has none
  std::string adapterName;  // a GUID in braces; opens the adapter's device
  std::uint32_t interfaceIndex = 0;  // the interface the adapter's counters are in; 0 unknown
};

// One row of the interface table, in table order.
struct InterfaceRow {
  std::uint8_t physAddr[kMaxPhysAddrBytes] = {};
  std::uint32_t physAddrLength = 0;  // 0 for interfaces without a physical address (loopback)
  std::uint64_t inOctets = 0;
  std::uint64_t outOctets = 0;
  std::uint32_t interfaceIndex = 0;  // the interface's index; 0 unknown
  bool filterInterface = false;  // a filter stacked on an adapter, sharing its physical address
};

struct InterfaceTable {
  std::vector<InterfaceRow> rows;
  bool wideCounters = false;  // 64-bit counters; otherwise 32-bit counters that wrap at 4 GiB
};

// An open adapter device answering driver OID queries.
class NdisDevice {
 public:
  virtual ~NdisDevice() = default;
  // Bytes the driver returned for the OID into out (at most size); 0 when the query failed.
  virtual std::uint32_t Query(std::uint32_t oid, void* out, std::uint32_t size) = 0;
};

// The wireless service's view of an interface's current connection.
struct WlanConnection {
  enum class State { kUnknown, kNotAssociated, kConnected };
  State state = State::kUnknown;  // kUnknown: no wireless service or no such wireless interface
  std::uint8_t bssid[6] = {};
  std::uint8_t ssid[32] = {};
  std::uint32_t ssidLength = 0;
};

class NetworkSource {
 public:
  virtual ~NetworkSource() = default;
  // The adapter list; false when it cannot be read.
  virtual bool ReadAdapterList(std::vector<RawAdapter>& out) = 0;
  // Only the adapters bound to IPv4 (with their first address, "0.0.0.0" while they have none): an
  // adapter missing from it has no IPv4 address. A fraction of the whole list's cost, which also
  // asks for every adapter without IPv4; enough to tell whether an adapter still has an address.
  // An empty list is not a failure.
  virtual bool ReadIpv4AdapterList(std::vector<RawAdapter>& out) = 0;
  // The interface table; false when it cannot be read or has no rows. Reuses out's storage.
  virtual bool ReadInterfaceTable(InterfaceTable& out) = 0;
  // The adapter's device for driver queries, or null when it cannot be opened.
  virtual std::unique_ptr<NdisDevice> OpenNdisDevice(std::string_view adapterName) = 0;
  // The wireless service's current connection of the interface named by the adapter's GUID.
  virtual WlanConnection QueryWlanConnection(std::string_view adapterName) = 0;
};

}  // namespace tral
