// The statistics window: opening, day view, day steps, recount, header band and totals.
#include "monitor/statistics/win32/statistic_dialog_win32.h"

#include <commctrl.h>

#include "monitor/settings/ini_paths.h"
#include "monitor/settings/monitor_settings.h"
#include "history/win32/ansi_text_win32.h"
#include "monitor/settings/win32/settings_store_win32.h"
#include "monitor/resources/resource.h"
#include "monitor/statistics/day_problem_text.h"
#include "history/win32/local_date_win32.h"
#include "monitor/ui/win32/gdi_win32.h"
#include "shared/names.h"

namespace tral::win32 {

namespace {

constexpr char kCaption[] = "Statistics";
constexpr char kFirstDayTip[] = "First day for statistic.";
constexpr char kDayTip[] = "Day to show statics for.";
constexpr int kDaysBeforeLast = 3;  // the span covers four days, the last one included
constexpr COLORREF kHeaderFill = 0xD2FFFF;  // pale yellow
constexpr COLORREF kHeaderText = 0x804000;  // dark blue
constexpr COLORREF kProblemTextColor = RGB(242, 0, 0);  // the main window's status colour

// Shows the wait cursor for a scope and puts the previous one back.
class WaitCursor {
 public:
  WaitCursor() : previous_(::SetCursor(::LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)))) {}  // IDC_WAIT
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
  ~WaitCursor() { ::SetCursor(previous_); }

 private:
  HCURSOR previous_;
};

}  // namespace

CStatisticDlg::CStatisticDlg() : CStatisticDlg(ModuleDirectory(GetModulePath()), GetIniPath(false)) {}

CStatisticDlg::CStatisticDlg(std::string dayFileDirectory, std::string iniPath)
    : ui::Dialog(IDD_STATISTIC),
      iniPath_(std::move(iniPath)),
      files_(std::move(dayFileDirectory)),
      list_(files_, EqualIgnoringCaseAnsi) {}

bool CStatisticDlg::OnInitDialog() {
  ui::Dialog::OnInitDialog();
  HWND window = Handle();
  {
    // Pixel figures are given for 96 DPI and follow the window's resolution.
    WindowDc dc(window);
    if (dc.Get() != nullptr) dpi_ = ::GetDeviceCaps(dc.Get(), LOGPIXELSY);
  }
  list_.Subclass(window, IDC_STAT_LIST);
  list_.SetColumnWidths(ScaledColumnWidths(dpi_));

  RECT listRect{};
  ::GetWindowRect(Item(IDC_STAT_LIST), &listRect);
  ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&listRect), 2);
  headerBand_ = HeaderBand(PixelRect{listRect.left, listRect.top, listRect.right, listRect.bottom}, dpi_);
  headerFont_.Reset(::CreateFontA(ScaleForDpi(kHeaderFontHeight, dpi_), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                  EASTEUROPE_CHARSET, OUT_STRING_PRECIS, CLIP_STROKE_PRECIS, ANTIALIASED_QUALITY,
                                  VARIABLE_PITCH | FF_SWISS, "MS Sans Serif"));

  firstDay_ = ui::DateTimePicker(Item(IDC_STAT_FIRST_DAY));
  lastDay_ = ui::DateTimePicker(Item(IDC_STAT_LAST_DAY));
  daySpin_ = ui::UpDown(Item(IDC_STAT_DAY_SPIN));

  ::SetWindowTextA(window, kCaption);
  SetItemText(IDC_STAT_FROM_LABEL, "From");
  SetItemText(IDC_STAT_TO_LABEL, "To");
  SetItemText(IDC_STAT_REFRESH, "&Refresh");
  SetItemText(IDC_STAT_DOWNLOAD_LABEL, "Total download:");
  SetItemText(IDC_STAT_UPLOAD_LABEL, "Total upload:");
  SetItemText(IDC_STAT_UPTIME_LABEL, "Windows uptime:");
  SetItemText(IDC_STAT_DAY_VIEW, "&Day view");
  SetItemText(IDCANCEL, "&Close");
  SetItemText(IDC_STAT_CHART, "Chart...");
  CreateTooltips({
      {IDC_STAT_FIRST_DAY, kFirstDayTip},
      {IDC_STAT_DAY_SPIN, "Fast day scroll."},
      {IDC_STAT_LAST_DAY, "Last day for statistics."},
      {IDC_STAT_REFRESH, "Re-count quantity and refresh list."},
      {IDC_STAT_LIST, "List of all active conection during the statistics period."},
      {IDC_STAT_DOWNLOAD_TOTAL,
       "Number of data totaly downloaded.\nThis sum is counted from all checked connection."},
      {IDC_STAT_UPTIME, "Amount of time the system was running."},
      {IDC_STAT_DAY_VIEW, "Show statistic for one day with fast scroll option."},
      {IDCANCEL, "Return to the main screen."},
      {IDC_STAT_CHART, "Show the days of the span as bars, for the checked connections."},
  });

  ::CheckDlgButton(window, IDC_STAT_DAY_VIEW, dayView_ ? BST_CHECKED : BST_UNCHECKED);
  daySpin_.SetRange(0, 1);
  daySpin_.SetPos(0);

  const CivilDate today = TodayLocalDate();
  SetPickerDate(firstDay_, today);
  SetPickerDate(lastDay_, today);
  if (dayView_) {
    ApplyDayView();
  } else {
    SetPickerDate(firstDay_, AddDays(today, -kDaysBeforeLast));
    Recount();
  }
  return true;
}

