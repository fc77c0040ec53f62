// Counter arithmetic, rate windows and the reconciliation of adapters with their chains.
#include <gtest/gtest.h>

#include "service/day_files.h"
#include "service/sampler.h"
#include "shared/day_file_codec.h"
#include "service_test_support.h"

namespace tral {
namespace {

using testing::CounterFixture;
using testing::kKeyA;
using testing::kKeyB;
using testing::kKeyC;
using testing::kMacA;
using testing::kMacB;
using testing::kMacC;

// One wired adapter A with a record, counters driven pass by pass.
struct OneAdapter : CounterFixture {
  OneAdapter() {
    net.AddAdapter("Wired A", kMacA, "10.0.0.5", "{A}");
    net.AddRow(kMacA, 0, 0);
    EXPECT_TRUE(ReconcileAdapters(state, false));
  }
  // Sets the row's counters, advances the clock and runs one pass.
  ConnectionRecord& Pass(std::uint64_t rx, std::uint64_t tx, std::uint32_t afterMs = 1000,
                         bool rebaseline = false) {
    net.table.rows[0].inOctets = rx;
    net.table.rows[0].outOctets = tx;
    clock.tick += afterMs;
    EXPECT_TRUE(SampleCounters(state, rebaseline));
    return Head(kKeyA);
  }
};

TEST(SampleCounters, FirstPassTakesBaselinesAndCreditsNothing) {
  OneAdapter f;
  f.net.table.wideCounters = true;
  ConnectionRecord& h = f.Pass(1000, 700, 1000, true);
  EXPECT_EQ(h.rxTotal, 0u);
  EXPECT_EQ(h.txTotal, 0u);
  EXPECT_EQ(h.rxBase, 1000u);
  EXPECT_EQ(h.txBase, 700u);
  EXPECT_EQ(h.rxWindow[0], 0u);
  EXPECT_EQ(h.rxRate, 0u);
  EXPECT_EQ(h.txRate, 0u);
}

// Each row: counters of successive passes one second apart (32-bit counters unless wide), and what
// the head shows after the last pass.
TEST(SampleCounters, CounterArithmetic) {
  struct Case {
    const char* name;
    bool wide;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> passes;  // (rx, tx); the first rebaselines
    std::uint64_t rxTotal;
    std::uint64_t txTotal;
    std::array<std::uint32_t, 3> rxWindow;
    std::uint32_t rxRate;
  };
  const std::vector<Case> cases = {
      {"1,000 then 1,500", false, {{1000, 0}, {1500, 0}}, 500, 0, {500, 0, 0}, 166},
      {"window 300/200/100 then 600", false,
       {{0, 0}, {100, 0}, {300, 0}, {600, 0}, {1200, 0}}, 1200, 0, {600, 300, 200}, 366},
      {"32-bit wrap credits nothing", false, {{4294967000u, 10}, {200, 20}}, 0, 0, {0, 0, 0}, 0},
      {"after a wrap counting goes on", false, {{4294967000u, 10}, {200, 20}, {700, 30}}, 500, 10,
       {500, 0, 0}, 166},
      {"send counter reset re-baselines both", false, {{100, 1000}, {300, 5}}, 0, 0, {0, 0, 0}, 0},
      {"64-bit counters beyond 4 GiB", true, {{5000000000ull, 0}, {5000003000ull, 0}}, 3000, 0,
       {3000, 0, 0}, 1000},
      {"64-bit delta larger than 32 bits", true, {{0, 0}, {6000000000ull, 0}}, 6000000000ull, 0,
       {4294967295u, 0, 0}, 1431655765},
      {"transient zero then back", true, {{1000000, 500}, {0, 0}, {1000500, 600}}, 500, 100,
       {500, 0, 0}, 166},
      {"transient zero held over idle passes", true,
       {{1000000, 500}, {0, 0}, {0, 0}, {1000000, 500}, {1000400, 500}}, 400, 0, {400, 0, 0}, 133},
      {"genuine reset counts from zero", true, {{1000000, 500}, {0, 0}, {300, 0}, {800, 0}}, 800, 0,
       {500, 300, 0}, 266},
  };
  for (const Case& c : cases) {
    OneAdapter f;
    f.net.table.wideCounters = c.wide;
    ConnectionRecord* h = nullptr;
    for (std::size_t i = 0; i < c.passes.size(); ++i) {
      h = &f.Pass(c.passes[i].first, c.passes[i].second, 1000, i == 0);
    }
    EXPECT_EQ(h->rxTotal, c.rxTotal) << c.name;
    EXPECT_EQ(h->txTotal, c.txTotal) << c.name;
    EXPECT_EQ(h->rxWindow[0], c.rxWindow[0]) << c.name;
    EXPECT_EQ(h->rxWindow[1], c.rxWindow[1]) << c.name;
    EXPECT_EQ(h->rxWindow[2], c.rxWindow[2]) << c.name;
    EXPECT_EQ(h->rxRate, c.rxRate) << c.name;
  }
}

// A pass that falls back from the 64-bit table to the 32-bit one reads the low halves of the same
// counters; the traffic of that pass and of the one after it is credited all the same.
TEST(SampleCounters, CountersCarryAcrossAChangeOfWidth) {
  struct Pass {
    bool wide;
    std::uint64_t rx;
  };
  struct Case {
    const char* name;
    std::vector<Pass> passes;  // the first rebaselines; the interface's true counter before halving
    std::uint64_t rxTotal;
  };
  constexpr std::uint64_t k4G = 1ull << 32;
  const std::vector<Case> cases = {
      {"1,000 bytes a pass, one 32-bit pass between", {{true, 0}, {true, 1000}, {false, 2000}, {true, 3000},
                                                        {true, 4000}}, 4000},
      {"counters beyond 4 GiB", {{true, 5000000000ull}, {false, 5000001000ull}, {true, 5000002500ull}}, 2500},
      {"two 32-bit passes in a row", {{true, 7 * k4G + 10}, {false, 7 * k4G + 110}, {false, 7 * k4G + 310},
                                      {true, 7 * k4G + 710}}, 700},
      {"starting on the 32-bit table", {{false, 100}, {true, 600}, {false, 900}}, 800},
      // The low half wraps during the 32-bit pass: as with any 32-bit wrap nothing is credited then,
      // and counting goes on from there.
      {"the low half wraps across the change", {{true, k4G - 296}, {false, k4G + 200}, {true, k4G + 500}}, 300},
  };
  for (const Case& c : cases) {
    OneAdapter f;
    ConnectionRecord* h = nullptr;
    for (std::size_t i = 0; i < c.passes.size(); ++i) {
      f.net.table.wideCounters = c.passes[i].wide;
      const std::uint64_t rx = c.passes[i].wide ? c.passes[i].rx : c.passes[i].rx & 0xFFFFFFFFu;
      h = &f.Pass(rx, 0, 1000, i == 0);
    }
    EXPECT_EQ(h->rxTotal, c.rxTotal) << c.name;
  }
}

TEST(SampleCounters, RatesArePerSecondWhenPassesAreUneven) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> passes;  // (rx, ms since previous pass)
    std::uint32_t rxRate;
  } cases[] = {
      // 1,000 B/s steady; a request pass 5 ms after each timed pass adds 5 bytes.
      {"extra pass 5 ms after a timed one", {{0, 0}, {1000, 1000}, {1005, 5}, {2000, 995}}, 1000},
      {"passes half a second apart", {{0, 0}, {500, 500}, {1000, 500}, {1500, 500}}, 1000},
      // Three passes, 300+200+100 bytes over 100+100+100 ms: 2,000 B/s.
      {"fast passes", {{0, 0}, {100, 100}, {300, 100}, {600, 100}}, 2000},
      {"same millisecond", {{0, 0}, {100, 0}}, 50},  // 100 bytes over 0 + 1000 + 1000 ms
  };
  for (const auto& c : cases) {
    OneAdapter f;
    f.net.table.wideCounters = true;
    ConnectionRecord* h = nullptr;
    for (std::size_t i = 0; i < c.passes.size(); ++i) {
      h = &f.Pass(c.passes[i].first, 0, c.passes[i].second, i == 0);
    }
    EXPECT_EQ(h->rxRate, c.rxRate) << c.name;
  }
}

