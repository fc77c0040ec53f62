// Writing a counted report as a table, CSV, JSON or Prometheus text.
#include "report/report_writers.h"

#include <nlohmann/json.hpp>

#include <algorithm>

#include "shared/prometheus_text.h"

#include "shared/utf8_text.h"

namespace tral::report {

namespace {

std::string Decimal(std::uint64_t value) { return std::to_string(value); }

// The statistics window's size text without its trailing blank.
std::string SizeText(std::uint64_t kb) {
  std::string text = FormatSize(kb);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

// Characters on screen: UTF-8 continuation bytes take no column.
std::size_t Columns(const std::string& text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// The console conversion shows control characters as "?", so a name cannot break the table's lines.
std::string ConsoleText(std::string_view text, TextConversion toConsole) { return toConsole(text); }

// Left-aligned text columns, right-aligned figure columns (the last `figures` ones), two blanks apart.
void AppendColumns(std::string& out, const std::vector<std::vector<std::string>>& lines, std::size_t figures) {
  if (lines.empty()) return;
  std::vector<std::size_t> widths(lines.front().size(), 0);
  for (const auto& line : lines) {
    for (std::size_t c = 0; c < line.size(); ++c) widths[c] = std::max(widths[c], Columns(line[c]));
  }
  for (const auto& line : lines) {
    std::string text;
    for (std::size_t c = 0; c < line.size(); ++c) {
      const std::string pad(widths[c] - Columns(line[c]), ' ');
      if (c > 0) text += "  ";
      text += c + figures >= line.size() ? pad + line[c] : line[c] + pad;
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    out += text + "\n";
  }
}

std::vector<std::string> RowCells(const StatisticRow& row, TextConversion toConsole) {
  return {ConsoleText(row.adapterKey, toConsole), ConsoleText(row.ipText, toConsole), ConsoleText(row.ssid, toConsole),
          SizeText(row.downloadedKb), SizeText(row.uploadedKb)};
}

// The first column of a grouped table, and the groups' name in the plural.
const char* GroupColumn(Grouping by) {
  switch (by) {
    case Grouping::kDay: return "Date";
    case Grouping::kMonth: return "Month";
    case Grouping::kYear: return "Year";
    case Grouping::kHour: return "Hour";
    case Grouping::kFiveMinutes: return "Time";
  }
  return "Date";
}

const char* GroupsName(Grouping by) {
  switch (by) {
    case Grouping::kDay: return "days";
    case Grouping::kMonth: return "months";
    case Grouping::kYear: return "years";
    case Grouping::kHour: return "hours";
    case Grouping::kFiveMinutes: return "five minutes";
  }
  return "days";
}

std::vector<std::string> DatedHeader(const char* first, const std::vector<std::string>& header) {
  std::vector<std::string> dated = {first};
  dated.insert(dated.end(), header.begin(), header.end());
  return dated;
}

// Lines of rows with a first column before each row's cells.
void AppendDatedRows(std::vector<std::vector<std::string>>& lines, const std::string& first,
                     const std::vector<StatisticRow>& rows, TextConversion toConsole) {
  for (const StatisticRow& row : rows) {
    std::vector<std::string> cells = {first};
    const std::vector<std::string> rest = RowCells(row, toConsole);
    cells.insert(cells.end(), rest.begin(), rest.end());
    lines.push_back(std::move(cells));
  }
}

// The groups' table (with --top its heading), then the bytes not placed in time per day.
void AppendGroupTables(std::string& out, const GroupedFigures& grouped, const std::vector<std::string>& header,
                       TextConversion toConsole) {
  if (grouped.top) {
    out += "The " + std::to_string(*grouped.top) + " " + GroupsName(grouped.by) + " with the most traffic:\n";
  }
  std::vector<std::vector<std::string>> lines = {DatedHeader(GroupColumn(grouped.by), header)};
  for (const std::size_t i : grouped.listed) {
    const GroupFigures& group = grouped.groups[i];
    AppendDatedRows(lines, GroupStartText(grouped.by, group.ordinal, false), group.rows, toConsole);
  }
  AppendColumns(out, lines, 2);
  out += "\n";
  if (grouped.notPlaced.empty()) return;
  out += "Not placed in time (in the day files, in no slot):\n";
  lines = {DatedHeader("Date", header)};
  for (const NotPlacedFigures& day : grouped.notPlaced) AppendDatedRows(lines, DateText(day.date), day.rows, toConsole);
  AppendColumns(out, lines, 2);
  out += "\n";
}

std::int64_t SpanDays(const DateSpan& span) { return DaysFromCivil(span.last) - DaysFromCivil(span.first) + 1; }

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

// A text cell: a spreadsheet opening the file takes a cell starting with =, +, -, @, a tab or a
// carriage return for a formula, unless a leading ' marks it as text.
std::string CsvText(std::string_view utf8, CsvTexts texts) {
  const bool formula = !utf8.empty() && std::string_view("=+-@\t\r").find(utf8.front()) != std::string_view::npos;
  return CsvField(texts == CsvTexts::kGuarded && formula ? "'" + std::string(utf8) : std::string(utf8));
}

void AppendCsvRow(std::string& out, const std::string* date, const StatisticRow& row, TextConversion toUtf8,
                  CsvTexts texts) {
  if (date) out += *date + ",";
  out += CsvText(toUtf8(row.adapterKey), texts) + "," + CsvText(toUtf8(row.ipText), texts) + "," +
         CsvText(toUtf8(row.bssid), texts) + "," + CsvText(toUtf8(row.ssid), texts) + "," +
         Decimal(row.downloadedBytes) + "," + Decimal(row.uploadedBytes) + "," + Decimal(row.downloadedKb) + "," +
         Decimal(row.uploadedKb) + "\r\n";
}

using Json = nlohmann::ordered_json;

// The connections' texts and exact bytes, and with `withKb` their kilobytes.
Json ConnectionsJson(const std::vector<StatisticRow>& rows, TextConversion toUtf8, bool withKb = true) {
  Json list = Json::array();
  for (const StatisticRow& row : rows) {
    Json connection{{"adapter", toUtf8(row.adapterKey)},
                    {"ip", toUtf8(row.ipText)},
                    {"bssid", toUtf8(row.bssid)},
                    {"ssid", toUtf8(row.ssid)},
                    {"downloaded_bytes", row.downloadedBytes},
                    {"uploaded_bytes", row.uploadedBytes}};
    if (withKb) {
      connection["downloaded_kb"] = row.downloadedKb;
      connection["uploaded_kb"] = row.uploadedKb;
    }
    list.push_back(std::move(connection));
  }
  return list;
}

// "by", "top" when given, "rows" [{"start", "connections"}] and "not_placed" [{"date", "connections"}].
void AddGroupsJson(Json& doc, const GroupedFigures& grouped, TextConversion toUtf8) {
  doc["by"] = GroupingWord(grouped.by);
  if (grouped.top) doc["top"] = *grouped.top;
  Json rows = Json::array();
  for (const std::size_t i : grouped.listed) {
    const GroupFigures& group = grouped.groups[i];
    rows.push_back(Json{{"start", GroupStartText(grouped.by, group.ordinal)},
                        {"connections", ConnectionsJson(group.rows, toUtf8, false)}});
  }
  doc["rows"] = std::move(rows);
  Json notPlaced = Json::array();
  for (const NotPlacedFigures& day : grouped.notPlaced) {
    notPlaced.push_back(Json{{"date", DateText(day.date)}, {"connections", ConnectionsJson(day.rows, toUtf8, false)}});
  }
  doc["not_placed"] = std::move(notPlaced);
}

}  // namespace

std::string Utf8OrLatin1(std::string_view text) {
  if (IsUtf8(text)) return std::string(text);
  std::string out;
  for (const char c : text) AppendUtf8(out, static_cast<unsigned char>(c));
  return out;
}

std::string PrintableText(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t at = 0; at < utf8.size();) {
    char32_t c = 0;
    const std::size_t length = Utf8CharAt(utf8, at, c);
    const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
    const bool direction = c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
                           (c >= 0x2066 && c <= 0x2069);
    if (length == 0 || control || direction) {
      out += '?';
    } else {
      out.append(utf8.substr(at, length));
    }
    at += length == 0 ? 1 : length;
  }
  return out;
}

std::string WriteTable(const ReportFigures& figures, TextConversion toConsole) {
  std::string out = "Day files from " + DateText(figures.span.first) + " to " + DateText(figures.span.last) + " (" +
                    std::to_string(SpanDays(figures.span)) + (SpanDays(figures.span) == 1 ? " day)\n\n" : " days)\n\n");
  if (figures.rows.empty()) {
    out += "No traffic recorded in these days.\n";
  } else {
    const std::vector<std::string> header = {"Adapter", "IP address", "SSID", "Downloaded", "Uploaded"};
    if (figures.daily) {
      std::vector<std::vector<std::string>> lines = {DatedHeader("Date", header)};
      for (const DayFigures& day : figures.days) AppendDatedRows(lines, DateText(day.date), day.rows, toConsole);
      AppendColumns(out, lines, 2);
      out += "\n";
    }
    if (figures.grouped) AppendGroupTables(out, *figures.grouped, header, toConsole);
    std::vector<std::vector<std::string>> lines = {header};
    for (const StatisticRow& row : figures.rows) lines.push_back(RowCells(row, toConsole));
    const Totals totals = SumRows(figures.rows);
    lines.push_back({"Total", "", "", SizeText(totals.downloadedKb), SizeText(totals.uploadedKb)});
    AppendColumns(out, lines, 2);
  }
  out += "\nService running time: " + FormatUptime(figures.uptimeMs) + "\n";
  return out;
}

std::string WriteCsv(const ReportFigures& figures, TextConversion toUtf8, CsvTexts texts) {
  if (figures.grouped) {
    const GroupedFigures& grouped = *figures.grouped;
    std::string out = "start,adapter,ip,bssid,ssid,downloaded_bytes,uploaded_bytes,downloaded_kb,uploaded_kb\r\n";
    for (const std::size_t i : grouped.listed) {
      const std::string start = GroupStartText(grouped.by, grouped.groups[i].ordinal);
      for (const StatisticRow& row : grouped.groups[i].rows) AppendCsvRow(out, &start, row, toUtf8, texts);
    }
    // The bytes of a day in no slot: a start of the date alone, no time of day.
    if (!grouped.top) {
      for (const NotPlacedFigures& day : grouped.notPlaced) {
        const std::string date = DateText(day.date);
        for (const StatisticRow& row : day.rows) AppendCsvRow(out, &date, row, toUtf8, texts);
      }
    }
    return out;
  }
  const bool daily = figures.daily;
  std::string out = daily ? "date," : "";
  out += "adapter,ip,bssid,ssid,downloaded_bytes,uploaded_bytes,downloaded_kb,uploaded_kb\r\n";
  if (daily) {
    for (const DayFigures& day : figures.days) {
      const std::string date = DateText(day.date);
      for (const StatisticRow& row : day.rows) AppendCsvRow(out, &date, row, toUtf8, texts);
    }
  } else {
    for (const StatisticRow& row : figures.rows) AppendCsvRow(out, nullptr, row, toUtf8, texts);
  }
  return out;
}

std::string WriteJson(const ReportFigures& figures, TextConversion toUtf8) {
  const Totals totals = SumRows(figures.rows);
  Json doc{{"from", DateText(figures.span.first)},
           {"to", DateText(figures.span.last)},
           {"uptime_ms", figures.uptimeMs},
           {"connections", ConnectionsJson(figures.rows, toUtf8)},
           {"totals",
            Json{{"downloaded_bytes", totals.downloadedBytes},
                 {"uploaded_bytes", totals.uploadedBytes},
                 {"downloaded_kb", totals.downloadedKb},
                 {"uploaded_kb", totals.uploadedKb}}}};
  if (figures.daily) {
    Json days = Json::array();
    for (const DayFigures& day : figures.days) {
      days.push_back(Json{{"date", DateText(day.date)},
                          {"uptime_ms", day.uptimeMs},
                          {"connections", ConnectionsJson(day.rows, toUtf8)}});
    }
    doc["days"] = std::move(days);
  }
  if (figures.grouped) AddGroupsJson(doc, *figures.grouped, toUtf8);
  // Several folders are named, as their day files are named with them.
  if (figures.folders.size() > 1) {
    Json folders = Json::array();
    for (const std::string& folder : figures.folders) folders.push_back(toUtf8(folder));
    doc["folders"] = std::move(folders);
  }
  // The slot files read for hours and slots are named after the day files.
  Json damaged = Json::array();
  for (const auto* list : {&figures.damaged, &figures.damagedSlots}) {
    for (const FileProblem& file : *list) damaged.push_back(toUtf8(file.file));
  }
  doc["damaged_files"] = std::move(damaged);
  Json unreadable = Json::array();
  for (const auto* list : {&figures.unreadable, &figures.unreadableSlots}) {
    for (const FileProblem& file : *list) unreadable.push_back(toUtf8(file.file));
  }
  doc["unreadable_files"] = std::move(unreadable);
  // The texts are UTF-8 already; a fault there must not end the program.
  return doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

namespace {

// The report's connections as samples of one period, texts in UTF-8.
void AddSamples(std::vector<prometheus::ConnectionSample>& samples, const char* period,
                const std::vector<StatisticRow>& rows, TextConversion toUtf8) {
  for (const StatisticRow& row : rows) {
    samples.push_back(prometheus::ConnectionSample{period, toUtf8(row.adapterKey), toUtf8(row.ipText),
                                                   toUtf8(row.bssid), toUtf8(row.ssid), row.downloadedBytes,
                                                   row.uploadedBytes});
  }
}

}  // namespace

prometheus::MergedSamples PrometheusSamples(const ReportFigures& figures, TextConversion toUtf8) {
  std::vector<prometheus::ConnectionSample> samples;
  if (figures.hasToday) AddSamples(samples, "today", figures.todayRows, toUtf8);
  AddSamples(samples, "span", figures.rows, toUtf8);
  // Texts that differed in the day files may be one text in UTF-8: one series, summed.
  return prometheus::MergeSamples(std::move(samples));
}

std::string WritePrometheus(const ReportFigures& figures, const std::vector<prometheus::ConnectionSample>& samples) {
  std::string out;
  prometheus::AppendConnectionGauges(out, samples);
  std::vector<prometheus::PeriodUptime> uptimes;
  if (figures.hasToday) uptimes.push_back({"today", figures.todayUptimeMs});
  uptimes.push_back({"span", figures.uptimeMs});
  prometheus::AppendUptimeGauge(out, uptimes);
  // In seconds, the base unit of time the format asks for: days x 86,400.
  prometheus::AppendGauge(out, "traldenmeter_span_seconds", "Length of the report's span (whole days) in seconds.",
                          std::to_string(SpanDays(figures.span) * 86'400));
  prometheus::AppendGauge(out, "traldenmeter_damaged_day_files",
                          "Day files that ended early and were counted as far as readable.",
                          std::to_string(figures.damaged.size()));
  prometheus::AppendGauge(out, "traldenmeter_unreadable_day_files",
                          "Day files that are there but could not be read; not counted.",
                          std::to_string(figures.unreadable.size()));
  return out;
}

std::string WritePrometheus(const ReportFigures& figures, TextConversion toUtf8) {
  return WritePrometheus(figures, PrometheusSamples(figures, toUtf8).samples);
}

namespace {

std::string DaysLeftText(const PlanFigures& f, const CivilDate& day) {
  if (f.period.active) return std::to_string(f.daysLeft);
  return day < f.period.first ? "not begun" : "ended";
}

}  // namespace

std::string WritePlansTable(const PlanReport& report, TextConversion toConsole) {
  std::string out = "Data plans as of " + DateText(report.day) + "\n\n";
  if (report.plans.empty()) return out + "No data plans to report on.\n";
  std::vector<std::vector<std::string>> lines = {
      {"Plan", "First day", "Last day", "Used", "Limit", "Used %", "Projected", "Per day left", "Days left"}};
  for (const PlanReportRow& row : report.plans) {
    const PlanFigures& f = row.figures;
    lines.push_back({ConsoleText(row.name, toConsole), DateText(f.period.first), DateText(f.period.last),
                     SizeText(f.usedBytes >> 10), SizeText(f.limitBytes >> 10), Decimal(f.percent) + "%",
                     SizeText(f.projectedBytes >> 10), SizeText(f.allowanceBytes >> 10), DaysLeftText(f, report.day)});
  }
  AppendColumns(out, lines, 6);
  return out;
}

std::string WritePlansCsv(const PlanReport& report, TextConversion toUtf8, CsvTexts texts) {
  std::string out =
      "name,period_start,period_end,used_bytes,limit_bytes,projected_bytes,allowance_bytes,days_left,active\r\n";
  for (const PlanReportRow& row : report.plans) {
    const PlanFigures& f = row.figures;
    out += CsvText(toUtf8(row.name), texts) + "," + DateText(f.period.first) + "," + DateText(f.period.last) + "," +
           Decimal(f.usedBytes) + "," + Decimal(f.limitBytes) + "," + Decimal(f.projectedBytes) + "," +
           Decimal(f.allowanceBytes) + "," + Decimal(f.daysLeft) + "," + (f.period.active ? "true" : "false") + "\r\n";
  }
  return out;
}

std::string WritePlansJson(const PlanReport& report, TextConversion toUtf8) {
  Json plans = Json::array();
  for (const PlanReportRow& row : report.plans) {
    const PlanFigures& f = row.figures;
    plans.push_back(Json{{"name", toUtf8(row.name)},
                         {"period_start", DateText(f.period.first)},
                         {"period_end", DateText(f.period.last)},
                         {"used_bytes", f.usedBytes},
                         {"limit_bytes", f.limitBytes},
                         {"projected_bytes", f.projectedBytes},
                         {"allowance_bytes", f.allowanceBytes},
                         {"days_left", f.daysLeft},
                         {"active", f.period.active}});
  }
  const Json doc{{"plans", std::move(plans)}};
  return doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string WritePlansPrometheus(const PlanReport& report, TextConversion toUtf8) {
  const struct {
    const char* metric;
    const char* help;
    std::uint64_t PlanFigures::*value;
  } gauges[] = {
      {"traldenmeter_plan_used_bytes", "Bytes a data plan counted from the first day of its period.",
       &PlanFigures::usedBytes},
      {"traldenmeter_plan_limit_bytes", "The allowance of a data plan per period.", &PlanFigures::limitBytes},
      {"traldenmeter_plan_projected_bytes", "What a data plan will have counted by the end of its period at this rate.",
       &PlanFigures::projectedBytes},
  };
  std::string out;
  for (const auto& gauge : gauges) {
    out += std::string("# HELP ") + gauge.metric + " " + gauge.help + "\n";
    out += std::string("# TYPE ") + gauge.metric + " gauge\n";
    // Two plans may have one name; the section tells their series apart.
    for (const PlanReportRow& row : report.plans) {
      out += std::string(gauge.metric) + "{plan=\"" + EscapeLabelValue(toUtf8(row.name)) + "\",section=\"" +
             EscapeLabelValue(toUtf8(row.section)) + "\"} " + Decimal(row.figures.*gauge.value) + "\n";
    }
  }
  return out;
}

}  // namespace tral::report
