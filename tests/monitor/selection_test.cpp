// Connection selection: visibility, navigation, the follow-active rules and the view's texts.
#include <gtest/gtest.h>

#include "monitor/common/connection_selection.h"
#include "monitor_test_support.h"
#include "shared/text_field.h"

namespace tral {
namespace {

struct Conn {
  std::string key;
  std::string ip;
  std::uint32_t rxTick = 0;
  std::uint32_t txTick = 0;
  std::string bssid = "";
  std::string ssid = "";
  std::string description = "Ethernet adapter";
};

PublishedRecord Record(const Conn& c) {
  PublishedRecord r{};
  SetFieldText(r.adapterKey, c.key);
  SetFieldText(r.ipText, c.ip);
  SetFieldText(r.bssid, c.bssid);
  SetFieldText(r.ssid, c.ssid);
  SetFieldText(r.description, c.description);
  r.rxTick = c.rxTick;
  r.txTick = c.txTick;
  r.rxTotal = 1536;
  r.txTotal = 3 << 20;
  r.rxRate = 1000;
  r.txRate = 2048;
  return r;
}

// Consecutive connections with the same key form one group, as the service publishes them.
ConnectionList List(const std::vector<Conn>& conns) {
  ConnectionList list;
  std::string lastKey;
  for (const Conn& c : conns) {
    if (list.Empty() || c.key != lastKey) {
      list.AddGroup(Record(c));
    } else {
      list.AppendToLastGroup(Record(c));
    }
    lastKey = c.key;
  }
  return list;
}

MonitorSettings Settings(std::int32_t prefer, bool hideIdle = false, std::uint32_t idleMinutes = 60) {
  MonitorSettings s;
  s.prefer = prefer;
  s.hideidle = hideIdle ? 1 : 0;
  s.idletime = idleMinutes;
  s.quantity = 0;
  s.quantitydec = 2;
  s.speed = 1;
  s.speeddec = 2;
  return s;
}

struct Fixture {
  test::FakeTicks ticks;
  SelectionState state;
  MainView Rebuild(const ConnectionList& list, const MonitorSettings& s, RebuildMode mode) {
    return RebuildDisplay(state, list, s, mode, ticks);
  }
};

TEST(Selection, EmptyListShowsNothingThenTheFirstConnectionThatAppears) {
  Fixture f;
  f.ticks.now = 100000;
  const MainView empty = f.Rebuild(ConnectionList{}, Settings(0), RebuildMode::kUpdate);
  EXPECT_EQ(empty, MainView{});
  EXPECT_FALSE(empty.previousEnabled);
  EXPECT_FALSE(empty.nextEnabled);
  EXPECT_EQ(empty.stateText, "No information available");
  EXPECT_EQ(f.state.current, 0u);

  const MainView one = f.Rebuild(List({{"K1", "10.0.0.1", 99000, 99000}}), Settings(0), RebuildMode::kUpdate);
  EXPECT_EQ(f.state.current, 1u);
  EXPECT_FALSE(one.previousEnabled);
  EXPECT_FALSE(one.nextEnabled);
  EXPECT_EQ(one.ipText, "10.0.0.1");
  EXPECT_EQ(one.hardwareAddress, "K1");
  EXPECT_EQ(f.state.selectedKey, "K1");
  EXPECT_EQ(f.state.selectedIp, "10.0.0.1");
}

TEST(Selection, NavigationButtonsOverThreeConnections) {
  Fixture f;
  f.ticks.now = 50000;
  const ConnectionList list = List({{"A", "1.0.0.1", 1, 1}, {"A", "1.0.0.2", 1, 1}, {"B", "2.0.0.1", 1, 1}});
  const MonitorSettings s = Settings(1);
  f.state.current = 2;
  MainView v = f.Rebuild(list, s, RebuildMode::kUpdate);  // nothing selected yet: keeps position 2
  EXPECT_EQ(v.ipText, "1.0.0.2");
  EXPECT_TRUE(v.previousEnabled);
  EXPECT_TRUE(v.nextEnabled);

  f.ticks.now = 51000;
  v = f.Rebuild(list, s, RebuildMode::kNext);
  EXPECT_EQ(f.state.current, 3u);
  EXPECT_EQ(v.ipText, "2.0.0.1");
  EXPECT_TRUE(v.previousEnabled);
  EXPECT_FALSE(v.nextEnabled);
  EXPECT_EQ(f.state.lastNavigation, 51000u);

  f.ticks.now = 52000;  // ">>" at the end stays at the end but counts as navigation
  v = f.Rebuild(list, s, RebuildMode::kNext);
  EXPECT_EQ(f.state.current, 3u);
  EXPECT_EQ(f.state.lastNavigation, 52000u);

  f.state.current = 1;
  f.ticks.now = 60000;
  v = f.Rebuild(list, s, RebuildMode::kPrevious);  // "<<" at the first does nothing
  EXPECT_EQ(f.state.current, 1u);
  EXPECT_EQ(f.state.lastNavigation, 52000u);
  EXPECT_FALSE(v.previousEnabled);
  EXPECT_TRUE(v.nextEnabled);
  EXPECT_EQ(v.ipText, "1.0.0.1");
}

TEST(Selection, FollowActiveMovesOnlyPastFiveSecondsAndNotRightAfterNavigation) {
  const struct {
    const char* what;
    std::uint32_t shownIdle;
    std::uint32_t otherIdle;
    std::uint32_t sinceNavigation;
    bool moves;
  } cases[] = {
      {"idle 20 s against 1 s, no navigation for 10 s", 20000, 1000, 10000, true},
      {"the same with a navigation 3 s ago", 20000, 1000, 3000, false},
      {"2 s against 1 s", 2000, 1000, 10000, false},
      {"exactly 5 s more recent", 6000, 1000, 10000, false},
      {"5.001 s more recent", 6001, 1000, 10000, true},
      {"navigation exactly 5 s ago", 20000, 1000, 5000, false},
      {"navigation 5.001 s ago", 20000, 1000, 5001, true},
  };
  for (const auto& c : cases) {
    Fixture f;
    f.ticks.now = 1000000;
    const ConnectionList list = List({{"A", "1.0.0.1", f.ticks.now - c.shownIdle, 0},
                                      {"B", "2.0.0.1", 0, f.ticks.now - c.otherIdle}});
    f.state.current = 1;
    f.state.selectedKey = "A";
    f.state.selectedIp = "1.0.0.1";
    f.state.lastNavigation = f.ticks.now - c.sinceNavigation;
    const MainView v = f.Rebuild(list, Settings(0), RebuildMode::kUpdate);
    EXPECT_EQ(v.hardwareAddress, c.moves ? "B" : "A") << c.what;
    EXPECT_EQ(f.state.selectedKey, c.moves ? "B" : "A") << c.what;
  }
}

TEST(Selection, FollowActiveShowsTheMostRecentWhenTheSelectedIsGone) {
  Fixture f;
  f.ticks.now = 500000;
  f.state.selectedKey = "GONE";
  f.state.current = 1;
  f.state.lastNavigation = f.ticks.now;  // even right after navigating
  const ConnectionList list = List({{"A", "1.0.0.1", 400000, 0}, {"B", "2.0.0.1", 499000, 0},
                                    {"C", "3.0.0.1", 499000, 0}});
  const MainView v = f.Rebuild(list, Settings(0), RebuildMode::kUpdate);
  EXPECT_EQ(v.hardwareAddress, "B");  // the first of the two equally recent ones
  EXPECT_EQ(f.state.current, 2u);
}

TEST(Selection, PreferenceOneKeepsTheUsersPickAndThenItsPosition) {
  Fixture f;
  f.ticks.now = 10 * 60000;
  const MonitorSettings s = Settings(1, true, 1);
  ConnectionList list = List({{"A", "1.0.0.1", f.ticks.now - 1000, 0},
                              {"B", "2.0.0.1", f.ticks.now - 50000, 0},
                              {"C", "3.0.0.1", f.ticks.now - 100, 0}});
  f.state.current = 2;
  f.state.selectedKey = "B";
  f.state.selectedIp = "2.0.0.1";
  MainView v = f.Rebuild(list, s, RebuildMode::kUpdate);
  EXPECT_EQ(v.hardwareAddress, "B");  // others more active: no move

  // B turns idle (hidden); the display keeps position 2, now C, and C becomes the selection.
  f.ticks.now += 20000;
  list = List({{"A", "1.0.0.1", f.ticks.now - 1000, 0}, {"B", "2.0.0.1", f.ticks.now - 70000, 0},
               {"C", "3.0.0.1", f.ticks.now - 100, 0}});
  v = f.Rebuild(list, s, RebuildMode::kUpdate);
  EXPECT_EQ(f.state.current, 2u);
  EXPECT_EQ(v.hardwareAddress, "C");
  EXPECT_EQ(f.state.selectedKey, "C");
  EXPECT_FALSE(v.nextEnabled);

  // Only A left visible: the position is clamped to the count.
  list = List({{"A", "1.0.0.1", f.ticks.now - 1000, 0}, {"C", "3.0.0.1", f.ticks.now - 90000, 0}});
  v = f.Rebuild(list, s, RebuildMode::kUpdate);
  EXPECT_EQ(f.state.current, 1u);
  EXPECT_EQ(v.hardwareAddress, "A");
}

TEST(Selection, FindSelectedPassesFromExactToAdapterOnly) {
  const ConnectionList list = List({{"A", "1.0.0.1", 5, 5, "B1"},
                                    {"A", "1.0.0.2", 5, 5, "B1"},
                                    {"A", "1.0.0.2", 5, 5, "B2"},
                                    {"X", "1.0.0.2", 5, 5, "B2"}});
  const VisibilityRule all{false, 0};
  const struct {
    const char* key;
    const char* bssid;
    const char* ip;
    std::optional<std::uint32_t> position;
  } cases[] = {
      {"A", "B2", "1.0.0.2", 2},  // pass 1: all three
      {"A", "B9", "1.0.0.2", 1},  // pass 2: key and ip
      {"A", "B2", "9.9.9.9", 0},  // pass 3: the adapter's first (an IP change)
      {"a", "B2", "1.0.0.2", std::nullopt},  // case-sensitive
      {"Z", "", "", std::nullopt},
  };
  for (const auto& c : cases) {
    const auto hit = FindSelected(list, all, c.key, c.bssid, c.ip, 100);
    ASSERT_EQ(hit.has_value(), c.position.has_value()) << c.key << c.bssid << c.ip;
    if (hit) {
      EXPECT_EQ(hit->position, *c.position) << c.key << c.bssid << c.ip;
    }
  }
}

TEST(Selection, AnIpChangeKeepsTheAdapterOnShow) {
  Fixture f;
  f.ticks.now = 100000;
  f.state = SelectionState{2, "B", "", "2.0.0.1", 0};
  const ConnectionList list = List({{"A", "1.0.0.1", 99900, 0}, {"B", "2.0.0.77", 99000, 0}});
  const MainView v = f.Rebuild(list, Settings(1), RebuildMode::kUpdate);
  EXPECT_EQ(v.ipText, "2.0.0.77");
  EXPECT_EQ(f.state.selectedIp, "2.0.0.77");
}

TEST(Selection, IdleConnectionsAreHiddenAtTheLimit) {
  const std::uint32_t now = 3'000'000;
  const struct {
    const char* what;
    bool hideIdle;
    std::uint32_t idleMinutes;
    std::uint32_t rxTick;
    std::uint32_t txTick;
    std::uint32_t tickNow;
    bool visible;
  } cases[] = {
      {"59,999 ms idle, limit 1 min", true, 1, now - 59999, 0, now, true},
      {"60,000 ms idle, limit 1 min", true, 1, now - 60000, 0, now, false},
      {"the later of the two ticks counts", true, 1, now - 90000, now - 10, now, true},
      {"limit 0: nothing visible", true, 0, now, now, now, false},
      {"hideidle off: always visible", false, 0, 0, 0, now, true},
      {"never moved: idle for now itself", true, 1, 0, 0, 59999, true},
      {"never moved, now past the limit", true, 1, 0, 0, 60000, false},
      {"tick wrapped since the change (1,256 ms)", true, 1, 0xFFFFFF00u, 0xFFFF0000u, 1000, true},
      {"tick wrapped, long ago (66,536 ms)", true, 1, 0xFFFF0000u, 0xFFFF0000u, 1000, false},
      {"limit wraps modulo 2^32 (71,583 min -> 12,704 ms)", true, 71583, now - 30000, 0, now, false},
      {"under the wrapped limit", true, 71583, now - 12000, 0, now, true},
  };
  for (const auto& c : cases) {
    const ConnectionList list = List({{"A", "1.0.0.1", c.rxTick, c.txTick}});
    MonitorSettings s = Settings(0, c.hideIdle, c.idleMinutes);
    EXPECT_EQ(CountVisible(list, VisibilityRule::From(s), c.tickNow), c.visible ? 1u : 0u) << c.what;
    Fixture f;
    f.ticks.now = c.tickNow;
    const MainView v = f.Rebuild(list, s, RebuildMode::kUpdate);
    EXPECT_EQ(v.ipText, c.visible ? "1.0.0.1" : "") << c.what;
  }
}

TEST(Selection, AChangeBringsAHiddenConnectionBack) {
  Fixture f;
  const MonitorSettings s = Settings(0, true, 1);
  f.ticks.now = 200000;
  MainView v = f.Rebuild(List({{"A", "1.0.0.1", 100000, 0}}), s, RebuildMode::kUpdate);
  EXPECT_EQ(v.stateText, "No information available");
  f.ticks.now = 201000;
  v = f.Rebuild(List({{"A", "1.0.0.1", 200500, 0}}), s, RebuildMode::kUpdate);
  EXPECT_EQ(v.ipText, "1.0.0.1");
}

TEST(Selection, MostRecentlyActiveTakesTheFirstOnTies) {
  const ConnectionList list = List({{"A", "1", 10, 0}, {"B", "2", 0, 90}, {"C", "3", 90, 0}});
  const VisibleHit hit = MostRecentlyActive(list, VisibilityRule{false, 0}, 100);
  EXPECT_EQ(hit.position, 1u);
  EXPECT_EQ(hit.idleMs, 10u);
  const VisibleHit none = MostRecentlyActive(ConnectionList{}, VisibilityRule{false, 0}, 100);
  EXPECT_EQ(none.position, 0u);
  EXPECT_EQ(none.idleMs, 4294967295u);
}

TEST(Selection, SchedulerSuffixIsCutOnlyAfterTheFirstCharacter) {
  const struct {
    const char* description;
    const char* shown;
  } cases[] = {
      {"Intel PRO/1000 - Packet Scheduler Miniport", "Intel PRO/1000"},
      {" - Packet Scheduler Miniport", " - Packet Scheduler Miniport"},
      {"X - Packet Scheduler Miniport", "X"},
      {"A - Packet Scheduler Miniport - Packet Scheduler Miniport", "A"},
      {"Card - Packet Scheduler Miniport #2", "Card"},
      {"Card - Packet Scheduler", "Card - Packet Scheduler"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(DisplayDescription(c.description), c.shown) << c.description;
}

TEST(Selection, ViewTextsAndStateText) {
  Fixture f;
  f.ticks.now = 10000;
  MonitorSettings s = Settings(0);
  s.quantity = 1;
  Conn wifi{"00-11-22-33-44-55", "192.168.0.9", 9000, 9000, "AA-BB-CC-DD-EE-FF", "home",
            "Wireless card - Packet Scheduler Miniport"};
  MainView v = f.Rebuild(List({wifi}), s, RebuildMode::kUpdate);
  EXPECT_EQ(v.description, "Wireless card");
  EXPECT_EQ(v.ssid, "home");
  EXPECT_EQ(v.bssid, "AA-BB-CC-DD-EE-FF");
  EXPECT_EQ(v.downloaded, "0.00");  // 1,536 bytes: one whole KB = 0.0009765625 MB
  EXPECT_EQ(v.uploaded, "3.00");
  EXPECT_EQ(v.downloadSpeed, "0.98");
  EXPECT_EQ(v.uploadSpeed, "2.00");
  EXPECT_EQ(v.stateText, "Connection:\t home\nDownloaded:\t 0.00 MB\nUploaded:\t 3.00 MB");
  EXPECT_EQ(f.state.selectedBssid, "AA-BB-CC-DD-EE-FF");

  s.quantity = 0;
  v = f.Rebuild(List({{"K", "10.0.0.1", 9000, 9000}}), s, RebuildMode::kUpdate);
  EXPECT_EQ(v.stateText, "Downloaded:\t 1.50 KB\nUploaded:\t 3072.00 KB");

  // An adapter without IPv4 is counted under an empty IP text; the field says so, while the
  // selection keeps following the empty text.
  v = f.Rebuild(List({{"K6", "", 9000, 9000}}), s, RebuildMode::kUpdate);
  EXPECT_EQ(v.ipText, "no IPv4 address");
  EXPECT_EQ(f.state.selectedIp, "");
}

}  // namespace
}  // namespace tral