void CStatisticDlg::OnCommand(int id, int code, HWND control) {
  switch (id) {
    case IDC_STAT_DAY_VIEW:
      if (code == BN_CLICKED) {
        dayView_ = ::IsDlgButtonChecked(Handle(), IDC_STAT_DAY_VIEW) == BST_CHECKED;
        ApplyDayView();
      }
      break;
    case IDC_STAT_REFRESH:
      if (code == BN_CLICKED) Recount();
      break;
    case IDC_STAT_CHART:
      if (code == BN_CLICKED) OpenChart();
      break;
    default:
      ui::Dialog::OnCommand(id, code, control);
      break;
  }
}

std::optional<LRESULT> CStatisticDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kStatisticTotalsMessage:
      ShowTotals();
      return 0;
    case WM_CTLCOLORSTATIC:
      // The line about day files not counted whole stands out in the status colour.
      if (reinterpret_cast<HWND>(lParam) != Item(IDC_STAT_PROBLEM)) return std::nullopt;
      return StatusLineColors(wParam, kProblemTextColor);
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom == IDC_STAT_FIRST_DAY && header->code == DTN_DATETIMECHANGE && dayView_ &&
          !settingDates_) {
        Recount();
      }
      return std::nullopt;
    }
    case WM_VSCROLL:
      // Only the end of a move counts: the control then holds its new position.
      if (reinterpret_cast<HWND>(lParam) != daySpin_.Handle() || LOWORD(wParam) != SB_THUMBPOSITION) {
        return std::nullopt;
      }
      StepDay();
      return 0;
    case WM_PAINT:
      PaintHeader();
      return 0;
    default:
      return std::nullopt;
  }
}

void CStatisticDlg::OnEnding(INT_PTR) {
  (void)WriteIniBool(kOptionsSection, kDayStatisticKey, dayView_, iniPath_);
}

void CStatisticDlg::ApplyDayView() {
  if (dayView_) {
    SetItemText(IDC_STAT_FROM_LABEL, "Day");
    Tooltips().SetToolText(Handle(), IDC_STAT_FIRST_DAY, kDayTip);
    SetPickerDate(firstDay_, TodayLocalDate());
    ShowItem(IDC_STAT_TO_LABEL, false);
    ShowItem(IDC_STAT_LAST_DAY, false);
    ShowItem(IDC_STAT_DAY_SPIN, true);
  } else {
    SetPickerDate(firstDay_, AddDays(PickerDate(lastDay_), -kDaysBeforeLast));
    SetItemText(IDC_STAT_FROM_LABEL, "From");
    Tooltips().SetToolText(Handle(), IDC_STAT_FIRST_DAY, kFirstDayTip);
    ShowItem(IDC_STAT_TO_LABEL, true);
    ShowItem(IDC_STAT_LAST_DAY, true);
    ShowItem(IDC_STAT_DAY_SPIN, false);
  }
  Recount();
}

