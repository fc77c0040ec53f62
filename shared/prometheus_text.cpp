// The shared Prometheus text lines: label escaping, merging samples of one identity, the gauges.
#include "shared/prometheus_text.h"

#include <cstdio>
#include <unordered_map>

#include "shared/saturating_sum.h"

namespace tral::prometheus {

namespace {

// The identity as one string: each text with its length in front, so that no choice of texts can
// make two different identities spell the same key.
std::string IdentityKey(const ConnectionSample& s) {
  std::string key;
  key.reserve(s.period.size() + s.adapter.size() + s.ip.size() + s.bssid.size() + s.ssid.size() + 40);
  for (const std::string* text : {&s.period, &s.adapter, &s.ip, &s.bssid, &s.ssid}) {
    key += std::to_string(text->size());
    key += ':';
    key += *text;
  }
  return key;
}

void AppendSampleLines(std::string& out, const char* metric, const std::vector<ConnectionSample>& samples,
                       bool downloaded) {
  for (const ConnectionSample& s : samples) {
    out += metric;
    out += "{period=\"" + EscapeLabelValue(s.period) + "\",adapter=\"" + EscapeLabelValue(s.adapter) + "\",ip=\"" +
           EscapeLabelValue(s.ip) + "\",bssid=\"" + EscapeLabelValue(s.bssid) + "\",ssid=\"" +
           EscapeLabelValue(s.ssid) + "\"} ";
    out += std::to_string(downloaded ? s.downloadedBytes : s.uploadedBytes);
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
  for (char c : utf8) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '"') {
      out += "\\\"";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

MergedSamples MergeSamples(std::vector<ConnectionSample> samples) {
  MergedSamples merged;
  merged.samples.reserve(samples.size());
  std::unordered_map<std::string, std::size_t> index;
  index.reserve(samples.size());
  std::vector<bool> saturated;
  for (ConnectionSample& s : samples) {
    const auto [it, fresh] = index.try_emplace(IdentityKey(s), merged.samples.size());
    if (fresh) {
      merged.samples.push_back(std::move(s));
      saturated.push_back(false);
      continue;
    }
    ConnectionSample& into = merged.samples[it->second];
    const bool down = AddSaturating(into.downloadedBytes, s.downloadedBytes);
    const bool up = AddSaturating(into.uploadedBytes, s.uploadedBytes);
    if (down || up) saturated[it->second] = true;
  }
  for (std::size_t i = 0; i < saturated.size(); ++i) {
    if (saturated[i]) merged.saturated.push_back(i);
  }
  return merged;
}

void AppendConnectionGauges(std::string& out, const std::vector<ConnectionSample>& samples) {
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
