// The shared Prometheus text lines: label escaping, merging samples of one identity, the gauges.
#include "shared/prometheus_text.h"

#include <charconv>
#include <cstdio>
#include <functional>

#include "shared/saturating_sum.h"

namespace tral::prometheus {

namespace {

constexpr std::size_t kNoSample = ~std::size_t{0};

std::size_t IdentityHash(const ConnectionSample& s) {
  std::size_t hash = 0;
  for (const std::string* text : {&s.period, &s.adapter, &s.ip, &s.bssid, &s.ssid}) {
    hash = hash * 1000003u ^ std::hash<std::string>{}(*text);
  }
  return hash;
}

bool SameIdentity(const ConnectionSample& a, const ConnectionSample& b) {
  return a.period == b.period && a.adapter == b.adapter && a.ip == b.ip && a.bssid == b.bssid && a.ssid == b.ssid;
}

// Appends the text escaped for a label value straight into `out`, the runs between the characters
// to escape in one piece each: the lines of a large file are many.
void AppendEscaped(std::string& out, std::string_view utf8) {
  std::size_t run = 0;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    if (c != '\\' && c != '"' && c != '\n') continue;
    out.append(utf8.data() + run, i - run);
    out += c == '\n' ? "\\n" : c == '"' ? "\\\"" : "\\\\";
    run = i + 1;
  }
  out.append(utf8.data() + run, utf8.size() - run);
}

void AppendLabel(std::string& out, std::string_view name, std::string_view value) {
  out += name;
  out += "=\"";
  AppendEscaped(out, value);
  out += '"';
}

void AppendDecimal(std::string& out, std::uint64_t value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, end);
}

void AppendSampleLines(std::string& out, std::string_view metric, const std::vector<ConnectionSample>& samples,
                       bool downloaded) {
  for (const ConnectionSample& s : samples) {
    out += metric;
    AppendLabel(out, "{period", s.period);
    AppendLabel(out, ",adapter", s.adapter);
    AppendLabel(out, ",ip", s.ip);
    AppendLabel(out, ",bssid", s.bssid);
    AppendLabel(out, ",ssid", s.ssid);
    out += "} ";
    AppendDecimal(out, downloaded ? s.downloadedBytes : s.uploadedBytes);
    out += '\n';
  }
}

void AppendHeader(std::string& out, std::string_view metric, std::string_view help) {
  out += "# HELP ";
  out += metric;
  out += ' ';
  out += help;
  out += "\n# TYPE ";
  out += metric;
  out += " gauge\n";
}

}  // namespace

std::string EscapeLabelValue(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  AppendEscaped(out, utf8);
  return out;
}

MergedSamples MergeSamples(std::vector<ConnectionSample> samples) {
  MergedSamples merged;
  merged.samples.reserve(samples.size());
  // An open-addressing table of indexes into merged.samples, at most half full: no allocation per
  // sample, and a sample is compared only with those of its hash's run.
  std::size_t capacity = 16;
  while (capacity < 2 * samples.size()) capacity *= 2;
  std::vector<std::size_t> slots(capacity, kNoSample);
  std::vector<bool> saturated;
  for (ConnectionSample& s : samples) {
    std::size_t slot = IdentityHash(s) & (capacity - 1);
    while (slots[slot] != kNoSample && !SameIdentity(merged.samples[slots[slot]], s)) {
      slot = (slot + 1) & (capacity - 1);
    }
    if (slots[slot] == kNoSample) {
      slots[slot] = merged.samples.size();
      merged.samples.push_back(std::move(s));
      saturated.push_back(false);
      continue;
    }
    ConnectionSample& into = merged.samples[slots[slot]];
    const bool down = AddSaturating(into.downloadedBytes, s.downloadedBytes);
    const bool up = AddSaturating(into.uploadedBytes, s.uploadedBytes);
    if (down || up) saturated[slots[slot]] = true;
  }
  for (std::size_t i = 0; i < saturated.size(); ++i) {
    if (saturated[i]) merged.saturated.push_back(i);
  }
  return merged;
}

void AppendConnectionGauges(std::string& out, const std::vector<ConnectionSample>& samples) {
  std::size_t size = 0;
  for (const ConnectionSample& s : samples) {
    size += s.period.size() + s.adapter.size() + s.ip.size() + s.bssid.size() + s.ssid.size() + 100;
  }
  out.reserve(out.size() + 2 * size + 300);
  AppendHeader(out, "traldenmeter_downloaded_bytes",
               "Bytes received on a connection, today and over the report's span.");
  AppendSampleLines(out, "traldenmeter_downloaded_bytes", samples, true);
  AppendHeader(out, "traldenmeter_uploaded_bytes", "Bytes sent on a connection, today and over the report's span.");
  AppendSampleLines(out, "traldenmeter_uploaded_bytes", samples, false);
}

void AppendUptimeGauge(std::string& out, const std::vector<PeriodUptime>& uptimes) {
  AppendHeader(out, "traldenmeter_uptime_seconds", "Running time of the counting service, today and over the span.");
  for (const PeriodUptime& u : uptimes) {
    out += "traldenmeter_uptime_seconds{period=\"" + EscapeLabelValue(u.period) + "\"} " + SecondsText(u.ms) + "\n";
  }
}

std::string SecondsText(std::uint64_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%llu.%03llu", static_cast<unsigned long long>(ms / 1000),
                static_cast<unsigned long long>(ms % 1000));
  return text;
}

void AppendGauge(std::string& out, std::string_view metric, std::string_view help, std::string_view value) {
  AppendHeader(out, metric, help);
  out += metric;
  out += ' ';
  out += value;
  out += '\n';
}

}  // namespace tral::prometheus
