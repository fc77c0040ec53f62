// The Daily traffic window: one downloaded and one uploaded bar per day of the Statistics window's
// span, for the rows checked there; the pointer or the arrow keys pick a day, whose figures show in
// a tooltip and on the status line. Modeless and resizable, owned by the Statistics window.
#pragma once

#include <windows.h>

#include <optional>

#include "chart/daily_chart.h"
#include "monitor/charts/daily_traffic.h"
#include "monitor/charts/win32/chart_canvas_win32.h"
#include "monitor/framework/dialog.h"

namespace tral::win32 {

class CDailyChartWnd : public ui::Dialog, private ChartCanvas::Listener {
 public:
  // Shows the days `rows` counted, summed over its checked rows; the data and the settings
  // outlive the window (the Statistics window owns all three).
  CDailyChartWnd(const CStatisticData& rows, const MonitorSettings& settings);

  // Shows the days from `first` to `last` of the last count, over the rows checked now.
  void ShowSpan(const CivilDate& first, const CivilDate& last);
  const DailyTraffic& Traffic() const { return traffic_; }

 protected:
  bool OnInitDialog() override;
  std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void PaintChart(HDC dc, const PixelRect& area) override;
  void OnPointer(int x, int y) override;
  void OnPointerLeft() override;
  bool OnKey(UINT key) override;

  void LayOutControls();
  void Highlight(std::optional<std::size_t> day, std::optional<POINT> tipAt);
  void ShowStatus();

  const CStatisticData& rows_;
  const MonitorSettings& settings_;
  ChartCanvas canvas_;
  DailyTraffic traffic_;
  chart::DailyChartLayout layout_;  // as last painted: the pointer is tested against it
  std::optional<std::size_t> highlight_;
  int dpi_ = 96;
  int statusHeight_ = 0;  // pixels
};

}  // namespace tral::win32
