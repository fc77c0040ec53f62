// The report's output forms: a readable table, CSV, JSON and the Prometheus text format.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "report/report_data.h"
#include "report/report_plans.h"
#include "shared/prometheus_text.h"

namespace tral::report {

// Texts of the day files (adapter key, IP, BSSID, SSID) are bytes in the Windows code page of the
// machine that wrote them. CSV, JSON and Prometheus output is UTF-8, the table is for the console:
// the program passes the conversions of its platform.
using TextConversion = std::string (*)(std::string_view);

// Valid UTF-8 stays as it is; any other text is taken byte for byte as Latin-1. The portable
// choice where the writer's code page is not known.
std::string Utf8OrLatin1(std::string_view text);

// The UTF-8 text with every character that would act on a terminal instead of showing replaced by
// "?": C0 and C1 controls, DEL, the line and paragraph separators, and the controls of the
// writing direction (which would reorder what follows). Bytes that are not UTF-8 become "?" too.
std::string PrintableText(std::string_view utf8);

// Whether CSV texts that a spreadsheet would take for a formula (starting with =, +, -, @, a tab or
// a carriage return) are guarded with a leading ', or written exactly as they are.
enum class CsvTexts { kGuarded, kRaw };

// Columns adapter, IP, SSID, downloaded, uploaded (with a date column first when daily), sizes in
// the statistics window's units, then the totals and the service's running time.
std::string WriteTable(const ReportFigures& figures, TextConversion toConsole);

// RFC 4180: CRLF line ends, a header row, fields quoted when they hold a comma, a quote, CR or LF
// (quotes doubled), bytes and kilobytes as plain integers.
std::string WriteCsv(const ReportFigures& figures, TextConversion toUtf8, CsvTexts texts = CsvTexts::kGuarded);

// One object: "from", "to", "uptime_ms", "connections" [...], "totals", "damaged_files" [...], and
// "days" [...] when daily. See the README for the schema.
std::string WriteJson(const ReportFigures& figures, TextConversion toUtf8);

// The connections as samples per period ("today", "span") with their texts in UTF-8; rows whose
// labels come out equal are one sample, their bytes summed (saturating: `saturated` names them).
prometheus::MergedSamples PrometheusSamples(const ReportFigures& figures, TextConversion toUtf8);
// Gauges per connection labelled adapter, ip, bssid, ssid and period ("today" or "span"), the
// running times, the span's length in seconds and the number of damaged and unreadable files.
std::string WritePrometheus(const ReportFigures& figures, const std::vector<prometheus::ConnectionSample>& samples);
std::string WritePrometheus(const ReportFigures& figures, TextConversion toUtf8);

// A label value of the text format: backslash, double quote and line feed escaped.
using prometheus::EscapeLabelValue;

// The data plans: a table, CSV with the JSON's fields as columns, JSON and Prometheus gauges.
std::string WritePlansTable(const PlanReport& report, TextConversion toConsole);
// name, period_start, period_end, used_bytes, limit_bytes, projected_bytes, allowance_bytes,
// days_left, active; RFC 4180 as the connections' CSV.
std::string WritePlansCsv(const PlanReport& report, TextConversion toUtf8, CsvTexts texts = CsvTexts::kGuarded);
// {"plans": [{"name", "period_start", "period_end", "used_bytes", "limit_bytes", "projected_bytes",
// "allowance_bytes", "days_left", "active"}]}
std::string WritePlansJson(const PlanReport& report, TextConversion toUtf8);
// Gauges traldenmeter_plan_used_bytes, _limit_bytes and _projected_bytes labelled `plan` (the name)
// and `section` ("PLAN1" .. "PLAN16"), which tells plans of one name apart.
std::string WritePlansPrometheus(const PlanReport& report, TextConversion toUtf8);

}  // namespace tral::report
