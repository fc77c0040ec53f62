// The Statistics window's line about day files it could not count whole.
#include "monitor/statistics/day_problem_text.h"

namespace tral {

namespace {

constexpr std::size_t kNamesShown = 3;

std::string Names(const char* what, const std::vector<CivilDate>& dates) {
  std::string text = what;
  for (std::size_t i = 0; i < dates.size() && i < kNamesShown; ++i) {
    text += (i == 0 ? " " : ", ") + DayFileName(dates[i]);
  }
  if (dates.size() > kNamesShown) text += " and " + std::to_string(dates.size() - kNamesShown) + " more";
  return text;
}

}  // namespace

std::string DayProblemText(const std::vector<CivilDate>& unreadable, const std::vector<CivilDate>& damaged) {
  std::string text;
  if (!unreadable.empty()) text = Names("Not counted, could not be read:", unreadable);
  if (!damaged.empty()) text += (text.empty() ? "" : "; ") + Names("Counted in part, damaged:", damaged);
  return text;
}

}  // namespace tral
