// The service's Prometheus textfile: which path the INI names, what the file says, when it is written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "service/connection_table.h"
#include "service/counter_state.h"
#include "service/incidents.h"
#include "shared/civil_date.h"

namespace tral {

// The temporary a replacement goes through is the path followed by a dot and 16 hex digits, and
// the file functions take at most 259 characters: longer paths are refused when read.
inline constexpr std::size_t kMaxMetricsPathChars = 259 - 17;

// The INI value's verdict: a path to write, or none, with the reason when the value is bad.
struct MetricsPathCheck {
  std::string path;  // empty: no textfile
  std::string problem;  // why a value that was given is not used; empty when it is used or absent
};

// Checks the text of "OPTIONS"/"prometheusfile": empty means off; otherwise it must be a full path
// (a drive letter with a colon and a separator, or \\server\share\...) no longer than
// kMaxMetricsPathChars, of a file whose name ends in ".prom" (so a folder is refused, and a
// collector that reads "*.prom" files never takes the temporary for one), without characters a
// file name cannot hold. Whether an existing folder has that name is the publisher's to ask.
MetricsPathCheck CheckMetricsPath(std::string_view value);

using TextToUtf8 = std::string (*)(std::string_view);

// One connection with traffic as the day file holds it: its texts in the machine's code page.
struct MetricsRow {
  char adapterKey[kAdapterKeyWidth];
  char ipText[kIpTextWidth];
  char bssid[kBssidWidth];
  char ssid[kSsidWidth];
  std::uint64_t rxBytes;
  std::uint64_t txBytes;
};

// What a save hands over: the table's connections with traffic in the day file's order, the day's
// running time, and the times of the save and of the service's start (ms since 1970-01-01 UTC).
// Plain bytes in one block, cheap to take on the counting thread; the text is made from it later.
struct MetricsSnapshot {
  std::vector<MetricsRow> rows;
  std::uint32_t dayUptimeMs = 0;
  std::uint64_t saveUnixMs = 0;
  std::uint64_t startUnixMs = 0;
};

MetricsSnapshot TakeMetricsSnapshot(const ConnectionTable& table, std::uint32_t dayUptimeMs, std::uint64_t saveUnixMs,
                                    std::uint64_t startUnixMs);

// What the file holds: the rows as the gauges traldenmeter_downloaded_bytes and
// traldenmeter_uploaded_bytes with period="today" (texts converted with `toUtf8`; connections whose
// texts come out the same are one series), the running time as
// traldenmeter_uptime_seconds{period="today"}, and the two times as
// traldenmeter_last_save_timestamp_seconds and traldenmeter_service_start_timestamp_seconds. No
// sample timestamps; it ends with a line feed.
std::string MetricsFileText(const MetricsSnapshot& snapshot, TextToUtf8 toUtf8);

// Where the file goes, through the system.
class MetricsFileTarget {
 public:
  virtual ~MetricsFileTarget() = default;
  // "OPTIONS"/"prometheusfile" of the service INI as text, empty when the file or key is missing.
  virtual std::string ReadPathSetting() = 0;
  // Whether `path` names an existing folder.
  virtual bool IsFolder(const std::string& path) = 0;
  // The wall clock, in ms since 1970-01-01 UTC.
  virtual std::uint64_t UnixTimeMs() = 0;
  // Replaces the file at `path` by the text of `snapshot` (MetricsFileText, with the conversion of
  // the machine's code page) in one step. It may finish later, on another thread: a failure is the
  // target's to report ("cannot publish metrics"), never the caller's to wait for.
  virtual void Write(const std::string& path, MetricsSnapshot snapshot) = 0;
};

// Keeps the textfile in step with today's day file.
class MetricsPublisher {
 public:
  MetricsPublisher(MetricsFileTarget& target, std::uint64_t startUnixMs)
      : target_(target), startUnixMs_(startUnixMs) {}

  // Reads the setting for `date`; a bad value is one incident and means no textfile that day.
  void ReadSetting(const CivilDate& date, IncidentSink* incidents);

  // After a save of the day file of `today`: reads the setting again when the date moved since it
  // was read, then writes the file when it is on.
  void AfterSave(const ConnectionTable& table, std::uint32_t dayUptimeMs, const CivilDate& today,
                 IncidentSink* incidents);

  const std::string& Path() const { return path_; }

 private:
  MetricsFileTarget& target_;
  std::uint64_t startUnixMs_;
  std::string path_;
  CivilDate settingDate_;
  bool settingRead_ = false;
};

// Called where a save of the day file of `date` succeeded: the textfile follows when the date is
// today's and the state has a publisher.
void PublishAfterSave(CounterState& state, const CivilDate& date);

}  // namespace tral
