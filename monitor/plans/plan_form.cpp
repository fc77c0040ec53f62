// The data plan editor's fields, their checks and messages, and the plan they give.
#include "monitor/plans/plan_form.h"

#include "history/plan_period.h"
#include "monitor/resources/resource.h"
#include "shared/ascii_text.h"

namespace tral {

namespace {

constexpr std::uint64_t kUnitBytes[] = {std::uint64_t{1} << 20, std::uint64_t{1} << 30};  // MB, GB
constexpr PlanRenewal kRenewalOfIndex[] = {PlanRenewal::kMonth, PlanRenewal::kWeek, PlanRenewal::kDay, PlanRenewal::kOnce};
constexpr PlanCount kCountOfIndex[] = {PlanCount::kBoth, PlanCount::kReceived, PlanCount::kSent};
constexpr const char* kMatchWords[] = {"all", "adapter:", "ip:", "ssid:"};

constexpr char kNameMissing[] = "Please enter a name for the plan.";
constexpr char kNameTooLong[] = "Please enter a name of at most 63 characters.";
constexpr char kMatchKindMissing[] = "Please choose which connections the plan counts.";
constexpr char kAdapterMissing[] =
    "Please enter the adapter's hardware address as the main window shows it, e.g. 00-1A-2B-3C-4D-5E.";
constexpr char kIpBad[] = "Please enter an IP address of four numbers from 0 to 255, e.g. 192.168.1.10.";
constexpr char kSsidMissing[] = "Please enter the network name (SSID).";
constexpr char kPeriodMissing[] = "Please choose how the plan renews.";
constexpr char kStartBad[] = "Please enter the first day as YYYY-MM-DD, a date that exists.";
constexpr char kEndBad[] = "Please enter the last day as YYYY-MM-DD, a date that exists.";
constexpr char kEndBeforeStart[] = "The last day must not be before the first day.";
constexpr char kLimitBad[] = "Please enter the limit as a number above 0 with at most two decimals, e.g. 50 or 1.5.";
constexpr char kWarnBad[] =
    "Please enter the alert thresholds as percentages from 1 to 1000 separated by commas, e.g. 80,100.";

std::string Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return std::string(text);
}

template <typename T, std::size_t N>
std::int32_t IndexOf(const T (&values)[N], T value) {
  for (std::size_t i = 0; i < N; ++i) {
    if (values[i] == value) return static_cast<std::int32_t>(i);
  }
  return -1;
}

const std::string* ValueOf(const PlanReading& reading, const char* key) {
  for (const auto& [k, v] : reading.values) {
    if (k == key) return &v;
  }
  return nullptr;
}

// Everything but the name: a plan that counts the same keeps its alerts of the period.
bool CountsTheSame(const DataPlan& a, const DataPlan& b) {
  return a.match.kind == b.match.kind && a.match.value == b.match.value && a.period == b.period && a.start == b.start &&
         (a.period != PlanRenewal::kOnce || a.end == b.end) && a.limitBytes == b.limitBytes && a.count == b.count &&
         a.warn == b.warn;
}

void SetShownLimit(PlanForm& form, std::uint64_t bytes) {
  form.limit = LimitText(bytes, form.limitUnit);
  form.shownLimit = form.limit;
  form.shownUnit = form.limitUnit;
  form.shownLimitBytes = bytes;
}

// The checks in table order; the plan when every field holds.
std::optional<DataPlan> CheckedPlan(ui::DataExchange& exchange, const PlanForm& form) {
  const auto fail = [&](int id, const char* message) {
    exchange.Reject(id, message);
    return std::optional<DataPlan>();
  };
  DataPlan plan;
  plan.section = form.section;
  plan.name = Trimmed(form.name);
  if (plan.name.empty()) return fail(IDC_PLAN_NAME, kNameMissing);
  if (plan.name.size() > kMaxPlanNameChars) return fail(IDC_PLAN_NAME, kNameTooLong);

  if (form.matchKind < 0 || form.matchKind > 3) return fail(IDC_PLAN_MATCH_KIND, kMatchKindMissing);
  const std::string value = Trimmed(form.matchValue);
  const std::optional<ConnectionMatch> match =
      ParseConnectionMatch(form.matchKind == 0 ? std::string("all") : kMatchWords[form.matchKind] + value);
  if (!match) {
    const char* why = form.matchKind == 1 ? kAdapterMissing : form.matchKind == 2 ? kIpBad : kSsidMissing;
    return fail(IDC_PLAN_MATCH_VALUE, why);
  }
  plan.match = *match;

  if (form.period < 0 || form.period > 3) return fail(IDC_PLAN_PERIOD, kPeriodMissing);
  plan.period = kRenewalOfIndex[form.period];
  const std::optional<CivilDate> start = ParseDate(Trimmed(form.start));
  if (!start) return fail(IDC_PLAN_START, kStartBad);
  plan.start = *start;
  if (plan.period == PlanRenewal::kOnce) {
    const std::optional<CivilDate> end = ParseDate(Trimmed(form.end));
    if (!end) return fail(IDC_PLAN_END, kEndBad);
    if (*end < *start) return fail(IDC_PLAN_END, kEndBeforeStart);
    plan.end = *end;
  }

  const std::string limit = Trimmed(form.limit);
  const bool limitAsShown = form.shownLimitBytes != 0 && limit == form.shownLimit && form.limitUnit == form.shownUnit;
  const std::optional<std::uint64_t> bytes = limitAsShown ? form.shownLimitBytes : ParseLimit(limit, form.limitUnit);
  if (!bytes) return fail(IDC_PLAN_LIMIT, kLimitBad);
  plan.limitBytes = *bytes;

  plan.count = kCountOfIndex[form.count >= 0 && form.count <= 2 ? form.count : 0];
  std::optional<std::vector<std::uint32_t>> warn = ParseThresholds(form.warn);
  if (!warn) return fail(IDC_PLAN_WARN, kWarnBad);
  plan.warn = std::move(*warn);

  if (form.opened && CountsTheSame(*form.opened, plan)) plan.alerted = form.opened->alerted;
  return plan;
}

}  // namespace

