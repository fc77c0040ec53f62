// The statistics window's list of connections: owner-drawn rows with check boxes over the data.
#pragma once

#include <windows.h>

#include "monitor/framework/controls.h"
#include "monitor/statistics/checklist_layout.h"
#include "history/statistic_data.h"

namespace tral::win32 {


// Subclasses the dialog's owner-drawn list box. Its items are placeholders that carry nothing:
// item i draws row i of the data it holds.
class CCSeznamIPList : public ui::SubclassedControl {
 public:
  CCSeznamIPList(DayFileSource& files, TextEqualIgnoringCase equal) : data_(files, equal) {}

  CStatisticData& Data() { return data_; }
  const CStatisticData& Data() const { return data_; }
  void SetColumnWidths(const ColumnWidths& widths) { widths_ = widths; }
  int CheckBoxEdge() const { return checkBoxEdge_; }

  // Makes the list box hold exactly `count` items, then repaints it.
  void SetItemCount(int count);
  // Flips the check mark of row `index`, tells the parent and redraws the row. An index that
  // names no row (LB_ERR, or past the last row) changes nothing.
  void ToggleCheck(int index);
  // Paints one row; items that name no row are left alone.
  void DrawItem(const DRAWITEMSTRUCT& item);

  bool OnDrawItem(const DRAWITEMSTRUCT& item) override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void ToggleSelected();

  CStatisticData data_;
  ColumnWidths widths_;
  int checkBoxEdge_ = kInitialCheckBoxEdge;  // client x; follows the row height once drawn
};

}  // namespace tral::win32
