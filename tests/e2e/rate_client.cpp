// Test and demo client of the counting service: asks for snapshots through the named objects,
// queries and controls the service through the SCM, and plays the bad neighbour on request.
//
//   rate_client snapshot [waitMs]     one request; the block as JSON (exit 2 unreachable, 3 no answer,
//                                     4 mutex not obtained, 5 no section, 6 damaged block)
//   rate_client watch [seconds]       a table of every connection's totals and rates once a second
//   rate_client svc-config            the service's registration as JSON (exit 2 when not installed)
//   rate_client svc-status            the service's status as JSON (exit 2 when not installed)
//   rate_client svc-control CODE      ControlService with CODE; the status returned as JSON
//   rate_client svc-start             StartService
//   rate_client temp-path             GetTempPathA
//   rate_client hold-mutex MS [abandon]  owns "Global\QRateMMt" for MS ms (exits owning it: abandon)
//   rate_client flood MS              sets "Global\QRateGet" in a tight loop for MS ms
//   rate_client scribble              fills the mapped section with garbage
//   rate_client squat MS [foreign]    holds the block's events, mutex and section open for MS ms
//   rate_client squat-guard MS [foreign]  holds "Global\QTraldenServiceEvent" for MS ms
//                                     "foreign": objects it creates get another account's owner
//                                     ("Everyone")
//   rate_client poll MS               a snapshot every MS ms, one JSON line each, until killed
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr char kRequest[] = "Global\\QRateGet";
constexpr char kAnswer[] = "Global\\QRateSet";
constexpr char kMutex[] = "Global\\QRateMMt";
constexpr char kSection[] = "Global\\QMemSet";
constexpr char kService[] = "QTraldenMeterService";
constexpr std::size_t kRecord = 696;

// Owns one kernel handle.
struct Handle {
  HANDLE h = nullptr;
  explicit Handle(HANDLE value) : h(value) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (h) CloseHandle(h);
  }
};

struct View {
  const std::uint8_t* p = nullptr;
  explicit View(void* value) : p(static_cast<const std::uint8_t*>(value)) {}
  View(const View&) = delete;
  View& operator=(const View&) = delete;
  ~View() {
    if (p) UnmapViewOfFile(p);
  }
};

struct ScHandle {
  SC_HANDLE h = nullptr;
  explicit ScHandle(SC_HANDLE value) : h(value) {}
  ScHandle(const ScHandle&) = delete;
  ScHandle& operator=(const ScHandle&) = delete;
  ~ScHandle() {
    if (h) CloseServiceHandle(h);
  }
};

std::uint32_t U32(const std::uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24; }
std::uint64_t U64(const std::uint8_t* p) { return U32(p) | static_cast<std::uint64_t>(U32(p + 4)) << 32; }

// A text field up to its NUL; a field without one is reported as damaged.
bool Text(const std::uint8_t* p, std::size_t width, std::string& out) {
  const void* nul = std::memchr(p, 0, width);
  if (!nul) return false;
  out.assign(reinterpret_cast<const char*>(p), static_cast<const std::uint8_t*>(nul) - p);
  return true;
}