std::optional<std::uint64_t> ParseLimit(std::string_view text, std::int32_t unit) {
  if (unit < 0 || unit > 1) return std::nullopt;
  const std::size_t dot = text.find('.');
  const std::string_view whole = text.substr(0, dot);
  const std::string_view decimals = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
  if (whole.empty() || whole.size() > 12 || decimals.size() > 2 || (dot != std::string_view::npos && decimals.empty())) {
    return std::nullopt;
  }
  std::uint64_t units = 0;
  for (const char c : whole) {
    if (c < '0' || c > '9') return std::nullopt;
    units = units * 10 + static_cast<std::uint64_t>(c - '0');
  }
  std::uint64_t hundredths = 0;
  for (std::size_t i = 0; i < 2; ++i) {
    const char c = i < decimals.size() ? decimals[i] : '0';
    if (c < '0' || c > '9') return std::nullopt;
    hundredths = hundredths * 10 + static_cast<std::uint64_t>(c - '0');
  }
  // Twelve digits of GB stay far within 64 bits of bytes.
  const std::uint64_t bytes = units * kUnitBytes[unit] + hundredths * kUnitBytes[unit] / 100;
  if (bytes == 0) return std::nullopt;
  return bytes;
}

std::string LimitText(std::uint64_t bytes, std::int32_t& unit) {
  unit = bytes >= kUnitBytes[1] ? 1 : 0;
  const std::uint64_t hundredths = MulDiv(bytes, 100, kUnitBytes[unit]);
  std::string text = std::to_string(hundredths / 100);
  const std::uint64_t decimals = hundredths % 100;
  if (decimals != 0) {
    text += "." + std::to_string(decimals / 10);
    if (decimals % 10 != 0) text += std::to_string(decimals % 10);
  }
  return text;
}

ConnectionMatch SuggestedMatch(std::string_view adapterKey, std::string_view ssid) {
  if (!ssid.empty()) return ConnectionMatch{ConnectionMatch::Kind::kSsid, std::string(ssid)};
  if (!adapterKey.empty()) return ConnectionMatch{ConnectionMatch::Kind::kAdapter, std::string(adapterKey)};
  return ConnectionMatch{};
}

