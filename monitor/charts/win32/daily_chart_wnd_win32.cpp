// The Daily traffic window: reading the span, painting the layout, the pointer, the keys, the tip.
#include "monitor/charts/win32/daily_chart_wnd_win32.h"

#include "monitor/resources/resource.h"

namespace tral::win32 {

namespace {
constexpr char kCaption[] = "Daily traffic";
}  // namespace

CDailyChartWnd::CDailyChartWnd(const CStatisticData& rows, const MonitorSettings& settings)
    : ui::Dialog(IDD_DAILY_CHART), rows_(rows), settings_(settings), canvas_(*this) {}

bool CDailyChartWnd::OnInitDialog() {
  ::SetWindowTextA(Handle(), kCaption);
  dpi_ = WindowDpi(Handle());
  statusHeight_ = ControlHeight(Handle(), IDC_CHART_STATUS);
  canvas_.Subclass(Handle(), IDC_CHART_CANVAS);
  CreateTooltips({});
  Tooltips().AddTrackingTool(Handle(), IDC_CHART_CANVAS);
  KeepMinimumSize();
  LayOutControls();
  ::SetFocus(Item(IDC_CHART_CANVAS));
  return false;  // the focus is set
}

std::optional<LRESULT> CDailyChartWnd::OnMessage(UINT message, WPARAM, LPARAM) {
  if (message != WM_SIZE) return std::nullopt;
  LayOutControls();
  return 0;
}

void CDailyChartWnd::LayOutControls() {
  LayOutCanvasAndLine(Handle(), IDC_CHART_CANVAS, IDC_CHART_STATUS, statusHeight_, dpi_);
}

void CDailyChartWnd::ShowSpan(const CivilDate& first, const CivilDate& last) {
  const std::optional<CivilDate> highlighted =
      highlight_ && *highlight_ < traffic_.days.size() ? std::optional(traffic_.days[*highlight_].date) : std::nullopt;
  traffic_ = DailyTrafficOf(rows_, first, last);
  // The day picked before stays picked while the new span holds it.
  highlight_.reset();
  if (highlighted && !(*highlighted < traffic_.first) && !(traffic_.last < *highlighted)) {
    highlight_ = static_cast<std::size_t>(DaysFromCivil(*highlighted) - DaysFromCivil(traffic_.first));
  }
  Tooltips().Untrack(Handle(), IDC_CHART_CANVAS);
  ShowStatus();
  canvas_.Repaint();
}

void CDailyChartWnd::ShowStatus() {
  const std::vector<std::string> lines = highlight_ && *highlight_ < traffic_.days.size()
                                             ? DayFigureLines(traffic_.days[*highlight_], settings_)
                                             : SpanFigureLines(traffic_, settings_);
  SetItemText(IDC_CHART_STATUS, JoinLines(lines, "   "));
}

void CDailyChartWnd::PaintChart(HDC dc, const PixelRect& area) {
  ChartPainter paint(dc, reinterpret_cast<HFONT>(::SendMessageA(Handle(), WM_GETFONT, 0, 0)));
  layout_ = chart::LayOutDailyChart(DailyChartOf(traffic_, settings_, area, dpi_), paint.Measure());
  paint.Fill(area, chart::kBackgroundColor);
  if (highlight_ && *highlight_ < layout_.columns.size()) {
    paint.Fill(layout_.columns[*highlight_].slot, chart::kHighlightColor);
  }
  paint.Axis(layout_.axis, layout_.plot);
  paint.Text(layout_.unit, chart::kTextColor);
  for (const chart::DayColumn& column : layout_.columns) {
    if (column.txInFront) {
      paint.Fill(column.rx, chart::kDownloadColor);
      paint.Fill(column.tx, chart::kUploadColor);
    } else {
      paint.Fill(column.tx, chart::kUploadColor);
      paint.Fill(column.rx, chart::kDownloadColor);
    }
    if (column.mark == chart::DayMark::kDamaged) paint.Fill(column.markBox, chart::kDamagedColor);
  }
  for (const chart::PlacedLabel& label : layout_.dateLabels) paint.Text(label.label, chart::kTextColor, true);
  paint.Legend(layout_.legend);
}

void CDailyChartWnd::Highlight(std::optional<std::size_t> day, std::optional<POINT> tipAt) {
  if (day != highlight_) {
    highlight_ = day;
    ShowStatus();
    canvas_.Repaint();
  }
  if (!day || *day >= traffic_.days.size()) {
    Tooltips().Untrack(Handle(), IDC_CHART_CANVAS);
    return;
  }
  POINT at{};
  if (tipAt) {
    at = *tipAt;
  } else if (*day < layout_.columns.size()) {  // over the top of the day's bars
    const chart::DayColumn& column = layout_.columns[*day];
    at = POINT{(column.slot.left + column.slot.right) / 2, std::min(column.rx.top, column.tx.top)};
  }
  ::ClientToScreen(canvas_.Handle(), &at);
  const std::string text = JoinLines(DayFigureLines(traffic_.days[*day], settings_), "\n");
  Tooltips().Track(Handle(), IDC_CHART_CANVAS, text.c_str(), at);
}

void CDailyChartWnd::OnPointer(int x, int y) {
  const std::optional<std::size_t> day = chart::DayAt(layout_, x, y);
  // The tip keeps clear of the pointer, below and right of it.
  if (day) {
    Highlight(day, POINT{x + ScaleForDpi(12, dpi_), y + ScaleForDpi(16, dpi_)});
  } else {
    Tooltips().Untrack(Handle(), IDC_CHART_CANVAS);
  }
}

void CDailyChartWnd::OnPointerLeft() { Tooltips().Untrack(Handle(), IDC_CHART_CANVAS); }

bool CDailyChartWnd::OnKey(UINT key) {
  DayKey which;
  switch (key) {
    case VK_LEFT: which = DayKey::kLeft; break;
    case VK_RIGHT: which = DayKey::kRight; break;
    case VK_HOME: which = DayKey::kHome; break;
    case VK_END: which = DayKey::kEnd; break;
    default: return false;
  }
  Highlight(MoveHighlight(highlight_, which, traffic_.days.size()), std::nullopt);
  return true;
}

}  // namespace tral::win32
