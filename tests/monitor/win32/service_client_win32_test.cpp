// One poll against no service and against a fake service run by the test that answers by the
// protocol, well or badly: good snapshots, empty ones, hostile contents, late answers, no section;
// the objects kept from poll to poll and across a restart; an ordinary user's rights.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "monitor/mainwindow/win32/service_client_win32.h"
#include "monitor_test_support.h"
#include "shared/names.h"
#include "shared/text_field.h"
#include "shared/win32/object_security_win32.h"
#include "shared/win32/unique_handle.h"

namespace tral::win32 {
namespace {

using test::BlockBytes;
using test::BlockRecord;
using test::Bytes;

class RecordingReceiver final : public PollReceiver {
 public:
  std::vector<std::string> statusTexts;
  int rebuilds = 0;
  void SetStatusText(std::string_view text) override { statusTexts.emplace_back(text); }
  void RebuildDisplayForUpdate() override { ++rebuilds; }
  const std::string& Last() const { return statusTexts.back(); }
};

// How the fake service answers one request.
struct Answer {
  bool createSection = true;
  std::size_t sectionSize = 1 << 20;
  Bytes contents;  // written at offset 0 of the section, cut to its size
  DWORD delayMs = 0;  // before answering
  bool abandonMutex = false;  // after writing, a thread takes the mutex and ends owning it
  DWORD firstDelayMs = 0;  // before answering the first request only
  std::function<Bytes(int)> contentsFor{};  // when set: the contents for the n-th request (from 1)
};

// Creates the four named objects the way the service does, with its access lists, and answers every
// request on a thread.
class FakeService {
 public:
  explicit FakeService(Answer answer, bool createMutex = true) : answer_(std::move(answer)) {
    using O = ObjectSecurity;
    request_.Reset(::CreateEventA(O(BlockObject::kRequestEvent).Get(), FALSE, FALSE, kRequestEventName));
    answerEvent_.Reset(::CreateEventA(O(BlockObject::kAnswerEvent).Get(), FALSE, FALSE, kAnswerEventName));
    if (createMutex) mutex_.Reset(::CreateMutexA(O(BlockObject::kMutex).Get(), FALSE, kBlockMutexName));
    stop_.Reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    thread_ = std::thread([this] { Run(); });
  }
  ~FakeService() {
    ::SetEvent(stop_.Get());
    thread_.join();
  }
  bool Ready() const { return request_ && answerEvent_ && stop_; }
  HANDLE Mutex() const { return mutex_.Get(); }
  int Requests() const { return requests_; }

