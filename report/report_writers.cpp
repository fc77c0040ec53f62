// Writing a counted report as a table, CSV, JSON or Prometheus text.
#include "report/report_writers.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>

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

// A control character in a name would break the table's lines.
std::string ConsoleText(std::string_view text, TextConversion toConsole) {
  std::string shown = toConsole(text);
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  }
  return shown;
}

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

void AppendCsvRow(std::string& out, const std::string* date, const StatisticRow& row, TextConversion toUtf8) {
  if (date) out += *date + ",";
  out += CsvField(toUtf8(row.adapterKey)) + "," + CsvField(toUtf8(row.ipText)) + "," + CsvField(toUtf8(row.bssid)) +
         "," + CsvField(toUtf8(row.ssid)) + "," + Decimal(row.downloadedBytes) + "," + Decimal(row.uploadedBytes) +
         "," + Decimal(row.downloadedKb) + "," + Decimal(row.uploadedKb) + "\r\n";
}

using Json = nlohmann::ordered_json;

Json ConnectionsJson(const std::vector<StatisticRow>& rows, TextConversion toUtf8) {
  Json list = Json::array();
  for (const StatisticRow& row : rows) {
    list.push_back(Json{{"adapter", toUtf8(row.adapterKey)},
                        {"ip", toUtf8(row.ipText)},
                        {"bssid", toUtf8(row.bssid)},
                        {"ssid", toUtf8(row.ssid)},
                        {"downloaded_bytes", row.downloadedBytes},
                        {"uploaded_bytes", row.uploadedBytes},
                        {"downloaded_kb", row.downloadedKb},
                        {"uploaded_kb", row.uploadedKb}});
  }
  return list;
}

std::string SecondsText(std::uint64_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%llu.%03llu", static_cast<unsigned long long>(ms / 1000),
                static_cast<unsigned long long>(ms % 1000));
  return text;
}

}  // namespace

std::string Utf8OrLatin1(std::string_view text) {
  // Checks the UTF-8 form strictly: shortest encodings only, no surrogates, nothing above U+10FFFF.
  auto valid = [](std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
      const auto b = static_cast<unsigned char>(s[i]);
      std::size_t n = 0;
      std::uint32_t cp = 0;
      if (b < 0x80) {
        ++i;
        continue;
      } else if (b >= 0xC2 && b <= 0xDF) {
        n = 1, cp = b & 0x1F;
      } else if (b >= 0xE0 && b <= 0xEF) {
        n = 2, cp = b & 0x0F;
      } else if (b >= 0xF0 && b <= 0xF4) {
        n = 3, cp = b & 0x07;
      } else {
        return false;
      }
      if (s.size() - i <= n) return false;
      for (std::size_t k = 1; k <= n; ++k) {
        const auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80) return false;
        cp = (cp << 6) | (c & 0x3F);
      }
      if ((n == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (n == 3 && (cp < 0x10000 || cp > 0x10FFFF))) {
        return false;
      }
      i += n + 1;
    }
    return true;
  };
  if (valid(text)) return std::string(text);
  std::string out;
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
    }
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
      std::vector<std::vector<std::string>> lines;
      std::vector<std::string> dated = {"Date"};
      dated.insert(dated.end(), header.begin(), header.end());
      lines.push_back(dated);
      for (const DayFigures& day : figures.days) {
        for (const StatisticRow& row : day.rows) {
          std::vector<std::string> cells = {DateText(day.date)};
          const std::vector<std::string> rest = RowCells(row, toConsole);
          cells.insert(cells.end(), rest.begin(), rest.end());
          lines.push_back(cells);
        }
      }
      AppendColumns(out, lines, 2);
      out += "\n";
    }
    std::vector<std::vector<std::string>> lines = {header};
    for (const StatisticRow& row : figures.rows) lines.push_back(RowCells(row, toConsole));
    const Totals totals = SumRows(figures.rows);
    lines.push_back({"Total", "", "", SizeText(totals.downloadedKb), SizeText(totals.uploadedKb)});
    AppendColumns(out, lines, 2);
  }
  out += "\nService running time: " + FormatUptime(figures.uptimeMs) + "\n";
  return out;
}

