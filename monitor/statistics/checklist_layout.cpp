// Geometry and decisions of the statistics window's connection checklist and its header band.
#include "monitor/statistics/checklist_layout.h"

namespace tral {

namespace {
constexpr int kHeaderBandHeight = 18;  // pixels at 96 DPI
}  // namespace

ColumnWidths ScaledColumnWidths(int dpi) {
  const ColumnWidths at96;
  return ColumnWidths{ScaleForDpi(at96.ip, dpi), ScaleForDpi(at96.downloaded, dpi), ScaleForDpi(at96.uploaded, dpi)};
}

RowGeometry ComputeRowGeometry(const PixelRect& item, const ColumnWidths& widths) {
  const int height = item.bottom - item.top;
  RowGeometry row;
  const int edge = item.left + height - 2;
  row.checkBox = PixelRect{item.left, item.top + 1, edge, item.bottom - 1};
  row.checkBoxEdge = edge;
  row.ip = PixelRect{edge + 5, item.top, edge + 2 + widths.ip, item.bottom};
  row.downloaded = PixelRect{row.ip.right + 4, item.top, row.ip.right + 1 + widths.downloaded, item.bottom};
  row.uploaded =
      PixelRect{row.downloaded.right + 4, item.top, row.downloaded.right + 1 + widths.uploaded, item.bottom};
  row.ssid = PixelRect{row.uploaded.right + 6, item.top, item.right, item.bottom};
  return row;
}

bool IsRowIndex(int index, std::size_t rowCount) {
  return index >= 0 && static_cast<std::size_t>(index) < rowCount;
}

ItemCountPlan PlanItemCount(int current, int wanted) {
  if (current < 0) current = 0;
  if (wanted < 0) wanted = 0;
  ItemCountPlan plan;
  if (wanted < current) {
    plan.empty = true;
    plan.add = wanted;
  } else {
    plan.add = wanted - current;
  }
  plan.selectFirst = plan.add > 0;
  return plan;
}

PixelRect HeaderBand(const PixelRect& listWindow, int dpi) {
  return PixelRect{listWindow.left, listWindow.top - ScaleForDpi(kHeaderBandHeight, dpi), listWindow.right,
                   listWindow.top};
}

std::array<HeaderTitle, 4> HeaderTitles(const PixelRect& band, int dpi) {
  const int l = band.left;
  const auto at = [dpi, l](int offset) { return l + ScaleForDpi(offset, dpi); };
  return {{
      {"IP address", at(22), at(112), false},
      {"Downloaded", at(114), at(177), true},
      {"Uploaded", at(186), at(249), true},
      {"SSID", at(258), band.right, false},
  }};
}

}  // namespace tral