void CStatisticDlg::StepDay() {
  // Range 0 to 1 without wrapping: up always ends at 1, down at 0.
  const int step = daySpin_.Pos() == 1 ? 1 : -1;
  const CivilDate day = PickerDate(firstDay_);
  const CivilDate next = AddDays(day, step);
  // The pickers reach from 1601 to 9999; a step beyond either end stays on the day.
  if (next.year >= 1601 && next.year <= 9999) SetPickerDate(firstDay_, next);
  Recount();
}

void CStatisticDlg::Recount() {
  CStatisticData& data = list_.Data();
  data.Clear();
  WaitCursor wait;
  countedFirst_ = PickerDate(firstDay_);
  countedLast_ = dayView_ ? countedFirst_ : PickerDate(lastDay_);
  if (dayView_) {
    data.CountDay(countedFirst_);
  } else {
    data.CountSpan(countedFirst_, countedLast_);
  }
  list_.SetItemCount(static_cast<int>(data.RowCount()));
  ::SendMessageA(Handle(), kStatisticTotalsMessage, 0, 0);
}

void CStatisticDlg::ShowTotals() {
  const CStatisticData& data = list_.Data();
  const StatisticSums sums = data.SumChecked();
  SetItemText(IDC_STAT_DOWNLOAD_TOTAL, FormatSize(sums.downloadedKb));
  SetItemText(IDC_STAT_UPLOAD_TOTAL, FormatSize(sums.uploadedKb));
  SetItemText(IDC_STAT_UPTIME, FormatUptime(data.UptimeMs()));
  SetItemText(IDC_STAT_PROBLEM, DayProblemText(data.UnreadableDays(), data.DamagedDays()));
  // After every recount and every flipped check mark: the chart shows what the totals count, from
  // the days the recount kept.
  if (Chart() != nullptr) chart_->ShowSpan(countedFirst_, countedLast_);
}

void CStatisticDlg::OpenChart() {
  if (Chart() != nullptr) {
    ::SetForegroundWindow(chart_->Handle());
    return;
  }
  chart_ = std::make_unique<CDailyChartWnd>(list_.Data(), settings_, files_, live_);
  if (chart_->Create(Handle())) chart_->ShowSpan(countedFirst_, countedLast_);
}

void CStatisticDlg::LiveUpdated() {
  if (Chart() != nullptr) chart_->LiveUpdated();
}

void CStatisticDlg::PaintHeader() {
  PAINTSTRUCT paint;
  HDC dc = ::BeginPaint(Handle(), &paint);
  if (dc == nullptr) return;
  RECT band{headerBand_.left, headerBand_.top, headerBand_.right, headerBand_.bottom};
  {
    UniqueGdiObject fill(::CreateSolidBrush(kHeaderFill));
    if (fill) ::FillRect(dc, &band, static_cast<HBRUSH>(fill.Get()));
    ::FrameRect(dc, &band, static_cast<HBRUSH>(::GetStockObject(LTGRAY_BRUSH)));
    Selection font(dc, headerFont_.Get());
    const COLORREF oldText = ::SetTextColor(dc, kHeaderText);
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    for (const HeaderTitle& title : HeaderTitles(headerBand_, dpi_)) {
      RECT box{title.left, band.top, title.right, band.bottom};
      // Titles are plain text: no ampersand processing here, unlike the rows.
      ::DrawTextA(dc, title.text, -1, &box,
                  (title.alignRight ? DT_RIGHT : DT_LEFT) | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS |
                      DT_NOPREFIX);
    }
    ::SetBkMode(dc, oldMode);
    ::SetTextColor(dc, oldText);
  }
  ::EndPaint(Handle(), &paint);
}

CivilDate CStatisticDlg::PickerDate(const ui::DateTimePicker& picker) const {
  SYSTEMTIME time{};
  if (!picker.GetTime(time)) return TodayLocalDate();
  return CivilFromSystemTime(time);
}

void CStatisticDlg::SetPickerDate(ui::DateTimePicker& picker, const CivilDate& date) {
  settingDates_ = true;
  const SYSTEMTIME time = SystemTimeFromCivil(date);
  picker.SetTime(time);
  settingDates_ = false;
}

}  // namespace tral::win32
