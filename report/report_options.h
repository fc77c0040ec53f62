// What traldenreport was asked for: the span of days, the output form, the folder and the file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "history/connection_match.h"
#include "shared/civil_date.h"

namespace tral::report {

enum class OutputForm { kTable, kCsv, kJson, kPrometheus };

struct DateSpan {
  CivilDate first;
  CivilDate last;  // included; never before `first`
};

struct ReportOptions {
  DateSpan span;
  OutputForm form = OutputForm::kTable;
  bool daily = false;  // one line (or object) per day as well as the span's totals
  bool strict = false;  // a day file that could not be read whole makes the run fail
  std::optional<std::string> folder;  // the folder of the day files, when given
  std::optional<std::string> output;  // written atomically instead of standard output
  std::optional<std::string> svg;  // the daily bars, written atomically as well
  std::optional<ConnectionMatch> connection;  // the connections counted; all without it
};

// "YYYY-MM-DD" of a date that exists (years 1601 to 9999, the day checked against its month and
// leap years); anything else gives nothing.
std::optional<CivilDate> ParseDate(std::string_view text);
// "YYYY-MM": the first day of that month.
std::optional<CivilDate> ParseMonth(std::string_view text);
CivilDate LastDayOfMonth(const CivilDate& date);

enum class ParseOutcome { kRun, kHelp, kError };

struct ParseResult {
  ParseOutcome outcome = ParseOutcome::kError;
  ReportOptions options;
  std::string message;  // the help text, or what was wrong
};

// Reads the command line (arguments after the program name); `today` is the local date, which
// fills in the spans that end or lie today.
ParseResult ParseReportOptions(const std::vector<std::string>& arguments, const CivilDate& today);

}  // namespace tral::report
