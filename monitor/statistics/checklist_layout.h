// Geometry and decisions of the statistics window's connection checklist and its header band.
#pragma once

#include <array>
#include <cstddef>

#include "shared/pixel_geometry.h"

namespace tral {

// Widths of the checklist's text columns, in pixels.
struct ColumnWidths {
  int ip = 90;
  int downloaded = 70;
  int uploaded = 70;
};
ColumnWidths ScaledColumnWidths(int dpi);

// Where one row's parts go, from the item rectangle the list box gives: the check box is a square
// as high as the row less a pixel above and below, the text columns follow it with small gaps,
// and the SSID takes what is left. Every text box spans the row's height.
struct RowGeometry {
  PixelRect checkBox;
  PixelRect ip;
  PixelRect downloaded;
  PixelRect uploaded;
  PixelRect ssid;
  int checkBoxEdge = 0;  // client x right of the check box column: a click left of it toggles
};
RowGeometry ComputeRowGeometry(const PixelRect& item, const ColumnWidths& widths);

// The check box edge before any row has been drawn.
inline constexpr int kInitialCheckBoxEdge = 16;

// A list box index that names a row: list boxes answer LB_ERR (-1) when nothing is selected, and
// an index may outlive the rows it was taken for.
bool IsRowIndex(int index, std::size_t rowCount);

// How a list box holding `current` placeholder items comes to hold `wanted`: fewer empties it
// and adds them all again, more adds the difference, the same adds nothing. The first item is
// selected whenever something was added; otherwise the selection stays.
struct ItemCountPlan {
  bool empty = false;
  int add = 0;
  bool selectFirst = false;
};
ItemCountPlan PlanItemCount(int current, int wanted);

// The header band above the list: as wide as the list's window, its bottom on the list's top,
// 18 pixels high at 96 DPI.
PixelRect HeaderBand(const PixelRect& listWindow, int dpi);

struct HeaderTitle {
  const char* text;
  int left;  // client x
  int right;
  bool alignRight;
};
// The four column titles in their boxes across the band, placed over the checklist's columns.
std::array<HeaderTitle, 4> HeaderTitles(const PixelRect& band, int dpi);

// Height of the header font at 96 DPI, as a character height (negative).
inline constexpr int kHeaderFontHeight = -11;

}  // namespace tral