std::string WriteCsv(const ReportFigures& figures, TextConversion toUtf8) {
  const bool daily = figures.daily;
  std::string out = daily ? "date," : "";
  out += "adapter,ip,bssid,ssid,downloaded_bytes,uploaded_bytes,downloaded_kb,uploaded_kb\r\n";
  if (daily) {
    for (const DayFigures& day : figures.days) {
      const std::string date = DateText(day.date);
      for (const StatisticRow& row : day.rows) AppendCsvRow(out, &date, row, toUtf8);
    }
  } else {
    for (const StatisticRow& row : figures.rows) AppendCsvRow(out, nullptr, row, toUtf8);
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
  Json damaged = Json::array();
  for (const CivilDate& date : figures.damaged) damaged.push_back(DayFileName(date));
  doc["damaged_files"] = std::move(damaged);
  Json unreadable = Json::array();
  for (const CivilDate& date : figures.unreadable) unreadable.push_back(DayFileName(date));
  doc["unreadable_files"] = std::move(unreadable);
  // The texts are UTF-8 already; a fault there must not end the program.
  return doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string EscapeLabelValue(std::string_view utf8) {
  std::string out;
  for (char c : utf8) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '"') {
      out += "\\\"";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::string WritePrometheus(const ReportFigures& figures, TextConversion toUtf8) {
  auto samples = [&](const char* metric, bool downloaded) {
    std::string text;
    auto add = [&](const char* period, const std::vector<StatisticRow>& rows) {
      for (const StatisticRow& row : rows) {
        text += std::string(metric) + "{period=\"" + period + "\",adapter=\"" + EscapeLabelValue(toUtf8(row.adapterKey)) +
                "\",ip=\"" + EscapeLabelValue(toUtf8(row.ipText)) + "\",bssid=\"" +
                EscapeLabelValue(toUtf8(row.bssid)) + "\",ssid=\"" + EscapeLabelValue(toUtf8(row.ssid)) + "\"} " +
                Decimal(downloaded ? row.downloadedBytes : row.uploadedBytes) + "\n";
      }
    };
    if (figures.hasToday) add("today", figures.todayRows);
    add("span", figures.rows);
    return text;
  };
  std::string out;
  out += "# HELP traldenmeter_downloaded_bytes Bytes received on a connection, today and over the report's span.\n";
  out += "# TYPE traldenmeter_downloaded_bytes gauge\n";
  out += samples("traldenmeter_downloaded_bytes", true);
  out += "# HELP traldenmeter_uploaded_bytes Bytes sent on a connection, today and over the report's span.\n";
  out += "# TYPE traldenmeter_uploaded_bytes gauge\n";
  out += samples("traldenmeter_uploaded_bytes", false);
  out += "# HELP traldenmeter_uptime_seconds Running time of the counting service, today and over the span.\n";
  out += "# TYPE traldenmeter_uptime_seconds gauge\n";
  if (figures.hasToday) out += "traldenmeter_uptime_seconds{period=\"today\"} " + SecondsText(figures.todayUptimeMs) + "\n";
  out += "traldenmeter_uptime_seconds{period=\"span\"} " + SecondsText(figures.uptimeMs) + "\n";
  out += "# HELP traldenmeter_span_days Days in the report's span.\n";
  out += "# TYPE traldenmeter_span_days gauge\n";
  out += "traldenmeter_span_days " + std::to_string(SpanDays(figures.span)) + "\n";
  out += "# HELP traldenmeter_damaged_day_files Day files that ended early and were counted as far as readable.\n";
  out += "# TYPE traldenmeter_damaged_day_files gauge\n";
  out += "traldenmeter_damaged_day_files " + std::to_string(figures.damaged.size()) + "\n";
  out += "# HELP traldenmeter_unreadable_day_files Day files that are there but could not be read; not counted.\n";
  out += "# TYPE traldenmeter_unreadable_day_files gauge\n";
  out += "traldenmeter_unreadable_day_files " + std::to_string(figures.unreadable.size()) + "\n";
  return out;
}

}  // namespace tral::report
