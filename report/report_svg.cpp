// Writing the daily bars as SVG: the chart layout's boxes become rects, lines and texts.
#include "report/report_svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "chart/daily_chart.h"
#include "shared/utf8_text.h"

namespace tral::report {

namespace {

using chart::Rgb;

constexpr int kFontSize = 12;  // pixels
constexpr int kLineHeight = 15;
constexpr int kBaseline = 11;  // from a line's top to its text's baseline
constexpr double kCharWidth = 7.5;  // a generous average of a sans-serif face at 12 pixels
constexpr int kHeight = 340;
constexpr int kHeading = 26;  // the line above the chart

struct Unit {
  const char* label;
  double bytes;
};

// The largest of KB, MB and GB in which the biggest day shows at least 1.
Unit UnitFor(std::uint64_t maxBytes) {
  if (maxBytes >= (std::uint64_t{1} << 30)) return {"GB", 1073741824.0};
  if (maxBytes >= (std::uint64_t{1} << 20)) return {"MB", 1048576.0};
  return {"KB", 1024.0};
}

std::string Number(int value) { return std::to_string(value); }

std::string Colour(const Rgb& c) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02X%02X%02X", c.r, c.g, c.b);
  return text;
}

// Text for XML character data and attribute values; what XML 1.0 cannot hold at all (control
// characters, U+FFFE and U+FFFF, bytes that are not UTF-8) becomes "?".
std::string Escaped(std::string_view utf8) {
  std::string out;
  for (std::size_t at = 0; at < utf8.size();) {
    char32_t c = 0;
    const std::size_t length = Utf8CharAt(utf8, at, c);
    switch (length == 0 ? U'?' : c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default:
        if (length == 0 || (c < 0x20 && c != '\t' && c != '\n') || c == 0xFFFE || c == 0xFFFF) {
          out += '?';
        } else {
          out.append(utf8.substr(at, length));
        }
        break;
    }
    at += length == 0 ? 1 : length;
  }
  return out;
}

int TextWidth(std::string_view utf8) {
  const auto characters = std::count_if(utf8.begin(), utf8.end(),
                                        [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
  return static_cast<int>(std::ceil(static_cast<double>(characters) * kCharWidth));
}

std::string Rect(const PixelRect& r, const Rgb& fill, const std::string& extra = {}) {
  return "<rect x=\"" + Number(r.left) + "\" y=\"" + Number(r.top) + "\" width=\"" + Number(r.Width()) +
         "\" height=\"" + Number(std::max(0, r.Height())) + "\" fill=\"" + Colour(fill) + "\"" + extra;
}

std::string Text(const chart::TextBox& t, const char* anchor = "start") {
  const int x = std::string_view(anchor) == "end" ? t.box.right
                : std::string_view(anchor) == "middle" ? (t.box.left + t.box.right) / 2
                                                      : t.box.left;
  return "<text x=\"" + Number(x) + "\" y=\"" + Number(t.box.top + kBaseline) + "\" text-anchor=\"" + anchor +
         "\">" + Escaped(t.text) + "</text>\n";
}

std::string Figure(std::uint64_t bytes, const Unit& unit) {
  char text[48];
  std::snprintf(text, sizeof text, "%.2f %s", static_cast<double>(bytes) / unit.bytes, unit.label);
  return text;
}

std::string Bar(const PixelRect& r, const Rgb& fill, const std::string& day, const char* direction,
                std::uint64_t bytes, const std::string& title) {
  return Rect(r, fill, " data-day=\"" + day + "\" data-direction=\"" + direction + "\" data-bytes=\"" +
                           std::to_string(bytes) + "\"") +
         "><title>" + Escaped(title) + "</title></rect>\n";
}

}  // namespace

std::string WriteSvg(const DateSpan& span, const std::vector<DaySum>& days, const std::string& connections,
                     TextConversion toUtf8) {
  std::optional<CivilDate> firstFile;
  std::optional<CivilDate> lastFile;
  if (!days.empty()) {
    firstFile = days.front().date;
    lastFile = days.back().date;
  }
  const chart::ShownSpan shown = chart::ChartSpan(span.first, span.last, firstFile, lastFile);
  const std::size_t count = static_cast<std::size_t>(DaysFromCivil(shown.last) - DaysFromCivil(shown.first) + 1);
  std::uint64_t maxBytes = 0;
  for (const DaySum& day : days) maxBytes = std::max({maxBytes, day.rxBytes, day.txBytes});
  const Unit unit = UnitFor(maxBytes);

  chart::DailyChartInput input;
  input.first = shown.first;
  input.unit = unit.label;
  input.days.resize(count);
  std::vector<const DaySum*> byColumn(count, nullptr);
  for (const DaySum& day : days) {
    if (day.date < shown.first || shown.last < day.date) continue;
    const auto i = static_cast<std::size_t>(DaysFromCivil(day.date) - DaysFromCivil(shown.first));
    byColumn[i] = &day;
    input.days[i] = chart::DayBars{static_cast<double>(day.rxBytes) / unit.bytes,
                                   static_cast<double>(day.txBytes) / unit.bytes,
                                   day.outcome == DayReadOutcome::kComplete ? chart::DayMark::kComplete
                                                                            : chart::DayMark::kDamaged};
  }
  const int width = static_cast<int>(std::clamp<std::size_t>(160 + count * 10, 480, 2400));
  input.area = PixelRect{0, kHeading, width, kHeight};
  const chart::TextMeasure measure{kLineHeight, TextWidth};
  const chart::DailyChartLayout layout = chart::LayOutDailyChart(input, measure);

  const std::string heading = "Daily traffic from " + DateText(shown.first) + " to " + DateText(shown.last) + ", " +
                              toUtf8(connections);
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Number(width) + "\" height=\"" + Number(kHeight) +
         "\" viewBox=\"0 0 " + Number(width) + " " + Number(kHeight) + "\" font-family=\"sans-serif\" font-size=\"" +
         Number(kFontSize) + "\">\n";
  out += "<title>" + Escaped(heading) + "</title>\n";
  out += Rect(PixelRect{0, 0, width, kHeight}, chart::kBackgroundColor, "/>\n");
  out += Text(chart::TextBox{PixelRect{8, 6, width - 8, 6 + kLineHeight}, heading, false});

  const PixelRect& plot = layout.plot;
  for (const chart::ValueTick& tick : layout.axis.ticks) {
    const Rgb line = tick.value == 0 ? chart::kAxisColor : chart::kGridColor;
    out += "<line x1=\"" + Number(plot.left) + "\" y1=\"" + Number(tick.y) + "\" x2=\"" + Number(plot.right) +
           "\" y2=\"" + Number(tick.y) + "\" stroke=\"" + Colour(line) + "\"/>\n";
    out += Text(tick.label, "end");
  }
  out += Text(layout.unit);

  for (std::size_t i = 0; i < count; ++i) {
    const DaySum* day = byColumn[i];
    if (day == nullptr) continue;  // no file: a gap
    const chart::DayColumn& column = layout.columns[i];
    const std::string date = DateText(day->date);
    const std::string rx = Bar(column.rx, chart::kDownloadColor, date, "rx", day->rxBytes,
                               date + " downloaded " + std::to_string(day->rxBytes) + " bytes (" +
                                   Figure(day->rxBytes, unit) + ")");
    const std::string tx = Bar(column.tx, chart::kUploadColor, date, "tx", day->txBytes,
                               date + " uploaded " + std::to_string(day->txBytes) + " bytes (" +
                                   Figure(day->txBytes, unit) + ")");
    out += column.txInFront ? rx + tx : tx + rx;
    if (column.mark == chart::DayMark::kDamaged) {
      const char* why = day->outcome == DayReadOutcome::kUnreadable ? " could not be read; not counted"
                                                                    : " is damaged; counted as far as it could be read";
      out += Rect(column.markBox, chart::kDamagedColor, "><title>" + Escaped("The day file of " + date + why) +
                                                            "</title></rect>\n");
    }
  }
  for (const chart::PlacedLabel& label : layout.dateLabels) out += Text(label.label, "middle");
  for (const chart::LegendEntry& entry : layout.legend) {
    out += Rect(entry.swatch, entry.color, "/>\n");
    out += Text(entry.label);
  }
  out += "</svg>\n";
  return out;
}

}  // namespace tral::report