TEST(SampleCounters, TicksRecordTheLastPassInWhichACounterMoved) {
  OneAdapter f;
  f.Pass(0, 0, 1000, true);
  f.Pass(10, 0);
  const std::uint32_t moved = f.clock.tick;
  ConnectionRecord& h = f.Pass(10, 5);
  EXPECT_EQ(h.rxTick, moved);
  EXPECT_EQ(h.txTick, f.clock.tick);
}

TEST(SampleCounters, RowsSharingAPhysicalAddressCreditTheAdapterOnce) {
  struct Case {
    const char* name;
    bool firstIsFilter;
    std::uint64_t creditedAfterTwoPasses;
  } cases[] = {
      // The filter row reads 5,000 lower; the adapter row is the one that counts.
      {"filter row listed first is skipped", true, 1000},
      {"without a filter flag the first row counts", false, 1000},
  };
  for (const Case& c : cases) {
    CounterFixture f;
    f.net.table.wideCounters = true;
    f.net.AddAdapter("Wired A", kMacA, "10.0.0.5", "{A}");
    InterfaceRow& first = f.net.AddRow(kMacA, c.firstIsFilter ? 5000 : 100000, 0);
    first.filterInterface = c.firstIsFilter;
    f.net.AddRow(kMacA, c.firstIsFilter ? 100000 : 5000, 0);
    ASSERT_TRUE(ReconcileAdapters(f.state, false));
    ASSERT_TRUE(SampleCounters(f.state, true));
    for (InterfaceRow& r : f.net.table.rows) r.inOctets += 500;
    ASSERT_TRUE(SampleCounters(f.state, false));
    for (InterfaceRow& r : f.net.table.rows) r.inOctets += 500;
    ASSERT_TRUE(SampleCounters(f.state, false));
    EXPECT_EQ(f.Head(kKeyA).rxTotal, c.creditedAfterTwoPasses) << c.name;
  }
}

