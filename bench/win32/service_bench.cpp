// Benchmarks of the counting service under Wine (run by bench/service_bench.sh):
//
//   service_bench sample [passes]        CPU and wall time of one sampling pass against one bare
//                                        GetIfTable2 call, alternating in the same run; and of a
//                                        pass that credits every adapter, with and without slots
//   service_bench save N [slots] [saves] a save of N connections with that many busy slots each,
//                                        timed; then holds its table (its memory read from outside)
//   service_bench rtt [requests]         request round trip to a running TraldenMeter: from setting
//                                        "Global\QRateGet" to the snapshot copied (p50, p99)
//   service_bench pingpong [rounds]      a bare cross-process event ping-pong, the floor of the above
//   service_bench memory NAME            private bytes and CPU time of the process with that image name
//   service_bench stop                   sets "Global\QTraldenServiceEvent" (ends a "debug" instance)
//   service_bench idle                   waits forever: the memory of a process that does nothing
// The 64-bit interface table types need the socket address types first.
#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>
#include <netioapi.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/slot_table.h"
#include "service/day_files.h"
#include "service/sampler.h"
#include "service/win32/clock_win32.h"
#include "service/win32/day_file_store_win32.h"
#include "service/win32/network_source_win32.h"
#include "shared/names.h"
#include "shared/win32/unique_handle.h"

namespace {

using tral::win32::UniqueKernelHandle;
using tral::win32::UniqueMappedView;

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double ThreadCpu() {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& t) {
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) * 1e-7;
  };
  return seconds(kernel) + seconds(user);
}

double Percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

// CPU and wall time of a block of calls, summed over the blocks.
struct Timed {
  double cpu = 0;
  double wall = 0;
  template <typename Call>
  void Add(int calls, Call call) {
    const double c = ThreadCpu(), w = Now();
    for (int i = 0; i < calls; ++i) call();
    cpu += ThreadCpu() - c;
    wall += Now() - w;
  }
};

void BareTableRead() {
  PMIB_IF_TABLE2 table = nullptr;
  if (GetIfTable2(&table) == NO_ERROR) FreeMibTable(table);
}

int Sample(int passes) {
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  tral::win32::Win32NetworkSource net;
  tral::win32::Win32DayFileStore store(temp, std::string(temp) + "service_bench.ini");
  tral::win32::Win32Clock clock;
  tral::CounterState state(net, store, clock);
  tral::ReconcileAdapters(state, false);
  tral::SampleCounters(state, true);
  // The same adapters with counters that move at every pass, crediting every adapter every time:
  // once with the slots and once without them.
  tral::bench::MovingCounters moving(net);
  tral::CounterState busy(moving, store, clock);
  tral::CounterState busyWithoutSlots(moving, store, clock);
  busyWithoutSlots.creditSlots = false;
  for (tral::CounterState* s : {&busy, &busyWithoutSlots}) {
    tral::ReconcileAdapters(*s, false);
    tral::SampleCounters(*s, true);
  }

  // Alternating blocks, so that every side sees the same machine state.
  const int block = 100;
  Timed pass, bare, withSlots, withoutSlots;
  for (int done = 0; done < passes; done += block) {
    pass.Add(block, [&] { tral::SampleCounters(state, false); });
    bare.Add(block, BareTableRead);
    withSlots.Add(block, [&] { tral::SampleCounters(busy, false); });
    withoutSlots.Add(block, [&] { tral::SampleCounters(busyWithoutSlots, false); });
  }
  // Where a pass's time goes: each kind of pass timed alone, against a bare call timed beside it.
  // Every sixth pass asks heads without a BSSID or SSID for their identity (wired ones only every
  // tenth time), which reads the IPv4 adapter list.
  // The passes that credit every adapter are timed one by one too, with and without slots in turn:
  // the medians of single passes hold up better against a busy machine than the sums of blocks.
  std::vector<double> kinds[4], slotPasses[2];
  const auto timeOne = [](auto call) {
    const double w = Now();
    call();
    return Now() - w;
  };
  for (int i = 0; i < 1200; ++i) {
    const bool refresh = state.wirelessRefreshCounter == 5;
    const bool wired = refresh && state.wirelessRefreshRound % tral::kWiredRecheckRounds == 0;
    kinds[wired ? 2 : refresh ? 1 : 0].push_back(timeOne([&] { tral::SampleCounters(state, false); }));
    kinds[3].push_back(timeOne(BareTableRead));
    slotPasses[0].push_back(timeOne([&] { tral::SampleCounters(busy, false); }));
    slotPasses[1].push_back(timeOne([&] { tral::SampleCounters(busyWithoutSlots, false); }));
  }
  // The adapter lists: the IPv4 one (the refresh's) and the whole one (every reconciliation's).
  std::vector<tral::RawAdapter> adapters;
  double ipv4Wall = Now();
  for (int i = 0; i < block; ++i) net.ReadIpv4AdapterList(adapters);
  ipv4Wall = (Now() - ipv4Wall) / block;
  double listWall = Now();
  for (int i = 0; i < block; ++i) net.ReadAdapterList(adapters);
  listWall = (Now() - listWall) / block;
  std::printf("rows per table: %zu, adapters with a record: %zu\n", state.rows.rows.size(), state.table.Size());
  std::printf("p50 wall: ordinary pass %.1f us, refresh pass %.1f us, refresh with wired heads %.1f us, "
              "bare GetIfTable2 %.1f us\n",
              Percentile(kinds[0], 0.5) * 1e6, Percentile(kinds[1], 0.5) * 1e6, Percentile(kinds[2], 0.5) * 1e6,
              Percentile(kinds[3], 0.5) * 1e6);
  std::printf("adapter lists: IPv4 (GetAdaptersInfo) %.1f us wall, whole %.1f us wall\n", ipv4Wall * 1e6,
              listWall * 1e6);
  const auto show = [&](const char* what, const Timed& t) {
    std::printf("%-44s %8.1f us CPU  %8.1f us wall\n", what, t.cpu / passes * 1e6, t.wall / passes * 1e6);
  };
  show("sampling pass:", pass);
  show("bare GetIfTable2:", bare);
  std::printf("ratio (goal <= 1.2): %.2f CPU, %.2f wall\n", pass.cpu / bare.cpu, pass.wall / bare.wall);
  show("pass crediting every adapter, with slots:", withSlots);
  show("pass crediting every adapter, without slots:", withoutSlots);
  std::printf("slots' ratio (goal <= 1.05): %.2f CPU, %.2f wall; single passes p50 %.1f us / %.1f us wall = %.3f\n",
              withSlots.cpu / withoutSlots.cpu, withSlots.wall / withoutSlots.wall,
              Percentile(slotPasses[0], 0.5) * 1e6, Percentile(slotPasses[1], 0.5) * 1e6,
              Percentile(slotPasses[0], 0.5) / Percentile(slotPasses[1], 0.5));
  return 0;
}

