// The service's Prometheus textfile: the INI value's verdict, the exact text, and which saves write it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "fakes/fake_metrics_target.h"
#include "service/day_files.h"
#include "service/metrics_file.h"
#include "service_test_support.h"
#include "support/hostile_texts.h"

namespace tral {
namespace {

using testing::AddRecord;
using testing::CounterFixture;
using testing::kKeyA;
using testing::kKeyB;

// A stand-in for the machine's ANSI code page: ASCII as it is, 0xA0-0xFF as Latin-1, and the bytes
// 0x80-0x9F, which it has no character for, as '?' (as a system's conversion replaces them).
std::string CodePageToUtf8(std::string_view text) {
  std::string out;
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out += c;
    } else if (b < 0xA0) {
      out += '?';
    } else {
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  return out;
}

constexpr CivilDate kToday{2009, 3, 13};

TEST(MetricsPath, TheIniValueDecidesWhetherAndWhereTheFileGoes) {
  const std::string longest = "C:\\" + std::string(kMaxMetricsPathChars - 3 - 5, 'a') + ".prom";
  const std::string tooLong = "C:\\" + std::string(kMaxMetricsPathChars - 3 - 4, 'a') + ".prom";
  const struct {
    std::string value;
    bool on;
    const char* problem;  // a word of the reason, "" when none
  } cases[] = {
      {"", false, ""},
      {"C:\\Program Files\\exporter\\textfile\\traldenmeter.prom", true, ""},
      {"c:/exporter/Fleet.PROM", true, ""},
      {"\\\\server\\share\\metrics\\t.prom", true, ""},
      {"C:\\a\\..\\t.prom", true, ""},
      {longest, true, ""},
      {tooLong, false, "longer than 242"},
      {"traldenmeter.prom", false, "full path"},
      {"textfile\\traldenmeter.prom", false, "full path"},
      {"C:traldenmeter.prom", false, "full path"},
      {"\\exporter\\traldenmeter.prom", false, "full path"},
      {"\\\\?\\C:\\exporter\\t.prom", false, "full path"},
      {"\\\\.\\pipe\\t.prom", false, "full path"},
      {"\\\\server\\t.prom", false, "full path"},
      {"C:\\exporter\\textfile", false, ".prom file"},
      {"C:\\exporter\\textfile\\", false, ".prom file"},
      {"C:\\exporter\\.prom", false, ".prom file"},
      {"C:\\exporter\\t.prom.txt", false, ".prom file"},
      {"C:\\exporter\\t.prom.", false, ".prom file"},
      {"C:\\exporter\\day:t.prom", false, "character"},
      {"C:\\exporter\\t?.prom", false, "character"},
      {"C:\\exporter\\t*.prom", false, "character"},
      {"C:\\exporter\\a\nb.prom", false, "character"},
  };
  for (const auto& c : cases) {
    const MetricsPathCheck check = CheckMetricsPath(c.value);
    EXPECT_EQ(check.path, c.on ? c.value : "") << c.value;
    EXPECT_NE(check.problem.find(c.problem), std::string::npos) << c.value << ": " << check.problem;
    EXPECT_EQ(check.problem.empty(), *c.problem == '\0') << c.value << ": " << check.problem;
  }
}

TEST(MetricsFile, TodaysLinesAsTheReportWritesThemAndTheTwoTimes) {
  CounterFixture f;
  AddRecord(f.state, kKeyA, "192.168.1.10", "", "", 1060862, 13313);
  AddRecord(f.state, kKeyA, "192.168.1.11", "", "", 0, 0);  // no traffic: not in the day file either
  AddRecord(f.state, kKeyB, "10.0.0.7", "00-11-22-33-44-55", "Caf\xE9", 4194304, 512);
  const std::string text = MetricsFileText(TakeMetricsSnapshot(f.state.table, 3723004, 1767225600123, 1767222000000), CodePageToUtf8);
  EXPECT_EQ(text,
            "# HELP traldenmeter_downloaded_bytes Bytes received on a connection, today and over the report's span.\n"
            "# TYPE traldenmeter_downloaded_bytes gauge\n"
            "traldenmeter_downloaded_bytes{period=\"today\",adapter=\"00-1A-2B-3C-4D-5E\",ip=\"192.168.1.10\","
            "bssid=\"\",ssid=\"\"} 1060862\n"
            "traldenmeter_downloaded_bytes{period=\"today\",adapter=\"AA-BB-CC-DD-EE-FF\",ip=\"10.0.0.7\","
            "bssid=\"00-11-22-33-44-55\",ssid=\"Caf\xC3\xA9\"} 4194304\n"
            "# HELP traldenmeter_uploaded_bytes Bytes sent on a connection, today and over the report's span.\n"
            "# TYPE traldenmeter_uploaded_bytes gauge\n"
            "traldenmeter_uploaded_bytes{period=\"today\",adapter=\"00-1A-2B-3C-4D-5E\",ip=\"192.168.1.10\","
            "bssid=\"\",ssid=\"\"} 13313\n"
            "traldenmeter_uploaded_bytes{period=\"today\",adapter=\"AA-BB-CC-DD-EE-FF\",ip=\"10.0.0.7\","
            "bssid=\"00-11-22-33-44-55\",ssid=\"Caf\xC3\xA9\"} 512\n"
            "# HELP traldenmeter_uptime_seconds Running time of the counting service, today and over the span.\n"
            "# TYPE traldenmeter_uptime_seconds gauge\n"
            "traldenmeter_uptime_seconds{period=\"today\"} 3723.004\n"
            "# HELP traldenmeter_last_save_timestamp_seconds When the counting service last saved today's day "
            "file, in seconds since 1970-01-01 UTC.\n"
            "# TYPE traldenmeter_last_save_timestamp_seconds gauge\n"
            "traldenmeter_last_save_timestamp_seconds 1767225600.123\n"
            "# HELP traldenmeter_service_start_timestamp_seconds When the counting service started, in seconds "
            "since 1970-01-01 UTC.\n"
            "# TYPE traldenmeter_service_start_timestamp_seconds gauge\n"
            "traldenmeter_service_start_timestamp_seconds 1767222000.000\n");
}

TEST(MetricsFile, HostileNetworkNamesStayInsideTheirLabel) {
  for (const test::HostileText& h : test::kHostileLabelTexts) {
    CounterFixture f;
    AddRecord(f.state, kKeyA, "10.0.0.5", "", h.text, 5, 1);
    const std::string text = MetricsFileText(TakeMetricsSnapshot(f.state.table, 0, 0, 0), CodePageToUtf8);
    const std::string line = std::string("traldenmeter_downloaded_bytes{period=\"today\",adapter=\"") + kKeyA +
                             "\",ip=\"10.0.0.5\",bssid=\"\",ssid=\"" + h.label + "\"} 5\n";
    EXPECT_NE(text.find(line), std::string::npos) << h.what << "\n" << text;
    // Three lines for each of the five gauges but the two connection gauges' one sample each.
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 15) << h.what;
  }
}

TEST(MetricsFile, TextsThatComeOutTheSameAreOneSeries) {
  CounterFixture f;
  // Two bytes the code page has no character for: both names come out as "Caf?".
  AddRecord(f.state, kKeyA, "10.0.0.5", "", "Caf\x81", 100, 1);
  AddRecord(f.state, kKeyA, "10.0.0.6", "", "", 7, 7);
  AddRecord(f.state, kKeyA, "10.0.0.5", "", "Caf\x8D", 20, 2);
  const std::string text = MetricsFileText(TakeMetricsSnapshot(f.state.table, 0, 0, 0), CodePageToUtf8);
  const std::string labels = std::string("{period=\"today\",adapter=\"") + kKeyA + "\",ip=\"10.0.0.5\",bssid=\"\",ssid=\"Caf?\"}";
  EXPECT_NE(text.find("traldenmeter_downloaded_bytes" + labels + " 120\n"), std::string::npos) << text;
  EXPECT_NE(text.find("traldenmeter_uploaded_bytes" + labels + " 3\n"), std::string::npos) << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 17) << text;
}

