// traldenreport: sums the counting service's day files over a span of days, per connection, as a
// table, CSV, JSON or Prometheus text, and draws the span's daily bars as SVG.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "report/report_data.h"
#include "history/connection_match.h"
#include "report/report_platform.h"
#include "report/report_svg.h"
#include "report/report_writers.h"
#include "shared/saturating_sum.h"

namespace {

constexpr int kBadInput = 2;
constexpr int kCannotRun = 1;
// With --strict: a day file could not be read, or ended early, or a sum reached the largest number.
constexpr int kIncompleteHistory = 3;
// With --plans and --alert: a plan has used its limit, or none has but one is projected to pass it.
constexpr int kPlanLimitReached = 4;
constexpr int kPlanLimitProjected = 5;

// A message on standard error; every character that would act on a terminal shows as "?".
void Complain(const std::string& message) {
  std::fprintf(stderr, "traldenreport: %s\n", tral::report::TextToConsole(message).c_str());
}

// The daily bars of the span, summed over the connections asked for, written to --svg's file.
bool WriteSvgFile(const tral::report::ReportOptions& options, const tral::report::ReportFigures& figures) {
  using namespace tral::report;
  const std::string connections =
      options.connection && options.connection->kind != tral::ConnectionMatch::Kind::kAll
          ? "connections " + tral::ConnectionMatchText(*options.connection)
          : std::string("all connections");
  std::string error;
  // Days are drawn as they always were; months, years, hours and slots by their groups.
  const std::string svg =
      figures.grouped && figures.grouped->by != Grouping::kDay
          ? WriteGroupSvg(options.span, *figures.grouped, figures.daySums, connections, TextToUtf8)
          : WriteSvg(options.span, figures.daySums, connections, TextToUtf8);
  if (!WriteAtomically(*options.svg, svg, error)) {
    Complain("cannot write \"" + *options.svg + "\": " + error);
    return false;
  }
  return true;
}

// Names the day files that could not be counted whole; they do not end the run.
void NameIncompleteDays(const std::vector<tral::report::FileProblem>& damaged,
                        const std::vector<tral::report::FileProblem>& unreadable) {
  auto why = [](const tral::report::FileProblem& file) { return file.why.empty() ? std::string() : " (" + file.why + ")"; };
  for (const auto& file : damaged) {
    Complain("the day file " + file.file + " is damaged" + why(file) + "; counted as far as it could be read");
  }
  for (const auto& file : unreadable) Complain("the day file " + file.file + " could not be read" + why(file) + "; not counted");
}

// Names the slot files read for hours and slots that could not be read whole; their days' bytes
// they do not hold are reported as not placed in time.
void NameIncompleteSlots(const std::vector<tral::report::FileProblem>& damaged,
                         const std::vector<tral::report::FileProblem>& unreadable) {
  auto why = [](const tral::report::FileProblem& file) { return file.why.empty() ? std::string() : " (" + file.why + ")"; };
  for (const auto& file : damaged) {
    Complain("the slot file " + file.file + " is damaged" + why(file) +
             "; the bytes after the damage are not placed in time");
  }
  for (const auto& file : unreadable) {
    Complain("the slot file " + file.file + " could not be read" + why(file) + "; its day is not placed in time");
  }
}

// Names a sum that stopped at the largest number instead of wrapping around.
void NameSaturated(const std::string& what) {
  Complain("the bytes of " + what + " pass the largest number that can be counted; they stay at 18446744073709551615");
}

// Names the sums of the figures that stopped at the largest number; true when there was one.
bool NameSaturatedSums(const tral::report::ReportFigures& figures) {
  const std::vector<tral::report::SaturatedSum> sums = tral::report::SaturatedSums(figures);
  for (const tral::report::SaturatedSum& sum : sums) NameSaturated(sum.what + " " + sum.days);
  return !sums.empty();
}

// Names the Prometheus series whose merged sums stopped at the largest number; true when there was one.
bool NameSaturatedSeries(const tral::prometheus::MergedSamples& merged) {
  for (const std::size_t i : merged.saturated) {
    const tral::prometheus::ConnectionSample& s = merged.samples[i];
    // The labels are UTF-8 already; the message is in the program's own code page.
    NameSaturated(tral::report::TextFromUtf8("the series period=\"" + s.period + "\" adapter=\"" + s.adapter +
                                             "\" ip=\"" + s.ip + "\" bssid=\"" + s.bssid + "\" ssid=\"" + s.ssid +
                                             "\""));
  }
  return !merged.saturated.empty();
}

// The data plans of the --plans file as of the span's last day, in the form asked for; the status
// to end with when the file cannot be read or is no plans file. Sections with bad values are named,
// not fatal; `incomplete` tells whether a day file of the periods could not be counted whole.
std::optional<int> WritePlans(const tral::report::ReportOptions& options,
                              const std::vector<tral::report::DayFolder>& folders, std::string& text,
                              bool& incomplete, tral::report::PlanAlert& alert) {
  using namespace tral::report;
  std::string error;
  const std::optional<std::string> bytes = ReadPlansFile(*options.plans, error);
  if (!bytes) {
    Complain("cannot read the plans file \"" + *options.plans + "\": " + error);
    return kCannotRun;
  }
  const std::optional<std::string> ini = PlansText(*bytes, TextFromUtf8, error);
  if (!ini) {
    Complain("\"" + *options.plans + "\" is not a plans file: " + error);
    return kCannotRun;
  }
  const PlanReport report = CountPlans(folders, TextComparison(), *ini, options.span.last);
  for (const tral::PlanReading& reading : report.unused) Complain(UnusedPlanText(reading));
  NameIncompleteDays(report.damaged, report.unreadable);
  bool saturated = false;
  for (const PlanReportRow& row : report.plans) {
    // A plan's sum stops at the largest number rather than wrap; only a sum that stopped gets there.
    if (row.figures.usedBytes != tral::kLargestSum) continue;
    NameSaturated("the data plan " + row.section + " (\"" + row.name + "\") from " +
                  tral::DateText(row.figures.period.first) + " to " +
                  tral::DateText(std::min(row.figures.period.last, report.day)));
    saturated = true;
  }
  incomplete = !report.damaged.empty() || !report.unreadable.empty() || saturated;
  alert = AlertOf(report);
  const CsvTexts csvTexts = options.csvRaw ? CsvTexts::kRaw : CsvTexts::kGuarded;
  switch (options.form) {
    case OutputForm::kTable: text = WritePlansTable(report, TextToConsole); break;
    case OutputForm::kCsv: text = WritePlansCsv(report, TextToUtf8, csvTexts); break;
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
  const std::vector<std::string> names = options.folders.empty() ? std::vector<std::string>{DefaultFolder()}
                                                                  : options.folders;
  std::vector<std::unique_ptr<tral::DayFileSource>> sources;
  std::vector<DayFolder> folders;
  for (const std::string& name : names) {
    if (const auto problem = FolderProblem(name)) {
      Complain("cannot read the folder \"" + name + "\": " + *problem);
      return kCannotRun;
    }
    sources.push_back(OpenDayFiles(name));
    // Day files are named with their folder when there are several.
    folders.push_back(DayFolder{sources.back().get(), name, names.size() > 1 ? FolderPrefix(name) : std::string()});
  }
  std::string text;
  if (options.plans) {
    bool incomplete = false;
    PlanAlert alert = PlanAlert::kNone;
    if (const std::optional<int> failed = WritePlans(options, folders, text, incomplete, alert)) return *failed;
    // A history that could not be read whole comes first: the figures the alert rests on are short.
    const int done = options.strict && incomplete                               ? kIncompleteHistory
                     : options.alert && alert == PlanAlert::kLimitReached   ? kPlanLimitReached
                     : options.alert && alert == PlanAlert::kLimitProjected ? kPlanLimitProjected
                                                                             : 0;
    return Deliver(options, text, done);
  }
  const tral::EntryFilter accept =
      options.connection ? tral::MatchFilter(*options.connection, TextComparison()) : tral::EntryFilter();
  ReportFigures figures = CountReport(folders, TextComparison(), options.span, options.daily,
                                      options.form == OutputForm::kPrometheus ? &today : nullptr, accept, options.by);
  if (figures.grouped && options.top) KeepTop(*figures.grouped, *options.top);
  NameIncompleteDays(figures.damaged, figures.unreadable);
  NameIncompleteSlots(figures.damagedSlots, figures.unreadableSlots);
  const bool saturated = NameSaturatedSums(figures);
  const bool incomplete = !figures.damaged.empty() || !figures.unreadable.empty() || !figures.damagedSlots.empty() ||
                          !figures.unreadableSlots.empty() || saturated;
  int done = options.strict && incomplete ? kIncompleteHistory : 0;

  if (options.svg && !WriteSvgFile(options, figures)) return kCannotRun;

  switch (options.form) {
    case OutputForm::kTable: text = WriteTable(figures, TextToConsole); break;
    case OutputForm::kCsv:
      text = WriteCsv(figures, TextToUtf8, options.csvRaw ? CsvTexts::kRaw : CsvTexts::kGuarded);
      break;
    case OutputForm::kJson: text = WriteJson(figures, TextToUtf8); break;
    case OutputForm::kPrometheus: {
      const tral::prometheus::MergedSamples merged = PrometheusSamples(figures, TextToUtf8);
      if (NameSaturatedSeries(merged) && options.strict) done = kIncompleteHistory;
      text = WritePrometheus(figures, merged.samples);
      break;
    }
  }
  return Deliver(options, text, done);
}