TEST(SampleCounters, ARowOfAnUnlistedAdapterIsNotReconciledEveryPass) {
  CounterFixture f;
  f.net.AddAdapter("Wired A", kMacA, "10.0.0.5", "{A}");
  // A has its whole wireless identity, so the sixth-pass refresh reads no adapter list for it.
  fakes::FakeDriverAnswer ap;
  ap.bssidBytes = 6;
  ap.bssid[5] = 1;
  ap.ssidBytes = 36;
  ap.ssid = "home";
  ap.ssidLength = 4;
  f.net.drivers["{A}"] = ap;
  f.net.AddRow(kMacA, 0, 0);
  f.net.AddRow(kMacB, 0, 0);
  ASSERT_TRUE(ReconcileAdapters(f.state, true));
  const int before = f.net.adapterListReads;
  ASSERT_TRUE(SampleCounters(f.state, true));  // B never seen before: reconciled at once
  EXPECT_EQ(f.net.adapterListReads, before + 1);
  for (int i = 0; i < 4; ++i) {
    f.clock.tick += 1000;
    ASSERT_TRUE(SampleCounters(f.state, false));
  }
  EXPECT_EQ(f.net.adapterListReads, before + 1);  // not within the next few seconds
  f.clock.tick += 1000;
  ASSERT_TRUE(SampleCounters(f.state, false));
  EXPECT_EQ(f.net.adapterListReads, before + 2);  // retried after five seconds

  // Once the adapter list has it, it is found at that retry and counted.
  f.net.AddAdapter("Late B", kMacB, "10.0.0.6", "{B}");
  f.clock.tick += 5000;
  ASSERT_TRUE(SampleCounters(f.state, false));
  ASSERT_TRUE(f.state.table.Find(kKeyB).has_value());
  f.net.table.rows[1].inOctets = 300;
  f.clock.tick += 1000;
  ASSERT_TRUE(SampleCounters(f.state, false));
  EXPECT_EQ(f.Head(kKeyB).rxTotal, 300u);
}