std::string Json(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

struct Record {
  std::uint32_t link, groupSize, zero;
  std::string description, key, ip, bssid, ssid, name;
  std::uint64_t rxTotal, txTotal;
  std::uint32_t rxWindow[3], txWindow[3], rxRate, txRate, rxTick, txTick;
};

bool DecodeRecord(const std::uint8_t* p, Record& r) {
  r.link = U32(p);
  r.groupSize = U32(p + 312);
  r.zero = U32(p + 316);
  r.rxTotal = U64(p + 304);
  r.txTotal = U64(p + 320);
  for (int i = 0; i < 3; ++i) {
    r.rxWindow[i] = U32(p + 336 + 4 * i);
    r.txWindow[i] = U32(p + 348 + 4 * i);
  }
  r.rxRate = U32(p + 360);
  r.txRate = U32(p + 364);
  r.rxTick = U32(p + 368);
  r.txTick = U32(p + 372);
  return Text(p + 4, 257, r.description) && Text(p + 261, 26, r.key) && Text(p + 287, 16, r.ip) &&
         Text(p + 376, 26, r.bssid) && Text(p + 402, 33, r.ssid) && Text(p + 435, 260, r.name);
}

// The block decoded within the bytes mapped: groups of records, head first.
bool DecodeBlock(const std::uint8_t* p, std::size_t size, std::vector<std::vector<Record>>& groups) {
  if (size < 4) return false;
  const std::uint32_t groupCount = U32(p);
  std::size_t pos = 4;
  for (std::uint32_t g = 0; g < groupCount; ++g) {
    std::vector<Record> group;
    std::uint32_t n = 1;
    for (std::uint32_t i = 0; i < n; ++i) {
      if (size - pos < kRecord) return false;
      Record r;
      if (!DecodeRecord(p + pos, r)) return false;
      if (i == 0) n = r.groupSize == 0 ? 1 : r.groupSize;
      group.push_back(r);
      pos += kRecord;
    }
    groups.push_back(std::move(group));
  }
  return true;
}

// One request/answer exchange as the monitor does it. Returns 0 or the exit code of the failure.
int Request(DWORD answerWaitMs, std::vector<std::vector<Record>>& groups) {
  Handle request(OpenEventA(EVENT_MODIFY_STATE, FALSE, kRequest));
  if (!request.h) return 2;
  Handle answer(OpenEventA(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, kAnswer));
  if (!answer.h) return 2;
  // An answer nobody waited for (after a burst of requests) stays signalled; it must not be taken
  // for the answer to this request.
  ResetEvent(answer.h);
  SetEvent(request.h);
  if (WaitForSingleObject(answer.h, answerWaitMs) != WAIT_OBJECT_0) return 3;
  Handle mutex(OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, kMutex));
  if (!mutex.h) return 4;
  const DWORD w = WaitForSingleObject(mutex.h, 5000);
  if (w != WAIT_OBJECT_0 && w != WAIT_ABANDONED) return 4;
  int result = 0;
  {
    Handle section(OpenFileMappingA(FILE_MAP_READ, FALSE, kSection));
    View view(section.h ? MapViewOfFile(section.h, FILE_MAP_READ, 0, 0, 0) : nullptr);
    if (!view.p) {
      result = 5;
    } else {
      MEMORY_BASIC_INFORMATION info{};
      VirtualQuery(view.p, &info, sizeof info);
      if (!DecodeBlock(view.p, info.RegionSize, groups)) result = 6;
    }
  }
  ReleaseMutex(mutex.h);
  return result;
}

int Snapshot(DWORD waitMs) {
  std::vector<std::vector<Record>> groups;
  const int result = Request(waitMs, groups);
  if (result != 0) {
    std::printf("{\"error\": %d}\n", result);
    std::fflush(stdout);
    return result;
  }
  std::printf("{\"groups\": [");
  for (std::size_t g = 0; g < groups.size(); ++g) {
    std::printf("%s[", g ? ", " : "");
    for (std::size_t i = 0; i < groups[g].size(); ++i) {
      const Record& r = groups[g][i];
      std::printf(
          "%s{\"link\": %u, \"groupSize\": %u, \"zero\": %u, \"description\": %s, \"key\": %s, "
          "\"ip\": %s, \"bssid\": %s, \"ssid\": %s, \"name\": %s, \"rxTotal\": %llu, \"txTotal\": %llu, "
          "\"rxRate\": %u, \"txRate\": %u, \"rxTick\": %u, \"txTick\": %u, \"rxWindow\": [%u, %u, %u]}",
          i ? ", " : "", r.link, r.groupSize, r.zero, Json(r.description).c_str(), Json(r.key).c_str(),
          Json(r.ip).c_str(), Json(r.bssid).c_str(), Json(r.ssid).c_str(), Json(r.name).c_str(),
          static_cast<unsigned long long>(r.rxTotal), static_cast<unsigned long long>(r.txTotal), r.rxRate,
          r.txRate, r.rxTick, r.txTick, r.rxWindow[0], r.rxWindow[1], r.rxWindow[2]);
    }
    std::printf("]");
  }
  std::printf("]}\n");
  std::fflush(stdout);
  return 0;
}

int Poll(DWORD periodMs) {
  for (;;) {
    Snapshot(1800);
    Sleep(periodMs);
  }
}

int Watch(int seconds) {
  for (int s = 0; seconds <= 0 || s < seconds; ++s) {
    std::vector<std::vector<Record>> groups;
    const int result = Request(1800, groups);
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::printf("---- %02u:%02u:%02u ", now.wHour, now.wMinute, now.wSecond);
    if (result != 0) {
      std::printf("service not reachable (%d)\n", result);
    } else {
      std::printf("%zu adapter(s) with traffic today\n", groups.size());
      std::printf("%-18s %-15s %-12s %14s %14s %12s %12s\n", "adapter", "IP", "SSID", "received B",
                  "sent B", "recv B/s", "sent B/s");
      for (const auto& group : groups) {
        for (const Record& r : group) {
          std::printf("%-18s %-15s %-12s %14llu %14llu %12u %12u\n", r.key.c_str(), r.ip.c_str(),
                      r.ssid.c_str(), static_cast<unsigned long long>(r.rxTotal),
                      static_cast<unsigned long long>(r.txTotal), r.rxRate, r.txRate);
        }
      }
    }
    std::fflush(stdout);
    Sleep(1000);
  }
  return 0;
}

