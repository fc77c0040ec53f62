// The Prometheus textfile of the service: the INI value's check, the file's text, the publishing after saves.
#include "service/metrics_file.h"

#include <cstring>
#include <utility>
#include <vector>

#include "shared/prometheus_text.h"
#include "shared/text_field.h"

namespace tral {

namespace {

constexpr std::string_view kMetricsSuffix = ".prom";

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// A drive with its root ("C:\..."), or a share ("\\server\share\..."); never the device namespaces
// ("\\?\", "\\.\"), nor a path the system would take relative to a current folder or drive.
bool IsFullPath(std::string_view path) {
  if (path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == ':' && IsSeparator(path[2])) return true;
  if (path.size() < 2 || !IsSeparator(path[0]) || !IsSeparator(path[1])) return false;
  const std::size_t serverEnd = path.find_first_of("\\/", 2);
  if (serverEnd == std::string_view::npos || serverEnd == 2) return false;
  const std::string_view server = path.substr(2, serverEnd - 2);
  if (server == "?" || server == ".") return false;
  const std::size_t shareEnd = path.find_first_of("\\/", serverEnd + 1);
  return shareEnd != std::string_view::npos && shareEnd > serverEnd + 1;
}

// Control characters, the wildcards and the characters the file system reserves; a colon only as
// the drive's (elsewhere it would name a stream of another file).
bool HoldsBadCharacter(std::string_view path) {
  for (std::size_t i = 0; i < path.size(); ++i) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (c < 0x20 || c == 0x7F) return true;
    if (c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*') return true;
    if (c == ':' && i != 1) return true;
  }
  return false;
}

bool EndsWithMetricsSuffix(std::string_view path) {
  const std::size_t slash = path.find_last_of("\\/");
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  if (name.size() <= kMetricsSuffix.size()) return false;
  const std::string_view tail = name.substr(name.size() - kMetricsSuffix.size());
  for (std::size_t i = 0; i < tail.size(); ++i) {
    char c = tail[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kMetricsSuffix[i]) return false;
  }
  return true;
}

}  // namespace

MetricsPathCheck CheckMetricsPath(std::string_view value) {
  MetricsPathCheck check;
  if (value.empty()) return check;
  if (value.size() > kMaxMetricsPathChars) {
    check.problem = "it is longer than " + std::to_string(kMaxMetricsPathChars) + " characters";
  } else if (!IsFullPath(value)) {
    check.problem = "it is not a full path (a drive and its folders, or \\\\server\\share\\...)";
  } else if (HoldsBadCharacter(value)) {
    check.problem = "it holds a character that a file name cannot have";
  } else if (!EndsWithMetricsSuffix(value)) {
    check.problem = "it does not name a .prom file";
  } else {
    check.path = std::string(value);
  }
  return check;
}

MetricsSnapshot TakeMetricsSnapshot(const ConnectionTable& table, std::uint32_t dayUptimeMs, std::uint64_t saveUnixMs,
                                    std::uint64_t startUnixMs) {
  MetricsSnapshot snapshot;
  snapshot.dayUptimeMs = dayUptimeMs;
  snapshot.saveUnixMs = saveUnixMs;
  snapshot.startUnixMs = startUnixMs;
  snapshot.rows.reserve(table.CountRecordsWithTraffic());
  // The entries with traffic, their records with traffic, under the key of the entry's head.
  for (const ConnectionTable::Entry& entry : table.Entries()) {
    if (ConnectionTable::CountWithTraffic(entry) == 0) continue;
    for (const RecordPtr& r : entry.chain) {
      if (!r->HasTraffic()) continue;
      MetricsRow& row = snapshot.rows.emplace_back();
      std::memcpy(row.adapterKey, entry.chain.front()->adapterKey, sizeof row.adapterKey);
      std::memcpy(row.ipText, r->ipText, sizeof row.ipText);
      std::memcpy(row.bssid, r->bssid, sizeof row.bssid);
      std::memcpy(row.ssid, r->ssid, sizeof row.ssid);
      row.rxBytes = r->rxTotal;
      row.txBytes = r->txTotal;
    }
  }
  return snapshot;
}

std::string MetricsFileText(const MetricsSnapshot& snapshot, TextToUtf8 toUtf8) {
  std::vector<prometheus::ConnectionSample> samples;
  samples.reserve(snapshot.rows.size());
  for (const MetricsRow& row : snapshot.rows) {
    samples.push_back(prometheus::ConnectionSample{"today", toUtf8(FieldText(row.adapterKey)),
                                                   toUtf8(FieldText(row.ipText)), toUtf8(FieldText(row.bssid)),
                                                   toUtf8(FieldText(row.ssid)), row.rxBytes, row.txBytes});
  }
  std::string out;
  prometheus::AppendConnectionGauges(out, prometheus::MergeSamples(std::move(samples)).samples);
  prometheus::AppendUptimeGauge(out, {{"today", snapshot.dayUptimeMs}});
  prometheus::AppendGauge(out, "traldenmeter_last_save_timestamp_seconds",
                          "When the counting service last saved today's day file, in seconds since 1970-01-01 UTC.",
                          prometheus::SecondsText(snapshot.saveUnixMs));
  prometheus::AppendGauge(out, "traldenmeter_service_start_timestamp_seconds",
                          "When the counting service started, in seconds since 1970-01-01 UTC.",
                          prometheus::SecondsText(snapshot.startUnixMs));
  return out;
}

void MetricsPublisher::ReadSetting(const CivilDate& date, IncidentSink* incidents) {
  settingDate_ = date;
  settingRead_ = true;
  const std::string value = target_.ReadPathSetting();
  MetricsPathCheck check = CheckMetricsPath(value);
  if (!check.path.empty() && target_.IsFolder(check.path)) {
    check.path.clear();
    check.problem = "it names a folder";
  }
  path_ = std::move(check.path);
  if (!check.problem.empty() && incidents != nullptr) {
    incidents->Report(Incident::kCannotPublishMetrics,
                      "cannot publish metrics: prometheusfile=" + value + " in the service INI is not used: " +
                          check.problem);
  }
}

void MetricsPublisher::AfterSave(const ConnectionTable& table, std::uint32_t dayUptimeMs, const CivilDate& today,
                                 IncidentSink* incidents) {
  if (!settingRead_ || settingDate_ != today) ReadSetting(today, incidents);
  if (path_.empty()) return;
  target_.Write(path_, TakeMetricsSnapshot(table, dayUptimeMs, target_.UnixTimeMs(), startUnixMs_));
}

void PublishAfterSave(CounterState& state, const CivilDate& date) {
  if (state.metrics == nullptr) return;
  const CivilDate today = state.clock.LocalDate();
  if (date != today) return;  // a finished day's late save: the file tells of today only
  state.metrics->AfterSave(state.table, state.dayUptimeMs, today, state.incidents);
}

}  // namespace tral
