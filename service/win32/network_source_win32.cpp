// Adapter list, interface counters, adapter device queries and the wireless service, read from Windows.
#include "service/win32/network_source_win32.h"

// The order matters: the 64-bit interface table types need the socket address types first.
#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>
#include <netioapi.h>
#include <wlanapi.h>

#include <cstddef>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "service/adapter_identity.h"
#include "shared/text_field.h"

namespace tral::win32 {

namespace {

// A size no adapter list or interface table comes near; a larger answer is taken as a fault.
constexpr ULONG kMaxTableBytes = 16u << 20;

using GetIfTable2Fn = DWORD(WINAPI*)(PMIB_IF_TABLE2*);
using FreeMibTableFn = VOID(WINAPI*)(PVOID);
using WlanFreeMemoryFn = VOID(WINAPI*)(PVOID);
using WlanOpenHandleFn = DWORD(WINAPI*)(DWORD, PVOID, PDWORD, PHANDLE);
using WlanQueryInterfaceFn = DWORD(WINAPI*)(HANDLE, const GUID*, WLAN_INTF_OPCODE, PVOID, PDWORD,
                                             PVOID*, PWLAN_OPCODE_VALUE_TYPE);

// Casts a looked-up export to its real type (through the generic function type, which the compiler
// accepts without a cast-function-type warning).
template <typename Fn>
Fn As(FARPROC proc) {
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

// Loads a library from the system directory only, so that a file of the same name beside the
// executable is never picked up.
HMODULE LoadSystemLibrary(const char* name) {
  char path[MAX_PATH];
  const UINT n = ::GetSystemDirectoryA(path, MAX_PATH);
  if (n == 0 || n + 1 + std::strlen(name) >= MAX_PATH) return nullptr;
  std::string full(path, n);
  full += '\\';
  full += name;
  return ::LoadLibraryA(full.c_str());
}

// Calls a list function of the form `call(buffer, &size)` into `buffer`, which is kept from the last
// call and grown (with two spare bytes) when the function asks for more: a warm call is one system
// call instead of a size query and a read, which cost the same. The list may grow between the two
// calls of a cold one, so it is tried a few times. ERROR_BUFFER_OVERFLOW when it never fit.
template <typename Call>
DWORD ReadIntoKeptBuffer(std::vector<std::uint64_t>& buffer, Call call) {
  DWORD status = ERROR_BUFFER_OVERFLOW;
  for (int tries = 0; tries < 3 && status == ERROR_BUFFER_OVERFLOW; ++tries) {
    ULONG size = static_cast<ULONG>(buffer.size() * sizeof buffer[0]);
    status = call(buffer.empty() ? nullptr : buffer.data(), &size);
    if (status != ERROR_BUFFER_OVERFLOW) break;
    if (size > kMaxTableBytes) return ERROR_BUFFER_OVERFLOW;
    buffer.resize((size + 2 + sizeof buffer[0] - 1) / sizeof buffer[0]);
  }
  return status;
}

void CopyPhysAddr(InterfaceRow& row, const BYTE* address, ULONG length) {
  row.physAddrLength = length < kMaxPhysAddrBytes ? length : kMaxPhysAddrBytes;
  std::memcpy(row.physAddr, address, row.physAddrLength);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads `digits` hex digits at `text`; false if any is not a hex digit.
bool ParseHex(std::string_view text, std::size_t digits, std::uint32_t& out) {
  out = 0;
  for (std::size_t i = 0; i < digits; ++i) {
    const int v = HexValue(text[i]);
    if (v < 0) return false;
    out = out << 4 | static_cast<std::uint32_t>(v);
  }
  return true;
}

class Win32NdisDevice final : public NdisDevice {
 public:
  explicit Win32NdisDevice(UniqueFile file) : file_(std::move(file)) {}

  std::uint32_t Query(std::uint32_t oid, void* out, std::uint32_t size) override {
    DWORD input = oid;
    DWORD returned = 0;
    if (!::DeviceIoControl(file_.Get(), kIoctlNdisQueryGlobalStats, &input, sizeof input, out, size,
                           &returned, nullptr)) {
      return 0;
    }
    return returned <= size ? returned : size;
  }

 private:
  UniqueFile file_;
};

// Memory handed out by the wireless service, given back on every path.
class WlanMemory {
 public:
  explicit WlanMemory(FARPROC freeMemory) : free_(As<WlanFreeMemoryFn>(freeMemory)) {}
  WlanMemory(const WlanMemory&) = delete;
  WlanMemory& operator=(const WlanMemory&) = delete;
  ~WlanMemory() { Reset(); }
  PVOID* Out() {
    Reset();
    return &data_;
  }
  const void* Get() const { return data_; }
  void Reset() {
    if (data_) free_(data_);
    data_ = nullptr;
  }

 private:
  WlanFreeMemoryFn free_;
  PVOID data_ = nullptr;
};

}  // namespace

bool ParseAdapterGuid(std::string_view name, GUID& out) {
  // {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}
  if (name.size() != 38 || name[0] != '{' || name[37] != '}' || name[9] != '-' || name[14] != '-' ||
      name[19] != '-' || name[24] != '-') {
    return false;
  }
  std::uint32_t data1 = 0, data2 = 0, data3 = 0;
  if (!ParseHex(name.substr(1), 8, data1) || !ParseHex(name.substr(10), 4, data2) ||
      !ParseHex(name.substr(15), 4, data3)) {
    return false;
  }
  static constexpr std::size_t kTailAt[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  GUID guid{};
  for (std::size_t i = 0; i < 8; ++i) {
    std::uint32_t byte = 0;
    if (!ParseHex(name.substr(kTailAt[i]), 2, byte)) return false;
    guid.Data4[i] = static_cast<unsigned char>(byte);
  }
  guid.Data1 = data1;
  guid.Data2 = static_cast<unsigned short>(data2);
  guid.Data3 = static_cast<unsigned short>(data3);
  out = guid;
  return true;
}

void Win32NetworkSource::WlanClient::Reset(HANDLE handle, CloseFn close) {
  if (handle_ && close_) close_(handle_, nullptr);
  handle_ = handle;
  close_ = close;
}

Win32NetworkSource::Win32NetworkSource(CounterSource counters) {
  if (counters == CounterSource::kClassicOnly) return;
  ipHelper_.Reset(LoadSystemLibrary("iphlpapi.dll"));
  if (!ipHelper_) return;
  getIfTable2_ = ::GetProcAddress(ipHelper_.Get(), "GetIfTable2");
  freeMibTable_ = ::GetProcAddress(ipHelper_.Get(), "FreeMibTable");
  if (!getIfTable2_ || !freeMibTable_) getIfTable2_ = freeMibTable_ = nullptr;
}

Win32NetworkSource::~Win32NetworkSource() = default;

bool Win32NetworkSource::ReadAdapterList(std::vector<RawAdapter>& out) {
  return ReadIpv4AdapterList(out) && AddAdaptersWithoutIpv4(out);
}

bool Win32NetworkSource::ReadIpv4AdapterList(std::vector<RawAdapter>& out) {
  out.clear();
  const DWORD status = ReadIntoKeptBuffer(adapterInfo_, [](void* buffer, ULONG* size) {
    return ::GetAdaptersInfo(static_cast<IP_ADAPTER_INFO*>(buffer), size);
  });
  // No adapter with IPv4 at all (an IPv6-only machine) is an empty list here, not a failure.
  if (status == ERROR_NO_DATA) return true;
  if (status != NO_ERROR) return false;
  for (const IP_ADAPTER_INFO* a = reinterpret_cast<const IP_ADAPTER_INFO*>(adapterInfo_.data()); a != nullptr; a = a->Next) {
    RawAdapter& r = out.emplace_back();
    r.description = std::string(BoundedText(a->Description, sizeof a->Description));
    r.addressLength = a->AddressLength < kMaxPhysAddrBytes ? a->AddressLength : kMaxPhysAddrBytes;
    std::memcpy(r.address, a->Address, r.addressLength);
    r.firstIp = std::string(
        BoundedText(a->IpAddressList.IpAddress.String, sizeof a->IpAddressList.IpAddress.String));
    r.adapterName = std::string(BoundedText(a->AdapterName, sizeof a->AdapterName));
    r.interfaceIndex = a->Index;
  }
  return true;
}

bool Win32NetworkSource::AddAdaptersWithoutIpv4(std::vector<RawAdapter>& out) {
  // The list above holds only adapters bound to IPv4; one whose IPv4 is switched off appears only
  // in the list of all adapters. Where that list cannot be had, the IPv4 adapters stand alone.
  constexpr ULONG kFlags = GAA_FLAG_SKIP_UNICAST | GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST |
                           GAA_FLAG_SKIP_DNS_SERVER | GAA_FLAG_SKIP_FRIENDLY_NAME;
  const DWORD status = ReadIntoKeptBuffer(adapterAddresses_, [](void* buffer, ULONG* size) {
    return ::GetAdaptersAddresses(AF_UNSPEC, kFlags, nullptr, static_cast<IP_ADAPTER_ADDRESSES*>(buffer), size);
  });
  if (status != NO_ERROR) return true;
  const std::size_t withIpv4 = out.size();
  for (const IP_ADAPTER_ADDRESSES* a = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(adapterAddresses_.data()); a != nullptr; a = a->Next) {
    const DWORD index = a->IfIndex != 0 ? a->IfIndex : a->Ipv6IfIndex;
    if (a->PhysicalAddressLength == 0 || index == 0) continue;
    bool listed = false;
    for (std::size_t i = 0; i < withIpv4 && !listed; ++i) listed = out[i].interfaceIndex == index;
    if (listed) continue;
    RawAdapter& r = out.emplace_back();
    if (a->Description != nullptr) {
      char text[MAX_ADAPTER_DESCRIPTION_LENGTH + 4] = {};
      ::WideCharToMultiByte(CP_ACP, 0, a->Description, -1, text, sizeof text - 1, nullptr, nullptr);
      r.description = std::string(BoundedText(text, sizeof text));
    }
    r.addressLength = a->PhysicalAddressLength < kMaxPhysAddrBytes ? a->PhysicalAddressLength : kMaxPhysAddrBytes;
    std::memcpy(r.address, a->PhysicalAddress, r.addressLength);
    if (a->AdapterName != nullptr) r.adapterName = std::string(BoundedText(a->AdapterName, MAX_ADAPTER_NAME_LENGTH + 4));
    r.interfaceIndex = index;
  }
  return true;
}

bool Win32NetworkSource::ReadInterfaceTable(InterfaceTable& out) {
  out.rows.clear();
  if (getIfTable2_ && ReadWideTable(out)) return true;
  out.rows.clear();
  return ReadClassicTable(out);
}

bool Win32NetworkSource::ReadWideTable(InterfaceTable& out) {
  PMIB_IF_TABLE2 raw = nullptr;
  const DWORD status = As<GetIfTable2Fn>(getIfTable2_)(&raw);
  struct Free {
    FreeMibTableFn free;
    void operator()(MIB_IF_TABLE2* t) const { free(t); }
  };
  const std::unique_ptr<MIB_IF_TABLE2, Free> table(raw, Free{As<FreeMibTableFn>(freeMibTable_)});
  if (status != NO_ERROR || !table || table->NumEntries == 0) return false;
  out.wideCounters = true;
  for (ULONG i = 0; i < table->NumEntries; ++i) {
    const MIB_IF_ROW2& row = table->Table[i];
    InterfaceRow& r = out.rows.emplace_back();
    CopyPhysAddr(r, row.PhysicalAddress, row.PhysicalAddressLength);
    r.inOctets = row.InOctets;
    r.outOctets = row.OutOctets;
    r.interfaceIndex = row.InterfaceIndex;
    r.filterInterface = row.InterfaceAndOperStatusFlags.FilterInterface != 0;
  }
  return true;
}

bool Win32NetworkSource::ReadClassicTable(InterfaceTable& out) {
  ULONG size = 0;
  if (::GetIfTable(nullptr, &size, TRUE) != ERROR_INSUFFICIENT_BUFFER || size > kMaxTableBytes) return false;
  // Two spare bytes beyond the size asked for; the buffer is kept for the next pass.
  ULONG capacity = size + 2;
  if (classicTable_.size() * 8 < capacity) classicTable_.resize((capacity + 7) / 8);
  capacity = static_cast<ULONG>(classicTable_.size() * 8);
  auto* table = reinterpret_cast<MIB_IFTABLE*>(classicTable_.data());
  if (::GetIfTable(table, &capacity, TRUE) != NO_ERROR || table->dwNumEntries == 0) return false;
  // Never trust the row count beyond the buffer that holds the rows.
  const std::size_t fits = (classicTable_.size() * 8 - offsetof(MIB_IFTABLE, table)) / sizeof(MIB_IFROW);
  const std::size_t count = table->dwNumEntries < fits ? table->dwNumEntries : fits;
  out.wideCounters = false;
  for (std::size_t i = 0; i < count; ++i) {
    const MIB_IFROW& row = table->table[i];
    InterfaceRow& r = out.rows.emplace_back();
    CopyPhysAddr(r, row.bPhysAddr, row.dwPhysAddrLen);
    r.inOctets = row.dwInOctets;
    r.outOctets = row.dwOutOctets;
    r.interfaceIndex = row.dwIndex;
  }
  return true;
}

std::unique_ptr<NdisDevice> Win32NetworkSource::OpenNdisDevice(std::string_view adapterName) {
  // The name comes from the adapter list; anything that could leave the device namespace is refused.
  if (adapterName.empty() || adapterName.size() > MAX_PATH - 5 ||
      adapterName.find_first_of("\\/") != std::string_view::npos ||
      adapterName.find('\0') != std::string_view::npos) {
    return nullptr;
  }
  std::string path = "\\\\.\\";
  path.append(adapterName);
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  if (!file) return nullptr;
  return std::unique_ptr<NdisDevice>(new (std::nothrow) Win32NdisDevice(std::move(file)));
}

bool Win32NetworkSource::EnsureWlanClient() {
  if (wlanClient_.Get()) return true;
  if (!wlanLibraryTried_) {
    // Systems without wireless support have no such library; that is looked for only once.
    wlanLibraryTried_ = true;
    wlanLibrary_.Reset(LoadSystemLibrary("wlanapi.dll"));
    if (wlanLibrary_) {
      wlanOpenHandle_ = ::GetProcAddress(wlanLibrary_.Get(), "WlanOpenHandle");
      wlanCloseHandle_ = ::GetProcAddress(wlanLibrary_.Get(), "WlanCloseHandle");
      wlanQueryInterface_ = ::GetProcAddress(wlanLibrary_.Get(), "WlanQueryInterface");
      wlanFreeMemory_ = ::GetProcAddress(wlanLibrary_.Get(), "WlanFreeMemory");
      if (!wlanOpenHandle_ || !wlanCloseHandle_ || !wlanQueryInterface_ || !wlanFreeMemory_) {
        wlanLibrary_.Reset();
      }
    }
  }
  if (!wlanLibrary_) return false;
  // The wireless service may start later than we do, so a failed open is tried again next time.
  constexpr DWORD kClientVersion = 2;
  DWORD negotiated = 0;
  HANDLE handle = nullptr;
  if (As<WlanOpenHandleFn>(wlanOpenHandle_)(kClientVersion, nullptr, &negotiated, &handle) != ERROR_SUCCESS ||
      handle == nullptr) {
    return false;
  }
  wlanClient_.Reset(handle, As<WlanClient::CloseFn>(wlanCloseHandle_));
  return true;
}

WlanConnection Win32NetworkSource::QueryWlanConnection(std::string_view adapterName) {
  WlanConnection result;
  GUID guid;
  if (!ParseAdapterGuid(adapterName, guid) || !EnsureWlanClient()) return result;
  const auto query = As<WlanQueryInterfaceFn>(wlanQueryInterface_);

  WlanMemory data(wlanFreeMemory_);
  DWORD size = 0;
  WLAN_OPCODE_VALUE_TYPE type{};
  const DWORD status = query(wlanClient_.Get(), &guid, wlan_intf_opcode_current_connection, nullptr, &size,
                             data.Out(), &type);
  if (status == ERROR_INVALID_HANDLE) {
    // The wireless service went away and came back: open a new client next time.
    wlanClient_.Reset();
    return result;
  }
  if (status == ERROR_SUCCESS && data.Get() && size >= sizeof(WLAN_CONNECTION_ATTRIBUTES)) {
    const auto* c = static_cast<const WLAN_CONNECTION_ATTRIBUTES*>(data.Get());
    const WLAN_ASSOCIATION_ATTRIBUTES& a = c->wlanAssociationAttributes;
    bool bssidSet = false;
    for (UCHAR b : a.dot11Bssid) bssidSet = bssidSet || b != 0;
    if (c->isState != wlan_interface_state_connected && !bssidSet) {
      result.state = WlanConnection::State::kNotAssociated;
      return result;
    }
    result.state = WlanConnection::State::kConnected;
    std::memcpy(result.bssid, a.dot11Bssid, sizeof result.bssid);
    result.ssidLength = a.dot11Ssid.uSSIDLength < sizeof result.ssid ? a.dot11Ssid.uSSIDLength
                                                                       : sizeof result.ssid;
    std::memcpy(result.ssid, a.dot11Ssid.ucSSID, result.ssidLength);
    return result;
  }
  // No current connection to report. The interface is a known wireless one that is simply not
  // connected when the service can still tell its state.
  DWORD stateSize = 0;
  if (query(wlanClient_.Get(), &guid, wlan_intf_opcode_interface_state, nullptr, &stateSize, data.Out(),
            &type) == ERROR_SUCCESS &&
      data.Get() && stateSize >= sizeof(WLAN_INTERFACE_STATE)) {
    result.state = WlanConnection::State::kNotAssociated;
  }
  return result;
}

}  // namespace tral::win32