int ServiceConfig() {
  ScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  ScHandle service(manager.h ? OpenServiceA(manager.h, kService, SERVICE_ALL_ACCESS) : nullptr);
  if (!service.h) {
    std::printf("{\"error\": %lu}\n", GetLastError());
    return 2;
  }
  std::vector<std::uint8_t> buffer(8192);
  DWORD needed = 0;
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
  if (!QueryServiceConfigA(service.h, config, static_cast<DWORD>(buffer.size()), &needed)) return 1;
  std::vector<std::uint8_t> buffer2(8192);
  auto* description = reinterpret_cast<SERVICE_DESCRIPTIONA*>(buffer2.data());
  std::string descriptionText;
  if (QueryServiceConfig2A(service.h, SERVICE_CONFIG_DESCRIPTION, buffer2.data(),
                           static_cast<DWORD>(buffer2.size()), &needed) &&
      description->lpDescription) {
    descriptionText = description->lpDescription;
  }
  SERVICE_PRESHUTDOWN_INFO preshutdown{};
  const bool hasPreshutdown = QueryServiceConfig2A(service.h, SERVICE_CONFIG_PRESHUTDOWN_INFO,
                                                   reinterpret_cast<BYTE*>(&preshutdown), sizeof preshutdown,
                                                   &needed) != 0;
  auto str = [](const char* s) { return Json(s ? s : ""); };
  std::printf("{\"type\": %lu, \"start\": %lu, \"errorControl\": %lu, \"path\": %s, \"group\": %s, "
              "\"tag\": %lu, \"dependencies\": %s, \"account\": %s, \"displayName\": %s, "
              "\"description\": %s, \"preshutdownMs\": %ld}\n",
              config->dwServiceType, config->dwStartType, config->dwErrorControl,
              str(config->lpBinaryPathName).c_str(), str(config->lpLoadOrderGroup).c_str(), config->dwTagId,
              str(config->lpDependencies).c_str(), str(config->lpServiceStartName).c_str(),
              str(config->lpDisplayName).c_str(), Json(descriptionText).c_str(),
              hasPreshutdown ? static_cast<long>(preshutdown.dwPreshutdownTimeout) : -1L);
  return 0;
}

void PrintStatus(const SERVICE_STATUS& s) {
  std::printf("{\"state\": %lu, \"controlsAccepted\": %lu, \"exitCode\": %lu, \"checkPoint\": %lu, "
              "\"waitHint\": %lu}\n",
              s.dwCurrentState, s.dwControlsAccepted, s.dwWin32ExitCode, s.dwCheckPoint, s.dwWaitHint);
}

int ServiceOp(const char* op, DWORD control) {
  ScHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  ScHandle service(manager.h ? OpenServiceA(manager.h, kService, SERVICE_ALL_ACCESS) : nullptr);
  if (!service.h) {
    std::printf("{\"error\": %lu}\n", GetLastError());
    return 2;
  }
  SERVICE_STATUS status{};
  if (std::strcmp(op, "svc-status") == 0) {
    if (!QueryServiceStatus(service.h, &status)) return 1;
  } else if (std::strcmp(op, "svc-start") == 0) {
    if (!StartServiceA(service.h, 0, nullptr)) {
      std::printf("{\"error\": %lu}\n", GetLastError());
      return 1;
    }
    QueryServiceStatus(service.h, &status);
  } else if (!ControlService(service.h, control, &status)) {
    std::printf("{\"error\": %lu}\n", GetLastError());
    return 1;
  }
  PrintStatus(status);
  return 0;
}

int HoldMutex(DWORD ms, bool abandon) {
  Handle mutex(OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, kMutex));
  if (!mutex.h || WaitForSingleObject(mutex.h, 5000) == WAIT_TIMEOUT) return 4;
  std::printf("holding\n");
  std::fflush(stdout);
  Sleep(ms);
  if (!abandon) ReleaseMutex(mutex.h);
  return 0;
}

int Flood(DWORD ms) {
  Handle request(OpenEventA(EVENT_MODIFY_STATE, FALSE, kRequest));
  if (!request.h) return 2;
  const DWORD start = GetTickCount();
  unsigned long long n = 0;
  while (GetTickCount() - start < ms) {
    SetEvent(request.h);
    ++n;
  }
  std::printf("{\"requests\": %llu}\n", n);
  return 0;
}

