// PublishRateBlock against real sections and mutexes: creation, reuse, growth, an older smaller
// section still held open, a mutex held elsewhere and an abandoned one.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "service/win32/rate_block_win32.h"
#include "shared/byte_order.h"
#include "shared/text_field.h"

namespace tral::win32 {
namespace {

// A section name of this test process only, so that nothing else under the same Wine server meets it.
std::string SectionName() { return "Local\\tmC_block_test_" + std::to_string(::GetCurrentProcessId()); }

// Adapters with this many records with traffic each.
ConnectionTable Table(std::initializer_list<std::size_t> recordsPerAdapter) {
  ConnectionTable table;
  int adapter = 0;
  for (std::size_t n : recordsPerAdapter) {
    const std::string key = "02-00-00-00-00-0" + std::to_string(adapter++);
    std::size_t index = 0;
    for (std::size_t i = 0; i < n; ++i) {
      RecordPtr r = NewRecord();
      SetFieldText(r->adapterKey, key);
      r->rxTotal = i + 1;
      if (i == 0) {
        index = table.Append(key, std::move(r));
      } else {
        table.At(index).chain.push_back(std::move(r));
      }
    }
  }
  return table;
}

struct Fixture {
  UniqueKernelHandle mutex{::CreateMutexA(nullptr, FALSE, nullptr)};
  RateBlockSection block;
  std::string name = SectionName();

  bool Publish(const ConnectionTable& table) {
    return PublishRateBlock(table, block, mutex.Get(), nullptr, name.c_str());
  }
  const std::uint8_t* Bytes() const { return static_cast<const std::uint8_t*>(block.view.Get()); }
};

TEST(PublishRateBlock, CreatesReusesAndGrowsTheSection) {
  Fixture f;
  ASSERT_TRUE(f.Publish(Table({2, 1})));
  EXPECT_GE(f.block.viewBytes, 1048576u);
  EXPECT_EQ(LoadLe32(f.Bytes()), 2u);
  EXPECT_EQ(LoadLe32(f.Bytes() + 700 + 312), 2u);
  EXPECT_EQ(LoadLe32(f.Bytes() + 1396 + 312), 1u);

  // Another process's view of the name shows the same snapshot.
  UniqueKernelHandle opened(::OpenFileMappingA(FILE_MAP_READ, FALSE, f.name.c_str()));
  ASSERT_TRUE(opened);
  UniqueMappedView reader(::MapViewOfFile(opened.Get(), FILE_MAP_READ, 0, 0, 0));
  ASSERT_TRUE(reader);
  EXPECT_EQ(LoadLe32(static_cast<const std::uint8_t*>(reader.Get())), 2u);
  reader.Reset();
  opened.Reset();

  void* first = f.block.view.Get();
  ASSERT_TRUE(f.Publish(Table({1506})));
  EXPECT_EQ(f.block.view.Get(), first);  // 1,506 records fit the minimum section

  ASSERT_TRUE(f.Publish(Table({1507})));
  EXPECT_GE(f.block.viewBytes, 4u + 696u * 1507u);
  EXPECT_EQ(LoadLe32(f.Bytes()), 1u);
  EXPECT_EQ(LoadLe64(f.Bytes() + 4 + 696 * 1506 + 304), 1507u);  // the last record is all there
}

// A client still holds an older, smaller section of that name: creating the section then yields that
// one, and the writer must stay inside it.
TEST(PublishRateBlock, StaysInsideAnOlderSmallerSection) {
  Fixture f;
  UniqueKernelHandle older(::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 8192,
                                                f.name.c_str()));
  ASSERT_TRUE(older);
  ASSERT_TRUE(f.Publish(Table({3, 1506})));
  EXPECT_EQ(f.block.viewBytes, 8192u);
  EXPECT_EQ(LoadLe32(f.Bytes()), 1u);  // the first group fits, the second does not
  EXPECT_EQ(LoadLe32(f.Bytes() + 4 + 2 * 696 + 312), 3u);

  // Once the client lets go, the next snapshot that needs more gets a section of full size.
  older.Reset();
  ASSERT_TRUE(f.Publish(Table({3, 1506})));
  EXPECT_GE(f.block.viewBytes, 4u + 696u * 1509u);
  EXPECT_EQ(LoadLe32(f.Bytes()), 2u);
}

TEST(PublishRateBlock, MutexHeldElsewhereLeavesThePreviousSnapshot) {
  Fixture f;
  ASSERT_TRUE(f.Publish(Table({1})));
  HANDLE started = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread holder([&] {
    ::WaitForSingleObject(f.mutex.Get(), INFINITE);
    ::SetEvent(started);
    ::Sleep(2000);
    ::ReleaseMutex(f.mutex.Get());
  });
  ::WaitForSingleObject(started, INFINITE);
  const DWORD t0 = ::GetTickCount();
  EXPECT_FALSE(f.Publish(Table({2, 2})));
  const DWORD waited = ::GetTickCount() - t0;
  holder.join();
  ::CloseHandle(started);
  EXPECT_GE(waited, 1400u);
  EXPECT_LT(waited, 1900u);
  EXPECT_EQ(LoadLe32(f.Bytes()), 1u);  // not rewritten
}

TEST(PublishRateBlock, AbandonedMutexCountsAsAcquired) {
  Fixture f;
  std::thread quitter([&] { ::WaitForSingleObject(f.mutex.Get(), INFINITE); });  // ends owning it
  quitter.join();
  EXPECT_TRUE(f.Publish(Table({1, 1})));
  EXPECT_EQ(LoadLe32(f.Bytes()), 2u);
  // The mutex was released by the writer: it can be taken at once.
  EXPECT_EQ(::WaitForSingleObject(f.mutex.Get(), 0), WAIT_OBJECT_0);
  ::ReleaseMutex(f.mutex.Get());
}

}  // namespace
}  // namespace tral::win32
