// The command line of traldenreport: options to a span of days and an output form.
#include "report/report_options.h"

#include <CLI/CLI.hpp>

#include <cstdio>

#include "tm_version.h"

namespace tral::report {

namespace {

constexpr int kMaxDays = 100'000;  // a few centuries: far more than any history kept

bool ReadDigits(std::string_view text, int& value) {
  value = 0;
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

}  // namespace

std::optional<CivilDate> ParseMonth(std::string_view text) {
  int year = 0;
  int month = 0;
  if (text.size() != 7 || text[4] != '-') return std::nullopt;
  if (!ReadDigits(text.substr(0, 4), year) || !ReadDigits(text.substr(5, 2), month)) return std::nullopt;
  if (year < 1601 || month < 1 || month > 12) return std::nullopt;
  return CivilDate{static_cast<std::uint16_t>(year), static_cast<std::uint16_t>(month), 1};
}

std::optional<CivilDate> ParseDate(std::string_view text) {
  if (text.size() != 10 || text[7] != '-') return std::nullopt;
  std::optional<CivilDate> month = ParseMonth(text.substr(0, 7));
  int day = 0;
  if (!month || !ReadDigits(text.substr(8, 2), day)) return std::nullopt;
  if (day < 1 || day > DaysInMonth(month->year, month->month)) return std::nullopt;
  month->day = static_cast<std::uint16_t>(day);
  return month;
}

std::string DateText(const CivilDate& date) {
  char text[24];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u", static_cast<unsigned>(date.year),
                static_cast<unsigned>(date.month), static_cast<unsigned>(date.day));
  return text;
}

CivilDate LastDayOfMonth(const CivilDate& date) {
  return CivilDate{date.year, date.month, static_cast<std::uint16_t>(DaysInMonth(date.year, date.month))};
}

ParseResult ParseReportOptions(const std::vector<std::string>& arguments, const CivilDate& today) {
  ParseResult result;
  CLI::App app{
      "Sums the day files of the counting service over a span of days, per connection (adapter "
      "address, IP address, BSSID, SSID). Without a span option the span is today.",
      "traldenreport"};
  app.set_version_flag("--version", "traldenreport " TM_VERSION_TEXT);
  std::string from, to, month, folder, output;
  int days = 0;
  bool csv = false, json = false, prometheus = false, daily = false;
  CLI::Option* fromOpt = app.add_option("--from", from, "First day of the span")->type_name("YYYY-MM-DD");
  CLI::Option* toOpt = app.add_option("--to", to, "Last day of the span (default today)")->type_name("YYYY-MM-DD");
  CLI::Option* daysOpt = app.add_option("--days", days, "The N days ending with --to (default today)")->type_name("N");
  CLI::Option* monthOpt =
      app.add_option("--month", month, "A whole month (without a value the current month)")
          ->type_name("[YYYY-MM]")
          ->expected(0, 1);
  CLI::Option* folderOpt = app.add_option(
      "--folder", folder,
      "Folder of the day files (default: the installed service's folder, else the current folder)")
      ->type_name("FOLDER");
  CLI::Option* outputOpt =
      app.add_option("--output", output, "Write to this file, replacing it in one step, not to standard output")
          ->type_name("FILE");
  CLI::Option* csvOpt = app.add_flag("--csv", csv, "Comma-separated values with a header row");
  CLI::Option* jsonOpt = app.add_flag("--json", json, "One JSON document");
  CLI::Option* promOpt = app.add_flag("--prometheus", prometheus, "Prometheus text exposition format");
  CLI::Option* dailyOpt = app.add_flag("--daily", daily, "One line per connection and day as well");
  daysOpt->excludes(fromOpt);
  monthOpt->excludes(fromOpt)->excludes(toOpt)->excludes(daysOpt);
  csvOpt->excludes(jsonOpt)->excludes(promOpt);
  jsonOpt->excludes(promOpt);
  dailyOpt->excludes(promOpt);

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

  auto badDate = [&](const char* option, const std::string& text) {
    result.message = std::string(option) + ": \"" + text + "\" is not a date that exists (YYYY-MM-DD)";
    return result;
  };
  ReportOptions& o = result.options;
  o.span = DateSpan{today, today};
  if (*monthOpt) {
    std::optional<CivilDate> first = month.empty() ? CivilDate{today.year, today.month, 1} : ParseMonth(month);
    if (!first) {
      result.message = "--month: \"" + month + "\" is not a month (YYYY-MM)";
      return result;
    }
    o.span = DateSpan{*first, LastDayOfMonth(*first)};
  } else {
    CivilDate last = today;
    if (*toOpt) {
      const std::optional<CivilDate> parsed = ParseDate(to);
      if (!parsed) return badDate("--to", to);
      last = *parsed;
    }
    CivilDate first = last;
    if (*fromOpt) {
      const std::optional<CivilDate> parsed = ParseDate(from);
      if (!parsed) return badDate("--from", from);
      first = *parsed;
    } else if (*daysOpt) {
      if (days < 1 || days > kMaxDays) {
        result.message = "--days: the number of days must be from 1 to " + std::to_string(kMaxDays);
        return result;
      }
      first = AddDays(last, -(days - 1));
      if (first.year < 1601) {
        result.message = "--days: the span would begin before the year 1601";
        return result;
      }
    }
    if (last < first) {
      result.message = "the span ends (" + DateText(last) + ") before it begins (" + DateText(first) + ")";
      return result;
    }
    o.span = DateSpan{first, last};
  }
  o.form = csv ? OutputForm::kCsv : json ? OutputForm::kJson : prometheus ? OutputForm::kPrometheus : OutputForm::kTable;
  o.daily = daily;
  if (*folderOpt) {
    if (folder.empty()) {
      result.message = "--folder: the folder name is empty";
      return result;
    }
    o.folder = folder;
  }
  if (*outputOpt) {
    if (output.empty()) {
      result.message = "--output: the file name is empty";
      return result;
    }
    o.output = output;
  }
  result.outcome = ParseOutcome::kRun;
  return result;
}

}  // namespace tral::report
