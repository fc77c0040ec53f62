// Writing the daily bars as SVG: the chart layout's boxes become rects, lines and texts.
#include "report/report_svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "chart/daily_chart.h"
#include "shared/saturating_sum.h"
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

std::string Bar(const PixelRect& r, const Rgb& fill, const std::string& attribute, const std::string& start,
                const char* direction, std::uint64_t bytes, const std::string& title) {
  return Rect(r, fill, " " + attribute + "=\"" + start + "\" data-direction=\"" + direction + "\" data-bytes=\"" +
                           std::to_string(bytes) + "\"") +
         "><title>" + Escaped(title) + "</title></rect>\n";
}

// One column of the picture: a day, month, year, hour or slot.
struct Column {
  bool present = false;  // false: no day file, a gap
  DayReadOutcome outcome = DayReadOutcome::kComplete;  // the worst of its day files
  std::string start;  // the data attribute's value and the start of the bars' titles
  std::string file;  // the day file's name in the mark's title: "The day file of 2026-01-30"
  std::uint64_t rxBytes = 0;
  std::uint64_t txBytes = 0;
};

// The picture of the columns: `attribute` names each bar's column ("data-day", "data-start").
std::string Draw(const std::vector<Column>& columns, const char* attribute, const CivilDate& first,
                 const chart::ColumnLabels& labels, const std::string& heading) {
  std::uint64_t maxBytes = 0;
  for (const Column& c : columns) maxBytes = std::max({maxBytes, c.rxBytes, c.txBytes});
  const Unit unit = UnitFor(maxBytes);
  const std::size_t count = columns.size();

  chart::DailyChartInput input;
  input.first = first;
  input.unit = unit.label;
  input.labels = labels;
  input.days.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    const Column& c = columns[i];
    if (!c.present) continue;
    input.days[i] = chart::DayBars{static_cast<double>(c.rxBytes) / unit.bytes,
                                   static_cast<double>(c.txBytes) / unit.bytes,
                                   c.outcome == DayReadOutcome::kComplete ? chart::DayMark::kComplete
                                                                          : chart::DayMark::kDamaged};
  }
  const int width = static_cast<int>(std::clamp<std::size_t>(160 + count * 10, 480, 2400));
  input.area = PixelRect{0, kHeading, width, kHeight};
  const chart::TextMeasure measure{kLineHeight, TextWidth};
  const chart::DailyChartLayout layout = chart::LayOutDailyChart(input, measure);

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
    const Column& c = columns[i];
    if (!c.present) continue;  // no file: a gap
    const chart::DayColumn& column = layout.columns[i];
    const std::string rx = Bar(column.rx, chart::kDownloadColor, attribute, c.start, "rx", c.rxBytes,
                               c.start + " downloaded " + std::to_string(c.rxBytes) + " bytes (" +
                                   Figure(c.rxBytes, unit) + ")");
    const std::string tx = Bar(column.tx, chart::kUploadColor, attribute, c.start, "tx", c.txBytes,
                               c.start + " uploaded " + std::to_string(c.txBytes) + " bytes (" +
                                   Figure(c.txBytes, unit) + ")");
    out += column.txInFront ? rx + tx : tx + rx;
    if (column.mark == chart::DayMark::kDamaged) {
      const char* why = c.outcome == DayReadOutcome::kUnreadable ? " could not be read; not counted"
                                                                 : " is damaged; counted as far as it could be read";
      out += Rect(column.markBox, chart::kDamagedColor, "><title>" + Escaped(c.file + why) + "</title></rect>\n");
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
  std::vector<Column> columns(count);
  for (const DaySum& day : days) {
    if (day.date < shown.first || shown.last < day.date) continue;
    const std::string date = DateText(day.date);
    columns[static_cast<std::size_t>(DaysFromCivil(day.date) - DaysFromCivil(shown.first))] =
        Column{true, day.outcome, date, "The day file of " + date, day.rxBytes, day.txBytes};
  }
  const std::string heading = "Daily traffic from " + DateText(shown.first) + " to " + DateText(shown.last) + ", " +
                              toUtf8(connections);
  return Draw(columns, "data-day", shown.first, {}, heading);
}

