// traldenreport: sums the counting service's day files over a span of days, per connection, as a
// table, CSV, JSON or Prometheus text, and draws the span's daily bars as SVG.
#include <cstdio>
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
  const tral::EntryFilter accept =
      options.connection ? tral::MatchFilter(*options.connection, TextComparison()) : tral::EntryFilter();
  const ReportFigures figures = CountReport(*files, TextComparison(), options.span, options.daily,
                                            options.form == OutputForm::kPrometheus ? &today : nullptr, accept);
  auto why = [&](const tral::CivilDate& date) {
    const auto it = figures.problems.find(date);
    return it == figures.problems.end() || it->second.empty() ? std::string() : " (" + it->second + ")";
  };
  for (const tral::CivilDate& date : figures.damaged) {
    Complain("the day file " + tral::DayFileName(date) + " is damaged" + why(date) +
             "; counted as far as it could be read");
  }
  for (const tral::CivilDate& date : figures.unreadable) {
    Complain("the day file " + tral::DayFileName(date) + " could not be read" + why(date) + "; not counted");
  }
  const bool incomplete = !figures.damaged.empty() || !figures.unreadable.empty();
  const int done = options.strict && incomplete ? kIncompleteHistory : 0;

  if (options.svg && !WriteSvgFile(options, *files, accept)) return kCannotRun;

  std::string text;
  switch (options.form) {
    case OutputForm::kTable: text = WriteTable(figures, TextToConsole); break;
    case OutputForm::kCsv: text = WriteCsv(figures, TextToUtf8); break;
    case OutputForm::kJson: text = WriteJson(figures, TextToUtf8); break;
    case OutputForm::kPrometheus: text = WritePrometheus(figures, TextToUtf8); break;
  }
  if (options.output) {
    std::string error;
    if (!WriteAtomically(*options.output, text, error)) {
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