TEST(SampleCounters, TableFailureChangesNothing) {
  OneAdapter f;
  f.Pass(100, 100, 1000, true);
  f.net.tableFails = true;
  f.clock.tick += 1000;
  EXPECT_FALSE(SampleCounters(f.state, false));
  EXPECT_EQ(f.Head(kKeyA).rxBase, 100u);
  f.net.tableFails = false;
  f.net.table.rows.clear();
  EXPECT_FALSE(SampleCounters(f.state, false));
}

TEST(SampleCounters, EverySixthPassAsksAgainForAMissingSsid) {
  CounterFixture f;
  f.net.AddAdapter("Wireless A", kMacA, "10.0.0.5", "{A}");
  f.net.AddRow(kMacA, 0, 0);
  fakes::FakeDriverAnswer noSsid;
  noSsid.bssidBytes = 6;
  noSsid.bssid[5] = 0x55;
  f.net.drivers["{A}"] = noSsid;  // BSSID answered, SSID query fails
  ASSERT_TRUE(ReconcileAdapters(f.state, false));
  EXPECT_STREQ(f.Head(kKeyA).bssid, "00-00-00-00-00-55");
  EXPECT_STREQ(f.Head(kKeyA).ssid, "");
  f.net.drivers["{A}"].ssidBytes = 36;
  f.net.drivers["{A}"].ssid = "home";
  f.net.drivers["{A}"].ssidLength = 4;
  const int opens = f.net.deviceOpens;
  for (int pass = 0; pass < 5; ++pass) ASSERT_TRUE(SampleCounters(f.state, false));
  EXPECT_EQ(f.net.deviceOpens, opens);
  EXPECT_STREQ(f.Head(kKeyA).ssid, "");
  ASSERT_TRUE(SampleCounters(f.state, false));  // the sixth pass
  EXPECT_EQ(f.net.deviceOpens, opens + 1);
  EXPECT_STREQ(f.Head(kKeyA).ssid, "home");
}

TEST(SampleCounters, WiredAdaptersAreAskedForAnIdentityOnlyOnceAMinute) {
  CounterFixture f;
  f.net.AddAdapter("Wired A", kMacA, "10.0.0.5", "{A}");
  f.net.AddAdapter("Wired B", kMacB, "10.0.0.6", "{B}");
  f.net.AddRow(kMacA, 0, 0);
  f.net.AddRow(kMacB, 0, 0);
  ASSERT_TRUE(ReconcileAdapters(f.state, false));
  const int lists = f.net.adapterListReads;
  const int opens = f.net.deviceOpens;
  // Passes 1..6: the sixth is the first refresh; both wired heads are asked, and as they stay
  // wired, no adapter list is read for them.
  for (int pass = 0; pass < 6; ++pass) ASSERT_TRUE(SampleCounters(f.state, false));
  EXPECT_EQ(f.net.ipv4ListReads, 0);
  EXPECT_EQ(f.net.adapterListReads, lists);
  EXPECT_EQ(f.net.deviceOpens, opens + 2);
  // The next nine refreshes (passes 7..60) leave them alone; the tenth after asks again.
  for (int pass = 0; pass < 54; ++pass) ASSERT_TRUE(SampleCounters(f.state, false));
  EXPECT_EQ(f.net.deviceOpens, opens + 2);
  for (int pass = 0; pass < 6; ++pass) ASSERT_TRUE(SampleCounters(f.state, false));
  EXPECT_EQ(f.net.deviceOpens, opens + 4);

  // A wired adapter that turns out to be wireless is found at that recheck and asked every sixth
  // pass from then on.
  fakes::FakeDriverAnswer ap;
  ap.bssidBytes = 6;
  ap.bssid[5] = 7;
  f.net.drivers["{A}"] = ap;
  for (int pass = 0; pass < 60; ++pass) ASSERT_TRUE(SampleCounters(f.state, false));
  EXPECT_STREQ(f.Head(kKeyA).bssid, "00-00-00-00-00-07");
  EXPECT_EQ(f.net.ipv4ListReads, 1);  // its address compared before the answer was taken
  const int afterFound = f.net.deviceOpens;
  for (int pass = 0; pass < 6; ++pass) ASSERT_TRUE(SampleCounters(f.state, false));
  EXPECT_EQ(f.net.deviceOpens, afterFound + 1);  // A again (its SSID is missing); B not
}

