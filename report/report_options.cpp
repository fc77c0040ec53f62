// The command line of traldenreport: options to a span of days and an output form.
#include "report/report_options.h"

#include <CLI/CLI.hpp>

#include "tm_version.h"

namespace tral::report {

namespace {

constexpr int kMaxDays = 100'000;  // a few centuries: far more than any history kept
constexpr int kMaxTop = 1'000'000;  // more than the hours of a century

constexpr std::pair<Grouping, const char*> kGroupingWords[] = {{Grouping::kDay, "day"},
                                                               {Grouping::kMonth, "month"},
                                                               {Grouping::kYear, "year"},
                                                               {Grouping::kHour, "hour"},
                                                               {Grouping::kFiveMinutes, "5min"}};

// What the command line gave, before it is checked and turned into options.
struct Given {
  std::string from, to, month, output, svg, connection, plans, days, by, top;
  std::vector<std::string> folders;
  bool csv = false, csvRaw = false, json = false, prometheus = false, daily = false, strict = false, alert = false;
  CLI::Option* fromOpt = nullptr;
  CLI::Option* toOpt = nullptr;
  CLI::Option* daysOpt = nullptr;
  CLI::Option* monthOpt = nullptr;
  CLI::Option* folderOpt = nullptr;
  CLI::Option* outputOpt = nullptr;
  CLI::Option* svgOpt = nullptr;
  CLI::Option* connectionOpt = nullptr;
  CLI::Option* plansOpt = nullptr;
  CLI::Option* byOpt = nullptr;
  CLI::Option* topOpt = nullptr;
};

void DeclareOptions(CLI::App& app, Given& g) {
  app.set_version_flag("--version", "traldenreport " TM_VERSION_TEXT);
  g.fromOpt = app.add_option("--from", g.from, "First day of the span")->type_name("YYYY-MM-DD");
  g.toOpt = app.add_option("--to", g.to, "Last day of the span (default today)")->type_name("YYYY-MM-DD");
  g.daysOpt = app.add_option("--days", g.days, "The N days ending with --to (default today)")->type_name("N");
  g.monthOpt = app.add_option("--month", g.month, "A whole month (without a value the current month)")
                   ->type_name("[YYYY-MM]")
                   ->expected(0, 1);
  g.folderOpt = app.add_option("--folder", g.folders,
                               "Folder of the day files (default: the installed service's folder, else the "
                               "current folder); given again, the days of every folder are summed")
                    ->type_name("FOLDER")
                    ->expected(1)
                    ->allow_extra_args(false)
                    ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  g.outputOpt =
      app.add_option("--output", g.output, "Write to this file, replacing it in one step, not to standard output")
          ->type_name("FILE");
  g.svgOpt = app.add_option("--svg", g.svg, "Also write the daily bars of the span as an SVG picture to this file")
                 ->type_name("FILE");
  g.connectionOpt = app.add_option("--connection", g.connection,
                                   "Count only these connections: adapter:<MAC>, ip:<a.b.c.d> or ssid:<name> "
                                   "(default all)")
                        ->type_name("MATCH");
  CLI::Option* csvOpt = app.add_flag("--csv", g.csv,
                                     "Comma-separated values with a header row; a text that a spreadsheet would "
                                     "take for a formula gets a leading '");
  CLI::Option* csvRawOpt =
      app.add_flag("--csv-raw", g.csvRaw, "Comma-separated values as --csv, every text exactly as it is");
  CLI::Option* jsonOpt = app.add_flag("--json", g.json, "One JSON document");
  CLI::Option* promOpt = app.add_flag("--prometheus", g.prometheus, "Prometheus text exposition format");
  CLI::Option* dailyOpt = app.add_flag("--daily", g.daily, "One line per connection and day as well");
  g.byOpt = app.add_option("--by", g.by,
                           "One line per connection and day, month or year (from the day files), or hour or five "
                           "minutes (from the slot files beside them), as well as the span's totals")
                ->type_name("day|month|year|hour|5min");
  g.topOpt = app.add_option("--top", g.top,
                            "Only the N days (or whatever --by groups by) with the most traffic, the most first")
                 ->type_name("N");
  g.plansOpt = app.add_option("--plans", g.plans,
                              "The data plans of this INI file as of --to (default today) instead of the "
                              "connections")
                   ->type_name("FILE");
  app.add_flag("--strict", g.strict,
               "Exit with status 3 when a day file of the span could not be read or ended early, or a sum "
               "reached the largest number");
  CLI::Option* alertOpt = app.add_flag("--alert", g.alert,
                                       "With --plans: exit with status 4 when a plan has used its limit, 5 when "
                                       "one is projected to pass it");
  g.daysOpt->excludes(g.fromOpt);
  g.monthOpt->excludes(g.fromOpt)->excludes(g.toOpt)->excludes(g.daysOpt);
  csvOpt->excludes(jsonOpt)->excludes(promOpt);
  csvRawOpt->excludes(jsonOpt)->excludes(promOpt);
  jsonOpt->excludes(promOpt);
  alertOpt->needs(g.plansOpt);
  dailyOpt->excludes(promOpt);
  // The Prometheus text holds the totals only; --daily is the day's grouping in its first form.
  for (CLI::Option* grouping : {g.byOpt, g.topOpt}) grouping->excludes(promOpt)->excludes(dailyOpt)->excludes(g.plansOpt);
  // A plan brings its own period (only the day it is seen on can be given) and its own connections;
  // the pictures are of the connections' days.
  g.plansOpt->excludes(g.fromOpt)->excludes(g.daysOpt)->excludes(g.monthOpt)->excludes(dailyOpt);
  g.plansOpt->excludes(g.svgOpt)->excludes(g.connectionOpt);
}

// A count the command line gave: decimal digits only, from `least` to `most`. Nothing else is
// read as a number (no sign, no blank, no octal or hexadecimal prefix), so "010" is ten.
std::optional<int> ReadDecimal(std::string_view text, int least, int most) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  int value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value < least || value > most) return std::nullopt;
  return value;
}

