// Reading and writing a data plan's section: each key checked, each bad value with its reason.
#include "history/data_plan.h"

#include <algorithm>

#include "shared/ascii_text.h"

namespace tral {

namespace {

constexpr std::uint32_t kMaxThreshold = 1000;  // percent
constexpr std::string_view kProjectedWord = "projected";

constexpr std::pair<PlanRenewal, const char*> kRenewals[] = {
    {PlanRenewal::kMonth, "month"}, {PlanRenewal::kWeek, "week"}, {PlanRenewal::kDay, "day"}, {PlanRenewal::kOnce, "once"}};
constexpr std::pair<PlanCount, const char*> kCounts[] = {
    {PlanCount::kBoth, "both"}, {PlanCount::kReceived, "rx"}, {PlanCount::kSent, "tx"}};

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// Decimal digits only, within 64 bits.
std::optional<std::uint64_t> ParseWhole(std::string_view text) {
  if (text.empty() || text.size() > 20) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

template <typename Enum, std::size_t N>
std::optional<Enum> WordOf(const std::pair<Enum, const char*> (&words)[N], std::string_view text) {
  for (const auto& [value, word] : words) {
    if (AsciiEqualIgnoringCase(text, word)) return value;
  }
  return std::nullopt;
}

// Values and names in messages are cut after this many bytes: a line of thousands of characters
// would bury the reason it gives.
constexpr std::size_t kMaxQuotedBytes = 64;

// The text in double quotes, cut to kMaxQuotedBytes with "..." (never inside a UTF-8 character).
std::string Quoted(std::string_view text) {
  if (text.size() <= kMaxQuotedBytes) return "\"" + std::string(text) + "\"";
  std::size_t cut = kMaxQuotedBytes;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return "\"" + std::string(text.substr(0, cut)) + "...\"";
}

std::string NotADate(const char* key, const std::string& text) {
  return std::string(key) + " " + Quoted(text) + " is not a date that exists (YYYY-MM-DD)";
}

std::optional<PlanAlerted> ParseAlerted(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const std::optional<CivilDate> start = ParseDate(Trimmed(text.substr(0, colon)));
  if (!start) return std::nullopt;
  PlanAlerted alerted{*start, {}, false};
  std::string numbers;
  std::string_view rest = text.substr(colon + 1);
  while (!rest.empty()) {
    const std::size_t comma = rest.find(',');
    const std::string_view token = Trimmed(rest.substr(0, comma));
    rest.remove_prefix(comma == std::string_view::npos ? rest.size() : comma + 1);
    if (AsciiEqualIgnoringCase(token, kProjectedWord)) {
      alerted.projected = true;
    } else {
      numbers += std::string(numbers.empty() ? "" : ",") + std::string(token);
    }
  }
  std::optional<std::vector<std::uint32_t>> thresholds = ParseThresholds(numbers);
  if (!thresholds) return std::nullopt;
  alerted.thresholds = std::move(*thresholds);
  return alerted;
}

}  // namespace

std::string PlanSectionName(int number) { return "PLAN" + std::to_string(number); }

const char* PlanRenewalText(PlanRenewal period) {
  for (const auto& [value, word] : kRenewals) {
    if (value == period) return word;
  }
  return "month";
}

const char* PlanCountText(PlanCount count) {
  for (const auto& [value, word] : kCounts) {
    if (value == count) return word;
  }
  return "both";
}

std::optional<std::vector<std::uint32_t>> ParseThresholds(std::string_view text) {
  std::vector<std::uint32_t> thresholds;
  text = Trimmed(text);
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    const std::optional<std::uint64_t> value = ParseWhole(Trimmed(text.substr(0, comma)));
    if (!value || *value < 1 || *value > kMaxThreshold) return std::nullopt;
    thresholds.push_back(static_cast<std::uint32_t>(*value));
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
    if (Trimmed(text).empty()) return std::nullopt;  // "80," names no last threshold
  }
  std::sort(thresholds.begin(), thresholds.end());
  thresholds.erase(std::unique(thresholds.begin(), thresholds.end()), thresholds.end());
  return thresholds;
}

std::optional<std::uint64_t> ParseLimitBytes(std::string_view text) {
  const std::optional<std::uint64_t> bytes = ParseWhole(text);
  if (!bytes || *bytes == 0) return std::nullopt;
  return bytes;
}

std::string ThresholdsText(const std::vector<std::uint32_t>& thresholds) {
  std::string text;
  for (const std::uint32_t t : thresholds) text += (text.empty() ? "" : ",") + std::to_string(t);
  return text;
}

std::string PlanAlertedText(const PlanAlerted& alerted) {
  std::string text = DateText(alerted.periodStart) + ":" + ThresholdsText(alerted.thresholds);
  if (alerted.projected) text += std::string(alerted.thresholds.empty() ? "" : ",") + std::string(kProjectedWord);
  return text;
}

PlanReading ReadPlan(ProfileLookup& file, const std::string& section) {
  PlanReading reading;
  reading.section = section;
  DataPlan plan;
  plan.section = section;
  auto value = [&](const char* key) {
    std::optional<std::string> text = file.Find(section, key);
    if (text) reading.values.emplace_back(key, *text);
    return text;
  };
  auto bad = [&](const char* key, std::string reason) { reading.problems.push_back(PlanProblem{key, std::move(reason)}); };

  if (const auto name = value(kPlanNameKey); !name || name->empty()) {
    bad(kPlanNameKey, "no name");
  } else if (name->size() > kMaxPlanNameChars) {
    bad(kPlanNameKey, "the name is longer than " + std::to_string(kMaxPlanNameChars) + " characters");
  } else {
    plan.name = *name;
  }

  if (const auto match = value(kPlanMatchKey); !match) {
    bad(kPlanMatchKey, "no match");
  } else if (std::optional<ConnectionMatch> parsed = ParseConnectionMatch(*match)) {
    plan.match = std::move(*parsed);
  } else {
    bad(kPlanMatchKey, "match " + Quoted(*match) + " is not all, adapter:<address>, ip:<a.b.c.d> or ssid:<name>");
  }

  bool once = false;
  if (const auto period = value(kPlanPeriodKey); !period) {
    bad(kPlanPeriodKey, "no period");
  } else if (const std::optional<PlanRenewal> renewal = WordOf(kRenewals, *period)) {
    plan.period = *renewal;
    once = *renewal == PlanRenewal::kOnce;
  } else {
    bad(kPlanPeriodKey, "period " + Quoted(*period) + " is not month, week, day or once");
  }

  const auto start = value(kPlanStartKey);
  const std::optional<CivilDate> startDate = start ? ParseDate(*start) : std::nullopt;
  if (!start) {
    bad(kPlanStartKey, "no start");
  } else if (!startDate) {
    bad(kPlanStartKey, NotADate(kPlanStartKey, *start));
  } else {
    plan.start = *startDate;
  }

  // `end` belongs to a plan that runs once; any other plan leaves it aside.
  const auto end = value(kPlanEndKey);
  if (once) {
    const std::optional<CivilDate> endDate = end ? ParseDate(*end) : std::nullopt;
    if (!end) {
      bad(kPlanEndKey, "no end");
    } else if (!endDate) {
      bad(kPlanEndKey, NotADate(kPlanEndKey, *end));
    } else if (startDate && *endDate < *startDate) {
      bad(kPlanEndKey, "end " + DateText(*endDate) + " is before start " + DateText(*startDate));
    } else {
      plan.end = *endDate;
    }
  }

  const auto limit = value(kPlanLimitKey);
  const std::optional<std::uint64_t> limitBytes = limit ? ParseLimitBytes(*limit) : std::nullopt;
  if (!limit) {
    bad(kPlanLimitKey, "no limit");
  } else if (!limitBytes) {
    bad(kPlanLimitKey, "limit " + Quoted(*limit) + " is not a positive whole number of bytes");
  } else {
    plan.limitBytes = *limitBytes;
  }

  if (const auto count = value(kPlanCountKey)) {
    if (const std::optional<PlanCount> parsed = WordOf(kCounts, *count)) {
      plan.count = *parsed;
    } else {
      bad(kPlanCountKey, "count " + Quoted(*count) + " is not both, rx or tx");
    }
  }

  if (const auto warn = value(kPlanWarnKey)) {
    if (std::optional<std::vector<std::uint32_t>> parsed = ParseThresholds(*warn)) {
      plan.warn = std::move(*parsed);
    } else {
      bad(kPlanWarnKey, "warn " + Quoted(*warn) + " is not a list of percentages from 1 to " +
                            std::to_string(kMaxThreshold));
    }
  }

  // Written by the monitor itself; a text it cannot read again only means no alert was given yet.
  if (const auto alerted = value(kPlanAlertedKey)) plan.alerted = ParseAlerted(*alerted);

  if (reading.problems.empty()) reading.plan = std::move(plan);
  return reading;
}

std::vector<PlanReading> ReadPlans(ProfileLookup& file) {
  std::vector<PlanReading> readings;
  for (int number = 1; number <= kMaxPlans; ++number) {
    PlanReading reading = ReadPlan(file, PlanSectionName(number));
    if (!reading.values.empty()) readings.push_back(std::move(reading));
  }
  return readings;
}

std::string UnusedPlanText(const PlanReading& reading) {
  std::string text = "the data plan " + reading.section;
  for (const auto& [key, value] : reading.values) {
    if (key == kPlanNameKey && !value.empty()) text += " (" + Quoted(value) + ")";
  }
  text += " is not used: ";
  for (std::size_t i = 0; i < reading.problems.size(); ++i) text += (i > 0 ? "; " : "") + reading.problems[i].reason;
  return text;
}

std::vector<std::pair<std::string, std::string>> PlanValues(const DataPlan& plan) {
  std::vector<std::pair<std::string, std::string>> values = {
      {kPlanNameKey, plan.name},
      {kPlanMatchKey, ConnectionMatchText(plan.match)},
      {kPlanPeriodKey, PlanRenewalText(plan.period)},
      {kPlanStartKey, DateText(plan.start)},
  };
  if (plan.period == PlanRenewal::kOnce) values.emplace_back(kPlanEndKey, DateText(plan.end));
  values.emplace_back(kPlanLimitKey, std::to_string(plan.limitBytes));
  values.emplace_back(kPlanCountKey, PlanCountText(plan.count));
  values.emplace_back(kPlanWarnKey, ThresholdsText(plan.warn));
  if (plan.alerted) values.emplace_back(kPlanAlertedKey, PlanAlertedText(*plan.alerted));
  return values;
}

}  // namespace tral
