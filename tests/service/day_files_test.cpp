// Day files: the exact bytes of a save, loading, lookups of saved totals, pruning with their slot
// files, temporaries.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "service/day_files.h"
#include "service_test_support.h"
#include "shared/day_file_codec.h"
#include "support/history_names.h"

namespace tral {
namespace {

using testing::AddRecord;
using testing::CounterFixture;
using testing::kKeyA;
using testing::kKeyB;

using Bytes = std::vector<std::uint8_t>;

Bytes FromLiteral(const std::string& s) { return Bytes(s.begin(), s.end()); }

TEST(SaveDayFile, WritesTheLayoutByteForByte) {
  CounterFixture f;
  AddRecord(f.state, kKeyA, "10.0.0.5", "", "", 258, 1);
  AddRecord(f.state, kKeyA, "10.0.0.6", "", "", 0, 0);  // no traffic: not written
  AddRecord(f.state, kKeyB, "10.0.0.7", "", "", 0, 0);  // no group at all
  f.state.dayUptimeMs = 1000;
  ASSERT_TRUE(SaveDayFile(f.state, {2009, 3, 13}, false));

  // groupCount 1 | key (26) | entryCount 1 | ip (16) | bssid (26) | ssid (33) | rx | tx | uptime
  const std::string expected =
      std::string("\x01\x00\x00\x00", 4) +
      std::string("00-1A-2B-3C-4D-5E") + std::string(9, '\0') +
      std::string("\x01\x00\x00\x00", 4) +
      std::string("10.0.0.5") + std::string(8, '\0') +
      std::string(26, '\0') +
      std::string(33, '\0') +
      std::string("\x02\x01\x00\x00\x00\x00\x00\x00", 8) +
      std::string("\x01\x00\x00\x00\x00\x00\x00\x00", 8) +
      std::string("\xE8\x03\x00\x00", 4);
  ASSERT_EQ(expected.size(), 129u);
  EXPECT_EQ(f.store.files.at("20090313.bin"), FromLiteral(expected));
}

TEST(SaveDayFile, NothingWithTrafficLeavesAnExistingFileAlone) {
  CounterFixture f;
  AddRecord(f.state, kKeyA, "10.0.0.5", "", "", 0, 0);
  f.store.files["20090313.bin"] = {1, 2, 3};
  EXPECT_TRUE(SaveDayFile(f.state, {2009, 3, 13}, false));
  EXPECT_EQ(f.store.files["20090313.bin"], (Bytes{1, 2, 3}));
  EXPECT_EQ(f.store.replaces, 0);
}

TEST(SaveDayFile, ResetZeroesTotalsOnlyWhenTheFileWasWritten) {
  struct Case {
    bool replaceFails;
    std::uint64_t rxAfter;
  } cases[] = {{false, 0}, {true, 500}};
  for (const Case& c : cases) {
    CounterFixture f;
    ConnectionRecord& r = AddRecord(f.state, kKeyA, "10.0.0.5", "", "", 500, 7);
    f.store.replaceFails = c.replaceFails;
    EXPECT_EQ(SaveDayFile(f.state, {2008, 12, 31}, true), !c.replaceFails);
    EXPECT_EQ(r.rxTotal, c.rxAfter);
  }
}

TEST(SaveDayFile, NewYearsEveIsSavedUnderTheOldDate) {
  CounterFixture f;
  AddRecord(f.state, kKeyA, "10.0.0.5", "", "", 5, 0);
  f.clock.date = {2009, 1, 1};
  ASSERT_TRUE(SaveDayFile(f.state, {2008, 12, 31}, true));
  EXPECT_EQ(f.store.files.count("20081231.bin"), 1u);
  EXPECT_EQ(f.store.files.count("20090101.bin"), 0u);
}

TEST(LoadDayFile, RebuildsChainsInFileOrder) {
  CounterFixture f;
  AddRecord(f.state, kKeyA, "10.0.0.5", "00-11-22-33-44-55", "home", 1000, 2000);
  AddRecord(f.state, kKeyA, "10.0.0.6", "", "", 3, 4);
  AddRecord(f.state, kKeyB, "192.168.1.20", "", "", 5, 6);
  f.state.dayUptimeMs = 97440000;
  ASSERT_TRUE(SaveDayFile(f.state, f.clock.date, false));
  f.state.table.Clear();

  ASSERT_TRUE(LoadDayFile(f.state));
  ASSERT_EQ(f.state.table.Size(), 2u);
  EXPECT_EQ(f.ChainSsids(kKeyA), (std::vector<std::string>{"home", ""}));
  const ConnectionRecord& head = f.Head(kKeyA);
  EXPECT_STREQ(head.ipText, "10.0.0.5");
  EXPECT_STREQ(head.description, "");
  EXPECT_EQ(head.rxBase, kNoBaseline);
  EXPECT_EQ(f.Head(kKeyB).txTotal, 6u);
  EXPECT_EQ(f.state.savedUptimeMs, 97440000u);
}

TEST(LoadDayFile, DamagedFilesKeepWhatWasRead) {
  // A: two entries; B: one entry; then the running time.
  CounterFixture source;
  AddRecord(source.state, kKeyA, "10.0.0.5", "", "", 1, 1);
  AddRecord(source.state, kKeyA, "10.0.0.6", "", "", 2, 2);
  AddRecord(source.state, kKeyB, "10.0.0.7", "", "", 3, 3);
  source.state.dayUptimeMs = 777;
  ASSERT_TRUE(SaveDayFile(source.state, source.clock.date, false));
  const Bytes whole = source.store.files.at("20090313.bin");

  struct Case {
    const char* name;
    std::size_t size;
    bool loaded;
    std::size_t records;
    std::uint32_t uptime;  // savedUptimeMs starts at 5
  } cases[] = {
      {"whole", whole.size(), true, 3, 777},
      {"no running time", whole.size() - 4, true, 3, 5},
      {"cut inside the last entry", whole.size() - 4 - 10, false, 2, 5},
      {"cut inside the second group header", 4 + 30 + 182 + 10, false, 2, 5},
      {"only the count", 4, false, 0, 5},
      {"empty", 0, false, 0, 5},
  };
  for (const Case& c : cases) {
    CounterFixture f;
    f.state.savedUptimeMs = 5;
    f.store.files["20090313.bin"] = Bytes(whole.begin(), whole.begin() + c.size);
    EXPECT_EQ(LoadDayFile(f.state), c.loaded) << c.name;
    EXPECT_EQ(f.state.table.CountRecordsWithTraffic(), c.records) << c.name;
    EXPECT_EQ(f.state.savedUptimeMs, c.uptime) << c.name;
  }
}

TEST(LoadDayFile, ALyingCountEndsTheLoad) {
  CounterFixture f;
  Bytes file = {0xFF, 0xFF, 0xFF, 0xFF};  // four billion groups promised, none there
  f.store.files["20090313.bin"] = file;
  EXPECT_FALSE(LoadDayFile(f.state));
  EXPECT_EQ(f.state.table.Size(), 0u);
}

TEST(LookupSavedTotals, MatchRuleAcrossGroups) {
  CounterFixture f;
  AddRecord(f.state, kKeyB, "10.0.0.5", "", "", 11, 12);
  AddRecord(f.state, kKeyB, "10.0.0.8", "", "", 13, 14);
  AddRecord(f.state, kKeyA, "10.0.0.5", "00-11-22-33-44-55", "home", 1000, 2000);
  ASSERT_TRUE(SaveDayFile(f.state, f.clock.date, false));

  struct Case {
    const char* name;
    const char* key;
    const char* ip;
    const char* bssid;
    const char* ssid;
    std::uint64_t rx;  // 99 when untouched
  } cases[] = {
      {"second group, empty BSSID and SSID", kKeyA, "10.0.0.5", "", "", 1000},
      {"second group, exact", kKeyA, "10.0.0.5", "00-11-22-33-44-55", "home", 1000},
      {"same BSSID, other SSID", kKeyA, "10.0.0.5", "00-11-22-33-44-55", "work", 99},
      {"other IP", kKeyA, "10.0.0.6", "", "", 99},
      {"first group, second entry", kKeyB, "10.0.0.8", "", "", 13},
      {"key in other case", "00-1a-2b-3c-4d-5e", "10.0.0.5", "", "", 99},
  };
  for (const Case& c : cases) {
    std::uint64_t rx = 99, tx = 99;
    EXPECT_TRUE(LookupSavedTotals(f.state, c.key, c.ip, c.bssid, c.ssid, rx, tx)) << c.name;
    EXPECT_EQ(rx, c.rx) << c.name;
  }
  f.store.files.clear();
  std::uint64_t rx = 99, tx = 99;
  EXPECT_FALSE(LookupSavedTotals(f.state, kKeyA, "10.0.0.5", "", "", rx, tx));
  EXPECT_EQ(rx, 99u);
}

TEST(PruneDayFiles, CutoffNames) {
  struct Case {
    std::int32_t keepDays;
    CivilDate today;
    const char* cutoff;
  } cases[] = {
      {1, {2009, 3, 13}, "20090312.bin"},
      {13, {2009, 3, 13}, "20090228.bin"},
      {1, {2009, 1, 1}, "20081231.bin"},
      {366, {2009, 3, 13}, "20080312.bin"},
      {49710, {2026, 12, 7}, "18901031.bin"},  // 136 years (49,673 days) and 37 days back
      {0, {2009, 3, 13}, ""},
      {-1, {2009, 3, 13}, ""},
      {-5, {2009, 3, 13}, ""},
      {2147483647, {2009, 3, 13}, ""},  // before the earliest expressible date
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PruneCutoffName(c.keepDays, c.today), c.cutoff) << c.keepDays;
  }
}

TEST(PruneDayFiles, DeletesNamesBelowTheCutoffOnly) {
  struct Case {
    const char* keepDays;
    std::vector<std::string> remaining;
  };
  // Only names of real dates are day files: "1.bin", "backup.BIN" and "20090230.bin" sort below the
  // cutoff too, and stay. A file dated after today stays whatever the cutoff.
  const std::vector<std::string> all = {"19991231.bin", "20090311.bin", "20090312.bin",
                                        "20090313.bin", "1.bin", "notes.bin", "20090311.tmp",
                                        "20080101.BIN", "backup.BIN", "20090230.bin", "20140313.bin",
                                        "20090311.bin.unreadable"};
  const Case cases[] = {
      {"1", {"1.bin", "20090230.bin", "20090311.bin.unreadable", "20090311.tmp", "20090312.bin", "20090313.bin",
             "20140313.bin", "backup.BIN", "notes.bin"}},
      {"0", all},
      {"-1", all},
      {"", all},
      {"abc", all},
      {"-3", all},
  };
  for (const Case& c : cases) {
    CounterFixture f;
    f.store.keepDays = c.keepDays;
    for (const std::string& name : all) f.store.files[name] = {0};
    PruneDayFiles(f.state);
    std::vector<std::string> left;
    for (const auto& [name, bytes] : f.store.files) left.push_back(name);
    std::vector<std::string> expected = c.remaining;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(left, expected) << "keepdays " << c.keepDays;
  }
}

// Pruning by keepdays 1 on 13 March 2009 (the cutoff is the 12th) over every name of the shared
// table: exactly the day files and slot files dated before the cutoff go, by what the table says of
// each; keepdays that keep everything delete nothing.
TEST(PruneDayFiles, TakesTheSlotFilesWithTheirDaysAndNoOtherName) {
  for (const char* keepDays : {"1", "0", "-1"}) {
    SCOPED_TRACE(keepDays);
    CounterFixture f;
    f.store.keepDays = keepDays;
    std::vector<std::string> expected;
    for (const test::HistoryName& n : test::kHistoryNames) {
      if (n.name[0] == '\0') continue;
      f.store.files[n.name] = {0};
      const bool old = (n.dayFile || n.slotFile) && n.date < CivilDate{2009, 3, 12};
      if (!(old && std::string(keepDays) == "1")) expected.push_back(n.name);
    }
    PruneDayFiles(f.state);
    std::vector<std::string> left;
    for (const auto& [name, bytes] : f.store.files) left.push_back(name);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(left, expected);
  }
}

TEST(KeptAsideName, NoNameOfItIsADayFileOrASlotFile) {
  EXPECT_EQ(KeptAsideName("20090313.bin", 1), "20090313.bin.unreadable");
  EXPECT_EQ(KeptAsideName("20090313.bin", 2), "20090313.bin.unreadable-2");
  EXPECT_EQ(KeptAsideName("20090313.slots", 3), "20090313.slots.unreadable-3");
  for (int ordinal = 1; ordinal <= 3; ++ordinal) {
    for (const char* name : {"20090313.bin", "20090313.slots"}) {
      EXPECT_FALSE(IsDayFileName(KeptAsideName(name, ordinal)));
      EXPECT_FALSE(IsSlotFileName(KeptAsideName(name, ordinal)));
    }
  }
}

TEST(InterruptedSaves, TemporariesAreRecognisedAndRemoved) {
  EXPECT_EQ(SaveTemporaryName("20090313.bin"), "20090313.tmp");
  EXPECT_EQ(SaveTemporaryName("20090313.slots"), "20090313.slots.tmp");
  struct Case {
    const char* name;
    bool temporary;
  } cases[] = {{"20090313.tmp", true},        {"20090313.TMP", true},       {"20090313.slots.tmp", true},
               {"20090313.SLOTS.Tmp", true},  {"20090313.bin", false},      {"20090313.slots", false},
               {"2009031.tmp", false},        {"x0090313.tmp", false},      {"notes.tmp", false},
               {"20090313.bin.tmp", false},   {"notes.slots.tmp", false}};
  for (const Case& c : cases) EXPECT_EQ(IsSaveTemporaryName(c.name), c.temporary) << c.name;

  CounterFixture f;
  f.store.files = {{"20090313.tmp", {1}}, {"20090313.bin", {2}}, {"notes.tmp", {3}}, {"20090313.slots.tmp", {4}},
                   {"20090313.slots", {5}}};
  RemoveInterruptedSaves(f.store);
  std::vector<std::string> left;
  for (const auto& [name, bytes] : f.store.files) left.push_back(name);
  EXPECT_EQ(left, (std::vector<std::string>{"20090313.bin", "20090313.slots", "notes.tmp"}));
}

}  // namespace
}  // namespace tral
