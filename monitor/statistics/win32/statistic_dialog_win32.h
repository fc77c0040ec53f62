// The statistics window: a span of days or one day counted from the day files, per connection.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "monitor/framework/controls.h"
#include "monitor/charts/win32/daily_chart_wnd_win32.h"
#include "monitor/framework/dialog.h"
#include "monitor/settings/monitor_settings.h"
#include "monitor/statistics/checklist_layout.h"
#include "monitor/statistics/win32/connection_checklist_win32.h"
#include "history/win32/day_file_source_win32.h"
#include "shared/win32/unique_handle.h"

namespace tral::win32 {

class CStatisticDlg : public ui::Dialog {
 public:
  // Day files from the directory of the running executable; the day-view flag is stored in the
  // monitor's INI file when the window closes.
  CStatisticDlg();
  // Day files from `dayFileDirectory` (ending in a backslash); the flag goes to `iniPath`.
  CStatisticDlg(std::string dayFileDirectory, std::string iniPath);

  // Set before the window runs; read back after it closed.
  void SetDayView(bool dayView) { dayView_ = dayView; }
  bool DayView() const { return dayView_; }
  // The units the Daily traffic window shows its figures in (the defaults until set).
  void SetSettings(const MonitorSettings& settings) { settings_ = settings; }
  // The monitor's live figures of today, which the Daily traffic window adds to today's hours; they
  // outlive this window. Without them today's hours are those of its files.
  void SetLiveToday(const LiveToday* live) { live_ = live; }
  // The live figures changed.
  void LiveUpdated();
  const CStatisticData& Data() const { return list_.Data(); }
  // The Daily traffic window while it is open, else null.
  const CDailyChartWnd* Chart() const { return chart_ && chart_->Handle() != nullptr ? chart_.get() : nullptr; }

  // Counts the current span or day again and shows the rows and totals.
  void Recount();

 protected:
  bool OnInitDialog() override;
  void OnCommand(int id, int code, HWND control) override;
  std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Stores the day-view flag. It runs inside EndDialog, whoever ends the window: a close request
  // that ends the whole program and then deletes the INI file finds the flag already written.
  void OnEnding(INT_PTR result) override;

 private:
  void ApplyDayView();
  void StepDay();
  void ShowTotals();
  void OpenChart();
  void PaintHeader();
  CivilDate PickerDate(const ui::DateTimePicker& picker) const;
  void SetPickerDate(ui::DateTimePicker& picker, const CivilDate& date);

  std::string iniPath_;
  Win32DayFileSource files_;  // declared before the list, which reads through it
  CCSeznamIPList list_;
  MonitorSettings settings_;
  const LiveToday* live_ = nullptr;
  // After the data it reads; it follows the span last counted and the check marks.
  std::unique_ptr<CDailyChartWnd> chart_;
  CivilDate countedFirst_;
  CivilDate countedLast_;
  PixelRect headerBand_;  // dialog client coordinates
  UniqueGdiObject headerFont_;
  ui::DateTimePicker lastDay_;
  ui::DateTimePicker firstDay_;  // the day itself in day view
  bool dayView_ = false;
  ui::UpDown daySpin_;
  int dpi_ = 96;
  bool settingDates_ = false;  // our own picker changes are not the user's
};

}  // namespace tral::win32
