// The system's adapter list, interface counters, adapter devices and wireless service for the core.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "service/network_source.h"
#include "shared/win32/unique_handle.h"

namespace tral::win32 {

// Which interface table supplies the octet counters.
enum class CounterSource {
  kWideWhereAvailable,  // the 64-bit table where the system has it, else the classic 32-bit one
  kClassicOnly,         // always the classic 32-bit table
};

// The interface GUID named by an adapter name "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" (hex digits
// in either case). False for anything else.
bool ParseAdapterGuid(std::string_view adapterName, GUID& out);

class Win32NetworkSource final : public NetworkSource {
 public:
  explicit Win32NetworkSource(CounterSource counters = CounterSource::kWideWhereAvailable);
  ~Win32NetworkSource() override;
  Win32NetworkSource(const Win32NetworkSource&) = delete;
  Win32NetworkSource& operator=(const Win32NetworkSource&) = delete;

  bool ReadAdapterList(std::vector<RawAdapter>& out) override;
  bool ReadIpv4AdapterList(std::vector<RawAdapter>& out) override;
  bool ReadInterfaceTable(InterfaceTable& out) override;
  std::unique_ptr<NdisDevice> OpenNdisDevice(std::string_view adapterName) override;
  WlanConnection QueryWlanConnection(std::string_view adapterName) override;

 private:
  bool ReadWideTable(InterfaceTable& out);
  bool ReadClassicTable(InterfaceTable& out);
  // Appends the adapters with a physical address that the IPv4 adapter list lacks.
  bool AddAdaptersWithoutIpv4(std::vector<RawAdapter>& out);
  bool EnsureWlanClient();

  // The wireless service's client handle, closed through the library that opened it.
  class WlanClient {
   public:
    using CloseFn = DWORD(WINAPI*)(HANDLE, PVOID);
    WlanClient() = default;
    WlanClient(const WlanClient&) = delete;
    WlanClient& operator=(const WlanClient&) = delete;
    ~WlanClient() { Reset(); }
    void Reset(HANDLE handle = nullptr, CloseFn close = nullptr);
    HANDLE Get() const { return handle_; }

   private:
    HANDLE handle_ = nullptr;
    CloseFn close_ = nullptr;
  };

  // The 64-bit interface table exists only on newer systems, so it is looked up at run time.
  UniqueModule ipHelper_;
  FARPROC getIfTable2_ = nullptr;
  FARPROC freeMibTable_ = nullptr;

  // Kept across passes so that a warm pass allocates nothing. 8-byte units keep the structures
  // aligned.
  std::vector<std::uint64_t> classicTable_;
  std::vector<std::uint64_t> adapterInfo_;
  std::vector<std::uint64_t> adapterAddresses_;

  // The wireless service's library is optional; it is loaded and its client opened on first use.
  // Declared before the client so that the client is closed before the library is freed.
  UniqueModule wlanLibrary_;
  bool wlanLibraryTried_ = false;
  FARPROC wlanOpenHandle_ = nullptr;
  FARPROC wlanCloseHandle_ = nullptr;
  FARPROC wlanQueryInterface_ = nullptr;
  FARPROC wlanFreeMemory_ = nullptr;
  WlanClient wlanClient_;
};

}  // namespace tral::win32