// Security attributes of another account's objects: "Everyone" as the owner (so neither privileged
// nor the service's own account), with a null access list; plain default security when not foreign.
struct Attributes {
  SECURITY_DESCRIPTOR sd{};
  SECURITY_ATTRIBUTES sa{sizeof sa, &sd, FALSE};
  PSID everyone = nullptr;
  explicit Attributes(bool foreign) {
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&sd, TRUE, nullptr, FALSE);
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    if (foreign && AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) {
      SetSecurityDescriptorOwner(&sd, everyone, FALSE);
    }
  }
  ~Attributes() {
    if (everyone) FreeSid(everyone);
  }
  SECURITY_ATTRIBUTES* Get(bool foreign) { return foreign ? &sa : nullptr; }
};

// Holds the block's event, mutex and section names open, as a program started before the service
// would (or one that opened them while it ran); "foreign" creates missing ones with another owner.
int Squat(DWORD ms, bool foreign) {
  Attributes attributes(foreign);
  SECURITY_ATTRIBUTES* sa = attributes.Get(foreign);
  Handle request(CreateEventA(sa, FALSE, FALSE, kRequest));
  Handle answer(CreateEventA(sa, FALSE, FALSE, kAnswer));
  Handle mutex(CreateMutexA(sa, FALSE, kMutex));
  Handle section(CreateFileMappingA(INVALID_HANDLE_VALUE, sa, PAGE_READWRITE, 0, 1 << 20, kSection));
  if (!request.h || !answer.h || !mutex.h || !section.h) return 1;
  std::printf("holding\n");
  std::fflush(stdout);
  Sleep(ms);
  return 0;
}

// Holds the guard's name as another program could while the service is stopped (or opened while it
// ran); "foreign" gives a guard it creates an owner that is neither privileged nor the service's.
int SquatGuard(DWORD ms, bool foreign) {
  Attributes attributes(foreign);
  Handle guard(CreateEventA(&attributes.sa, FALSE, FALSE, "Global\\QTraldenServiceEvent"));
  if (!guard.h) {
    std::printf("{\"error\": %lu}\n", GetLastError());
    return 1;
  }
  std::printf("holding\n");
  std::fflush(stdout);
  Sleep(ms);
  return 0;
}

int Scribble() {
  Handle section(OpenFileMappingA(FILE_MAP_WRITE, FALSE, kSection));
  if (!section.h) return 5;
  void* p = MapViewOfFile(section.h, FILE_MAP_WRITE, 0, 0, 0);
  if (!p) return 5;
  MEMORY_BASIC_INFORMATION info{};
  VirtualQuery(p, &info, sizeof info);
  std::memset(p, 0xA5, info.RegionSize);  // groupCount 0xA5A5A5A5, records without NULs
  UnmapViewOfFile(p);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string op = argc > 1 ? argv[1] : "";
  const char* arg = argc > 2 ? argv[2] : nullptr;
  if (op == "snapshot") return Snapshot(arg ? std::strtoul(arg, nullptr, 10) : 1800);
  if (op == "watch") return Watch(arg ? std::atoi(arg) : 0);
  if (op == "svc-config") return ServiceConfig();
  if (op == "svc-status" || op == "svc-start") return ServiceOp(op.c_str(), 0);
  if (op == "svc-control" && arg) return ServiceOp(op.c_str(), std::strtoul(arg, nullptr, 10));
  if (op == "temp-path") {
    char path[MAX_PATH] = {};
    GetTempPathA(sizeof path, path);
    std::printf("%s\n", path);
    return 0;
  }
  if (op == "hold-mutex" && arg) return HoldMutex(std::strtoul(arg, nullptr, 10), argc > 3);
  if (op == "flood" && arg) return Flood(std::strtoul(arg, nullptr, 10));
  if (op == "scribble") return Scribble();
  const bool foreign = argc > 3 && std::strcmp(argv[3], "foreign") == 0;
  if (op == "squat" && arg) return Squat(std::strtoul(arg, nullptr, 10), foreign);
  if (op == "squat-guard" && arg) {
    return SquatGuard(std::strtoul(arg, nullptr, 10), foreign);
  }
  if (op == "poll" && arg) return Poll(std::strtoul(arg, nullptr, 10));
  std::fprintf(stderr, "usage: rate_client snapshot|watch|svc-config|svc-status|svc-control N|svc-start|"
                       "temp-path|hold-mutex MS [abandon]|flood MS|scribble|squat MS [foreign]|"
                       "squat-guard MS [foreign]|poll MS\n");
  return 64;
}