// The grouping --by names and the count --top gives (which alone groups by day), or the reason
// they name none.
bool ReadGrouping(const Given& g, std::optional<Grouping>& by, std::optional<std::size_t>& top, std::string& error) {
  if (*g.byOpt) {
    for (const auto& [grouping, word] : kGroupingWords) {
      if (g.by == word) by = grouping;
    }
    if (!by) {
      error = "--by: \"" + g.by + "\" is not day, month, year, hour or 5min";
      return false;
    }
  }
  if (*g.topOpt) {
    const std::optional<int> count = ReadDecimal(g.top, 1, kMaxTop);
    if (!count) {
      error = "--top: \"" + g.top + "\" is not a number from 1 to " + std::to_string(kMaxTop) + " in decimal digits";
      return false;
    }
    top = static_cast<std::size_t>(*count);
    if (!by) by = Grouping::kDay;
  }
  return true;
}

// The date an option gave, kept in `date`; false with the reason when it names no date that exists.
bool ReadDateOption(const CLI::Option* option, const std::string& text, CivilDate& date, std::string& error) {
  if (!*option) return true;
  const std::optional<CivilDate> parsed = ParseDate(text);
  if (!parsed) {
    error = option->get_name() + ": \"" + text + "\" is not a date that exists (YYYY-MM-DD)";
    return false;
  }
  date = *parsed;
  return true;
}

