// The monitor's settings: INI value texts, loading with clamps, saving, the stored window position
// and the INI paths.
#include <gtest/gtest.h>

#include "monitor/settings/ini_paths.h"
#include "monitor/settings/monitor_settings.h"
#include "monitor/settings/window_position.h"
#include "monitor_test_support.h"

namespace tral {
namespace {

using test::MemoryIni;

TEST(IniValues, BooleansAreTrueOnlyForYesInAnyCase) {
  const struct {
    const char* text;
    bool value;
  } cases[] = {{"YES", true}, {"yes", true}, {"yEs", true}, {"NO", false}, {"1", false},
               {"true", false}, {"Y", false}, {"", false}, {"YES ", false}, {" YES", false}};
  for (const auto& c : cases) EXPECT_EQ(IniTextToBool(c.text), c.value) << '"' << c.text << '"';
}

TEST(IniValues, NumbersReadAsSignedOrUnsignedFromTheSameBits) {
  const struct {
    const char* text;
    std::int32_t asInt;
    std::uint32_t asUInt;
  } cases[] = {
      {"-1", -1, 4294967295u},
      {"4294967295", -1, 4294967295u},
      {"2147483648", -2147483647 - 1, 2147483648u},
      {"-5", -5, 4294967291u},
      {"60", 60, 60},
      {"abc", 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IniTextToInt(c.text), c.asInt) << c.text;
    EXPECT_EQ(IniTextToUInt(c.text), c.asUInt) << c.text;
  }
}

TEST(IniValues, WrittenTextsAreDecimalAndYesNo) {
  EXPECT_EQ(IniIntText(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(IniIntText(0), "0");
  EXPECT_EQ(IniUIntText(4294967295u), "4294967295");
  EXPECT_STREQ(IniBoolText(true), "YES");
  EXPECT_STREQ(IniBoolText(false), "NO");
}

TEST(IniValues, MissingKeysReadAsTheCallersDefault) {
  MemoryIni ini;
  EXPECT_EQ(ReadIniInt(ini, "OPTIONS", "quantity", -7), -7);
  EXPECT_EQ(ReadIniUInt(ini, "OPTIONS", "idletime", 4294967295u), 4294967295u);
  EXPECT_TRUE(ReadIniBool(ini, "OPTIONS", "hideidle", true));
  EXPECT_FALSE(ReadIniBool(ini, "OPTIONS", "hideidle", false));
}

TEST(MonitorSettings, DefaultsAreTheDocumentedOnes) {
  const MonitorSettings s;
  const std::uint32_t expected[12] = {1, 2, 2, 1, 0, 1, 60, 1, 1, 1, 1, 366};
  std::uint32_t actual[12];
  static_assert(sizeof actual == sizeof s);
  std::memcpy(actual, &s, sizeof s);  // the field order is part of the interface
  for (int i = 0; i < 12; ++i) EXPECT_EQ(actual[i], expected[i]) << "field " << i + 1;
}

TEST(MonitorSettings, LoadAppliesStoredValuesAndClamps) {
  const struct {
    const char* key;
    const char* stored;
    std::uint32_t MonitorSettings::*unsignedField;
    std::int32_t MonitorSettings::*signedField;
    std::int64_t expected;
  } cases[] = {
      {"hideidle", "yes", nullptr, &MonitorSettings::hideidle, 1},
      {"hideidle", "1", nullptr, &MonitorSettings::hideidle, 0},
      {"mintray", "NO", nullptr, &MonitorSettings::mintray, 0},
      {"minclose", "Yes", nullptr, &MonitorSettings::minclose, 1},
      {"refresh", "0", &MonitorSettings::refresh, nullptr, 1},
      {"refresh", "250", &MonitorSettings::refresh, nullptr, 99},
      {"refresh", "-5", &MonitorSettings::refresh, nullptr, 99},
      {"refresh", "99", &MonitorSettings::refresh, nullptr, 99},
      {"refresh", "7", &MonitorSettings::refresh, nullptr, 7},
      {"idletime", "-1", &MonitorSettings::idletime, nullptr, 4294967295LL},
      {"idletime", "0", &MonitorSettings::idletime, nullptr, 0},
      {"quantity", "0", nullptr, &MonitorSettings::quantity, 0},
      {"quantitydec", "-1", nullptr, &MonitorSettings::quantitydec, -1},  // not clamped on load
      {"speed", "17", nullptr, &MonitorSettings::speed, 17},
      {"speeddec", "3", nullptr, &MonitorSettings::speeddec, 3},
      {"prefer", "1", nullptr, &MonitorSettings::prefer, 1},
  };
  for (const auto& c : cases) {
    MemoryIni ini;
    ini.values[std::string("OPTIONS/") + c.key] = c.stored;
    MonitorSettings s;
    LoadSettings(s, ini, [] { return true; });
    const std::int64_t got = c.unsignedField ? static_cast<std::int64_t>(s.*c.unsignedField)
                                             : static_cast<std::int64_t>(s.*c.signedField);
    EXPECT_EQ(got, c.expected) << c.key << "=" << c.stored;
  }
}

TEST(MonitorSettings, LaunchComesFromTheRunKeyNotTheIniFile) {
  for (const bool registered : {false, true}) {
    MemoryIni ini;
    ini.values["OPTIONS/launch"] = registered ? "NO" : "YES";
    MonitorSettings s;
    LoadSettings(s, ini, [&] { return registered; });
    EXPECT_EQ(s.launch, registered ? 1 : 0);
  }
}

TEST(MonitorSettings, LoadOfAnEmptyFileKeepsDefaultsAndLeavesKeepdays) {
  MemoryIni ini;
  ini.values["OPTIONS/keepdays"] = "5";  // keepdays lives in the service's file, not here
  MonitorSettings s;
  s.keepdays = 30;
  LoadSettings(s, ini, [] { return true; });
  MonitorSettings expected;
  expected.keepdays = 30;
  EXPECT_EQ(std::memcmp(&s, &expected, sizeof s), 0);
}

TEST(MonitorSettings, SaveWritesElevenKeysInOrderAndReadsBack) {
  MemoryIni ini;
  MonitorSettings s;
  s.hideidle = 0;
  s.idletime = 4294967295u;
  s.quantity = 0;
  s.speed = 4;
  s.speeddec = -1;
  s.refresh = 42;
  s.launch = 1;
  SaveSettings(s, ini, [] { return false; });
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"OPTIONS/hideidle", "NO"},    {"OPTIONS/launch", "YES"},      {"OPTIONS/mintray", "YES"},
      {"OPTIONS/idletime", "4294967295"}, {"OPTIONS/quantity", "0"}, {"OPTIONS/quantitydec", "2"},
      {"OPTIONS/speed", "4"},        {"OPTIONS/speeddec", "-1"},     {"OPTIONS/prefer", "0"},
      {"OPTIONS/refresh", "42"},     {"OPTIONS/minclose", "YES"}};
  EXPECT_EQ(ini.writes, expected);
  EXPECT_EQ(s.launch, 0);  // the Run key says no

  MonitorSettings back;
  LoadSettings(back, ini, [] { return false; });
  EXPECT_EQ(std::memcmp(&back, &s, sizeof s), 0);
}

TEST(MonitorSettings, FailedWritesAreIgnored) {
  MemoryIni ini;
  ini.failWrites = true;
  MonitorSettings s;
  s.refresh = 5;
  SaveSettings(s, ini, [] { return true; });
  EXPECT_EQ(ini.writes.size(), 11u);
  EXPECT_EQ(s.refresh, 5u);
  EXPECT_EQ(s.launch, 1);
}

TEST(WindowPosition, StoredTextIsAcceptedOnlyWithFourNumbersAndAPositiveSize) {
  const struct {
    const char* text;
    bool used;
    std::int32_t x;
    std::int32_t y;
  } cases[] = {
      {"100,200,300,150", true, 100, 200},
      {"-50,10,300,150", true, -50, 10},  // a negative left is applied unchanged
      {"100,200,0,150", false, 0, 0},  // width 0
      {"100,200,300,0", false, 0, 0},  // height 0
      {"100,200,-3,150", false, 0, 0},
      {"100,200,300", false, 0, 0},  // three numbers
      {"", false, 0, 0},
      {"1,2,,", false, 0, 0},  // empty numbers read as 0: width 0
      {" 7, 8, 9, 10", true, 7, 8},
      {"2147483647,0,1,1", false, 0, 0},  // x + w wraps below x
      {"-2147483648,5,1,1", true, -2147483647 - 1, 5},
      {"1,2,3,4,5", true, 1, 2},  // a fifth number is not looked at
      {"abc,def,10,10", true, 0, 0},
      // The whole value is read, not just the 18 characters an INI number read sees.
      {"0000000000000000000100,5,10,10", true, 100, 5},
      {"100,200,0000000000000000000300,150", true, 100, 200},
  };
  for (const auto& c : cases) {
    const auto point = ParseWindowPosition(c.text);
    ASSERT_EQ(point.has_value(), c.used) << '"' << c.text << '"';
    if (point) {
      EXPECT_EQ(point->x, c.x) << c.text;
      EXPECT_EQ(point->y, c.y) << c.text;
    }
  }
}

// Two monitors: the primary at the origin and a second one to its left.
bool OnFakeMonitors(const WindowRect& r) {
  const WindowRect monitors[] = {{0, 0, 1920, 1080}, {-1280, 0, 0, 1024}};
  for (const WindowRect& m : monitors) {
    if (r.left < m.right && m.left < r.right && r.top < m.bottom && m.top < r.bottom) return true;
  }
  return false;
}

TEST(WindowPosition, RestoredOnlyWhereTheWindowWouldBeSeen) {
  const WindowRect current{10, 20, 310, 220};  // 300 x 200, where the window opened
  const struct {
    const char* stored;
    bool used;
  } cases[] = {
      {"100,100,300,200", true},
      {"-1000,50,300,200", true},  // on the monitor left of the primary
      {"-3000,50,300,200", false},  // a monitor that is gone
      {"1900,1000,300,200", true},  // only a corner on screen is enough
      {"1920,0,300,200", false},  // touching the right edge is not on it
      {"-300,-199,300,200", true},  // one row reaches the second monitor
      {"-300,-200,300,200", false},  // ends just above both
      {"0,1080,300,200", false},
      // The window's current size counts, not the stored one.
      {"1800,0,10,10", true},
      {"-1600,0,2000,200", false},
      {"2147483600,0,300,200", false},  // at the end of the coordinate range, without wrapping round
      {"100,100,0,200", false},  // the text itself is not acceptable
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PositionToRestore(c.stored, current, OnFakeMonitors).has_value(), c.used) << c.stored;
  }
}

TEST(WindowPosition, TextHoldsLeftTopWidthHeight) {
  EXPECT_EQ(WindowPositionText(WindowRect{-8, 20, 392, 320}), "-8,20,400,300");
  const auto point = ParseWindowPosition(WindowPositionText(WindowRect{-8, 20, 392, 320}));
  ASSERT_TRUE(point);
  EXPECT_EQ(point->x, -8);
}

TEST(IniPaths, NamesFollowTheExecutable) {
  const struct {
    const char* module;
    const char* appData;
    const char* monitorIni;
    const char* serviceIni;
  } cases[] = {
      {"C:\\Program Files\\Tralden\\TraldenView.exe", "C:\\Users\\ann\\AppData\\Roaming",
       "C:\\Users\\ann\\AppData\\Roaming\\TraldenView.ini", "C:\\Program Files\\Tralden\\TraldenMeter.ini"},
      {"C:\\T\\Other.exe", "C:\\AppData\\", "C:\\AppData\\Other.ini", "C:\\T\\TraldenMeter.ini"},
      {"C:\\T\\Other.exe", nullptr, "C:\\T\\Other.ini", "C:\\T\\TraldenMeter.ini"},
      {"C:\\v1.2\\Viewer", nullptr, "C:\\v1.2\\Viewer.ini", "C:\\v1.2\\TraldenMeter.ini"},
      {"C:\\v1.2\\Viewer", "D:\\A", "D:\\A\\Viewer.ini", "C:\\v1.2\\TraldenMeter.ini"},
      {"Viewer.exe", "D:\\A", "D:\\A\\TraldenView.ini", "TraldenMeter.ini"},
  };
  for (const auto& c : cases) {
    const std::optional<std::string> appData = c.appData ? std::optional<std::string>(c.appData) : std::nullopt;
    EXPECT_EQ(MonitorIniPath(c.module, appData), c.monitorIni) << c.module;
    EXPECT_EQ(ServiceIniPath(c.module), c.serviceIni) << c.module;
  }
}

}  // namespace
}  // namespace tral
