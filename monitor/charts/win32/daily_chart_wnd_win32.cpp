// The Daily traffic window: reading the span or a day's slots, painting the layout, the pointer,
// the keys, the tip.
#include "monitor/charts/win32/daily_chart_wnd_win32.h"

#include "monitor/resources/resource.h"

namespace tral::win32 {

namespace {
constexpr char kCaption[] = "Daily traffic";
}  // namespace

CDailyChartWnd::CDailyChartWnd(const CStatisticData& rows, const MonitorSettings& settings, DayFileSource& files,
                               const LiveToday* live)
    : ui::Dialog(IDD_DAILY_CHART), rows_(rows), settings_(settings), live_(live), slotDays_(files), canvas_(*this) {}

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

void CDailyChartWnd::OnCommand(int id, int code, HWND control) {
  if (id == IDC_CHART_SLOTS && code == BN_CLICKED && hoursOf_) {
    // The same time stays picked: an hour becomes its first slot, a slot its hour.
    const bool slots = ::IsDlgButtonChecked(Handle(), IDC_CHART_SLOTS) == BST_CHECKED;
    const std::size_t per = SlotsPerBucket(TimeGrain::kHour);
    if (highlight_) highlight_ = slots ? *highlight_ * per : *highlight_ / per;
    hours_.grain = slots ? TimeGrain::kFiveMinutes : TimeGrain::kHour;
    CountHours();
    ShowView();
    ::SetFocus(Item(IDC_CHART_CANVAS));
    return;
  }
  ui::Dialog::OnCommand(id, code, control);
}

void CDailyChartWnd::LayOutControls() {
  LayOutCanvasAndLine(Handle(), IDC_CHART_CANVAS, IDC_CHART_STATUS, statusHeight_, dpi_, IDC_CHART_SLOTS);
}

void CDailyChartWnd::ShowSpan(const CivilDate& first, const CivilDate& last) {
  std::optional<std::size_t>& dayPicked = hoursOf_ ? dayHighlight_ : highlight_;
  const std::optional<CivilDate> picked =
      dayPicked && *dayPicked < traffic_.days.size() ? std::optional(traffic_.days[*dayPicked].date) : std::nullopt;
  traffic_ = DailyTrafficOf(rows_, first, last);
  // The day picked before stays picked while the new span holds it.
  dayPicked.reset();
  if (picked && !(*picked < traffic_.first) && !(traffic_.last < *picked)) {
    dayPicked = static_cast<std::size_t>(DaysFromCivil(*picked) - DaysFromCivil(traffic_.first));
  }
  if (hoursOf_) CountHours();
  Tooltips().Untrack(Handle(), IDC_CHART_CANVAS);
  ShowStatus();
  canvas_.Repaint();
}

void CDailyChartWnd::CountHours() {
  if (!hoursOf_) return;
  TimedDay day = slotDays_.Day(*hoursOf_, ::GetTickCount64());
  if (live_ != nullptr) AddLiveFigures(day, *live_);
  hours_ = DayHoursOf(day, hours_.grain, rows_);
}

void CDailyChartWnd::ShowHours(const CivilDate& date) {
  if (!hoursOf_) dayHighlight_ = highlight_;
  hoursOf_ = date;
  highlight_.reset();
  CountHours();
  ShowView();
}

void CDailyChartWnd::ShowDays() {
  if (!hoursOf_) return;
  hoursOf_.reset();
  highlight_ = dayHighlight_;
  ShowView();
}

void CDailyChartWnd::ShowView() {
  ::ShowWindow(Item(IDC_CHART_SLOTS), hoursOf_ ? SW_SHOW : SW_HIDE);
  LayOutControls();
  Tooltips().Untrack(Handle(), IDC_CHART_CANVAS);
  ShowStatus();
  canvas_.Repaint();
}

void CDailyChartWnd::LiveUpdated() {
  if (Handle() == nullptr || !hoursOf_ || live_ == nullptr || !(live_->date == *hoursOf_)) return;
  CountHours();
  ShowStatus();
  canvas_.Repaint();
}

std::size_t CDailyChartWnd::ColumnCount() const { return hoursOf_ ? hours_.buckets.size() : traffic_.days.size(); }

std::vector<std::string> CDailyChartWnd::ColumnLines(std::size_t column) const {
  return hoursOf_ ? BucketFigureLines(hours_, column, settings_) : DayFigureLines(traffic_.days[column], settings_);
}

void CDailyChartWnd::ShowStatus() {
  std::vector<std::string> lines;
  if (highlight_ && *highlight_ < ColumnCount()) {
    lines = ColumnLines(*highlight_);
  } else {
    lines = hoursOf_ ? DayHoursLines(hours_, settings_) : SpanFigureLines(traffic_, settings_);
  }
  SetItemText(IDC_CHART_STATUS, JoinLines(lines, "   "));
}

void CDailyChartWnd::PaintChart(HDC dc, const PixelRect& area) {
  ChartPainter paint(dc, reinterpret_cast<HFONT>(::SendMessageA(Handle(), WM_GETFONT, 0, 0)));
  layout_ = chart::LayOutDailyChart(hoursOf_ ? DayHoursChartOf(hours_, settings_, area, dpi_)
                                             : DailyChartOf(traffic_, settings_, area, dpi_),
                                    paint.Measure());
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

void CDailyChartWnd::Highlight(std::optional<std::size_t> column, std::optional<POINT> tipAt) {
  if (column != highlight_) {
    highlight_ = column;
    ShowStatus();
    canvas_.Repaint();
  }
  // The tip goes over the column as painted: a paint still due (the hours just opened, keys
  // pressed faster than paints come) lays the columns out first.
  ::UpdateWindow(canvas_.Handle());
  if (!column || *column >= ColumnCount()) {
    Tooltips().Untrack(Handle(), IDC_CHART_CANVAS);
    return;
  }
  POINT at{};
  if (tipAt) {
    at = *tipAt;
  } else if (*column < layout_.columns.size()) {  // over the top of the column's bars
    const chart::DayColumn& c = layout_.columns[*column];
    at = POINT{(c.slot.left + c.slot.right) / 2, std::min(c.rx.top, c.tx.top)};
  }
  ::ClientToScreen(canvas_.Handle(), &at);
  const std::string text = JoinLines(ColumnLines(*column), "\n");
  Tooltips().Track(Handle(), IDC_CHART_CANVAS, text.c_str(), at);
}

void CDailyChartWnd::OnPointer(int x, int y) {
  const std::optional<std::size_t> column = chart::DayAt(layout_, x, y);
  // The tip keeps clear of the pointer, below and right of it.
  if (column) {
    Highlight(column, POINT{x + ScaleForDpi(12, dpi_), y + ScaleForDpi(16, dpi_)});
  } else {
    Tooltips().Untrack(Handle(), IDC_CHART_CANVAS);
  }
}

void CDailyChartWnd::OnPointerLeft() { Tooltips().Untrack(Handle(), IDC_CHART_CANVAS); }

void CDailyChartWnd::OnDoubleClick(int x, int y) {
  if (hoursOf_) return;
  const std::optional<std::size_t> day = chart::DayAt(layout_, x, y);
  if (day && *day < traffic_.days.size()) {
    highlight_ = day;
    ShowHours(traffic_.days[*day].date);
  }
}

bool CDailyChartWnd::OnKey(UINT key) {
  DayKey which;
  switch (key) {
    case VK_LEFT: which = DayKey::kLeft; break;
    case VK_RIGHT: which = DayKey::kRight; break;
    case VK_HOME: which = DayKey::kHome; break;
    case VK_END: which = DayKey::kEnd; break;
    case VK_RETURN:
      if (!hoursOf_ && highlight_ && *highlight_ < traffic_.days.size()) ShowHours(traffic_.days[*highlight_].date);
      return true;
    case VK_BACK:
      ShowDays();
      return true;
    default: return false;
  }
  Highlight(MoveHighlight(highlight_, which, ColumnCount()), std::nullopt);
  return true;
}

}  // namespace tral::win32
