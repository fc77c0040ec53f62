// Slot files from a folder on disk, read beside their day files with the day files' outcomes.
#include <windows.h>

#include <gtest/gtest.h>

#include "history/slot_reading.h"
#include "history/win32/day_file_source_win32.h"
#include "shared/win32/unique_handle.h"
#include "support/scratch_dir_win32.h"
#include "support/slot_file_bytes.h"

namespace tral::win32 {
namespace {

enum class SlotState { kFile, kNone, kHeld, kFolder };

TEST(SlotFileSourceWin32, TheSlotFileBesideADayFileIsReadAbsentOrNamed) {
  using tral::test::SlotFileBytes;
  const struct {
    const char* what;
    SlotState state;
    DayReadOutcome outcome;
    std::uint64_t notPlacedRx;
  } cases[] = {
      {"a slot file", SlotState::kFile, DayReadOutcome::kComplete, 1024},
      {"none", SlotState::kNone, DayReadOutcome::kMissing, 4096},
      {"held without sharing", SlotState::kHeld, DayReadOutcome::kUnreadable, 4096},
      {"a folder of its name", SlotState::kFolder, DayReadOutcome::kUnreadable, 4096},
  };
  for (const auto& c : cases) {
    test::ScratchDir dir("tm-slots");
    test::WriteFileBytes(dir.File("20260130.bin"),
                         tral::test::DayFileBytes({{"K1", {{"10.0.0.5", "", "", 4096, 0}}}}, 60000));
    UniqueFile held;
    if (c.state == SlotState::kFile || c.state == SlotState::kHeld) {
      test::WriteFileBytes(dir.File("20260130.slots"), SlotFileBytes({{"K1", "10.0.0.5", "", "", {{150, 3072, 0}}}}));
    }
    if (c.state == SlotState::kHeld) {
      held.Reset(::CreateFileA(dir.File("20260130.slots").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
      ASSERT_TRUE(held) << c.what;
    }
    if (c.state == SlotState::kFolder) {
      ASSERT_TRUE(::CreateDirectoryA(dir.File("20260130.slots").c_str(), nullptr));
    }
    Win32DayFileSource source(dir.Path());
    TimedDayReader reader(source);
    const TimedDay day = reader.Read(CivilDate{2026, 1, 30});
    EXPECT_EQ(day.day.outcome, DayReadOutcome::kComplete) << c.what;
    EXPECT_EQ(day.slots.outcome, c.outcome) << c.what;
    EXPECT_EQ(day.slots.problem.empty(), c.outcome != DayReadOutcome::kUnreadable) << c.what;
    ASSERT_EQ(day.connections.size(), 1u) << c.what;
    EXPECT_EQ(day.connections[0].notPlacedRxBytes, c.notPlacedRx) << c.what;
    held.Reset();
    ::RemoveDirectoryA(dir.File("20260130.slots").c_str());
  }
}

}  // namespace
}  // namespace tral::win32