struct PublisherFixture : CounterFixture {
  fakes::FakeMetricsTarget target;
  MetricsPublisher publisher{target, 1767222000000};

  PublisherFixture() {
    target.toUtf8 = CodePageToUtf8;
    state.metrics = &publisher;
    clock.date = kToday;
    AddRecord(state, kKeyA, "10.0.0.5", "", "", 500, 7);
  }
};

TEST(MetricsPublisher, EachIniValueGivesAFileOrNoneWithOneIncidentWhenBad) {
  const std::string path = "C:\\exporter\\textfile\\traldenmeter.prom";
  const struct {
    const char* what;
    std::string setting;
    bool folder;  // the value names an existing folder
    bool written;
    int incidents;
  } cases[] = {
      {"absent or empty", "", false, false, 0},
      {"a full path", path, false, true, 0},
      {"a relative path", "traldenmeter.prom", false, false, 1},
      {"the textfile folder itself", "C:\\exporter\\textfile", false, false, 1},
      {"a folder whose name ends in .prom", path, true, false, 1},
      {"a path too long", "C:\\" + std::string(300, 'a') + ".prom", false, false, 1},
  };
  for (const auto& c : cases) {
    PublisherFixture f;
    f.target.setting = c.setting;
    if (c.folder) f.target.folders.insert(c.setting);
    // Two saves of one day: the value is read and judged once.
    ASSERT_TRUE(SaveDayFile(f.state, kToday, false)) << c.what;
    ASSERT_TRUE(SaveDayFile(f.state, kToday, false)) << c.what;
    EXPECT_EQ(f.target.settingReads, 1) << c.what;
    EXPECT_EQ(f.target.writes.size(), c.written ? 2u : 0u) << c.what;
    if (c.written) {
      EXPECT_EQ(f.target.writes[0].first, path) << c.what;
    }
    ASSERT_EQ(f.incidents.Count(Incident::kCannotPublishMetrics), c.incidents) << c.what;
    if (c.incidents > 0) {
      EXPECT_EQ(f.incidents.reported[0].second.rfind("cannot publish metrics: prometheusfile=" + c.setting, 0), 0u)
          << f.incidents.reported[0].second;
    }
  }
}