// The span the options name, or the reason they name none.
std::optional<DateSpan> ReadSpan(const Given& g, const CivilDate& today, std::string& error) {
  if (*g.monthOpt) {
    const std::optional<CivilDate> first = g.month.empty() ? CivilDate{today.year, today.month, 1} : ParseMonth(g.month);
    if (!first) {
      error = "--month: \"" + g.month + "\" is not a month (YYYY-MM)";
      return std::nullopt;
    }
    return DateSpan{*first, LastDayOfMonth(*first)};
  }
  CivilDate last = today;
  if (!ReadDateOption(g.toOpt, g.to, last, error)) return std::nullopt;
  CivilDate first = last;
  if (!ReadDateOption(g.fromOpt, g.from, first, error)) return std::nullopt;
  if (!*g.fromOpt && *g.daysOpt) {
    const std::optional<int> days = ReadDecimal(g.days, 1, kMaxDays);
    if (!days) {
      error = "--days: \"" + g.days + "\" is not a number of days from 1 to " + std::to_string(kMaxDays) +
              " in decimal digits";
      return std::nullopt;
    }
    first = AddDays(last, -(*days - 1));
    if (first.year < 1601) {
      error = "--days: the span would begin before the year 1601";
      return std::nullopt;
    }
  }
  if (last < first) {
    error = "the span ends (" + DateText(last) + ") before it begins (" + DateText(first) + ")";
    return std::nullopt;
  }
  return DateSpan{first, last};
}

// A name given with an option that takes one must not be empty.
bool ReadName(const CLI::Option* option, const std::string& value, const char* what,
              std::optional<std::string>& into, std::string& error) {
  if (!*option) return true;
  if (value.empty()) {
    error = option->get_name() + ": the " + what + " name is empty";
    return false;
  }
  into = value;
  return true;
}

// The connections --connection names, or the reason it names none.
bool ReadConnection(const Given& g, std::optional<ConnectionMatch>& into, std::string& error) {
  if (!*g.connectionOpt) return true;
  into = ParseConnectionMatch(g.connection);
  if (!into) {
    error = "--connection: \"" + g.connection +
            "\" is not all, adapter:<MAC>, ip:<a.b.c.d> or ssid:<name>";
    return false;
  }
  return true;
}

}  // namespace

const char* GroupingWord(Grouping by) {
  for (const auto& [grouping, word] : kGroupingWords) {
    if (grouping == by) return word;
  }
  return "day";
}

ParseResult ParseReportOptions(const std::vector<std::string>& arguments, const CivilDate& today) {
  ParseResult result;
  CLI::App app{
      "Sums the day files of the counting service over a span of days, per connection (adapter "
      "address, IP address, BSSID, SSID). Without a span option the span is today.",
      "traldenreport"};
  Given given;
  DeclareOptions(app, given);
  // CLI11 takes the arguments in reverse order.
  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    result.outcome = ParseOutcome::kHelp;
    result.message = app.help();
    return result;
  } catch (const CLI::CallForVersion& e) {
    result.outcome = ParseOutcome::kHelp;
    result.message = std::string(e.what()) + "\n";
    return result;
  } catch (const CLI::ParseError& e) {
    result.message = e.what();
    return result;
  }

  ReportOptions& o = result.options;
  const std::optional<DateSpan> span = ReadSpan(given, today, result.message);
  if (!span) return result;
  o.span = *span;
  o.form = given.csv || given.csvRaw ? OutputForm::kCsv
           : given.json       ? OutputForm::kJson
           : given.prometheus ? OutputForm::kPrometheus
                              : OutputForm::kTable;
  o.csvRaw = given.csvRaw;
  o.daily = given.daily;
  o.strict = given.strict;
  o.alert = given.alert;
  for (const std::string& folder : given.folders) {
    if (folder.empty()) {
      result.message = "--folder: the folder name is empty";
      return result;
    }
    o.folders.push_back(folder);
  }
  if (!ReadName(given.outputOpt, given.output, "file", o.output, result.message) ||
      !ReadName(given.svgOpt, given.svg, "file", o.svg, result.message) ||
      !ReadName(given.plansOpt, given.plans, "file", o.plans, result.message) ||
      !ReadConnection(given, o.connection, result.message) ||
      !ReadGrouping(given, o.by, o.top, result.message)) {
    return result;
  }
  result.outcome = ParseOutcome::kRun;
  return result;
}

}  // namespace tral::report