// A save of `connections` connections on one adapter, each with `busySlots` busy slots, into a folder
// of its own: the day file and the slot file, timed over `saves` saves (median and slowest), with the
// bytes of both files. Then the process holds its table until it is ended, so that its private
// memory can be read from outside (bench/service_bench.sh).
int Save(int connections, int busySlots, int saves) {
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  const std::string folder = std::string(temp) + "service_bench_save_" + std::to_string(GetCurrentProcessId()) + "\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  tral::win32::Win32NetworkSource net;
  tral::win32::Win32DayFileStore store(folder, folder + "TraldenMeter.ini");
  tral::win32::Win32Clock clock;
  tral::CounterState state(net, store, clock);
  tral::bench::FillConnections(state, connections, busySlots);
  const tral::CivilDate day{2009, 3, 13};
  std::vector<double> times;
  for (int i = 0; i < saves && connections > 0; ++i) {
    const double w = Now();
    if (!tral::SaveDayFile(state, day, false)) {
      std::printf("the save failed\n");
      return 2;
    }
    times.push_back(Now() - w);
  }
  std::vector<std::uint8_t> dayBytes, slotBytes;
  (void)store.Read(tral::DayFileName(day), dayBytes);
  (void)store.Read(tral::SlotFileName(day), slotBytes);
  store.Remove(tral::DayFileName(day));
  store.Remove(tral::SlotFileName(day));
  RemoveDirectoryA(folder.c_str());
  if (!times.empty()) {
    std::printf("save of %d connections x %d busy slots: day file %zu bytes, slot file %zu bytes, "
                "p50 %.3f ms, slowest %.3f ms (%d saves)\n",
                connections, busySlots, dayBytes.size(), slotBytes.size(), Percentile(times, 0.5) * 1e3,
                Percentile(times, 1.0) * 1e3, saves);
  }
  std::printf("holding\n");
  std::fflush(stdout);
  Sleep(INFINITE);
  return 0;
}

