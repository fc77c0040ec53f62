// Inside a private network namespace: one counter pass credits exactly the bytes the kernel counted.
// Usage: netns_counter_pass INTERFACE PEER_IP PORT
// Sends UDP datagrams to an echo peer between two sampling passes and compares the record's growth
// with the growth of the interface's kernel counters. Exit 0 on success, 1 on a mismatch or error.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "fakes/fake_day_store.h"
#include "linux_view.h"
#include "service/counter_state.h"
#include "service/sampler.h"
#include "service/win32/clock_win32.h"
#include "service/win32/network_source_win32.h"
#include "shared/text_field.h"

namespace {

constexpr int kDatagrams = 40;
constexpr int kDatagramBytes = 1000;
// On the wire each datagram carries 8 bytes of UDP, 20 of IPv4 and 14 of Ethernet header.
constexpr std::uint64_t kFrameBytes = kDatagramBytes + 8 + 20 + 14;

// Closes a socket on every path.
class Socket {
 public:
  explicit Socket(SOCKET s) : s_(s) {}
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  ~Socket() {
    if (s_ != INVALID_SOCKET) ::closesocket(s_);
  }
  SOCKET Get() const { return s_; }

 private:
  SOCKET s_;
};

// Sends the datagrams to the peer and takes back its echoes; returns the number of echoes.
int ExchangeDatagrams(const char* peerIp, unsigned short port) {
  Socket s(::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
  if (s.Get() == INVALID_SOCKET) return -1;
  DWORD timeoutMs = 2000;
  ::setsockopt(s.Get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof timeoutMs);
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = ::htons(port);
  if (::inet_pton(AF_INET, peerIp, &peer.sin_addr) != 1) return -1;
  char payload[kDatagramBytes];
  std::memset(payload, 'x', sizeof payload);
  int echoes = 0;
  for (int i = 0; i < kDatagrams; ++i) {
    if (::sendto(s.Get(), payload, sizeof payload, 0, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) !=
        static_cast<int>(sizeof payload)) {
      return -1;
    }
    char back[kDatagramBytes + 16];
    if (::recv(s.Get(), back, sizeof back, 0) == kDatagramBytes) ++echoes;
  }
  return echoes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: netns_counter_pass INTERFACE PEER_IP PORT\n");
    return 1;
  }
  const std::string interfaceName = argv[1];
  const char* peerIp = argv[2];
  const auto port = static_cast<unsigned short>(std::atoi(argv[3]));
  const std::string key = tral::testing::InterfaceMacText(interfaceName);

  WSADATA wsa;
  if (::WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return 1;

  tral::win32::Win32NetworkSource net;
  tral::fakes::FakeDayStore store;
  tral::win32::Win32Clock clock;
  tral::CounterState state(net, store, clock);

  if (!tral::ReconcileAdapters(state, true)) {
    std::printf("FAIL: the adapters could not be enumerated\n");
    return 1;
  }
  const std::optional<std::size_t> index = state.table.Find(key);
  if (!index) {
    std::printf("FAIL: no record for %s (%s); the table has %zu adapters\n", interfaceName.c_str(), key.c_str(),
                state.table.Size());
    return 1;
  }
  if (!tral::SampleCounters(state, true)) {
    std::printf("FAIL: first pass could not read the interface table\n");
    return 1;
  }
  if (!state.rows.wideCounters) std::printf("note: 32-bit counters\n");
  const tral::testing::KernelCounters before = tral::testing::ReadKernelCounters(interfaceName);

  const int echoes = ExchangeDatagrams(peerIp, port);
  ::Sleep(300);  // let the last echo settle before the second pass

  if (!tral::SampleCounters(state, false)) {
    std::printf("FAIL: second pass could not read the interface table\n");
    return 1;
  }
  const tral::testing::KernelCounters after = tral::testing::ReadKernelCounters(interfaceName);
  ::WSACleanup();

  const tral::ConnectionRecord& head = state.table.Head(*index);
  const std::uint64_t kernelRx = after.rx - before.rx;
  const std::uint64_t kernelTx = after.tx - before.tx;
  std::printf("%s %s ip %s: echoes %d/%d; kernel rx %llu tx %llu; record rx %llu tx %llu\n",
              interfaceName.c_str(), key.c_str(), std::string(tral::FieldText(head.ipText)).c_str(), echoes,
              kDatagrams, static_cast<unsigned long long>(kernelRx), static_cast<unsigned long long>(kernelTx),
              static_cast<unsigned long long>(head.rxTotal), static_cast<unsigned long long>(head.txTotal));
  // The line carries nothing but the datagrams and their echoes, so the kernel must have counted
  // exactly their frames; otherwise the comparison below would prove little.
  if (kernelTx != kDatagrams * kFrameBytes || kernelRx != echoes * kFrameBytes) {
    std::printf("FAIL: the kernel counted other traffic than %d frames of %llu bytes out\n", kDatagrams,
                static_cast<unsigned long long>(kFrameBytes));
    return 1;
  }
  if (echoes <= 0) {
    std::printf("FAIL: no echo came back\n");
    return 1;
  }
  if (head.rxTotal != kernelRx || head.txTotal != kernelTx) {
    std::printf("FAIL: the record's growth differs from the kernel's\n");
    return 1;
  }
  std::printf("PASS\n");
  return 0;
}
