// The Speed graph window: painting the ring's last minutes or the slots' last hours, and the current
// figures.
#include "monitor/charts/win32/speed_graph_wnd_win32.h"

#include <iterator>

#include "monitor/charts/speed_view.h"
#include "monitor/resources/resource.h"

namespace tral::win32 {

namespace {
constexpr char kCaption[] = "Speed graph";
constexpr char kWaiting[] = "Waiting for the first figures";
constexpr int kLineWidth = 2;
}  // namespace

CSpeedGraphWnd::CSpeedGraphWnd(const chart::SpeedRing& ring, const MonitorSettings& settings, DayFileSource& files,
                               const LiveToday& live)
    : ui::Dialog(IDD_SPEED_GRAPH), ring_(ring), settings_(settings), live_(live), slotDays_(files), canvas_(*this) {}

bool CSpeedGraphWnd::OnInitDialog() {
  ::SetWindowTextA(Handle(), kCaption);
  dpi_ = WindowDpi(Handle());
  figuresHeight_ = ControlHeight(Handle(), IDC_SPEED_FIGURES);
  canvas_.Subclass(Handle(), IDC_SPEED_CANVAS);
  SetItemText(IDC_SPEED_FIGURES, kWaiting);
  HWND range = Item(IDC_SPEED_RANGE);
  for (const char* text : kSpeedRangeTexts) ::SendMessageA(range, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  ::SendMessageA(range, CB_SETCURSEL, static_cast<WPARAM>(range_), 0);
  KeepMinimumSize();
  LayOutControls();
  return true;
}

std::optional<LRESULT> CSpeedGraphWnd::OnMessage(UINT message, WPARAM, LPARAM) {
  if (message != WM_SIZE) return std::nullopt;
  LayOutControls();
  return 0;
}

void CSpeedGraphWnd::OnCommand(int id, int code, HWND control) {
  if (id == IDC_SPEED_RANGE && code == CBN_SELCHANGE) {
    const LRESULT chosen = ::SendMessageA(Item(IDC_SPEED_RANGE), CB_GETCURSEL, 0, 0);
    if (chosen >= 0 && chosen < static_cast<LRESULT>(std::size(kSpeedRangeTexts))) {
      range_ = static_cast<SpeedRange>(chosen);
    }
    canvas_.Repaint();
    return;
  }
  ui::Dialog::OnCommand(id, code, control);
}

void CSpeedGraphWnd::LayOutControls() {
  LayOutCanvasAndLine(Handle(), IDC_SPEED_CANVAS, IDC_SPEED_FIGURES, figuresHeight_, dpi_, IDC_SPEED_RANGE);
}

chart::SpeedGraphInput CSpeedGraphWnd::GraphInput(const PixelRect& area) {
  if (range_ == SpeedRange::kFiveMinutes) return SpeedGraphOf(ring_, settings_, area, dpi_);
  if (!live_.known) return SlotSpeedGraphOf({}, {}, std::nullopt, 0, range_, settings_, area, dpi_);
  // Yesterday's slots for the hours of the last day before midnight; today's with what the service
  // counted since its last save.
  const std::uint64_t now = ::GetTickCount64();
  const TimedDay yesterday = slotDays_.Day(AddDays(live_.date, -1), now);
  TimedDay today = slotDays_.Day(live_.date, now);
  AddLiveFigures(today, live_);
  return SlotSpeedGraphOf(yesterday, today, live_.shown, live_.secondOfDay, range_, settings_, area, dpi_);
}

void CSpeedGraphWnd::Update(const MainView& view) {
  if (Handle() == nullptr) return;
  SetItemText(IDC_SPEED_FIGURES, ring_.Size() == 0 ? kWaiting : SpeedFiguresText(view, settings_));
  canvas_.Repaint();
}

void CSpeedGraphWnd::PaintChart(HDC dc, const PixelRect& area) {
  ChartPainter paint(dc, reinterpret_cast<HFONT>(::SendMessageA(Handle(), WM_GETFONT, 0, 0)));
  const chart::SpeedGraphLayout layout = chart::LayOutSpeedGraph(GraphInput(area), paint.Measure());
  paint.Fill(area, chart::kBackgroundColor);
  paint.Axis(layout.axis, layout.plot);
  paint.Text(layout.unit, chart::kTextColor);
  // The upload line thinner and in front: where both speeds are equal (ping) both stay visible.
  paint.Lines(layout.rxLines, chart::kDownloadColor, ScaleForDpi(kLineWidth, dpi_));
  paint.Lines(layout.txLines, chart::kUploadColor, ScaleForDpi(1, dpi_));
  if (range_ == SpeedRange::kFiveMinutes ? ring_.Size() > 0 : live_.known) {
    for (const chart::PlacedLabel& label : layout.timeLabels) paint.Text(label.label, chart::kTextColor, true);
  }
  paint.Legend(layout.legend);
}

}  // namespace tral::win32
