// The checklist's row geometry, item-count rules, row index checks and the header band's boxes.
#include <gtest/gtest.h>

#include <climits>

#include "monitor/statistics/checklist_layout.h"
#include "monitor/statistics/day_problem_text.h"

namespace tral {
namespace {

TEST(ChecklistLayout, RowPartsFollowFromTheItemRectangleAndColumnWidths) {
  const struct {
    const char* what;
    PixelRect item;
    ColumnWidths widths;
    RowGeometry want;
  } cases[] = {
      // H = 16: the check box square ends at 0 + 16 - 2 = 14; IP from 14 + 5 to 14 + 2 + 90 = 106;
      // downloaded from 110 to 106 + 1 + 70 = 177; uploaded from 181 to 248; SSID from 254 on.
      {"first row at 96 DPI", {0, 0, 400, 16}, {90, 70, 70},
       {{0, 1, 14, 15}, {19, 0, 106, 16}, {110, 0, 177, 16}, {181, 0, 248, 16}, {254, 0, 400, 16}, 14}},
      // H = 18 from x = 2: square to 18; IP 23..110; downloaded 114..181; uploaded 185..252; SSID 258..
      {"third row, taller, moved right", {2, 36, 300, 54}, {90, 70, 70},
       {{2, 37, 18, 53}, {23, 36, 110, 54}, {114, 36, 181, 54}, {185, 36, 252, 54}, {258, 36, 300, 54}, 18}},
      // At 144 DPI (widths 135/105/105, H = 24): square to 22; IP 27..159; 163..265; 269..371; 377..
      {"wider columns", {0, 0, 500, 24}, {135, 105, 105},
       {{0, 1, 22, 23}, {27, 0, 159, 24}, {163, 0, 265, 24}, {269, 0, 371, 24}, {377, 0, 500, 24}, 22}},
  };
  for (const auto& c : cases) {
    const RowGeometry got = ComputeRowGeometry(c.item, c.widths);
    EXPECT_EQ(got.checkBox, c.want.checkBox) << c.what;
    EXPECT_EQ(got.ip, c.want.ip) << c.what;
    EXPECT_EQ(got.downloaded, c.want.downloaded) << c.what;
    EXPECT_EQ(got.uploaded, c.want.uploaded) << c.what;
    EXPECT_EQ(got.ssid, c.want.ssid) << c.what;
    EXPECT_EQ(got.checkBoxEdge, c.want.checkBoxEdge) << c.what;
  }
}

TEST(ChecklistLayout, PixelFiguresScaleWithTheResolution) {
  const struct {
    int pixels;
    int dpi;
    int want;
  } cases[] = {
      {18, 96, 18},   {90, 96, 90},    {-11, 96, -11},
      {18, 120, 23},  // 22.5 rounds up
      {70, 120, 88},  // 87.5
      {90, 144, 135}, {-11, 144, -17},  // -16.5 rounds away from zero
      {18, 192, 36},  {18, 0, 18},      // no resolution known: as given
  };
  for (const auto& c : cases) EXPECT_EQ(ScaleForDpi(c.pixels, c.dpi), c.want) << c.pixels << " at " << c.dpi;
  const ColumnWidths at120 = ScaledColumnWidths(120);
  EXPECT_EQ(at120.ip, 113);  // 112.5
  EXPECT_EQ(at120.downloaded, 88);
  EXPECT_EQ(at120.uploaded, 88);
}

TEST(ChecklistLayout, ItemCountIsMatchedByEmptyingAddingOrKeeping) {
  const struct {
    const char* what;
    int current;
    int wanted;
    ItemCountPlan want;
  } cases[] = {
      {"first fill", 0, 3, {false, 3, true}},
      {"more rows add the difference", 2, 5, {false, 3, true}},
      {"fewer rows empty and refill", 5, 2, {true, 2, true}},
      {"no rows any more", 5, 0, {true, 0, false}},
      {"same count keeps items and selection", 3, 3, {false, 0, false}},
      {"empty stays empty", 0, 0, {false, 0, false}},
      {"a failed count reads as empty", -1, 2, {false, 2, true}},
  };
  for (const auto& c : cases) {
    const ItemCountPlan got = PlanItemCount(c.current, c.wanted);
    EXPECT_EQ(got.empty, c.want.empty) << c.what;
    EXPECT_EQ(got.add, c.want.add) << c.what;
    EXPECT_EQ(got.selectFirst, c.want.selectFirst) << c.what;
  }
}

TEST(ChecklistLayout, OnlyIndexesOfExistingRowsAreRows) {
  const struct {
    int index;
    std::size_t rows;
    bool want;
  } cases[] = {
      {-1, 3, false},  // LB_ERR: nothing selected
      {0, 0, false},   // an empty list
      {0, 1, true},    {2, 3, true},
      {3, 3, false},   // a click below the last row
      {INT_MAX, 3, false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsRowIndex(c.index, c.rows), c.want) << c.index << " of " << c.rows;
}

TEST(ChecklistLayout, HeaderBandSitsOnTheListWithTitlesOverTheColumns) {
  const PixelRect list{11, 57, 411, 190};
  const struct {
    int dpi;
    PixelRect band;
    int boxes[4][2];
  } cases[] = {
      {96, {11, 39, 411, 57}, {{33, 123}, {125, 188}, {197, 260}, {269, 411}}},
      // 120 DPI: 18 -> 23 high; offsets 22 -> 28 (27.5), 112 -> 140, 114 -> 143 (142.5), 177 -> 221
      // (221.25), 186 -> 233 (232.5), 249 -> 311 (311.25), 258 -> 323 (322.5).
      {120, {11, 34, 411, 57}, {{39, 151}, {154, 232}, {244, 322}, {334, 411}}},
  };
  for (const auto& c : cases) {
    const PixelRect band = HeaderBand(list, c.dpi);
    EXPECT_EQ(band, c.band) << c.dpi;
    const auto titles = HeaderTitles(band, c.dpi);
    const char* texts[] = {"IP address", "Downloaded", "Uploaded", "SSID"};
    const bool right[] = {false, true, true, false};
    for (int i = 0; i < 4; ++i) {
      EXPECT_STREQ(titles[i].text, texts[i]);
      EXPECT_EQ(titles[i].left, c.boxes[i][0]) << c.dpi << " " << texts[i];
      EXPECT_EQ(titles[i].right, c.boxes[i][1]) << c.dpi << " " << texts[i];
      EXPECT_EQ(titles[i].alignRight, right[i]) << texts[i];
    }
  }
}

}  // namespace
}  // namespace tral

namespace tral {
namespace {

TEST(DayProblemText, NamesWhatWasNotCountedWhole) {
  const CivilDate a{2026, 3, 13}, b{2026, 3, 14}, c{2026, 3, 15}, d{2026, 3, 16};
  const struct {
    std::vector<CivilDate> unreadable;
    std::vector<CivilDate> damaged;
    const char* text;
  } cases[] = {
      {{}, {}, ""},
      {{a}, {}, "Not counted, could not be read: 20260313.bin"},
      {{}, {a, b}, "Counted in part, damaged: 20260313.bin, 20260314.bin"},
      {{a}, {b}, "Not counted, could not be read: 20260313.bin; Counted in part, damaged: 20260314.bin"},
      {{a, b, c, d}, {}, "Not counted, could not be read: 20260313.bin, 20260314.bin, 20260315.bin and 1 more"},
  };
  for (const auto& k : cases) EXPECT_EQ(DayProblemText(k.unreadable, k.damaged), k.text);
}

}  // namespace
}  // namespace tral
