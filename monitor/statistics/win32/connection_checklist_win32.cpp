// The statistics window's list of connections: row painting, check marks, placeholder items.
#include "monitor/statistics/win32/connection_checklist_win32.h"

#include <windowsx.h>

#include "monitor/resources/resource.h"
#include "monitor/ui/win32/gdi_win32.h"
#include "shared/win32/unique_handle.h"

namespace tral::win32 {

namespace {

constexpr COLORREF kCheckedRowColor = 0xE1FFFF;  // pale yellow
constexpr COLORREF kFocusFrameColor = 0xFF0000;  // blue
constexpr COLORREF kSelectedTextColor = 0x000000;
// The placeholder every item holds; never shown (the list keeps no strings, so it is the item's
// data only).
constexpr char kPlaceholder[] = "a";

RECT ToRect(const PixelRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

void FillWith(HDC dc, const RECT& rect, COLORREF color) {
  UniqueGdiObject brush(::CreateSolidBrush(color));
  if (brush) ::FillRect(dc, &rect, static_cast<HBRUSH>(brush.Get()));
}

// One line, vertically centred, with an end ellipsis when it does not fit. The ellipsis is
// placed by the system on whole characters of the code page, so a double-byte character is
// never cut in half; the text itself is never modified. Ampersands mark the next character.
void DrawCell(HDC dc, const std::string& text, const PixelRect& box, UINT align) {
  RECT rect = ToRect(box);
  ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rect,
              align | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
}

}  // namespace

void CCSeznamIPList::SetItemCount(int count) {
  HWND list = Handle();
  if (list == nullptr) return;
  ui::ListBox box(list);
  const ItemCountPlan plan = PlanItemCount(box.Count(), count);
  if (plan.empty) box.ResetContent();
  for (int i = 0; i < plan.add; ++i) box.AddString(kPlaceholder);
  if (plan.selectFirst) box.SetCurSel(0);
  ::InvalidateRect(list, nullptr, TRUE);
}

void CCSeznamIPList::ToggleCheck(int index) {
  HWND list = Handle();
  if (list == nullptr || !IsRowIndex(index, data_.RowCount())) return;
  RECT rect{};
  const bool haveRect = ui::ListBox(list).ItemRect(index, rect);
  const auto row = static_cast<std::size_t>(index);
  data_.SetChecked(row, !data_.IsChecked(row));
  ::SendMessageA(::GetParent(list), kStatisticTotalsMessage, 0, 0);
  ::InvalidateRect(list, haveRect ? &rect : nullptr, TRUE);
}

void CCSeznamIPList::ToggleSelected() { ToggleCheck(ui::ListBox(Handle()).CurSel()); }

bool CCSeznamIPList::OnDrawItem(const DRAWITEMSTRUCT& item) {
  DrawItem(item);
  return true;
}

void CCSeznamIPList::DrawItem(const DRAWITEMSTRUCT& item) {
  // An empty list draws its focus with item -1 (UINT max); rows may also be fewer than items for
  // a moment during a recount.
  const int index = item.itemID > static_cast<UINT>(INT_MAX) ? -1 : static_cast<int>(item.itemID);
  if (!IsRowIndex(index, data_.RowCount())) return;
  const auto rowIndex = static_cast<std::size_t>(index);
  const StatisticRow& row = data_.Row(rowIndex);
  const bool checked = data_.IsChecked(rowIndex);
  HDC dc = item.hDC;
  const RECT& rect = item.rcItem;
  const RowGeometry geometry =
      ComputeRowGeometry(PixelRect{rect.left, rect.top, rect.right, rect.bottom}, widths_);
  checkBoxEdge_ = geometry.checkBoxEdge;

  const COLORREF oldText = ::GetTextColor(dc);
  const COLORREF oldBack = ::GetBkColor(dc);
  const int oldMode = ::SetBkMode(dc, TRANSPARENT);

  const bool disabled = (item.itemState & ODS_DISABLED) != 0;
  if (disabled) {
    ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
    ::FillRect(dc, &rect, ::GetSysColorBrush(COLOR_BTNFACE));
  } else {
    if ((item.itemState & ODS_SELECTED) != 0) ::SetTextColor(dc, kSelectedTextColor);
    // An unchecked row is filled too, selected or not: a selection or focus change repaints the
    // row without erasing it, and transparent text over the old pixels would thicken with every
    // repaint while a focus frame that has moved on stayed behind.
    FillWith(dc, rect, checked ? kCheckedRowColor : oldBack);
  }
  if (!disabled && (item.itemState & ODS_FOCUS) != 0) {
    UniqueGdiObject frame(::CreateSolidBrush(kFocusFrameColor));
    if (frame) ::FrameRect(dc, &rect, static_cast<HBRUSH>(frame.Get()));
  }

  DrawCell(dc, row.ipText, geometry.ip, DT_LEFT);
  DrawCell(dc, FormatSize(row.downloadedKb), geometry.downloaded, DT_RIGHT);
  DrawCell(dc, FormatSize(row.uploadedKb), geometry.uploaded, DT_RIGHT);
  DrawCell(dc, row.ssid, geometry.ssid, DT_LEFT);

  RECT square = ToRect(geometry.checkBox);
  ::DrawFrameControl(dc, &square, DFC_BUTTON, DFCS_BUTTONCHECK | (checked ? DFCS_CHECKED : 0));

  ::SetBkMode(dc, oldMode);
  ::SetTextColor(dc, oldText);
  ::SetBkColor(dc, oldBack);
}

LRESULT CCSeznamIPList::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_LBUTTONUP:
      // The button going down selected the row under the pointer; only the column matters here.
      if (GET_X_LPARAM(lParam) < checkBoxEdge_) ToggleSelected();
      break;
    case WM_CHAR:
      if (wParam == ' ') ToggleSelected();
      break;
    default:
      break;
  }
  return Default(message, wParam, lParam);
}

}  // namespace tral::win32
