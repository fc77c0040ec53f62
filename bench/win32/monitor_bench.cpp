// Benchmarks of the monitor under Wine (run by bench/monitor_bench.sh):
//
//   monitor_bench latency [polls]   plays the counting service for a running TraldenView: answers each
//                                   poll with a snapshot whose received total is 1 MB more than the last
//                                   and measures from setting the answer event to the moment the
//                                   downloaded field's text has changed (p50, p99, max in ms)
//   monitor_bench idle-window       shows an empty dialog and only waits: Wine's share of the memory of
//                                   a process with a window
//   monitor_bench play [seconds] [steady|changing]
//                                   plays the counting service for that long (default 60): answers every
//                                   poll with one connection whose speeds change at each answer.
//                                   steady (default): a download of about 1.5 MB/s and an upload of about
//                                   60 KB/s, each a little different at every answer (the figures change,
//                                   the icon's bars mostly not), the download dropping to about 300 KB/s
//                                   and back every 20 answers; changing: both speeds jump across the
//                                   icon's scale at every answer, so that its bars move at each refresh
// The monitor must run with refresh 1 and the built-in units (MB, two decimals), and no service may
// hold the block's names.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "shared/names.h"
#include "shared/published_record.h"
#include "shared/text_field.h"
#include "bench/win32/bench_clock_win32.h"
#include "shared/win32/unique_handle.h"

namespace {

using tral::bench::NowMs;

using tral::win32::UniqueKernelHandle;
using tral::win32::UniqueMappedView;

constexpr int kDownloadedField = 1009;
constexpr DWORD kSectionSize = 64 * 1024;

double Percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

std::string FieldText(HWND field) {
  char buf[256] = {};
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutA(field, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf), SMTO_NORMAL, 2000,
                           &copied)) {
    return "?";
  }
  return buf;
}

// One adapter with one connection that has just received data.
void WriteSnapshot(std::uint8_t* block, std::uint64_t rxTotal, std::uint32_t rxRate, std::uint32_t txRate) {
  tral::PublishedRecord r{};
  tral::SetFieldText(r.description, "Bench adapter");
  tral::SetFieldText(r.adapterKey, "02-00-00-00-00-01");
  tral::SetFieldText(r.ipText, "198.18.0.1");
  r.rxTotal = rxTotal;
  r.txTotal = 1 << 20;
  r.groupSize = 1;
  r.rxRate = rxRate;
  r.txRate = txRate;
  r.rxTick = r.txTick = GetTickCount();
  const std::uint32_t groups = 1;
  std::memcpy(block, &groups, sizeof groups);
  std::memcpy(block + 4, &r, sizeof r);
}

// The block's objects, owned by this process while it plays the service.
struct PlayedBlock {
  UniqueKernelHandle request, answer, mutex, section;
  UniqueMappedView view;
  std::uint8_t* Bytes() const { return static_cast<std::uint8_t*>(view.Get()); }
};

