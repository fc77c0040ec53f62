// The live speed read-outs: the icon's bar heights and pixels, the tooltip's and the strip's texts,
// the sum over every connection, the strip's geometry and placement, and their stored settings.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "monitor/common/speed_icon.h"
#include "monitor/common/speed_readout.h"
#include "monitor/settings/readout_settings.h"
#include "monitor/strip/strip_layout.h"
#include "monitor_test_support.h"

namespace tral {
namespace {

TEST(SpeedIcon, BarHeightsFollowTheLogScaleFromOneKilobyteToOneHundredMegabytes) {
  // The scale spans 102,400 (1 KB/s to 100 MB/s); ln 102400 = 11.53664. A share is
  // ln(rate / 1024) / 11.53664 of the full height, rounded to the nearest pixel.
  const struct {
    std::uint32_t rate;  // bytes per second
    int full;
    int expected;
  } rows[] = {
      {0, 14, 0},
      {1023, 14, 0},
      {1024, 14, 0},             // the floor: an empty bar
      {1546, 14, 0},             // ln 1.509766 = 0.411956 -> 0.035709 x 14 = 0.49992
      {1547, 14, 1},             // ln 1.510742 = 0.412602 -> 0.035765 x 14 = 0.50071: the first pixel
      {10240, 14, 3},            // 10 KB/s: ln 10 = 2.3026 -> 0.1996 x 14 = 2.79
      {10240, 28, 6},            // 5.59
      {327680, 16, 8},           // 320 KB/s is the scale's geometric middle: exactly half
      {327680, 14, 7},
      {1048576, 14, 8},          // 1 MB/s: ln 1024 = 6.9315 -> 0.6008 x 14 = 8.41
      {1048576, 28, 17},         // 16.82
      {10485760, 16, 13},        // 10 MB/s: ln 10240 = 9.2341 -> 0.8004 x 16 = 12.81
      {104857599, 14, 14},
      {104857600, 14, 14},       // 100 MB/s: full
      {4294967295u, 14, 14},     // the largest rate a record carries
      {4294967295u, 0, 0},       // no room: nothing
  };
  for (const auto& row : rows) {
    EXPECT_EQ(SpeedBarHeight(row.rate, row.full), row.expected) << row.rate << " in " << row.full;
  }
}

TEST(SpeedIcon, TheBarsFillTheIconLessItsMarginsAtEveryDpi) {
  // The small-icon sizes at 96, 120, 144 and 192 DPI, with one margin pixel per 16.
  const struct {
    int size;
    int full;
  } rows[] = {{16, 14}, {20, 18}, {24, 22}, {32, 28}};
  for (const auto& row : rows) {
    const SpeedIconBars bars = SpeedIconBarsOf(4294967295u, 0, row.size, row.size);
    EXPECT_EQ(bars, (SpeedIconBars{row.size, row.size, row.full, 0})) << row.size;
  }
}

TEST(SpeedIcon, PixelsShowTheDownloadBarLeftAndTheUploadBarRightFromTheBottomUp) {
  // 16 x 16: margin 1, bars 6 wide at x 1-6 and 9-14, 14 high from row 1 to row 14.
  const PixelImage image = DrawSpeedIcon(SpeedIconBars{16, 16, 14, 5});
  ASSERT_EQ(image.width, 16);
  ASSERT_EQ(image.height, 16);
  const Color tile = image.At(0, 0);
  const Color download = RgbColor(38, 110, 190);
  const Color upload = RgbColor(230, 126, 34);
  const Color uploadTrack = image.At(9, 1);
  EXPECT_NE(uploadTrack, upload);
  EXPECT_NE(uploadTrack, tile);
  const struct {
    int x;
    int y;
    Color expected;
  } rows[] = {
      {1, 1, download},  {6, 14, download}, {3, 8, download},           // full: every row
      {0, 8, tile},      {7, 8, tile},      {8, 8, tile},  {15, 8, tile},  // margins and the gap
      {1, 0, tile},      {1, 15, tile},                                  // above and below
      {9, 10, upload},   {14, 14, upload},                               // 5 rows: 10 to 14
      {9, 9, uploadTrack}, {14, 1, uploadTrack},                         // the rest of its track
  };
  for (const auto& row : rows) EXPECT_EQ(image.At(row.x, row.y), row.expected) << row.x << "," << row.y;
}

std::pair<int, int> XY(const WindowPoint& p) { return {p.x, p.y}; }

using test::SpeedSettings;

TEST(SpeedReadout, FiguresCarryTheUsersUnitAndDecimals) {
  const struct {
    std::uint32_t rate;
    std::int32_t speed;
    std::int32_t decimals;
    const char* expected;
  } rows[] = {
      {0, 1, 2, "0.00 KB/s"},
      {0, 0, 0, "0 B/s"},
      {1000, 0, 0, "1000 B/s"},
      {1000, 1, 2, "0.98 KB/s"},          // 1000 / 1024
      {1000, 3, 2, "7.81 Kb/s"},          // 1000 x 8 / 1024
      {1000, 4, 3, "0.008 Mb/s"},
      {1290000, 2, 2, "1.23 MB/s"},       // 1290000 / 1048576 = 1.2302
      {46694, 1, 1, "45.6 KB/s"},         // 45.600
      {1536, 1, 7, "1.500000 KB/s"},      // an unknown decimals setting: six
      {4294967295u, 0, 0, "4294967295 B/s"},  // the largest rate: no sign, no wrap
      {4294967295u, 2, 2, "4096.00 MB/s"},    // 4095.999999
  };
  for (const auto& row : rows) {
    EXPECT_EQ(SpeedWithUnit(row.rate, SpeedSettings(row.speed, row.decimals)), row.expected) << row.rate;
  }
}

TEST(SpeedReadout, TheStripShowsBothFiguresOrDashesWithoutAConnection) {
  const MonitorSettings kb = SpeedSettings(1, 2);
  const struct {
    std::optional<SpeedPair> speeds;
    StripFigures figures;
    const char* windowText;
  } rows[] = {
      {SpeedPair{1290000, 46694}, {"1259.77 KB/s", "45.60 KB/s"}, "Download 1259.77 KB/s, upload 45.60 KB/s"},
      {SpeedPair{0, 0}, {"0.00 KB/s", "0.00 KB/s"}, "Download 0.00 KB/s, upload 0.00 KB/s"},
      {std::nullopt, {"-", "-"}, "Speed strip"},
  };
  for (const auto& row : rows) {
    const StripFigures figures = StripFiguresOf(row.speeds, kb);
    EXPECT_EQ(figures, row.figures);
    EXPECT_EQ(StripWindowText(figures), row.windowText);
  }
  EXPECT_EQ(StripWidthTemplate(kb), "8888.89 KB/s");
  EXPECT_EQ(StripWidthTemplate(SpeedSettings(3, 0)), "8889 Kb/s");
}

TEST(SpeedReadout, TheTooltipAddsTheSpeedsBetweenItsTitleAndThePlan) {
  const MonitorSettings kb = SpeedSettings(1, 2);
  const std::string speeds = TraySpeedLine(SpeedPair{2048, 512}, kb);
  EXPECT_EQ(speeds, "Download 2.00 KB/s, upload 0.50 KB/s");
  EXPECT_EQ(TraySpeedLine(std::nullopt, kb), "");
  const struct {
    std::string speedLine;
    std::string planLine;
    std::string expected;
  } rows[] = {
      {"", "", "TraldenView "},  // the read-out off: the text of old
      {"", "Home: 24%", "TraldenView \nHome: 24%"},
      {speeds, "", "TraldenView \nDownload 2.00 KB/s, upload 0.50 KB/s"},
      {speeds, "Home: 24%", "TraldenView \nDownload 2.00 KB/s, upload 0.50 KB/s\nHome: 24%"},
  };
  for (const auto& row : rows) EXPECT_EQ(TrayTipText("TraldenView ", row.speedLine, row.planLine), row.expected);
}

TEST(SpeedReadout, ShownSpeedsAreTheViewsAndNoneWithoutAConnection) {
  MainView view;
  EXPECT_EQ(ShownSpeeds(view), std::nullopt);
  view.downloadSpeed = "0.00";
  view.uploadSpeed = "0.00";
  EXPECT_EQ(ShownSpeeds(view), (SpeedPair{0, 0}));
  view.rxRate = 7;
  view.txRate = 9;
  EXPECT_EQ(ShownSpeeds(view), (SpeedPair{7, 9}));
}

TEST(SpeedReadout, TheSumCountsEveryRecordOfEveryGroupAndStopsAtTheLargestRate) {
  const auto listOf = [](const std::vector<std::vector<test::BlockRecord>>& groups) {
    ConnectionList list;
    EXPECT_TRUE(FillConnectionList(test::BlockBytes(groups), list));
    return list;
  };
  auto record = [](const char* key, std::uint32_t rx, std::uint32_t tx) {
    test::BlockRecord r;
    r.adapterKey = key;
    r.rxRate = rx;
    r.txRate = tx;
    return r;
  };
  const struct {
    std::vector<std::vector<test::BlockRecord>> groups;
    SpeedPair expected;
  } rows[] = {
      {{}, {0, 0}},
      {{{record("A", 100, 10)}}, {100, 10}},
      {{{record("A", 100, 10), record("A", 5, 1)}, {record("B", 1000, 0)}}, {1105, 11}},
      {{{record("A", 3000000000u, 1)}, {record("B", 3000000000u, 2)}}, {4294967295u, 3}},
  };
  for (const auto& row : rows) EXPECT_EQ(SummedSpeeds(listOf(row.groups)), row.expected);
}

TEST(StripLayout, FiguresFitInsideTheStripBesideTheirArrowsAtEveryDpi) {
  // Text measured as the font scales: about 7 pixels a character and 13 a line at 96 DPI.
  for (const int dpi : {96, 120, 144, 192}) {
    const int down = 84 * dpi / 96;  // "8888.89 KB/s"
    const int up = 90 * dpi / 96;
    const int line = 13 * dpi / 96;
    const StripLayout layout = LayOutStrip(down, up, line, dpi);
    const PixelRect window{0, 0, layout.width, layout.height};
    for (const PixelRect& r : {layout.downArrow, layout.downText, layout.upArrow, layout.upText}) {
      EXPECT_TRUE(r.left >= window.left && r.right <= window.right && r.top >= window.top && r.bottom <= window.bottom)
          << dpi;
    }
    EXPECT_EQ(layout.downText.Width(), down) << dpi;
    EXPECT_EQ(layout.upText.Width(), up) << dpi;
    EXPECT_EQ(layout.downText.Height(), line) << dpi;
    // In order, left to right, none touching the next.
    EXPECT_LT(layout.downArrow.right, layout.downText.left) << dpi;
    EXPECT_LT(layout.downText.right, layout.upArrow.left) << dpi;
    EXPECT_LT(layout.upArrow.right, layout.upText.left) << dpi;
    EXPECT_GE(layout.downArrow.Height(), line / 2) << dpi;
  }
  // Padding scales with the resolution: 6 pixels at 96 DPI are 12 at 192.
  EXPECT_EQ(LayOutStrip(10, 10, 10, 96).downArrow.left, 6);
  EXPECT_EQ(LayOutStrip(10, 10, 10, 192).downArrow.left, 12);
}

TEST(StripLayout, ArrowsPointDownAndUpInsideTheirBoxes) {
  const PixelRect box{10, 20, 19, 34};
  for (const bool down : {true, false}) {
    const auto outline = ArrowOutline(box, down);
    int lowest = box.top;
    int highest = box.bottom;
    WindowPoint tip{-1, -1};
    for (const WindowPoint& p : outline) {
      EXPECT_TRUE(p.x >= box.left && p.x <= box.right && p.y >= box.top && p.y <= box.bottom);
      if (down && p.y > lowest) lowest = p.y, tip = p;
      if (!down && p.y < highest) highest = p.y, tip = p;
    }
    // The tip is the one point at the far end, in the middle.
    EXPECT_EQ(XY(tip), std::make_pair(14, down ? 34 : 20)) << down;
  }
}

TEST(StripPlacement, AStripIsMovedOntoTheMonitorAsLittleAsItTakes) {
  const WindowRect screen{0, 0, 1024, 768};
  const struct {
    const char* what;
    WindowRect strip;
    std::pair<int, int> expected;
  } rows[] = {
      {"inside: stays", {100, 700, 300, 720}, {100, 700}},
      {"over the task bar, still on the monitor: stays", {800, 745, 1000, 765}, {800, 745}},
      {"past the right edge", {900, 100, 1100, 120}, {824, 100}},
      {"past the bottom", {10, 760, 210, 780}, {10, 748}},
      {"left of the monitor", {-300, 50, -100, 70}, {0, 50}},
      {"on a monitor that was at the right and is gone", {1500, 300, 1700, 320}, {824, 300}},
      {"above and left", {-50, -50, 150, -30}, {0, 0}},
      {"wider than the monitor: its left edge", {-10, 10, 1090, 30}, {0, 10}},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(XY(KeepInside(row.strip, screen)), row.expected) << row.what;
  }
}

TEST(StripPlacement, WithoutAStoredPlaceItOpensInTheCornerAboveTheTaskBar) {
  const WindowRect work{0, 0, 1024, 738};
  const struct {
    const char* what;
    std::optional<WindowRect> taskBar;
    int dpi;
    std::pair<int, int> expected;
  } rows[] = {
      {"the work area's corner, 8 pixels away", std::nullopt, 96, {816, 710}},
      {"the margin scales: 12 pixels at 144 DPI", std::nullopt, 144, {812, 706}},
      {"a bar the work area leaves out changes nothing", WindowRect{0, 738, 1024, 768}, 96, {816, 710}},
      {"a bar inside the work area at its bottom: above it", WindowRect{0, 708, 1024, 738}, 96, {816, 680}},
      {"a bar at the top: nothing", WindowRect{0, 0, 1024, 30}, 96, {816, 710}},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(XY(DefaultStripPlace(200, 20, work, row.taskBar, row.dpi)), row.expected) << row.what;
  }
}

TEST(ReadoutSettings, StoredValuesAreReadAndAnUnknownOpacityIsFullyOpaque) {
  const struct {
    std::vector<std::pair<const char*, const char*>> stored;
    ReadoutSettings expected;
  } rows[] = {
      {{}, {false, false, false, 100}},
      {{{"speedicon", "YES"}, {"speedstrip", "yes"}, {"stripsum", "YES"}, {"stripopacity", "60"}}, {true, true, true, 60}},
      {{{"speedicon", "1"}, {"stripopacity", "80"}}, {false, false, false, 80}},
      {{{"stripopacity", "70"}}, {false, false, false, 100}},
      {{{"stripopacity", "0"}}, {false, false, false, 100}},
      {{{"stripopacity", "percent"}}, {false, false, false, 100}},
  };
  for (const auto& row : rows) {
    test::MemoryIni ini;
    for (const auto& [key, value] : row.stored) ini.values[std::string("OPTIONS/") + key] = value;
    EXPECT_EQ(LoadReadoutSettings(ini), row.expected);
  }
}

TEST(ReadoutSettings, SavedSettingsReadBackAndOpacitiesBecomeLayeredAlphas) {
  test::MemoryIni ini;
  const ReadoutSettings saved{true, false, true, 80};
  EXPECT_TRUE(SaveReadoutSettings(saved, ini));
  EXPECT_EQ(ini.values["OPTIONS/speedicon"], "YES");
  EXPECT_EQ(ini.values["OPTIONS/stripopacity"], "80");
  EXPECT_EQ(LoadReadoutSettings(ini), saved);
  ini.failWrites = true;
  EXPECT_FALSE(SaveReadoutSettings(saved, ini));
  // 255 x percent / 100, rounded down.
  const std::pair<std::int32_t, int> alphas[] = {{100, 255}, {80, 204}, {60, 153}};
  for (const auto& [percent, alpha] : alphas) EXPECT_EQ(OpacityAlpha(percent), alpha) << percent;
}

}  // namespace
}  // namespace tral
