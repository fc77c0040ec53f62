// The host kernel's own view of its interfaces, read from inside Wine through the Z: drive.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "shared/win32/unique_handle.h"

namespace tral::testing {

// Whole text of a host file ("/sys/class/net/eth0/address" becomes "Z:\sys\class\net\eth0\address").
inline std::string ReadHostText(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline std::uint64_t ReadKernelCounter(const std::string& interfaceName, const char* counter) {
  const std::string text = ReadHostText("/sys/class/net/" + interfaceName + "/statistics/" + counter);
  return std::strtoull(text.c_str(), nullptr, 10);
}

// "02:fc:00:00:00:01\n" -> "02-FC-00-00-00-01".
inline std::string MacTextFromKernel(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') break;
    if (c == ':') c = '-';
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    out += c;
  }
  return out;
}

inline std::string InterfaceMacText(const std::string& interfaceName) {
  return MacTextFromKernel(ReadHostText("/sys/class/net/" + interfaceName + "/address"));
}

// Names of the host's network interfaces (entries of /sys/class/net).
inline std::vector<std::string> HostInterfaceNames() {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  win32::UniqueFind find(::FindFirstFileA("Z:\\sys\\class\\net\\*", &data));
  if (!find) return names;
  do {
    const std::string name = data.cFileName;
    // Entries that are interfaces have an address file; "bonding_masters" and the like do not.
    if (name != "." && name != ".." && !ReadHostText("/sys/class/net/" + name + "/address").empty()) {
      names.push_back(name);
    }
  } while (::FindNextFileA(find.Get(), &data));
  return names;
}

struct KernelCounters {
  std::uint64_t rx = 0;
  std::uint64_t tx = 0;
};

inline KernelCounters ReadKernelCounters(const std::string& interfaceName) {
  return {ReadKernelCounter(interfaceName, "rx_bytes"), ReadKernelCounter(interfaceName, "tx_bytes")};
}

}  // namespace tral::testing
