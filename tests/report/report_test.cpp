// traldenreport's core: the command line, the report's figures against the statistics' count and
// the day files' own bytes, and the texts that the output forms escape.
#include <gtest/gtest.h>

#include <random>

#include "support/day_file_bytes.h"
#include "report/report_data.h"
#include "report/report_options.h"
#include "report/report_svg.h"
#include "report/report_writers.h"

namespace tral::report {
namespace {

using test::DayEntry;
using test::DayFileBytes;
using test::DayGroup;
using test::MemoryDayFiles;

using test::D;

TEST(ReportOptions, SpansAndFormsFromTheCommandLine) {
  const CivilDate today = D(2026, 3, 15);
  const struct {
    std::vector<std::string> args;
    CivilDate first;
    CivilDate last;
    OutputForm form;
    bool daily;
  } cases[] = {
      {{}, today, today, OutputForm::kTable, false},
      {{"--from", "2026-02-27"}, D(2026, 2, 27), today, OutputForm::kTable, false},
      {{"--from", "2024-02-28", "--to", "2024-03-01", "--csv"}, D(2024, 2, 28), D(2024, 3, 1), OutputForm::kCsv, false},
      {{"--to", "2026-01-05"}, D(2026, 1, 5), D(2026, 1, 5), OutputForm::kTable, false},
      {{"--days", "7", "--json", "--daily"}, D(2026, 3, 9), today, OutputForm::kJson, true},
      {{"--days", "3", "--to", "2026-01-01"}, D(2025, 12, 30), D(2026, 1, 1), OutputForm::kTable, false},
      {{"--month"}, D(2026, 3, 1), D(2026, 3, 31), OutputForm::kTable, false},
      {{"--month", "2024-02", "--prometheus"}, D(2024, 2, 1), D(2024, 2, 29), OutputForm::kPrometheus, false},
      {{"--month", "2100-02"}, D(2100, 2, 1), D(2100, 2, 28), OutputForm::kTable, false},
      // Decimal, whatever the leading zeros: never octal.
      {{"--days", "010"}, D(2026, 3, 6), today, OutputForm::kTable, false},
      {{"--days", "09"}, D(2026, 3, 7), today, OutputForm::kTable, false},
      {{"--csv-raw", "--daily"}, today, today, OutputForm::kCsv, true},
  };
  for (const auto& c : cases) {
    const ParseResult r = ParseReportOptions(c.args, today);
    const std::string what = c.args.empty() ? "(none)" : c.args[0] + " ...";
    ASSERT_EQ(r.outcome, ParseOutcome::kRun) << what << ": " << r.message;
    EXPECT_EQ(r.options.span.first, c.first) << what;
    EXPECT_EQ(r.options.span.last, c.last) << what;
    EXPECT_EQ(r.options.form, c.form) << what;
    EXPECT_EQ(r.options.daily, c.daily) << what;
  }
}

TEST(ReportOptions, BadInputIsRefusedWithAReason) {
  const struct {
    std::vector<std::string> args;
    const char* mentions;
  } cases[] = {
      {{"--bogus"}, "--bogus"},
      {{"stray"}, "stray"},
      {{"--from", "2026-02-29"}, "2026-02-29"},
      {{"--from", "2100-02-29"}, "2100-02-29"},
      {{"--to", "2026-13-01"}, "2026-13-01"},
      {{"--from", "2026-3-1"}, "2026-3-1"},
      {{"--from", "1600-12-31"}, "1600-12-31"},
      {{"--from", "2026-03-16"}, "before it begins"},  // after today
      {{"--from", "2026-03-02", "--to", "2026-03-01"}, "before it begins"},
      {{"--days", "0"}, "--days"},
      {{"--days", "seven"}, "--days"},
      {{"--days", "3", "--from", "2026-03-01"}, "--from"},
      {{"--month", "2026-3"}, "2026-3"},
      {{"--month", "2026-03", "--to", "2026-03-05"}, "--to"},
      {{"--csv", "--json"}, "--json"},
      {{"--prometheus", "--daily"}, "--daily"},
      {{"--folder", ""}, "--folder"},
      {{"--output"}, "--output"},
      {{"--svg", ""}, "--svg"},
      {{"--connection", "ip:10.0.0.256"}, "--connection"},
      {{"--connection", "mac:00-1A"}, "--connection"},
      // Numbers are decimal digits only.
      {{"--days", "0x10"}, "\"0x10\" is not a number of days"},
      {{"--days", "-5"}, "--days"},
      {{"--days", "+5"}, "\"+5\" is not a number of days"},
      {{"--days", " 5"}, "\" 5\" is not a number of days"},
      {{"--days", "1e3"}, "\"1e3\" is not a number of days"},
      {{"--days", "100001"}, "from 1 to 100000"},
      {{"--days", "99999999999999999999"}, "from 1 to 100000"},
      {{"--alert"}, "--plans"},
      {{"--csv-raw", "--json"}, "--json"},
      {{"--folder", "a", "b"}, "b"},
      {{"--folder", "a", "--folder", ""}, "--folder"},
  };
  for (const auto& c : cases) {
    const ParseResult r = ParseReportOptions(c.args, D(2026, 3, 15));
    EXPECT_EQ(r.outcome, ParseOutcome::kError) << c.args[0];
    EXPECT_NE(r.message.find(c.mentions), std::string::npos) << c.args[0] << ": " << r.message;
  }
}

TEST(ReportOptions, ThePictureFileAndTheConnectionsCounted) {
  const ParseResult r =
      ParseReportOptions({"--svg", "days.svg", "--connection", "SSID:Cafe net", "--days", "2"}, D(2026, 3, 15));
  ASSERT_EQ(r.outcome, ParseOutcome::kRun) << r.message;
  EXPECT_EQ(r.options.svg, "days.svg");
  ASSERT_TRUE(r.options.connection);
  EXPECT_EQ(r.options.connection->kind, ConnectionMatch::Kind::kSsid);
  EXPECT_EQ(r.options.connection->value, "Cafe net");
  EXPECT_FALSE(ParseReportOptions({}, D(2026, 3, 15)).options.connection);
  // Folders in the order given; plans with the alert statuses.
  const ParseResult fleet =
      ParseReportOptions({"--folder", "b", "--plans", "p.ini", "--folder", "a", "--alert"}, D(2026, 3, 15));
  ASSERT_EQ(fleet.outcome, ParseOutcome::kRun) << fleet.message;
  EXPECT_EQ(fleet.options.folders, (std::vector<std::string>{"b", "a"}));
  EXPECT_TRUE(fleet.options.alert);
}

// Random day files over 70 days: some connections in several spellings of letter case, some days
// missing, some cut short. The expected figures are summed here from the entries written.
TEST(ReportFigures, TotalsAreTheEntriesBytesAndTheStatisticsKilobytes) {
  std::mt19937 random(20261207);
  const CivilDate first = D(2025, 12, 1);
  const char* keys[] = {"00-1A-2B-3C-4D-5E", "aa-bb-cc-dd-ee-ff", "AA-BB-CC-DD-EE-FF"};
  const char* ssids[] = {"", "home", "HOME", "cafe"};
  MemoryDayFiles files;
  std::map<CivilDate, std::pair<std::uint64_t, std::uint64_t>> bytesOfDay;  // rx, tx of the complete entries
  std::map<CivilDate, std::pair<std::uint64_t, std::uint64_t>> kbOfDay;
  for (int d = 0; d < 70; ++d) {
    if (random() % 5 == 0) continue;
    const CivilDate date = AddDays(first, d);
    std::vector<DayGroup> groups;
    std::vector<DayEntry> entries;  // in file order
    for (int g = 0; g < 1 + static_cast<int>(random() % 3); ++g) {
      DayGroup group{keys[random() % 3], {}};
      for (int e = 0; e < 1 + static_cast<int>(random() % 3); ++e) {
        DayEntry entry{"10.0.0." + std::to_string(random() % 3), "", ssids[random() % 4],
                       (std::uint64_t{random()} << 8) + random() % 5000, random() % 3000000};
        group.entries.push_back(entry);
        entries.push_back(entry);
      }
      groups.push_back(group);
    }
    test::Bytes bytes = DayFileBytes(groups, 1000);
    std::size_t complete = entries.size();
    if (random() % 6 == 0) {  // cut inside the last entry: the others count
      bytes.resize(bytes.size() - 4 - 40);
      complete = entries.size() - 1;
    }
    for (std::size_t i = 0; i < complete; ++i) {
      bytesOfDay[date].first += entries[i].rx;
      bytesOfDay[date].second += entries[i].tx;
      kbOfDay[date].first += entries[i].rx / 1024;
      kbOfDay[date].second += entries[i].tx / 1024;
    }
    files.files[date] = bytes;
  }
  for (int round = 0; round < 40; ++round) {
    const CivilDate from = AddDays(first, static_cast<std::int64_t>(random() % 70));
    const CivilDate to = AddDays(from, static_cast<std::int64_t>(random() % 30));
    const bool daily = round % 2 == 0;
    const ReportFigures figures = CountReport(files, AsciiEqualIgnoringCase, DateSpan{from, to}, daily, nullptr);

    Totals expected;
    for (CivilDate date = from; !(to < date); date = AddDays(date, 1)) {
      expected.downloadedBytes += bytesOfDay[date].first;
      expected.uploadedBytes += bytesOfDay[date].second;
      expected.downloadedKb += kbOfDay[date].first;
      expected.uploadedKb += kbOfDay[date].second;
    }
    const Totals totals = SumRows(figures.rows);
    EXPECT_EQ(totals.downloadedBytes, expected.downloadedBytes) << round;
    EXPECT_EQ(totals.uploadedBytes, expected.uploadedBytes) << round;
    EXPECT_EQ(totals.downloadedKb, expected.downloadedKb) << round;
    EXPECT_EQ(totals.uploadedKb, expected.uploadedKb) << round;

    // Row by row what the statistics window counts.
    CStatisticData window(files);
    window.CountSpan(from, to);
    ASSERT_EQ(figures.rows.size(), window.RowCount()) << round;
    for (std::size_t i = 0; i < figures.rows.size(); ++i) {
      EXPECT_EQ(figures.rows[i].downloadedKb, window.Row(i).downloadedKb) << round;
      EXPECT_EQ(figures.rows[i].uploadedKb, window.Row(i).uploadedKb) << round;
    }
    EXPECT_EQ(figures.uptimeMs, window.UptimeMs()) << round;

    if (daily) {  // the days add up to the span
      Totals days;
      for (const DayFigures& day : figures.days) {
        const Totals t = SumRows(day.rows);
        days.downloadedBytes += t.downloadedBytes;
        days.uploadedKb += t.uploadedKb;
      }
      EXPECT_EQ(days.downloadedBytes, expected.downloadedBytes) << round;
      EXPECT_EQ(days.uploadedKb, expected.uploadedKb) << round;
    }
  }
}

TEST(ReportFigures, DamagedAndUnreadableFilesAreNamedAndTodayIsCountedApart) {
  MemoryDayFiles files;
  files.listable = true;
  files.files[D(2026, 2, 2)] = DayFileBytes({{"K", {{"10.0.0.1", "", "", 1 << 20, 0}}}}, 1000);
  files.unreadable.insert(D(2026, 2, 2));
  test::Bytes cut = DayFileBytes({{"K", {{"10.0.0.1", "", "", 4096, 0}}}}, 1000);
  cut.pop_back();  // the running time cut short
  files.files[D(2026, 1, 31)] = cut;
  files.files[D(2026, 2, 1)] = DayFileBytes({{"K", {{"10.0.0.1", "", "", 2048, 0}}}}, 1000);
  files.files[D(2026, 2, 9)] = DayFileBytes({{"K", {{"10.0.0.2", "", "", 1024, 5}}}}, 7000);
  const CivilDate today = D(2026, 2, 9);
  const ReportFigures f = CountReport(files, AsciiEqualIgnoringCase, DateSpan{D(2026, 1, 30), D(2026, 2, 2)}, false,
                                      &today);
  EXPECT_EQ(f.damaged,
            (std::vector<FileProblem>{{D(2026, 1, 31), "20260131.bin", "it ends before the running time"}}));
  // there, but not taken for a quiet day
  EXPECT_EQ(f.unreadable,
            (std::vector<FileProblem>{{D(2026, 2, 2), "20260202.bin", "it is held by another program"}}));
  const std::string json = WriteJson(f, Utf8OrLatin1);
  EXPECT_NE(json.find("\"unreadable_files\": [\n    \"20260202.bin\"\n  ]"), std::string::npos) << json;
  EXPECT_NE(WritePrometheus(f, Utf8OrLatin1).find("\ntraldenmeter_unreadable_day_files 1\n"), std::string::npos);
  ASSERT_EQ(f.rows.size(), 1u);
  EXPECT_EQ(f.rows[0].downloadedBytes, 6144u);
  EXPECT_EQ(f.uptimeMs, 1000u);  // the damaged day adds no running time
  ASSERT_TRUE(f.hasToday);
  ASSERT_EQ(f.todayRows.size(), 1u);
  EXPECT_EQ(f.todayRows[0].ipText, "10.0.0.2");
  EXPECT_EQ(f.todayRows[0].uploadedBytes, 5u);
  EXPECT_EQ(f.todayUptimeMs, 7000u);
}

TEST(ReportFigures, OnlyTheMatchedConnectionsCountTodayToo) {
  MemoryDayFiles files;
  const std::vector<DayGroup> day = {{"K1", {{"10.0.0.1", "", "home", 4096, 1}, {"10.0.0.2", "", "", 2048, 2}}},
                                     {"K2", {{"10.0.0.3", "", "HOME", 1024, 3}}}};
  files.files[D(2026, 2, 1)] = DayFileBytes(day, 500);
  files.files[D(2026, 2, 2)] = DayFileBytes(day, 700);
  const CivilDate today = D(2026, 2, 2);
  const EntryFilter home = MatchFilter(ConnectionMatch{ConnectionMatch::Kind::kSsid, "Home"}, AsciiEqualIgnoringCase);
  const ReportFigures f =
      CountReport(files, AsciiEqualIgnoringCase, DateSpan{D(2026, 2, 1), today}, false, &today, home);
  ASSERT_EQ(f.rows.size(), 2u);
  EXPECT_EQ(SumRows(f.rows).downloadedBytes, 2u * (4096 + 1024));
  EXPECT_EQ(SumRows(f.todayRows).uploadedBytes, 1u + 3);
  EXPECT_EQ(f.uptimeMs, 1200u);  // the running time is the service's, whatever is counted
}

TEST(ReportTexts, LabelValuesAndUtf8) {
  const struct {
    std::string in;
    std::string utf8;
    std::string label;
  } cases[] = {
      {"plain", "plain", "plain"},
      {"a\"b\\c\nd", "a\"b\\c\nd", "a\\\"b\\\\c\\nd"},
      {"tab\there\r", "tab\there\r", "tab\there\r"},
      {"caf\xC3\xA9", "caf\xC3\xA9", "caf\xC3\xA9"},  // UTF-8 already
      {"caf\xE9", "caf\xC3\xA9", "caf\xC3\xA9"},  // a Latin-1 byte
      {"\xFF\xFE", "\xC3\xBF\xC3\xBE", "\xC3\xBF\xC3\xBE"},
      {"\xC0\xAF", "\xC3\x80\xC2\xAF", "\xC3\x80\xC2\xAF"},  // an over-long form is not UTF-8
      {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80", "\xC3\xAD\xC2\xA0\xC2\x80"},  // nor a surrogate
      {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8OrLatin1(c.in), c.utf8) << c.in;
    EXPECT_EQ(EscapeLabelValue(Utf8OrLatin1(c.in)), c.label) << c.in;
  }
}

TEST(ReportTexts, ControlCharactersNeverReachTheConsole) {
  const struct {
    const char* in;  // UTF-8, or bytes that are not
    const char* shown;
  } cases[] = {
      {"Home", "Home"},
      {"caf\xC3\xA9 \xF0\x9F\x98\x80", "caf\xC3\xA9 \xF0\x9F\x98\x80"},
      {"\x1B]0;title\x07\x1B[2J", "?]0;title??[2J"},  // the title and the clearing of the screen
      {"tab\tline\nreturn\rdel\x7F", "tab?line?return?del?"},
      {"c1 \xC2\x9B" "31m \xC2\x85", "c1 ?31m ?"},  // CSI and NEL as C1 controls
      {"\xE2\x80\xAE" "evil" "\xE2\x80\xAC", "?evil?"},  // right-to-left override, pop
      {"\xE2\x81\xA6x\xE2\x81\xA9 \xE2\x80\x8F \xD8\x9C", "?x? ? ?"},  // isolates, RLM, ALM
      {"line\xE2\x80\xA8sep", "line?sep"},
      {"bad \xFF\xC3 bytes", "bad ?? bytes"},
  };
  for (const auto& c : cases) EXPECT_EQ(PrintableText(c.in), c.shown) << c.in;
  // Latin-1 C1 bytes of a day file become C1 controls in UTF-8, and "?" on the console.
  EXPECT_EQ(PrintableText(Utf8OrLatin1("SSID\x9B\x85")), "SSID??");
}

// Two days of one connection, each with the given bytes received.
MemoryDayFiles TwoDays(const std::string& ssid, std::uint64_t rx1, std::uint64_t rx2) {
  MemoryDayFiles files;
  files.listable = true;
  files.files[D(2026, 1, 30)] = DayFileBytes({{"00-1A-2B-3C-4D-5E", {{"10.0.0.1", "", ssid, rx1, 1}}}}, 1000);
  files.files[D(2026, 1, 31)] = DayFileBytes({{"00-1A-2B-3C-4D-5E", {{"10.0.0.1", "", ssid, rx2, 2}}}}, 1000);
  return files;
}

TEST(ReportFigures, SumsPastTheLargestNumberStayThereInEveryForm) {
  constexpr std::uint64_t kHalf = 1ULL << 63;
  MemoryDayFiles files = TwoDays("Home", kHalf, kHalf);
  const DateSpan span{D(2026, 1, 30), D(2026, 1, 31)};
  const ReportFigures f = CountReport(files, AsciiEqualIgnoringCase, span, true, nullptr);
  ASSERT_EQ(f.rows.size(), 1u);
  const std::string kMax = "18446744073709551615";
  EXPECT_NE(WriteJson(f, Utf8OrLatin1).find("\"downloaded_bytes\": " + kMax + ","), std::string::npos);
  // The kilobytes do not saturate: 2 x 2^53.
  EXPECT_NE(WriteJson(f, Utf8OrLatin1).find("\"downloaded_kb\": 18014398509481984,"), std::string::npos);
  const ReportFigures whole = CountReport(files, AsciiEqualIgnoringCase, span, false, nullptr);
  EXPECT_NE(WriteCsv(whole, Utf8OrLatin1).find(",Home," + kMax + ",3,"), std::string::npos);
  EXPECT_NE(WritePrometheus(f, Utf8OrLatin1).find("ssid=\"Home\"} " + kMax + "\n"), std::string::npos);
  // The SVG's bars: each day's own bytes, which fit.
  ASSERT_EQ(f.daySums.size(), 2u);
  EXPECT_EQ(f.daySums[0].rxBytes, kHalf);
  // Named with the connection and the span (the days of --daily fit; the total is the row's).
  const std::vector<SaturatedSum> sums = SaturatedSums(f);
  ASSERT_EQ(sums.size(), 1u);
  EXPECT_EQ(sums[0].what, "the connection 00-1A-2B-3C-4D-5E 10.0.0.1 \"Home\"");
  EXPECT_EQ(sums[0].days, "from 2026-01-30 to 2026-01-31");

  // Two connections that fit each, whose total does not; and a day whose own sum does not fit.
  MemoryDayFiles two;
  two.files[D(2026, 1, 30)] = DayFileBytes({{"K", {{"10.0.0.1", "", "", kHalf, 0}, {"10.0.0.2", "", "", kHalf, 0}}}}, 1);
  const ReportFigures t = CountReport(two, AsciiEqualIgnoringCase, DateSpan{D(2026, 1, 30), D(2026, 1, 30)}, true,
                                      nullptr);
  EXPECT_EQ(SumRows(t.rows).downloadedBytes, 18446744073709551615ULL);
  ASSERT_EQ(t.daySums.size(), 1u);
  EXPECT_TRUE(t.daySums[0].saturated);
  EXPECT_NE(WriteSvg(t.span, t.daySums, "all connections", Utf8OrLatin1).find("data-bytes=\"" + kMax + "\""),
            std::string::npos);
  const std::vector<SaturatedSum> totals = SaturatedSums(t);
  ASSERT_EQ(totals.size(), 2u);  // the day's total (--daily) and the span's
  EXPECT_EQ(totals[0].days, "on 2026-01-30");
  EXPECT_EQ(totals[1].what, "the total of the connections");
}

TEST(ReportFigures, TheDaysOfSeveralFoldersAreSummedDateByDate) {
  MemoryDayFiles a = TwoDays("Home", 1000, 2000);
  MemoryDayFiles b;  // not listable: read date by date
  b.files[D(2026, 1, 31)] = DayFileBytes({{"00-1a-2b-3c-4d-5e", {{"10.0.0.1", "", "HOME", 4000, 0}}}}, 500);
  test::Bytes cut = DayFileBytes({{"K2", {{"10.0.0.9", "", "", 8000, 0}}}}, 500);
  cut.pop_back();
  b.files[D(2026, 2, 1)] = cut;
  b.unreadable.insert(D(2026, 1, 30));
  b.files[D(2026, 1, 30)] = {};
  const std::vector<DayFolder> folders = {{&a, "A", "A/"}, {&b, "B", "B/"}};
  const ReportFigures f = CountReport(folders, AsciiEqualIgnoringCase, DateSpan{D(2026, 1, 29), D(2026, 2, 1)}, true,
                                      nullptr);
  ASSERT_EQ(f.rows.size(), 2u);
  EXPECT_EQ(f.rows[0].downloadedBytes, 1000u + 2000 + 4000);  // one connection in both folders
  EXPECT_EQ(f.rows[1].downloadedBytes, 8000u);
  EXPECT_EQ(f.uptimeMs, 1000u + 1000 + 500);  // the damaged and unreadable days add none
  ASSERT_EQ(f.days.size(), 3u);
  EXPECT_EQ(f.days[1].date, D(2026, 1, 31));
  ASSERT_EQ(f.days[1].rows.size(), 1u);
  EXPECT_EQ(f.days[1].rows[0].downloadedBytes, 6000u);
  ASSERT_EQ(f.daySums.size(), 3u);
  EXPECT_EQ(f.daySums[0].outcome, DayReadOutcome::kUnreadable);  // one folder's file of that day
  EXPECT_EQ(f.daySums[0].rxBytes, 1000u);
  EXPECT_EQ(f.damaged, (std::vector<FileProblem>{{D(2026, 2, 1), "B/20260201.bin", "it ends before the running time"}}));
  ASSERT_EQ(f.unreadable.size(), 1u);
  EXPECT_EQ(f.unreadable[0].file, "B/20260130.bin");
  const std::string json = WriteJson(f, Utf8OrLatin1);
  EXPECT_NE(json.find("\"folders\": [\n    \"A\",\n    \"B\"\n  ],"), std::string::npos) << json;
  EXPECT_NE(json.find("\"damaged_files\": [\n    \"B/20260201.bin\"\n  ]"), std::string::npos) << json;
}

}  // namespace
}  // namespace tral::report