// Creates every name of the block anew, or fails. A service that holds them would answer the
// monitor in our place. The monitor keeps the objects of a service that has just stopped until its
// next poll finds the service gone, so names still held are waited for a while.
bool OwnBlock(PlayedBlock& block) {
  bool fresh = false;
  for (int attempt = 0; attempt < 100 && !fresh; ++attempt) {
    for (UniqueKernelHandle* h : {&block.request, &block.answer, &block.mutex, &block.section}) h->Reset();
    if (attempt > 0) Sleep(100);
    fresh = true;
    auto owned = [&fresh](UniqueKernelHandle& slot, HANDLE h) {
      fresh = fresh && h && GetLastError() != ERROR_ALREADY_EXISTS;
      slot.Reset(h);
    };
    owned(block.request, CreateEventA(nullptr, FALSE, FALSE, tral::kRequestEventName));
    owned(block.answer, CreateEventA(nullptr, FALSE, FALSE, tral::kAnswerEventName));
    owned(block.mutex, CreateMutexA(nullptr, FALSE, tral::kBlockMutexName));
    owned(block.section, CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSectionSize,
                                            tral::kBlockSectionName));
  }
  if (!fresh) {
    std::fprintf(stderr, "cannot own the block's names (is a service running?)\n");
    return false;
  }
  block.view.Reset(MapViewOfFile(block.section.Get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
  return static_cast<bool>(block.view);
}

// Answers one request with a snapshot of these figures; false when no request came for 10 s.
bool AnswerOnce(PlayedBlock& block, std::uint64_t rxTotal, std::uint32_t rxRate, std::uint32_t txRate,
                double* answeredAt = nullptr) {
  if (WaitForSingleObject(block.request.Get(), 10000) != WAIT_OBJECT_0) {
    std::fprintf(stderr, "no request for 10 s\n");
    return false;
  }
  if (WaitForSingleObject(block.mutex.Get(), 1500) != WAIT_OBJECT_0) return false;
  WriteSnapshot(block.Bytes(), rxTotal, rxRate, txRate);
  ReleaseMutex(block.mutex.Get());
  if (answeredAt != nullptr) *answeredAt = NowMs();
  SetEvent(block.answer.Get());
  return true;
}

int Play(int seconds, bool changing) {
  PlayedBlock block;
  if (!OwnBlock(block)) return 1;
  // Bytes per second across the icon's scale, 1 KB/s to 100 MB/s.
  const std::uint32_t jumps[] = {0, 2u << 10, 20u << 10, 200u << 10, 2u << 20, 20u << 20, 500u << 10, 5u << 10};
  std::uint32_t noise = 12345;  // a fixed sequence: every run plays the same speeds
  auto wobble = [&noise](std::uint32_t rate) {  // within 2 % of the rate
    noise = noise * 1103515245u + 12345u;
    const std::int64_t delta = static_cast<std::int64_t>(rate) * static_cast<std::int64_t>((noise >> 16) % 401) / 10000;
    return static_cast<std::uint32_t>(static_cast<std::int64_t>(rate) * 98 / 100 + delta);
  };
  const double end = NowMs() + seconds * 1000.0;
  std::uint64_t rxTotal = 1 << 20;
  for (unsigned i = 0; NowMs() < end; ++i) {
    std::uint32_t rx = 0;
    std::uint32_t tx = 0;
    if (changing) {
      rx = jumps[i % 8];
      tx = jumps[(i + 3) % 8];
    } else {
      rx = wobble((i / 20) % 2 == 0 ? 1536u << 10 : 300u << 10);
      tx = wobble(60u << 10);
    }
    rxTotal += rx;
    if (!AnswerOnce(block, rxTotal, rx, tx)) return 1;
  }
  return 0;
}

int Latency(int polls) {
  PlayedBlock block;
  if (!OwnBlock(block)) return 1;

  HWND window = nullptr;
  for (int i = 0; i < 300 && !(window = FindWindowA("#32770", "TraldenView")); ++i) Sleep(100);
  HWND field = window ? GetDlgItem(window, kDownloadedField) : nullptr;
  if (!field) {
    std::fprintf(stderr, "no TraldenView window with its downloaded field\n");
    return 1;
  }

  std::vector<double> times;
  std::uint64_t rxTotal = 1 << 20;
  const int warmup = 3;
  int missed = 0;
  for (int poll = 0; poll < polls + warmup; ++poll) {
    const std::string before = FieldText(field);
    rxTotal += 1 << 20;  // one more MB: the two-decimal MB text changes by 1.00
    double start = 0;
    if (!AnswerOnce(block, rxTotal, 1000, 0, &start)) return 1;
    double end = 0;
    while ((end = NowMs()) - start < 3000 && FieldText(field) == before) {
    }
    if (end - start >= 3000) ++missed;
    if (poll >= warmup) times.push_back(end - start);
  }
  std::printf("poll answered -> downloaded text changed, over %d polls: p50 %.2f ms, p99 %.2f ms, max %.2f ms"
              " (%d not seen within 3 s)\n",
              polls, Percentile(times, 0.5), Percentile(times, 0.99), *std::max_element(times.begin(), times.end()),
              missed);
  return 0;
}

INT_PTR CALLBACK IdleDialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

int IdleWindow() {
  // An in-memory template: a visible popup with a caption and no controls.
  struct alignas(4) {
    DLGTEMPLATE t;
    WORD menu, windowClass, title;
  } tmpl{};
  tmpl.t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_MODALFRAME;
  tmpl.t.cx = 200;
  tmpl.t.cy = 100;
  return static_cast<int>(DialogBoxIndirectParamA(GetModuleHandleA(nullptr), &tmpl.t, nullptr, IdleDialog, 0));
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "latency") return Latency(argc > 2 ? std::atoi(argv[2]) : 200);
  if (mode == "idle-window") return IdleWindow();
  if (mode == "play") return Play(argc > 2 ? std::atoi(argv[2]) : 60, argc > 3 && std::string(argv[3]) == "changing");
  std::fprintf(stderr, "usage: monitor_bench latency [polls] | idle-window | play [seconds] [steady|changing]\n");
  return 64;
}
