// The service's kernel objects as other programs meet them: request and answer events that take one
// signal per wait, null access lists read back from the objects, owners of existing objects, and a
// stop that waits for the worker's final save.
#include <gtest/gtest.h>

#include <aclapi.h>

#include <atomic>
#include <string>

#include "service/win32/object_owner_win32.h"
#include "service/win32/rate_block_win32.h"
#include "service/win32/service_entry_win32.h"

namespace tral::win32 {
namespace {

std::string TestName(const char* what) {
  return std::string("Local\\tmS_") + what + "_" + std::to_string(::GetCurrentProcessId());
}

struct Names {
  std::string request = TestName("get");
  std::string answer = TestName("set");
  std::string mutex = TestName("mmt");
  std::string section = TestName("mem");
  BlockNames Get() const { return BlockNames{request.c_str(), answer.c_str(), mutex.c_str()}; }
};

// (DACL present, DACL pointer null) of a kernel object, read back through its handle.
std::pair<bool, bool> DaclOf(HANDLE object) {
  DWORD needed = 0;
  ::GetKernelObjectSecurity(object, DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
  std::vector<std::uint8_t> buffer(needed ? needed : 1);
  if (!::GetKernelObjectSecurity(object, DACL_SECURITY_INFORMATION, buffer.data(), needed, &needed)) {
    ADD_FAILURE() << "security descriptor not readable: " << ::GetLastError();
    return {false, false};
  }
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  EXPECT_TRUE(::GetSecurityDescriptorDacl(buffer.data(), &present, &dacl, &defaulted));
  return {present != FALSE, dacl == nullptr};
}

// A request is taken by one wait: a client that sets it once and never waits for the answer gets
// one pass, not an answer in a loop. The same for the answer: one waiting client takes it.
TEST(BlockObjects, EventsTakeOneSignalPerWait) {
  Names names;
  NullDaclSecurity security;
  BlockObjects objects;
  objects.CreateMissing(security.Get(), names.Get());
  ASSERT_TRUE(objects.Ready());
  for (HANDLE event : {objects.request.Get(), objects.answer.Get()}) {
    EXPECT_EQ(::WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));  // not signalled
    ASSERT_TRUE(::SetEvent(event));
    EXPECT_EQ(::WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(::WaitForSingleObject(event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  }
  EXPECT_EQ(::WaitForSingleObject(objects.mutex.Get(), 0), WAIT_OBJECT_0);  // created not owned
  ::ReleaseMutex(objects.mutex.Get());
}

// The monitor runs as an ordinary user: every object it opens carries a present, null access list.
TEST(BlockObjects, EveryObjectHasANullAccessList) {
  Names names;
  NullDaclSecurity security;
  ASSERT_NE(security.Get(), nullptr);
  BlockObjects objects;
  objects.CreateMissing(security.Get(), names.Get());
  ASSERT_TRUE(objects.Ready());
  RateBlockSection block;
  ASSERT_TRUE(PublishRateBlock(ConnectionTable(), block, objects.mutex.Get(), security.Get(),
                               names.section.c_str()));
  const std::pair<bool, bool> nullDacl{true, true};
  EXPECT_EQ(DaclOf(objects.request.Get()), nullDacl) << "request event";
  EXPECT_EQ(DaclOf(objects.answer.Get()), nullDacl) << "answer event";
  EXPECT_EQ(DaclOf(objects.mutex.Get()), nullDacl) << "mutex";
  EXPECT_EQ(DaclOf(block.section.Get()), nullDacl) << "section";

  // What the objects would carry without it: the account's default access list.
  UniqueKernelHandle plain(::CreateEventA(nullptr, FALSE, FALSE, TestName("plain").c_str()));
  EXPECT_NE(DaclOf(plain.Get()), nullDacl);
}

TEST(ObjectOwner, OwnersOfExistingObjects) {
  // Made by this process: the guard of a counting instance of ours looks like this.
  OwnedObjectSecurity security;
  UniqueKernelHandle own(::CreateEventA(security.Get(), FALSE, FALSE, TestName("own").c_str()));
  const ObjectOwner ownOwner = OwnerOfObject(own.Get());
  EXPECT_TRUE(ownOwner == ObjectOwner::kThisAccount || ownOwner == ObjectOwner::kPrivileged) << static_cast<int>(ownOwner);
  EXPECT_EQ(OwnerOfNamedEvent(TestName("own").c_str()), ownOwner);
  // The block's objects are recognised as ours the same way.
  NullDaclSecurity nullDacl;
  UniqueKernelHandle request(::CreateEventA(nullDacl.Get(), FALSE, FALSE, TestName("request").c_str()));
  EXPECT_EQ(OwnerOfObject(request.Get()), ownOwner);

  EXPECT_EQ(OwnerOfNamedEvent(TestName("nobody").c_str()), std::nullopt);
  UniqueKernelHandle mutex(::CreateMutexA(nullptr, FALSE, TestName("amutex").c_str()));
  EXPECT_EQ(OwnerOfNamedEvent(TestName("amutex").c_str()), ObjectOwner::kUnreadable);

  // An object whose owner is another, unprivileged account (here the well-known "Everyone").
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  ASSERT_TRUE(::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
  SECURITY_DESCRIPTOR sd;
  ::InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
  ::SetSecurityDescriptorOwner(&sd, everyone, FALSE);
  ::SetSecurityDescriptorDacl(&sd, TRUE, nullptr, FALSE);
  SECURITY_ATTRIBUTES sa{sizeof sa, &sd, FALSE};
  UniqueKernelHandle foreign(::CreateEventA(&sa, FALSE, FALSE, TestName("foreign").c_str()));
  const DWORD error = ::GetLastError();
  ::FreeSid(everyone);
  if (!foreign) GTEST_SKIP() << "this system does not let a process give an object another owner: " << error;
  EXPECT_EQ(OwnerOfObject(foreign.Get()), ObjectOwner::kOtherAccount);
}

// STOPPED may be reported only once the worker's final save is complete: a worker whose save takes
// more than a second is waited for, with STOP_PENDING reported meanwhile.
TEST(StopWorkerAndWait, WaitsForASlowFinalSave) {
  struct Worker {
    UniqueKernelHandle stop{::CreateEventA(nullptr, FALSE, FALSE, nullptr)};
    std::string path;
    static DWORD WINAPI Run(LPVOID p) {
      auto* w = static_cast<Worker*>(p);
      ::WaitForSingleObject(w->stop.Get(), INFINITE);
      UniqueFile file(::CreateFileA(w->path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
      DWORD written = 0;
      for (int part = 0; part < 4; ++part) {
        ::WriteFile(file.Get(), "0123456789", 10, &written, nullptr);
        ::Sleep(400);
      }
      return 0;
    }
  } worker;
  char dir[MAX_PATH];
  ::GetTempPathA(sizeof dir, dir);
  worker.path = std::string(dir) + "tmS_final_save_" + std::to_string(::GetCurrentProcessId());
  UniqueKernelHandle thread(::CreateThread(nullptr, 0, Worker::Run, &worker, 0, nullptr));
  ASSERT_TRUE(thread);

  int pendingReports = 0;
  EXPECT_TRUE(StopWorkerAndWait(worker.stop.Get(), thread.Get(), 30000, 250, [&] { ++pendingReports; }));
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(::GetFileAttributesExA(worker.path.c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(data.nFileSizeLow, 40u);  // the whole save, and the file closed
  EXPECT_GE(pendingReports, 4);
  ::DeleteFileA(worker.path.c_str());
}

TEST(StopWorkerAndWait, GivesUpOnAWorkerThatNeverEnds) {
  UniqueKernelHandle never(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  UniqueKernelHandle thread(::CreateThread(
      nullptr, 0, [](LPVOID p) -> DWORD { return ::WaitForSingleObject(static_cast<HANDLE>(p), INFINITE); },
      never.Get(), 0, nullptr));
  int pendingReports = 0;
  EXPECT_FALSE(StopWorkerAndWait(nullptr, thread.Get(), 600, 200, [&] { ++pendingReports; }));
  EXPECT_EQ(pendingReports, 3);
  ::SetEvent(never.Get());
  ::WaitForSingleObject(thread.Get(), 5000);
}

}  // namespace
}  // namespace tral::win32