PlanForm NewPlanForm(const CivilDate& today, const ConnectionMatch& suggested) {
  PlanForm form;
  switch (suggested.kind) {
    case ConnectionMatch::Kind::kAll: form.matchKind = 0; break;
    case ConnectionMatch::Kind::kAdapter: form.matchKind = 1; break;
    case ConnectionMatch::Kind::kIp: form.matchKind = 2; break;
    case ConnectionMatch::Kind::kSsid: form.matchKind = 3; break;
  }
  form.matchValue = suggested.value;
  form.start = DateText(today);
  form.end = DateText(today);
  form.limit.clear();
  form.limitUnit = 1;
  return form;
}

PlanForm PlanFormOf(const DataPlan& plan) {
  PlanForm form;
  form.section = plan.section;
  form.name = plan.name;
  form.matchKind = static_cast<std::int32_t>(plan.match.kind);
  form.matchValue = plan.match.value;
  form.period = IndexOf(kRenewalOfIndex, plan.period);
  form.start = DateText(plan.start);
  form.end = DateText(plan.period == PlanRenewal::kOnce ? plan.end : plan.start);
  SetShownLimit(form, plan.limitBytes);
  form.count = IndexOf(kCountOfIndex, plan.count);
  form.warn = ThresholdsText(plan.warn);
  form.opened = plan;
  return form;
}

PlanForm PlanFormOf(const PlanReading& reading) {
  if (reading.plan) return PlanFormOf(*reading.plan);
  PlanForm form;
  form.section = reading.section;
  if (const std::string* name = ValueOf(reading, kPlanNameKey)) form.name = *name;
  if (const std::string* match = ValueOf(reading, kPlanMatchKey)) {
    form.matchKind = -1;  // an unknown kind is chosen anew
    for (std::int32_t kind = 0; kind < 4; ++kind) {
      const std::string_view word = kMatchWords[kind];
      if (match->size() >= word.size() && AsciiEqualIgnoringCase(std::string_view(*match).substr(0, word.size()), word)) {
        form.matchKind = kind;
        form.matchValue = kind == 0 ? std::string() : match->substr(word.size());
      }
    }
  }
  form.period = -1;
  if (const std::string* period = ValueOf(reading, kPlanPeriodKey)) {
    for (std::int32_t i = 0; i < 4; ++i) {
      if (AsciiEqualIgnoringCase(*period, PlanRenewalText(kRenewalOfIndex[i]))) form.period = i;
    }
  }
  if (const std::string* start = ValueOf(reading, kPlanStartKey)) form.start = *start;
  if (const std::string* end = ValueOf(reading, kPlanEndKey)) form.end = *end;
  if (const std::string* limit = ValueOf(reading, kPlanLimitKey)) {
    if (const std::optional<std::uint64_t> bytes = ParseLimitBytes(*limit)) {
      SetShownLimit(form, *bytes);
    } else {
      form.limit = *limit;  // shown as it stands, for the user to mend
    }
  }
  if (const std::string* count = ValueOf(reading, kPlanCountKey)) {
    for (std::int32_t i = 0; i < 3; ++i) {
      if (AsciiEqualIgnoringCase(*count, PlanCountText(kCountOfIndex[i]))) form.count = i;
    }
  }
  if (const std::string* warn = ValueOf(reading, kPlanWarnKey)) form.warn = *warn;
  return form;
}

void ExchangePlanForm(ui::DataExchange& exchange, PlanForm& form, std::optional<DataPlan>& accepted) {
  exchange.Text(IDC_PLAN_NAME, form.name);
  exchange.ComboIndex(IDC_PLAN_MATCH_KIND, form.matchKind);
  exchange.Text(IDC_PLAN_MATCH_VALUE, form.matchValue);
  exchange.ComboIndex(IDC_PLAN_PERIOD, form.period);
  exchange.Text(IDC_PLAN_START, form.start);
  exchange.Text(IDC_PLAN_END, form.end);
  exchange.Text(IDC_PLAN_LIMIT, form.limit);
  exchange.ComboIndex(IDC_PLAN_LIMIT_UNIT, form.limitUnit);
  exchange.ComboIndex(IDC_PLAN_COUNT, form.count);
  exchange.Text(IDC_PLAN_WARN, form.warn);
  if (!exchange.Saving() || exchange.Failed()) return;
  accepted = CheckedPlan(exchange, form);
}

}  // namespace tral
