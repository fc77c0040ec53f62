// The monitor's poll against the real TraldenMeter.exe in "debug" under Wine: unreachable before it
// starts, a decoded snapshot and a view while it runs, unreachable again at once after it ends.
// Usage: monitor_poll_e2e --service=PATH\TraldenMeter.exe [--expect-key=MAC --expect-ip=IP] [gtest flags]
// With --expect-key the poll waits for that adapter's connection to appear with traffic (the
// namespace run, where a peer sends to the service's only adapter).
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "monitor/common/connection_selection.h"
#include "monitor/mainwindow/win32/service_client_win32.h"
#include "monitor/mainwindow/win32/tick_source_win32.h"
#include "shared/text_field.h"
#include "shared/win32/unique_handle.h"
#include "support/scratch_dir_win32.h"

namespace tral::win32 {
namespace {

std::string g_serviceExe;
std::string g_expectKey;
std::string g_expectIp;

class LastStatus final : public PollReceiver {
 public:
  std::string status;
  int rebuilds = 0;
  void SetStatusText(std::string_view text) override { status = std::string(text); }
  void RebuildDisplayForUpdate() override { ++rebuilds; }
};

double MsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

TEST(PollRealService, UnreachableThenSnapshotsThenUnreachable) {
  ASSERT_FALSE(g_serviceExe.empty()) << "--service=PATH not given";
  test::ScratchDir dir("tm-e2e-poll");
  // A copy of its own, so that its day files and INI file land in the scratch directory.
  const std::string exe = dir.File("TraldenMeter.exe");
  ASSERT_TRUE(::CopyFileA(g_serviceExe.c_str(), exe.c_str(), FALSE)) << g_serviceExe;

  ServiceLink link;
  ConnectionList list;
  LastStatus receiver;
  PollService(link, list, receiver);
  ASSERT_EQ(receiver.status, "Unable to reach data service") << "a counting service already runs here";

  std::string commandLine = "\"" + exe + "\" debug";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  ASSERT_TRUE(::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                               dir.Path().c_str(), &startup, &info));
  UniqueKernelHandle process(info.hProcess);
  UniqueKernelHandle thread(info.hThread);

  // The worker creates its objects after its first baselines: poll until it answers.
  const auto start = std::chrono::steady_clock::now();
  do {
    ::Sleep(200);
    PollService(link, list, receiver);
  } while (receiver.status != "" && MsSince(start) < 20000);
  EXPECT_EQ(receiver.status, "");
  EXPECT_EQ(receiver.rebuilds, 1);

  // Later polls: the service answers every request with a fresh snapshot.
  const auto traffic = std::chrono::steady_clock::now();
  do {
    ::Sleep(500);
    PollService(link, list, receiver);
    ASSERT_EQ(receiver.status, "");
  } while (!g_expectKey.empty() && list.Empty() && MsSince(traffic) < 15000);
  EXPECT_GE(receiver.rebuilds, 2);
  for (const ConnectionGroup& group : list.Groups()) {
    ASSERT_FALSE(group.chain.empty());
    EXPECT_FALSE(group.key.empty());
    for (const PublishedRecord& record : group.chain) {
      EXPECT_EQ(FieldText(record.adapterKey), group.key);
      EXPECT_TRUE(record.rxTotal != 0 || record.txTotal != 0) << "only connections with traffic are published";
    }
  }
  // The view the main window would show for this snapshot.
  Win32TickSource ticks;
  SelectionState selection;
  MonitorSettings settings;
  settings.hideidle = 0;
  const MainView view = RebuildDisplay(selection, list, settings, RebuildMode::kUpdate, ticks);
  if (!g_expectKey.empty()) {
    ASSERT_EQ(list.Groups().size(), 1u);
    EXPECT_EQ(view.hardwareAddress, g_expectKey);
    EXPECT_EQ(view.ipText, g_expectIp);
    EXPECT_GT(list.Groups()[0].chain[0].rxTotal, 0u);
    EXPECT_NE(list.Groups()[0].chain[0].rxTick, 0u);
    EXPECT_EQ(view.stateText.rfind("Downloaded:\t ", 0), 0u) << view.stateText;
  }
  if (list.Empty()) {
    EXPECT_EQ(view.stateText, "No information available");
  } else {
    EXPECT_EQ(view.hardwareAddress, list.Groups()[0].key);
    EXPECT_NE(view.stateText, "No information available");
  }
  std::printf("snapshot: %zu adapter(s), %zu connection(s); shown: %s\n", list.Groups().size(), list.RecordCount(),
              view.hardwareAddress.c_str());

  ::TerminateProcess(process.Get(), 0);
  ::WaitForSingleObject(process.Get(), 10000);
  const std::size_t before = list.RecordCount();
  const auto afterStop = std::chrono::steady_clock::now();
  PollService(link, list, receiver);
  EXPECT_LT(MsSince(afterStop), 1500.0);  // no wait for an answer
  EXPECT_EQ(receiver.status, "Unable to reach data service");
  EXPECT_EQ(list.RecordCount(), before);  // the figures last shown stay
}

}  // namespace
}  // namespace tral::win32

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--service=", 0) == 0) tral::win32::g_serviceExe = arg.substr(10);
    if (arg.rfind("--expect-key=", 0) == 0) tral::win32::g_expectKey = arg.substr(13);
    if (arg.rfind("--expect-ip=", 0) == 0) tral::win32::g_expectIp = arg.substr(12);
  }
  return RUN_ALL_TESTS();
}
