// The Prometheus text lines that the report and the service both write, so that one dashboard reads either.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tral::prometheus {

// One connection's bytes under one period ("today", "span"). Every text is UTF-8 already: the
// caller converts from whatever code page wrote it.
struct ConnectionSample {
  std::string period;
  std::string adapter;
  std::string ip;
  std::string bssid;
  std::string ssid;
  std::uint64_t downloadedBytes = 0;
  std::uint64_t uploadedBytes = 0;
};

// A label value of the text format: backslash, double quote and line feed escaped.
std::string EscapeLabelValue(std::string_view utf8);

// Samples with one output identity each, in order of first appearance.
struct MergedSamples {
  std::vector<ConnectionSample> samples;
  // Indexes into `samples` of those whose downloaded or uploaded sum would have passed 2^64 - 1
  // and stopped there instead, in increasing order.
  std::vector<std::size_t> saturated;
};

// Samples whose period and label values are equal (texts that differed before their conversion to
// UTF-8 may come out the same) would be one series twice, which a collector rejects: they become
// one sample with their bytes summed. The sums saturate at 2^64 - 1 instead of wrapping. Linear in
// the number of samples.
MergedSamples MergeSamples(std::vector<ConnectionSample> samples);

// The gauges traldenmeter_downloaded_bytes and traldenmeter_uploaded_bytes, each with its HELP and
// TYPE lines, one line per sample labelled period, adapter, ip, bssid, ssid in that order.
void AppendConnectionGauges(std::string& out, const std::vector<ConnectionSample>& samples);

// A running time under one period.
struct PeriodUptime {
  std::string period;
  std::uint64_t ms = 0;
};

// The gauge traldenmeter_uptime_seconds with its HELP and TYPE lines, one line per period, in
// seconds with three decimals.
void AppendUptimeGauge(std::string& out, const std::vector<PeriodUptime>& uptimes);

// Milliseconds as seconds with three decimals ("1.234").
std::string SecondsText(std::uint64_t ms);

// An unlabelled gauge: its HELP and TYPE lines and one sample line with `value` as written.
void AppendGauge(std::string& out, std::string_view metric, std::string_view help, std::string_view value);

}  // namespace tral::prometheus
