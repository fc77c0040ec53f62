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

// What --by groups the rows into: days, months and years come from the day files, hours and
// five-minute slots from the slot files beside them.
enum class Grouping { kDay, kMonth, kYear, kHour, kFiveMinutes };

// The word of a grouping as --by takes it and the JSON names it: "day", "month", "year", "hour", "5min".
const char* GroupingWord(Grouping by);

struct DateSpan {
  CivilDate first;
  CivilDate last;  // included; never before `first`
};

struct ReportOptions {
  DateSpan span;
  OutputForm form = OutputForm::kTable;
  // CSV texts exactly as they are: without the guard that keeps spreadsheets from taking a text for
  // a formula.
  bool csvRaw = false;
  bool daily = false;  // one line (or object) per day as well as the span's totals
  std::optional<Grouping> by;  // rows per group as well as the span's totals
  std::optional<std::size_t> top;  // only this many groups, those with the most traffic, most first
  // A day file that could not be read whole, or a sum that reached the largest number, makes the
  // run fail.
  bool strict = false;
  // With plans: the exit status tells whether a plan has used its limit or is projected to.
  bool alert = false;
  std::vector<std::string> folders;  // the folders of the day files, in the order given; none: the default
  std::optional<std::string> output;  // written atomically instead of standard output
  std::optional<std::string> svg;  // the daily bars, written atomically as well
  std::optional<ConnectionMatch> connection;  // the connections counted; all without it
  // The INI file of data plans to report on as of `span.last`, instead of the connections.
  std::optional<std::string> plans;
};

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
