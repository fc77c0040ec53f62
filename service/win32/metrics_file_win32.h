// The service's Prometheus textfile on Windows: the INI value, the clock, and the file replaced on a thread of its own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "service/incidents.h"
#include "service/metrics_file.h"

namespace tral::win32 {

// How long the stop waits for the last textfile to be written.
inline constexpr std::uint32_t kMetricsFinishMs = 5000;

// Replaces the textfile at once on the calling thread, through an exclusive temporary of a random
// name beside it (see ReplaceFileAtomically). Not flushed: the file is written again at the next
// save, and a collector that meets a damaged one after a power cut only misses that scrape.
bool WriteMetricsFile(const std::string& path, std::string_view text, std::string& error);

// Writes hand the snapshot to a thread that makes the text (texts from the ANSI code page to UTF-8)
// and replaces the file, so that neither a large table nor a slow or hung folder (a share that
// does not answer) holds up counting or the day file. Only the newest snapshot is kept: one handed
// over while another is written replaces any that still waits. A failure is one "cannot publish
// metrics" incident, which the sink lets through once an hour.
class Win32MetricsFile final : public MetricsFileTarget {
 public:
  // `iniPath` is the service INI; `incidents` may be null and must outlive the writes.
  Win32MetricsFile(std::string iniPath, IncidentSink* incidents);
  ~Win32MetricsFile() override;  // finishes the last write, waiting at most kMetricsFinishMs
  Win32MetricsFile(const Win32MetricsFile&) = delete;
  Win32MetricsFile& operator=(const Win32MetricsFile&) = delete;

  std::string ReadPathSetting() override;
  bool IsFolder(const std::string& path) override;
  std::uint64_t UnixTimeMs() override;
  void Write(const std::string& path, MetricsSnapshot snapshot) override;

  // Waits until every snapshot handed over has been written or has failed, at most `ms`; true when it
  // has. A write that hangs longer is left to its thread, which ends once it returns.
  bool Finish(std::uint32_t ms);

 private:
  struct Queue;  // shared with the thread, which may outlive this object
  std::string iniPath_;
  std::shared_ptr<Queue> queue_;
};

}  // namespace tral::win32