// The sixth-pass refresh gives a head the identity it finds only while its adapter still has the
// head's IPv4 address; an adapter missing from the IPv4 list has none, which is what a head without
// an address expects.
TEST(SampleCounters, TheRefreshTakesAnIdentityOnlyForAHeadWhoseAdapterKeptItsAddress) {
  struct Case {
    const char* name;
    const char* ipAtStart;  // "" for an adapter without IPv4
    const char* ipAtRefresh;
    bool taken;
  } cases[] = {
      {"same address", "10.0.0.5", "10.0.0.5", true},
      {"another address", "10.0.0.5", "10.0.0.9", false},
      {"address gone", "10.0.0.5", "", false},
      {"still without IPv4", "", "", true},
      {"address came", "", "10.0.0.9", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CounterFixture f;
    f.net.AddAdapter("Wireless A", kMacA, c.ipAtStart, "{A}");
    f.net.AddRow(kMacA, 0, 0);
    fakes::FakeDriverAnswer noSsid;
    noSsid.bssidBytes = 6;
    noSsid.bssid[5] = 0x55;
    f.net.drivers["{A}"] = noSsid;
    ASSERT_TRUE(ReconcileAdapters(f.state, false));
    f.net.adapters[0].firstIp = c.ipAtRefresh;
    f.net.drivers["{A}"].ssidBytes = 36;  // the SSID comes by the refresh
    f.net.drivers["{A}"].ssid = "home";
    f.net.drivers["{A}"].ssidLength = 4;
    for (int pass = 0; pass < 6; ++pass) ASSERT_TRUE(SampleCounters(f.state, false));
    EXPECT_STREQ(f.Head(kKeyA).ssid, c.taken ? "home" : "");
  }
}

// Reconciliation: the wireless adapter A moves between access points.
struct Roaming : CounterFixture {
  Roaming() {
    net.table.wideCounters = true;
    net.AddAdapter("Wireless A", kMacA, "10.0.0.5", "{A}");
    net.AddRow(kMacA, 0, 0);
    JoinNetwork(0x01, "home");
    EXPECT_TRUE(ReconcileAdapters(state, true));
    EXPECT_TRUE(SampleCounters(state, true));
  }
  void JoinNetwork(std::uint8_t ap, const std::string& ssid) {
    fakes::FakeDriverAnswer a;
    a.bssidBytes = 6;
    a.bssid[5] = ap;
    a.ssidBytes = 36;
    a.ssid = ssid;
    a.ssidLength = static_cast<std::uint32_t>(ssid.size());
    net.drivers["{A}"] = a;
  }
  void Traffic(std::uint64_t bytes) {
    net.table.rows[0].inOctets += bytes;
    clock.tick += 1000;
    EXPECT_TRUE(SampleCounters(state, false));
  }
};

TEST(ReconcileAdapters, MovingToAnotherNetworkAndBack) {
  Roaming f;
  f.Traffic(100);
  f.JoinNetwork(0x02, "work");
  ASSERT_TRUE(ReconcileAdapters(f.state, false));
  EXPECT_EQ(f.ChainSsids(kKeyA), (std::vector<std::string>{"work", "home"}));
  EXPECT_EQ(f.Head(kKeyA).rxBase, 100u);  // the new head carries on from the old baselines
  f.Traffic(40);
  EXPECT_EQ(f.Head(kKeyA).rxTotal, 40u);

  f.JoinNetwork(0x03, "cafe");
  ASSERT_TRUE(ReconcileAdapters(f.state, false));
  EXPECT_EQ(f.ChainSsids(kKeyA), (std::vector<std::string>{"cafe", "home", "work"}));

  f.JoinNetwork(0x01, "home");
  ASSERT_TRUE(ReconcileAdapters(f.state, false));
  EXPECT_EQ(f.ChainSsids(kKeyA), (std::vector<std::string>{"home", "cafe", "work"}));
  EXPECT_EQ(f.Head(kKeyA).rxBase, 140u);
  f.Traffic(7);
  EXPECT_EQ(f.Head(kKeyA).rxTotal, 107u);
  EXPECT_EQ(f.Entry(kKeyA).chain[2]->rxTotal, 40u);
}

TEST(ReconcileAdapters, EitherEmptyBssidOrSsidMatchesAndIsFilledIn) {
  struct Case {
    const char* name;
    const char* recordBssid;
    const char* recordSsid;
    std::uint8_t reportedAp;
    const char* reportedSsid;
    std::size_t chainLength;
    const char* headBssid;
    const char* headSsid;
  } cases[] = {
      {"loaded record without both", "", "", 0x05, "home", 1, "00-00-00-00-00-05", "home"},
      {"record without SSID", "00-00-00-00-00-05", "", 0x05, "home", 1, "00-00-00-00-00-05", "home"},
      {"another BSSID, same SSID", "00-00-00-00-00-05", "home", 0x06, "home", 2, "00-00-00-00-00-06",
       "home"},
      {"same BSSID, SSID in other case", "00-00-00-00-00-05", "home", 0x05, "Home", 2,
       "00-00-00-00-00-05", "Home"},
      {"wired record, wireless report", "", "", 0x05, "", 1, "00-00-00-00-00-05", ""},
  };
  for (const Case& c : cases) {
    CounterFixture f;
    f.net.AddAdapter("Wireless A", kMacA, "10.0.0.5", "{A}");
    auto r = NewRecord();
    SetFieldText(r->adapterKey, kKeyA);
    SetFieldText(r->ipText, "10.0.0.5");
    SetFieldText(r->bssid, c.recordBssid);
    SetFieldText(r->ssid, c.recordSsid);
    f.state.table.Append(kKeyA, std::move(r));
    fakes::FakeDriverAnswer a;
    a.bssidBytes = 6;
    a.bssid[5] = c.reportedAp;
    a.ssidBytes = 36;
    a.ssid = c.reportedSsid;
    a.ssidLength = static_cast<std::uint32_t>(a.ssid.size());
    f.net.drivers["{A}"] = a;
    ASSERT_TRUE(ReconcileAdapters(f.state, false)) << c.name;
    EXPECT_EQ(f.Entry(kKeyA).chain.size(), c.chainLength) << c.name;
    EXPECT_STREQ(f.Head(kKeyA).bssid, c.headBssid) << c.name;
    EXPECT_STREQ(f.Head(kKeyA).ssid, c.headSsid) << c.name;
  }
}

TEST(ReconcileAdapters, DescriptionAndNameComeFromTheAdaptersOwnEntry) {
  CounterFixture f;
  // The table holds C, B, A (loaded from a day file without descriptions); the system lists A first.
  for (const char* key : {kKeyC, kKeyB, kKeyA}) {
    auto r = NewRecord();
    SetFieldText(r->adapterKey, key);
    SetFieldText(r->ipText, "10.0.0.1");
    f.state.table.Append(key, std::move(r));
  }
  f.net.AddAdapter("Adapter A", kMacA, "10.0.0.1", "{A}");
  f.net.AddAdapter("Adapter B", kMacB, "10.0.0.1", "{B}");
  f.net.AddAdapter("Adapter C", kMacC, "10.0.0.1", "{C}");
  ASSERT_TRUE(ReconcileAdapters(f.state, false));
  EXPECT_STREQ(f.state.table.Head(2).description, "Adapter A");
  EXPECT_STREQ(f.state.table.Head(2).adapterName, "{A}");
  EXPECT_STREQ(f.state.table.Head(0).description, "Adapter C");
  EXPECT_STREQ(f.state.table.Head(0).adapterName, "{C}");
}

TEST(ReconcileAdapters, NewConnectionsStartFromTheirSavedTotals) {
  CounterFixture f;
  // Today's file: adapter A with 10.0.0.5 / 00-11-22-33-44-55 / home, 1,000 and 2,000 bytes.
  std::vector<std::uint8_t> file;
  DayFileWriter w(file);
  char key[26], ip[16], bssid[26], ssid[33];
  SetFieldText(key, kKeyA);
  SetFieldText(ip, "10.0.0.5");
  SetFieldText(bssid, "00-11-22-33-44-55");
  SetFieldText(ssid, "home");
  w.PutGroupCount(1);
  w.PutGroupHeader(key, 1);
  w.PutEntry(ip, bssid, ssid, 1000, 2000);
  w.PutUptime(5000);
  f.store.files[DayFileName(f.clock.date)] = file;

  f.net.AddAdapter("Wired A", kMacA, "10.0.0.5", "{A}");  // wired now: empty BSSID and SSID
  ASSERT_TRUE(ReconcileAdapters(f.state, true));
  EXPECT_EQ(f.Head(kKeyA).rxTotal, 1000u);
  EXPECT_EQ(f.Head(kKeyA).txTotal, 2000u);
  EXPECT_EQ(f.state.savedUptimeMs, 5000u);
  EXPECT_STREQ(f.Head(kKeyA).description, "Wired A");

  // Another IP on the same adapter finds no saved entry and starts from zero.
  f.net.adapters[0].firstIp = "10.0.0.6";
  ASSERT_TRUE(ReconcileAdapters(f.state, false));
  EXPECT_EQ(f.Head(kKeyA).rxTotal, 0u);
  EXPECT_EQ(f.Entry(kKeyA).chain.size(), 2u);
}

// Today's file holds 10.0.0.5 without BSSID and SSID with 1,000 bytes. After a restart the adapter
// reports AP1/"home": the loaded record takes it over; 500 bytes arrive; before the next save the
// adapter roams to AP2/"work". The saved 1,000 bytes live in the first record and must not be handed
// to the new one: the chain holds 1,500 bytes, as counted.
TEST(ReconcileAdapters, ASavedEntryGoesToOneRecordOnly) {
  CounterFixture f;
  std::vector<std::uint8_t> file;
  DayFileWriter w(file);
  char key[26] = {}, ip[16] = {}, none[26] = {}, noSsid[33] = {};
  SetFieldText(key, kKeyA);
  SetFieldText(ip, "10.0.0.5");
  w.PutGroupCount(1);
  w.PutGroupHeader(key, 1);
  w.PutEntry(ip, none, noSsid, 1000, 0);
  w.PutUptime(5000);
  f.store.files[DayFileName(f.clock.date)] = file;

  f.net.table.wideCounters = true;
  f.net.AddAdapter("Wireless A", kMacA, "10.0.0.5", "{A}");
  f.net.AddRow(kMacA, 0, 0);
  auto join = [&](std::uint8_t ap, const char* ssid) {
    fakes::FakeDriverAnswer a;
    a.bssidBytes = 6;
    a.bssid[5] = ap;
    a.ssidBytes = 36;
    a.ssid = ssid;
    a.ssidLength = static_cast<std::uint32_t>(a.ssid.size());
    f.net.drivers["{A}"] = a;
  };
  join(0x01, "home");
  ASSERT_TRUE(ReconcileAdapters(f.state, true));
  ASSERT_TRUE(SampleCounters(f.state, true));
  EXPECT_EQ(f.ChainSsids(kKeyA), (std::vector<std::string>{"home"}));
  f.net.table.rows[0].inOctets = 500;
  ASSERT_TRUE(SampleCounters(f.state, false));
  EXPECT_EQ(f.Head(kKeyA).rxTotal, 1500u);

  join(0x02, "work");
  ASSERT_TRUE(ReconcileAdapters(f.state, false));
  ASSERT_EQ(f.ChainSsids(kKeyA), (std::vector<std::string>{"work", "home"}));
  EXPECT_EQ(f.Head(kKeyA).rxTotal, 0u);
  EXPECT_EQ(f.Entry(kKeyA).chain[1]->rxTotal, 1500u);

  // Moving again, and a restart, keep the day at 1,500 bytes.
  join(0x03, "cafe");
  ASSERT_TRUE(ReconcileAdapters(f.state, false));
  ASSERT_TRUE(SaveDayFile(f.state, f.clock.date, false));
  join(0x04, "park");
  ASSERT_TRUE(ReconcileAdapters(f.state, true));
  std::uint64_t chainTotal = 0;
  for (const auto& r : f.Entry(kKeyA).chain) chainTotal += r->rxTotal;
  EXPECT_EQ(chainTotal, 1500u);
}

TEST(ReconcileAdapters, EnumerationFailureLeavesTheTable) {
  Roaming f;
  f.net.adapterListFails = true;
  EXPECT_FALSE(ReconcileAdapters(f.state, false));
  EXPECT_EQ(f.state.table.Size(), 1u);
}

}  // namespace
}  // namespace tral