// One request as the monitor makes it, timed from setting the request to the snapshot copied.
int RoundTrip(int requests) {
  UniqueKernelHandle request(OpenEventA(EVENT_MODIFY_STATE, FALSE, tral::kRequestEventName));
  UniqueKernelHandle answer(OpenEventA(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, tral::kAnswerEventName));
  UniqueKernelHandle mutex(OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, tral::kBlockMutexName));
  if (!request || !answer || !mutex) {
    std::printf("the service is not running\n");
    return 2;
  }
  std::vector<double> times;
  std::vector<std::uint8_t> copy;
  std::uint32_t records = 0;
  for (int i = 0; i < requests; ++i) {
    ResetEvent(answer.Get());
    const double t = Now();
    SetEvent(request.Get());
    if (WaitForSingleObject(answer.Get(), 1800) != WAIT_OBJECT_0) {
      std::printf("no answer\n");
      return 3;
    }
    WaitForSingleObject(mutex.Get(), 5000);
    UniqueKernelHandle section(OpenFileMappingA(FILE_MAP_READ, FALSE, tral::kBlockSectionName));
    UniqueMappedView view(section ? MapViewOfFile(section.Get(), FILE_MAP_READ, 0, 0, 0) : nullptr);
    if (view) {
      const auto* p = static_cast<const std::uint8_t*>(view.Get());
      std::uint32_t groups;
      std::memcpy(&groups, p, 4);
      // Every group's records, as a reader walks them.
      std::size_t pos = 4;
      records = 0;
      for (std::uint32_t g = 0; g < groups; ++g) {
        std::uint32_t n;
        std::memcpy(&n, p + pos + 312, 4);
        n = n == 0 ? 1 : n;
        copy.assign(p + pos, p + pos + 696 * n);
        pos += 696 * n;
        records += n;
      }
    }
    view.Reset();
    section.Reset();
    ReleaseMutex(mutex.Get());
    times.push_back(Now() - t);
    Sleep(2);  // a few ms apart, as unrelated polls would be
  }
  std::printf("request round trip (%u records): p50 %.3f ms  p90 %.3f ms  p99 %.3f ms  max %.3f ms\n", records,
              Percentile(times, 0.5) * 1e3, Percentile(times, 0.9) * 1e3, Percentile(times, 0.99) * 1e3,
              Percentile(times, 1.0) * 1e3);
  return 0;
}

constexpr char kPing[] = "Local\\tmC_bench_ping";
constexpr char kPong[] = "Local\\tmC_bench_pong";

int Pong() {
  UniqueKernelHandle ping(OpenEventA(SYNCHRONIZE, FALSE, kPing));
  UniqueKernelHandle pong(OpenEventA(EVENT_MODIFY_STATE, FALSE, kPong));
  if (!ping || !pong) return 2;
  while (WaitForSingleObject(ping.Get(), 10000) == WAIT_OBJECT_0) SetEvent(pong.Get());
  return 0;
}

int PingPong(int rounds) {
  UniqueKernelHandle ping(CreateEventA(nullptr, FALSE, FALSE, kPing));
  UniqueKernelHandle pong(CreateEventA(nullptr, FALSE, FALSE, kPong));
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::string commandLine = std::string("\"") + self + "\" pong";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    return 2;
  }
  UniqueKernelHandle process(info.hProcess);
  UniqueKernelHandle thread(info.hThread);
  std::vector<double> times;
  for (int i = 0; i < rounds + 20; ++i) {
    const double t = Now();
    SetEvent(ping.Get());
    if (WaitForSingleObject(pong.Get(), 5000) != WAIT_OBJECT_0) return 3;
    if (i >= 20) times.push_back(Now() - t);  // the first rounds wait for the child to start
    Sleep(2);
  }
  TerminateProcess(process.Get(), 0);
  std::printf("event ping-pong between processes: p50 %.3f ms  p99 %.3f ms\n", Percentile(times, 0.5) * 1e3,
              Percentile(times, 0.99) * 1e3);
  return 0;
}

int Memory(const char* imageName) {
  UniqueKernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  DWORD pid = 0;
  for (BOOL ok = Process32First(snapshot.Get(), &entry); ok; ok = Process32Next(snapshot.Get(), &entry)) {
    if (lstrcmpiA(entry.szExeFile, imageName) == 0) pid = entry.th32ProcessID;
  }
  UniqueKernelHandle process(pid ? OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid) : nullptr);
  if (!process) {
    std::printf("no process %s\n", imageName);
    return 2;
  }
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(process.Get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
  FILETIME created, exited, kernel, user;
  GetProcessTimes(process.Get(), &created, &exited, &kernel, &user);
  auto ticks = [](const FILETIME& t) { return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  std::printf("{\"privateBytes\": %llu, \"workingSet\": %llu, \"cpu100ns\": %llu}\n",
              static_cast<unsigned long long>(counters.PrivateUsage),
              static_cast<unsigned long long>(counters.WorkingSetSize), ticks(kernel) + ticks(user));
  return 0;
}

int Stop() {
  UniqueKernelHandle stop(OpenEventA(EVENT_MODIFY_STATE, FALSE, tral::kServiceEventName));
  return stop && SetEvent(stop.Get()) ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  const int n = argc > 2 ? std::atoi(argv[2]) : 0;
  if (mode == "sample") return Sample(n > 0 ? n : 2000);
  if (mode == "save" && argc > 2) return Save(n, argc > 3 ? std::atoi(argv[3]) : 12, argc > 4 ? std::atoi(argv[4]) : 21);
  if (mode == "rtt") return RoundTrip(n > 0 ? n : 500);
  if (mode == "pingpong") return PingPong(n > 0 ? n : 500);
  if (mode == "pong") return Pong();
  if (mode == "memory" && argc > 2) return Memory(argv[2]);
  if (mode == "stop") return Stop();
  if (mode == "idle") {  // a process that only waits: Wine's own share of a process's memory
    Sleep(INFINITE);
    return 0;
  }
  std::fprintf(stderr, "usage: service_bench sample|rtt|pingpong [n] | memory NAME | stop\n");
  return 64;
}
