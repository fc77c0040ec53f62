// The Daily traffic window: one downloaded and one uploaded bar per day of the Statistics window's
// span, for the rows checked there; the pointer or the arrow keys pick a day, whose figures show in
// a tooltip and on the status line. Enter or a double click opens the day's hours (or its
// five-minute slots) from its slot file, today's with the monitor's live figures; Backspace goes
// back to the days. Modeless and resizable, owned by the Statistics window.
#pragma once

#include <windows.h>

#include <optional>

#include "chart/daily_chart.h"
#include "monitor/charts/day_hours.h"
#include "monitor/charts/daily_traffic.h"
#include "monitor/charts/live_today.h"
#include "monitor/charts/slot_days.h"
#include "monitor/charts/win32/chart_canvas_win32.h"
#include "monitor/framework/dialog.h"

namespace tral::win32 {

class CDailyChartWnd : public ui::Dialog, private ChartCanvas::Listener {
 public:
  // Shows the days `rows` counted, summed over its checked rows; a day's hours come from the slot
  // files of `files`, today's with `live` added when given. All of them outlive the window (the
  // Statistics window owns the first three, the main window the live figures).
  CDailyChartWnd(const CStatisticData& rows, const MonitorSettings& settings, DayFileSource& files,
                 const LiveToday* live);

  // Shows the days from `first` to `last` of the last count, over the rows checked now (the hours
  // shown follow the check marks too).
  void ShowSpan(const CivilDate& first, const CivilDate& last);
  const DailyTraffic& Traffic() const { return traffic_; }
  // The hours (or slots) of `date` instead of the days, and back.
  void ShowHours(const CivilDate& date);
  void ShowDays();
  // The live figures changed: today's hours are drawn again.
  void LiveUpdated();

 protected:
  bool OnInitDialog() override;
  void OnCommand(int id, int code, HWND control) override;
  std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void PaintChart(HDC dc, const PixelRect& area) override;
  void OnPointer(int x, int y) override;
  void OnPointerLeft() override;
  bool OnKey(UINT key) override;
  bool WantsEnter() const override { return true; }
  void OnDoubleClick(int x, int y) override;

  void LayOutControls();
  // After the days, the hours or the slots were chosen: the controls, the status line, the chart.
  void ShowView();
  // The columns shown (days, or hours or slots) and the lines of one of them.
  std::size_t ColumnCount() const;
  std::vector<std::string> ColumnLines(std::size_t column) const;
  void Highlight(std::optional<std::size_t> column, std::optional<POINT> tipAt);
  void ShowStatus();
  // Reads the shown day's slots (only after a save) and sums them over the rows checked now.
  void CountHours();

  const CStatisticData& rows_;
  const MonitorSettings& settings_;
  const LiveToday* live_;
  SlotDays slotDays_;
  ChartCanvas canvas_;
  DailyTraffic traffic_;
  std::optional<CivilDate> hoursOf_;  // the day whose hours are shown
  DayHours hours_;
  chart::DailyChartLayout layout_;  // as last painted: the pointer is tested against it
  std::optional<std::size_t> highlight_;  // a column of what is shown
  std::optional<std::size_t> dayHighlight_;  // the day picked before its hours were opened
  int dpi_ = 96;
  int statusHeight_ = 0;  // pixels
};

}  // namespace tral::win32