 private:
  void Run() {
    const HANDLE waits[2] = {stop_.Get(), request_.Get()};
    for (;;) {
      if (::WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return;
      ++requests_;
      const DWORD delay = requests_ == 1 && answer_.firstDelayMs != 0 ? answer_.firstDelayMs : answer_.delayMs;
      if (delay != 0 && ::WaitForSingleObject(stop_.Get(), delay) == WAIT_OBJECT_0) return;
      if (answer_.createSection) Publish();
      if (answer_.abandonMutex) std::thread([this] { ::WaitForSingleObject(mutex_.Get(), INFINITE); }).join();
      ::SetEvent(answerEvent_.Get());
    }
  }

  void Publish() {
    if (!section_) {
      section_.Reset(::CreateFileMappingA(INVALID_HANDLE_VALUE, ObjectSecurity(BlockObject::kSection).Get(),
                                          PAGE_READWRITE, 0, static_cast<DWORD>(answer_.sectionSize),
                                          kBlockSectionName));
      if (!section_) return;
      view_.Reset(::MapViewOfFile(section_.Get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
    }
    if (!view_) return;
    // Like the service: a mutex not obtained within 1.5 s leaves the block as it was.
    if (mutex_) {
      const DWORD wait = ::WaitForSingleObject(mutex_.Get(), 1500);
      if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) return;
    }
    const Bytes contents = answer_.contentsFor ? answer_.contentsFor(requests_) : answer_.contents;
    const std::size_t n = std::min(contents.size(), answer_.sectionSize);
    std::memcpy(view_.Get(), contents.data(), n);
    if (mutex_) ::ReleaseMutex(mutex_.Get());
  }

  Answer answer_;
  UniqueKernelHandle request_;
  UniqueKernelHandle answerEvent_;
  UniqueKernelHandle mutex_;
  UniqueKernelHandle stop_;
  UniqueKernelHandle section_;
  UniqueMappedView view_;
  std::atomic<int> requests_{0};
  std::thread thread_;
};

BlockRecord Rec(const std::string& key, const std::string& ip) {
  BlockRecord r;
  r.description = "Adapter";
  r.adapterKey = key;
  r.ip = ip;
  r.rxTotal = 5000;
  return r;
}

Bytes TwoAndOne() {
  return BlockBytes({{Rec("00-1A-2B-3C-4D-5E", "10.0.0.5"), Rec("00-1A-2B-3C-4D-5E", "10.0.0.6")},
                     {Rec("AA-BB-CC-DD-EE-FF", "192.168.1.20")}});
}

// A list that holds one group, to see whether a poll kept or dropped the previous snapshot.
ConnectionList PreviousSnapshot() {
  ConnectionList list;
  PublishedRecord r{};
  SetFieldText(r.adapterKey, "PREVIOUS");
  list.AddGroup(r);
  return list;
}

// A poll with objects opened for it alone, as a monitor's first poll.
void PollOnce(ConnectionList& list, PollReceiver& receiver) {
  ServiceLink link;
  PollService(link, list, receiver);
}

// What a monitor keeps from one poll to the next.
struct Monitor {
  ServiceLink link;
  ConnectionList list;
  RecordingReceiver receiver;
  void Poll() { PollService(link, list, receiver); }
};

double MsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

TEST(ServiceClient, NoServiceIsReportedAtOnceAndTheListStays) {
  ConnectionList list = PreviousSnapshot();
  RecordingReceiver receiver;
  const auto start = std::chrono::steady_clock::now();
  PollOnce(list, receiver);
  EXPECT_LT(MsSince(start), 1500.0);  // no wait for an answer (that would be 1,800 ms)
  ASSERT_EQ(receiver.statusTexts.size(), 2u);
  EXPECT_EQ(receiver.statusTexts[0], "");  // emptied at the start of every poll
  EXPECT_EQ(receiver.Last(), "Unable to reach data service");
  EXPECT_EQ(receiver.rebuilds, 0);
  ASSERT_EQ(list.Groups().size(), 1u);
  EXPECT_EQ(list.Groups()[0].key, "PREVIOUS");
}

TEST(ServiceClient, AGoodSnapshotFillsTheListAndAsksForARebuild) {
  const struct {
    const char* what;
    Bytes contents;
    std::size_t groups;
  } cases[] = {
      {"groups of 2 and 1", TwoAndOne(), 2},
      {"groupCount 0", Bytes{0, 0, 0, 0}, 0},
  };
  for (const auto& c : cases) {
    FakeService service(Answer{true, 1 << 20, c.contents, 0});
    ASSERT_TRUE(service.Ready());
    ConnectionList list = PreviousSnapshot();
    RecordingReceiver receiver;
    PollOnce(list, receiver);
    EXPECT_EQ(service.Requests(), 1) << c.what;
    EXPECT_EQ(receiver.Last(), "") << c.what;
    EXPECT_EQ(receiver.rebuilds, 1) << c.what;
    ASSERT_EQ(list.Groups().size(), c.groups) << c.what;
    if (c.groups == 2) {
      ASSERT_EQ(list.Groups()[0].chain.size(), 2u);
      EXPECT_EQ(FieldText(list.Groups()[0].chain[1].ipText), "10.0.0.6");
      EXPECT_EQ(list.Groups()[1].key, "AA-BB-CC-DD-EE-FF");
    }
  }
}

TEST(ServiceClient, HostileBlocksFailCleanly) {
  std::vector<std::pair<const char*, Answer>> cases;
  {
    Bytes b = TwoAndOne();
    test::Poke32(b, 0, 0xFFFFFFFFu);
    cases.push_back({"huge groupCount in 1 MiB", Answer{true, 1 << 20, b, 0}});
  }
  {
    // Five records fill 3,484 bytes of a 4,096-byte section; a group size of 6 runs past its end.
    Bytes b = BlockBytes({{Rec("K", "1"), Rec("K", "2"), Rec("K", "3"), Rec("K", "4"), Rec("K", "5")}});
    for (int i = 0; i < 5; ++i) test::Poke32(b, 4 + i * 696 + 312, 6);
    cases.push_back({"groupSize past the end of a 4 KiB section", Answer{true, 4096, b, 0}});
  }
  {
    Bytes b = TwoAndOne();
    test::Poke32(b, 0, 9);  // nine groups in a one-page section
    cases.push_back({"groupCount past the end of a 4 KiB section", Answer{true, 4096, b, 0}});
  }
  {
    Bytes b = TwoAndOne();
    std::memset(b.data() + 4 + 696 + 287, '9', 16);  // second record's IP text without NUL
    cases.push_back({"text without NUL", Answer{true, 1 << 20, b, 0}});
  }
  cases.push_back({"every byte 0xFF", Answer{true, 1 << 20, Bytes(1 << 20, 0xFF), 0}});
  for (auto& [what, answer] : cases) {
    FakeService service(answer);
    ASSERT_TRUE(service.Ready());
    ConnectionList list = PreviousSnapshot();
    RecordingReceiver receiver;
    PollOnce(list, receiver);
    EXPECT_EQ(receiver.Last(), "Unable to reach data service") << what;
    EXPECT_EQ(receiver.rebuilds, 0) << what;
    EXPECT_TRUE(list.Empty()) << what;
  }
}

TEST(ServiceClient, ALateAnswerKeepsThePreviousSnapshot) {
  FakeService service(Answer{true, 1 << 20, TwoAndOne(), 4000});
  ASSERT_TRUE(service.Ready());
  ConnectionList list = PreviousSnapshot();
  RecordingReceiver receiver;
  const auto start = std::chrono::steady_clock::now();
  PollOnce(list, receiver);
  const double ms = MsSince(start);
  EXPECT_GE(ms, 1700.0);
  EXPECT_LT(ms, 3500.0);  // gave up before the answer came at 4 s
  EXPECT_EQ(receiver.Last(), "Unable to reach data service");
  EXPECT_EQ(receiver.rebuilds, 0);
  ASSERT_EQ(list.Groups().size(), 1u);
  EXPECT_EQ(list.Groups()[0].key, "PREVIOUS");
}

TEST(ServiceClient, AnAnswerThatCameTooLateIsNotTakenForTheNextPollsAnswer) {
  Answer answer;
  answer.firstDelayMs = 2500;  // after the poll's 1.8 s wait
  answer.delayMs = 300;  // later answers take a moment, as a sampling pass does
  answer.contentsFor = [](int request) {
    BlockRecord r = Rec("00-1A-2B-3C-4D-5E", "10.0.0.5");
    r.rxTotal = static_cast<std::uint64_t>(request);
    return BlockBytes({{r}});
  };
  FakeService service(answer);
  ASSERT_TRUE(service.Ready());
  Monitor monitor;
  monitor.Poll();
  EXPECT_EQ(monitor.receiver.Last(), "Unable to reach data service");
  ::Sleep(1500);  // the late answer to the first request has been given meanwhile
  for (const std::uint64_t expected : {2u, 3u}) {
    monitor.Poll();
    ASSERT_EQ(monitor.list.RecordCount(), 1u);
    EXPECT_EQ(monitor.list.Groups()[0].chain[0].rxTotal, expected) << "each poll sees its own request's snapshot";
  }
}

TEST(ServiceClient, AnAnswerWithoutSectionEmptiesTheList) {
  FakeService service(Answer{false, 0, {}, 0});
  ASSERT_TRUE(service.Ready());
  ConnectionList list = PreviousSnapshot();
  RecordingReceiver receiver;
  PollOnce(list, receiver);
  EXPECT_EQ(receiver.Last(), "Unable to reach data service");
  EXPECT_EQ(receiver.rebuilds, 0);
  EXPECT_TRUE(list.Empty());
}

TEST(ServiceClient, AMissingMutexSaysTimeoutExpired) {
  FakeService service(Answer{true, 1 << 20, TwoAndOne(), 0}, /*createMutex=*/false);
  ASSERT_TRUE(service.Ready());
  ConnectionList list = PreviousSnapshot();
  RecordingReceiver receiver;
  PollOnce(list, receiver);
  EXPECT_EQ(receiver.Last(), "Unable to reach data service - Timeout expired");
  EXPECT_EQ(list.Groups().size(), 1u);
}

TEST(ServiceClient, AMutexHeldElsewhereEndsThePollAfterItsWait) {
  FakeService service(Answer{true, 1 << 20, TwoAndOne(), 0});
  ASSERT_TRUE(service.Ready());
  // Another process's thread would hold it; a thread of ours is the same to the kernel.
  UniqueKernelHandle held(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  UniqueKernelHandle release(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  std::thread holder([&] {
    ::WaitForSingleObject(service.Mutex(), INFINITE);
    ::SetEvent(held.Get());
    ::WaitForSingleObject(release.Get(), 10000);
    ::ReleaseMutex(service.Mutex());
  });
  ::WaitForSingleObject(held.Get(), 5000);
  ConnectionList list = PreviousSnapshot();
  RecordingReceiver receiver;
  const auto start = std::chrono::steady_clock::now();
  PollOnce(list, receiver);
  const double ms = MsSince(start);
  ::SetEvent(release.Get());
  holder.join();
  // The service itself gave up on the mutex after 1.5 s before answering; then the poll waits 1.5 s.
  EXPECT_GE(ms, 2900.0);
  EXPECT_LT(ms, 6000.0);  // bounded, not waiting for the holder's 10 s
  EXPECT_EQ(receiver.Last(), "Unable to reach data service - Timeout expired");
  EXPECT_EQ(receiver.rebuilds, 0);
  ASSERT_EQ(list.Groups().size(), 1u);
  EXPECT_EQ(list.Groups()[0].key, "PREVIOUS");
}

TEST(ServiceClient, AnAbandonedMutexStillGivesTheSnapshot) {
  Answer answer{true, 1 << 20, TwoAndOne(), 0};
  answer.abandonMutex = true;
  FakeService service(answer);
  ASSERT_TRUE(service.Ready());
  ConnectionList list;
  RecordingReceiver receiver;
  PollOnce(list, receiver);
  EXPECT_EQ(receiver.Last(), "");
  EXPECT_EQ(receiver.rebuilds, 1);
  EXPECT_EQ(list.Groups().size(), 2u);
  // The poll released what it took over: the mutex is free again.
  const DWORD wait = ::WaitForSingleObject(service.Mutex(), 0);
  EXPECT_EQ(wait, static_cast<DWORD>(WAIT_OBJECT_0));
  if (wait == WAIT_OBJECT_0) ::ReleaseMutex(service.Mutex());
}

// This process's token as an ordinary user's: the administrators and the default owner (the owner
// of every object this process makes) only deny. For impersonation by a thread.
UniqueKernelHandle OrdinaryUserToken() {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &raw)) return {};
  UniqueKernelHandle process(raw);
  std::vector<std::uint8_t> owner = DefaultOwnerSid();
  std::uint8_t admins[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof admins;
  if (owner.empty() || !::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &size)) return {};
  SID_AND_ATTRIBUTES denyOnly[] = {{admins, 0}, {owner.data(), 0}};
  if (!::CreateRestrictedToken(process.Get(), 0, 2, denyOnly, 0, nullptr, 0, nullptr, &raw)) return {};
  UniqueKernelHandle restricted(raw);
  if (!::DuplicateToken(restricted.Get(), SecurityImpersonation, &raw)) return {};
  return UniqueKernelHandle(raw);
}

// The service grants ordinary users only what a monitor does, and the poll asks for no more: a
// monitor of an ordinary user works, and that user can neither write the section, answer in the
// service's place, nor take over an object's security.
TEST(ServiceClient, AnOrdinaryUserPollsWithTheRightsTheServiceGrants) {
  FakeService service(Answer{true, 1 << 20, TwoAndOne(), 0});
  ASSERT_TRUE(service.Ready());
  UniqueKernelHandle token = OrdinaryUserToken();
  if (!token) GTEST_SKIP() << "no restricted token on this system: " << ::GetLastError();
  ConnectionList list;
  RecordingReceiver receiver;
  std::vector<std::pair<const char*, bool>> opened;
  std::thread user([&] {
    if (!::SetThreadToken(nullptr, token.Get())) return;
    PollOnce(list, receiver);
    const std::pair<const char*, HANDLE> beyond[] = {
        {"the section for writing", ::OpenFileMappingA(FILE_MAP_WRITE, FALSE, kBlockSectionName)},
        {"the answer event to set it", ::OpenEventA(EVENT_MODIFY_STATE, FALSE, kAnswerEventName)},
        {"the request event to change its access list", ::OpenEventA(WRITE_DAC, FALSE, kRequestEventName)},
        {"the mutex to take it over", ::OpenMutexA(WRITE_OWNER, FALSE, kBlockMutexName)},
    };
    for (const auto& [what, handle] : beyond) {
      opened.emplace_back(what, handle != nullptr);
      if (handle) ::CloseHandle(handle);
    }
    ::RevertToSelf();
  });
  user.join();
  ASSERT_FALSE(receiver.statusTexts.empty()) << "the thread could not take the token";
  EXPECT_EQ(receiver.Last(), "");
  EXPECT_EQ(list.Groups().size(), 2u);
  for (const auto& [what, ok] : opened) EXPECT_FALSE(ok) << what;
}

// The objects stay open from one poll to the next. A service started again creates its objects under
// the names the monitor still holds and goes on with them: the next poll finds it.
TEST(ServiceClient, KeepsItsObjectsAndFindsARestartedServiceAtTheNextPoll) {
  Monitor m;
  auto first = std::make_unique<FakeService>(Answer{true, 1 << 20, TwoAndOne(), 0});
  m.Poll();
  ASSERT_EQ(m.receiver.Last(), "");
  const HANDLE answer = m.link.answer.Get();
  const void* view = m.link.view.Get();
  m.Poll();
  EXPECT_EQ(m.receiver.Last(), "");
  EXPECT_EQ(m.link.answer.Get(), answer);
  EXPECT_EQ(m.link.view.Get(), view);

  first.reset();
  const Bytes other = BlockBytes({{Rec("AA-BB-CC-DD-EE-FF", "10.1.1.1")}});
  auto second = std::make_unique<FakeService>(Answer{true, 1 << 20, other, 0});  // restarted
  m.Poll();
  EXPECT_EQ(m.receiver.Last(), "");
  ASSERT_EQ(m.list.Groups().size(), 1u);
  EXPECT_EQ(m.list.Groups()[0].key, "AA-BB-CC-DD-EE-FF");

  second.reset();  // gone for good: the poll lets go of everything
  m.Poll();
  EXPECT_FALSE(m.link.answer || m.link.mutex || m.link.section);
}

// A snapshot that leaves no room for another record may have been cut to the section: the poll lets
// go of the section, so that the service can make a larger one (it cannot while a monitor holds it).
TEST(ServiceClient, LetsGoOfASectionTheSnapshotFills) {
  // Five records fill 3,484 of 4,096 bytes; a sixth would end at 4,180.
  const Bytes five = BlockBytes({{Rec("K", "1"), Rec("K", "2"), Rec("K", "3"), Rec("K", "4"), Rec("K", "5")}});
  FakeService service(Answer{true, 4096, five, 0});
  ASSERT_TRUE(service.Ready());
  Monitor m;
  m.Poll();
  EXPECT_EQ(m.receiver.Last(), "");
  EXPECT_EQ(m.list.RecordCount(), 5u);
  EXPECT_FALSE(m.link.view);
  EXPECT_TRUE(m.link.answer);
}

}  // namespace
}  // namespace tral::win32