namespace tral {
namespace {

// Two interface rows with one physical address (a virtual adapter beside the network card): the
// adapter's connection is credited from the row of its own interface only, whatever the order of
// the rows and whichever of them comes or goes; without its own row, the first row of the address
// stands in from a fresh baseline.
TEST(SampleCounters, TwoRowsWithOneAddressCreditOnlyTheAdaptersOwnRow) {
  struct Step {
    const char* what;
    std::vector<std::pair<std::uint32_t, std::uint64_t>> rows;  // interface index, received counter
    std::uint64_t total;  // the connection's received total after the pass
  };
  const Step steps[] = {
      {"baselines", {{12, 5000}, {7, 1000000}}, 0},
      {"both move", {{12, 5300}, {7, 1000100}}, 100},
      {"the virtual row goes", {{7, 1000150}}, 150},
      {"it comes back first", {{12, 900}, {7, 1000200}}, 200},
      {"order swapped", {{7, 1000260}, {12, 99999}}, 260},
      {"the own row goes: the other stands in from a fresh baseline", {{12, 100000}}, 260},
      {"the stand-in moves", {{12, 100040}}, 300},
      {"the own row is back: a fresh baseline again", {{7, 1000500}, {12, 100100}}, 300},
      {"and it is credited", {{7, 1000510}, {12, 100200}}, 310},
  };
  CounterFixture f;
  f.net.AddAdapter("Wired A", kMacA, "10.0.0.5", "{A}").interfaceIndex = 7;
  f.net.table.wideCounters = true;
  ASSERT_TRUE(ReconcileAdapters(f.state, false));
  for (const Step& s : steps) {
    f.net.table.rows.clear();
    for (auto [index, rx] : s.rows) f.net.AddRow(kMacA, rx, 0).interfaceIndex = index;
    f.clock.tick += 1000;
    ASSERT_TRUE(SampleCounters(f.state, false));
    EXPECT_EQ(f.Head(kKeyA).rxTotal, s.total) << s.what;
  }
}

}  // namespace
}  // namespace tral
