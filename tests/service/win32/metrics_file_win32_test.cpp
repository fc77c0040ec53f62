// The textfile through the real file API: replaced whole, failures reported, the INI value, the clock.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "service/service_test_support.h"
#include "service/win32/metrics_file_win32.h"
#include "shared/win32/system_text_win32.h"
#include "support/scratch_dir_win32.h"

namespace tral::win32 {
namespace {

using test::ScratchDir;

std::string ReadAll(const std::string& path) {
  UniqueFile f(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!f) return "<none>";
  std::string text(1 << 16, '\0');
  DWORD n = 0;
  ::ReadFile(f.Get(), text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
  text.resize(n);
  return text;
}

std::vector<std::string> Names(const std::string& dir) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  UniqueFind find(::FindFirstFileA((dir + "*").c_str(), &data));
  if (!find) return names;
  do {
    const std::string name = data.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (::FindNextFileA(find.Get(), &data));
  return names;
}

TEST(MetricsFileWin32, ReplacesTheFileWholeOrReportsWhyNot) {
  const struct {
    const char* what;
    const char* name;  // in the scratch folder
    const char* before;  // a file there before, or null
    bool folder;  // a folder of that name there before
    bool written;
  } cases[] = {
      {"a new file", "fleet.prom", nullptr, false, true},
      {"over the previous file", "fleet.prom", "old text\n", false, true},
      {"a folder of that name", "fleet.prom", nullptr, true, false},
      {"in a folder that does not exist", "missing\\fleet.prom", nullptr, false, false},
  };
  for (const auto& c : cases) {
    ScratchDir dir("tm-metrics");
    const std::string path = dir.File(c.name);
    if (c.before) test::WriteFileBytes(path, std::vector<std::uint8_t>(c.before, c.before + std::strlen(c.before)));
    if (c.folder) {
      ASSERT_TRUE(::CreateDirectoryA(path.c_str(), nullptr));
    }
    testing::RecordingIncidents incidents;
    {
      Win32MetricsFile file(dir.File("none.ini"), &incidents);
      // Only the newest of the snapshots handed over in a row matters.
      for (std::uint32_t i = 1; i <= 20; ++i) file.Write(path, MetricsSnapshot{{}, i, 0, 0});
      EXPECT_TRUE(file.Finish(kMetricsFinishMs)) << c.what;
    }
    if (c.written) {
      EXPECT_EQ(ReadAll(path), MetricsFileText(MetricsSnapshot{{}, 20, 0, 0}, AnsiToUtf8)) << c.what;
      EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"fleet.prom"}) << c.what << ": a temporary was left";
      EXPECT_EQ(incidents.reported.size(), 0u) << c.what;
    } else {
      ASSERT_GE(incidents.reported.size(), 1u) << c.what;
      EXPECT_EQ(incidents.reported[0].first, Incident::kCannotPublishMetrics) << c.what;
      EXPECT_EQ(incidents.reported[0].second.rfind("cannot publish metrics: " + path + ": ", 0), 0u)
          << incidents.reported[0].second;
      const std::vector<std::string> left = Names(dir.Path());
      EXPECT_EQ(left.size(), c.folder ? 1u : 0u) << c.what << ": a temporary was left";
    }
    if (c.folder) {
      EXPECT_NE(::GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u) << c.what;
      ::RemoveDirectoryA(path.c_str());
    }
  }
}

TEST(MetricsFileWin32, TheIniValueTheFolderCheckAndTheClock) {
  ScratchDir dir("tm-metrics-ini");
  const std::string ini = dir.File("TraldenMeter.ini");
  Win32MetricsFile absent(dir.File("missing.ini"), nullptr);
  EXPECT_EQ(absent.ReadPathSetting(), "");
  const std::string text = "[OPTIONS]\r\nkeepdays=3\r\nprometheusfile=  C:\\exporter\\textfile\\t.prom  \r\n";
  test::WriteFileBytes(ini, std::vector<std::uint8_t>(text.begin(), text.end()));
  Win32MetricsFile file(ini, nullptr);
  EXPECT_EQ(file.ReadPathSetting(), "C:\\exporter\\textfile\\t.prom");
  EXPECT_TRUE(file.IsFolder(dir.Path()));
  EXPECT_FALSE(file.IsFolder(ini));
  EXPECT_FALSE(file.IsFolder(dir.File("nothing")));
  const std::uint64_t now = static_cast<std::uint64_t>(std::time(nullptr)) * 1000;
  const std::uint64_t ms = file.UnixTimeMs();
  EXPECT_LE(ms > now ? ms - now : now - ms, 5000u) << ms << " against " << now;
}

}  // namespace
}  // namespace tral::win32
