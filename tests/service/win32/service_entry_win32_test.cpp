// The service's kernel objects as other programs meet them: request and answer events that take one
// signal per wait, access lists read back from the objects, squatted names, owners of existing
// objects, and a stop that waits for the worker's final save.
#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>

#include <atomic>
#include <string>

#include "service/win32/object_owner_win32.h"
#include "service/win32/rate_block_win32.h"
#include "service/service_test_support.h"
#include "service/win32/service_entry_win32.h"
#include "shared/win32/object_security_win32.h"

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

// The entries of an object's access list as (account SID text, rights), in order; none for a null
// DACL.
using Grants = std::vector<std::pair<std::string, DWORD>>;
Grants GrantsOf(HANDLE object) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR raw = nullptr;
  EXPECT_EQ(::GetSecurityInfo(object, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                              nullptr, &raw), static_cast<DWORD>(ERROR_SUCCESS));
  UniqueLocalMemory descriptor(raw);
  Grants grants;
  void* ace = nullptr;
  for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount && ::GetAce(dacl, i, &ace); ++i) {
    auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    char* sid = nullptr;
    ::ConvertSidToStringSidA(&allowed->SidStart, &sid);
    grants.emplace_back(allowed->Header.AceType == ACCESS_ALLOWED_ACE_TYPE && sid ? sid : "?", allowed->Mask);
    ::LocalFree(sid);
  }
  return grants;
}

// Security attributes whose owner is another, unprivileged account (the well-known "Everyone"), as
// a program of another user would give its objects; null DACL.
struct ForeignSecurity {
  SECURITY_DESCRIPTOR sd{};
  SECURITY_ATTRIBUTES sa{sizeof sa, &sd, FALSE};
  PSID everyone = nullptr;
  ForeignSecurity() {
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    ::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    ::InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    ::SetSecurityDescriptorOwner(&sd, everyone, FALSE);
    ::SetSecurityDescriptorDacl(&sd, TRUE, nullptr, FALSE);
  }
  ~ForeignSecurity() { ::FreeSid(everyone); }
};

// Only SYSTEM and the administrators may do everything with the block's objects; interactive and
// authenticated users get just what a monitor does with each. A null access list let any user take
// WRITE_DAC and lock every monitor out, or map the section writable and publish fake figures.
TEST(BlockObjects, OrdinaryUsersMayOnlyDoWhatAMonitorDoes) {
  Names names;
  BlockObjects objects;
  objects.CreateMissing(nullptr, names.Get());
  ASSERT_TRUE(objects.Ready());
  RateBlockSection block;
  ASSERT_TRUE(PublishRateBlock(ConnectionTable(), block, objects.mutex.Get(), nullptr, names.section.c_str()));
  auto grants = [](DWORD all, DWORD monitor) {
    return Grants{{"S-1-5-18", all}, {"S-1-5-32-544", all}, {"S-1-5-4", monitor}, {"S-1-5-11", monitor}};
  };
  EXPECT_EQ(GrantsOf(objects.request.Get()), grants(0x1F0003, 0x2)) << "request: EVENT_MODIFY_STATE";
  EXPECT_EQ(GrantsOf(objects.answer.Get()), grants(0x1F0003, 0x100000)) << "answer: SYNCHRONIZE";
  EXPECT_EQ(GrantsOf(objects.mutex.Get()), grants(0x1F0001, 0x100001)) << "mutex: SYNCHRONIZE, MODIFY_STATE";
  EXPECT_EQ(GrantsOf(block.section.Get()), grants(0xF001F, 0x4)) << "section: SECTION_MAP_READ";
}

// A name another account holds is a squatter's: the worker neither waits on its event nor writes
// into its section, and reports it; the next try, once the squatter has let go, makes its own.
TEST(BlockObjects, ObjectsOfAnotherAccountAreLeftAloneAndReported) {
  Names names;
  ForeignSecurity foreign;
  UniqueKernelHandle request(::CreateEventA(&foreign.sa, FALSE, FALSE, names.request.c_str()));
  UniqueKernelHandle section(::CreateFileMappingA(INVALID_HANDLE_VALUE, &foreign.sa, PAGE_READWRITE, 0, 4096,
                                                  names.section.c_str()));
  if (!request || !section) GTEST_SKIP() << "this system does not let a process give an object another owner";
  testing::RecordingIncidents sink;
  BlockObjects objects;
  objects.CreateMissing(&sink, names.Get());
  RateBlockSection block;
  EXPECT_FALSE(objects.request);
  EXPECT_FALSE(PublishRateBlock(ConnectionTable(), block, objects.mutex.Get(), &sink, names.section.c_str()));
  EXPECT_FALSE(block.view);
  const char* why = " was made by a program of another account; monitors get no answer until it is gone";
  const std::vector<std::pair<Incident, std::string>> squatted{{Incident::kObjectsSquatted, names.request + why},
                                                                {Incident::kObjectsSquatted, names.section + why}};
  EXPECT_EQ(sink.reported, squatted);
  request.Reset();
  objects.CreateMissing(&sink, names.Get());
  EXPECT_TRUE(objects.Ready());
}

TEST(ObjectOwner, OwnersOfExistingObjects) {
  // Made by this process: the guard of a counting instance of ours looks like this.
  OwnedObjectSecurity security;
  UniqueKernelHandle own(::CreateEventA(security.Get(), FALSE, FALSE, TestName("own").c_str()));
  const ObjectOwner ownOwner = OwnerOfObject(own.Get());
  EXPECT_TRUE(ownOwner == ObjectOwner::kThisAccount || ownOwner == ObjectOwner::kPrivileged) << static_cast<int>(ownOwner);
  EXPECT_EQ(OwnerOfNamedEvent(TestName("own").c_str()), ownOwner);
  // The block's objects are recognised as ours the same way.
  ObjectSecurity block(BlockObject::kRequestEvent);
  UniqueKernelHandle request(::CreateEventA(block.Get(), FALSE, FALSE, TestName("request").c_str()));
  EXPECT_EQ(OwnerOfObject(request.Get()), ownOwner);

  EXPECT_EQ(OwnerOfNamedEvent(TestName("nobody").c_str()), std::nullopt);
  UniqueKernelHandle mutex(::CreateMutexA(nullptr, FALSE, TestName("amutex").c_str()));
  EXPECT_EQ(OwnerOfNamedEvent(TestName("amutex").c_str()), ObjectOwner::kUnreadable);

  // An object whose owner is another, unprivileged account.
  ForeignSecurity other;
  UniqueKernelHandle foreign(::CreateEventA(&other.sa, FALSE, FALSE, TestName("foreign").c_str()));
  const DWORD error = ::GetLastError();
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
