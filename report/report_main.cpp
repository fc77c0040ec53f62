// traldenreport: sums the counting service's day files over a span of days, per connection, as a
// table, CSV, JSON or Prometheus text, and draws the span's daily bars as SVG.
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "report/report_data.h"
#include "history/connection_match.h"
#include "report/report_platform.h"
#include "report/report_svg.h"
#include "report/report_writers.h"

namespace {

constexpr int kBadInput = 2;
constexpr int kCannotRun = 1;
constexpr int kIncompleteHistory = 3;  // with --strict: a day file could not be read, or ended early

void Complain(const std::string& message) {
  std::fprintf(stderr, "traldenreport: %s\n", message.c_str());
}

// The daily bars of the span, summed over the connections asked for, written to --svg's file.
bool WriteSvgFile(const tral::report::ReportOptions& options, tral::DayFileSource& files,
                  const tral::EntryFilter& accept) {
  using namespace tral::report;
  tral::SpanReader reader(files);
  const std::vector<tral::DaySum> days = tral::SumDays(reader, options.span.first, options.span.last, accept);
  const std::string connections =
      options.connection && options.connection->kind != tral::ConnectionMatch::Kind::kAll
          ? "connections " + tral::ConnectionMatchText(*options.connection)
          : std::string("all connections");
  std::string error;
  if (!WriteAtomically(*options.svg, WriteSvg(options.span, days, connections, TextToUtf8), error)) {
    Complain("cannot write \"" + *options.svg + "\": " + error);
    return false;
  }
  return true;
}

// Names the day files that could not be counted whole; they do not end the run.
void NameIncompleteDays(const std::vector<tral::CivilDate>& damaged, const std::vector<tral::CivilDate>& unreadable,
                        const std::map<tral::CivilDate, std::string>& problems) {
  auto why = [&](const tral::CivilDate& date) {
    const auto it = problems.find(date);
    return it == problems.end() || it->second.empty() ? std::string() : " (" + it->second + ")";
  };
  for (const tral::CivilDate& date : damaged) {
    Complain("the day file " + tral::DayFileName(date) + " is damaged" + why(date) +
             "; counted as far as it could be read");
  }
  for (const tral::CivilDate& date : unreadable) {
    Complain("the day file " + tral::DayFileName(date) + " could not be read" + why(date) + "; not counted");
  }
}

// The data plans of the --plans file as of the span's last day, in the form asked for; the status
// to end with when the file cannot be read. Sections with bad values are named, not fatal;
// `incomplete` tells whether a day file of the periods could not be counted whole.
std::optional<int> WritePlans(const tral::report::ReportOptions& options, tral::DayFileSource& files,
                              std::string& text, bool& incomplete) {
  using namespace tral::report;
  std::string error;
  const std::optional<std::string> ini = ReadPlansFile(*options.plans, error);
  if (!ini) {
    Complain("cannot read the plans file \"" + *options.plans + "\": " + error);
    return kCannotRun;
  }
  const PlanReport report = CountPlans(files, TextComparison(), *ini, options.span.last);
  for (const tral::PlanReading& reading : report.unused) Complain(UnusedPlanText(reading));
  std::vector<tral::CivilDate> damaged, unreadable;
  std::map<tral::CivilDate, std::string> problems;
  for (const auto& [date, result] : report.incompleteDays) {
    (result.outcome == tral::DayReadOutcome::kDamaged ? damaged : unreadable).push_back(date);
    problems[date] = result.problem;
  }
  NameIncompleteDays(damaged, unreadable, problems);
  incomplete = !report.incompleteDays.empty();
  switch (options.form) {
    case OutputForm::kTable: text = WritePlansTable(report, TextToConsole); break;
    case OutputForm::kCsv: text = WritePlansCsv(report, TextToUtf8); break;
    case OutputForm::kJson: text = WritePlansJson(report, TextToUtf8); break;
    case OutputForm::kPrometheus: text = WritePlansPrometheus(report, TextToUtf8); break;
  }
  return std::nullopt;
}

// Writes the text where it was asked for; `done` is the status of a run that wrote it.
int Deliver(const tral::report::ReportOptions& options, const std::string& text, int done) {
  if (options.output) {
    std::string error;
    if (!tral::report::WriteAtomically(*options.output, text, error)) {
      Complain("cannot write \"" + *options.output + "\": " + error);
      return kCannotRun;
    }
    return done;
  }
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
    Complain("cannot write to standard output");
    return kCannotRun;
  }
  return done;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tral::report;
  UseBinaryStandardOutput();
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  const tral::CivilDate today = LocalToday();
  const ParseResult parsed = ParseReportOptions(arguments, today);
  if (parsed.outcome == ParseOutcome::kHelp) {
    std::fputs(parsed.message.c_str(), stdout);
    return 0;
  }
  if (parsed.outcome == ParseOutcome::kError) {
    Complain(parsed.message);
    std::fputs("Run traldenreport --help for the options.\n", stderr);
    return kBadInput;
  }
  const ReportOptions& options = parsed.options;
  const std::string folder = options.folder ? *options.folder : DefaultFolder();
  if (const auto problem = FolderProblem(folder)) {
    Complain("cannot read the folder \"" + folder + "\": " + *problem);
    return kCannotRun;
  }
  const auto files = OpenDayFiles(folder);
  std::string text;
  if (options.plans) {
    bool incomplete = false;
    if (const std::optional<int> failed = WritePlans(options, *files, text, incomplete)) return *failed;
    return Deliver(options, text, options.strict && incomplete ? kIncompleteHistory : 0);
  }
  const tral::EntryFilter accept =
      options.connection ? tral::MatchFilter(*options.connection, TextComparison()) : tral::EntryFilter();
  const ReportFigures figures = CountReport(*files, TextComparison(), options.span, options.daily,
                                            options.form == OutputForm::kPrometheus ? &today : nullptr, accept);
  NameIncompleteDays(figures.damaged, figures.unreadable, figures.problems);
  const bool incomplete = !figures.damaged.empty() || !figures.unreadable.empty();
  const int done = options.strict && incomplete ? kIncompleteHistory : 0;

  if (options.svg && !WriteSvgFile(options, *files, accept)) return kCannotRun;

  switch (options.form) {
    case OutputForm::kTable: text = WriteTable(figures, TextToConsole); break;
    case OutputForm::kCsv: text = WriteCsv(figures, TextToUtf8); break;
    case OutputForm::kJson: text = WriteJson(figures, TextToUtf8); break;
    case OutputForm::kPrometheus: text = WritePrometheus(figures, TextToUtf8); break;
  }
  return Deliver(options, text, done);
}