TEST(MetricsPublisher, FollowsTheSavesOfTodaysFileOnly) {
  const std::string line = std::string("traldenmeter_downloaded_bytes{period=\"today\",adapter=\"") + kKeyA +
                           "\",ip=\"10.0.0.5\",bssid=\"\",ssid=\"\"} 500\n";
  const struct {
    const char* what;
    bool replaceFails;
    bool noTraffic;
    CivilDate saved;
    bool written;
    bool holdsTheConnection;
  } cases[] = {
      {"a save of today's file", false, false, kToday, true, true},
      {"a failed save: the file keeps telling of the last one that worked", true, false, kToday, false, false},
      {"nothing to save: the file comes all the same, with the times", false, true, kToday, true, false},
      {"a finished day saved late", false, false, {2009, 3, 12}, false, false},
  };
  for (const auto& c : cases) {
    PublisherFixture f;
    f.target.setting = "C:\\t\\t.prom";
    f.store.replaceFails = c.replaceFails;
    if (c.noTraffic) f.state.table.Clear();
    (void)SaveDayFile(f.state, c.saved, false);
    ASSERT_EQ(f.target.writes.size(), c.written ? 1u : 0u) << c.what;
    if (!c.written) continue;
    const std::string& text = f.target.writes[0].second;
    EXPECT_EQ(text.find(line) != std::string::npos, c.holdsTheConnection) << c.what << "\n" << text;
    EXPECT_NE(text.find("\ntraldenmeter_last_save_timestamp_seconds 1767225600.000\n"), std::string::npos) << c.what;
  }
}

TEST(MetricsPublisher, ReadsTheValueAgainWhenTheDateMoves) {
  PublisherFixture f;
  f.target.setting = "C:\\a\\first.prom";
  ASSERT_TRUE(SaveDayFile(f.state, kToday, false));
  f.target.setting = "C:\\b\\second.prom";
  ASSERT_TRUE(SaveDayFile(f.state, kToday, false));  // the same day keeps the value read
  f.clock.date = {2009, 3, 14};
  ASSERT_TRUE(SaveDayFile(f.state, f.clock.date, false));
  f.target.setting = "";
  f.clock.date = {2009, 3, 15};
  ASSERT_TRUE(SaveDayFile(f.state, f.clock.date, false));  // turned off: nothing more is written
  ASSERT_EQ(f.target.writes.size(), 3u);
  EXPECT_EQ(f.target.writes[0].first, "C:\\a\\first.prom");
  EXPECT_EQ(f.target.writes[1].first, "C:\\a\\first.prom");
  EXPECT_EQ(f.target.writes[2].first, "C:\\b\\second.prom");
  EXPECT_EQ(f.target.settingReads, 3);
}

}  // namespace
}  // namespace tral