namespace {

const char* GroupsHeading(Grouping by) {
  switch (by) {
    case Grouping::kDay: return "Daily";
    case Grouping::kMonth: return "Monthly";
    case Grouping::kYear: return "Yearly";
    case Grouping::kHour: return "Hourly";
    case Grouping::kFiveMinutes: return "Five-minute";
  }
  return "Daily";
}

chart::ColumnLabels GroupLabels(Grouping by, std::int64_t first, std::int64_t last) {
  const CivilDate date = GroupFirstDate(by, first);
  const auto days = static_cast<std::size_t>(DaysFromCivil(GroupFirstDate(by, last)) - DaysFromCivil(date) + 1);
  switch (by) {
    case Grouping::kDay: return {};
    case Grouping::kMonth: return chart::MonthLabels(date);
    case Grouping::kYear: return chart::YearLabels(date);
    case Grouping::kHour: return chart::TimeOfDayLabels(date, 60, days);
    case Grouping::kFiveMinutes: return chart::TimeOfDayLabels(date, kSlotMinutes, days);
  }
  return {};
}

}  // namespace

std::string WriteGroupSvg(const DateSpan& span, const GroupedFigures& grouped, const std::vector<DaySum>& days,
                          const std::string& connections, TextConversion toUtf8) {
  const Grouping by = grouped.by;
  constexpr std::uint32_t kLastMinute = 24 * 60 - 1;
  std::int64_t first = GroupOrdinal(by, span.first);
  std::int64_t last = GroupOrdinal(by, span.last, kLastMinute);
  // As many columns as the daily picture has days at most: the groups from the first to the last
  // day file, and of those the last ones.
  if (last - first >= chart::kMaxChartDays) {
    if (!days.empty()) {
      last = GroupOrdinal(by, days.back().date, kLastMinute);
      first = std::max(GroupOrdinal(by, days.front().date), last - (chart::kMaxChartDays - 1));
    } else {
      first = last - (chart::kMaxChartDays - 1);
    }
  }
  std::vector<Column> columns(static_cast<std::size_t>(last - first + 1));
  for (std::size_t i = 0; i < columns.size(); ++i) columns[i].start = GroupStartText(by, first + static_cast<std::int64_t>(i));
  // A column is there when a day file of its days is; a damaged or unreadable one marks it.
  for (const DaySum& day : days) {
    const std::int64_t from = std::max(first, GroupOrdinal(by, day.date));
    const std::int64_t to = std::min(last, GroupOrdinal(by, day.date, kLastMinute));
    for (std::int64_t g = from; g <= to; ++g) {
      Column& c = columns[static_cast<std::size_t>(g - first)];
      const DayReadOutcome worse = c.present ? WorseOutcome(c.outcome, day.outcome) : day.outcome;
      if (!c.present || worse != c.outcome) c.file = "The day file of " + DateText(day.date);
      c.present = true;
      c.outcome = worse;
    }
  }
  for (const GroupFigures& group : grouped.groups) {
    if (group.ordinal < first || group.ordinal > last) continue;
    Column& c = columns[static_cast<std::size_t>(group.ordinal - first)];
    for (const StatisticRow& row : group.rows) {
      AddSaturating(c.rxBytes, row.downloadedBytes);
      AddSaturating(c.txBytes, row.uploadedBytes);
    }
  }
  std::uint64_t notPlaced = 0;
  for (const NotPlacedFigures& day : grouped.notPlaced) {
    for (const StatisticRow& row : day.rows) {
      notPlaced = SaturatingSum(notPlaced, SaturatingSum(row.downloadedBytes, row.uploadedBytes));
    }
  }
  std::string heading = std::string(GroupsHeading(by)) + " traffic from " + GroupStartText(by, first, false) +
                        " to " + GroupStartText(by, last, false) + ", " + toUtf8(connections);
  if (notPlaced > 0) heading += "; " + std::to_string(notPlaced) + " bytes not placed in time";
  return Draw(columns, "data-start", GroupFirstDate(by, first), GroupLabels(by, first, last), heading);
}

}  // namespace tral::report
