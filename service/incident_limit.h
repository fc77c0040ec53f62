// The once-an-hour rule for incidents: each kind reaches the writer at most once per hour.
#pragma once

#include <cstdint>
#include <mutex>
#include <string_view>

#include "service/clock.h"
#include "service/incidents.h"

namespace tral {

inline constexpr std::uint32_t kIncidentIntervalMs = 3600000;
inline constexpr std::size_t kIncidentKinds = 6;
static_assert(static_cast<std::size_t>(Incident::kCannotPublishMetrics) + 1 == kIncidentKinds);

// Passes an incident on to `writer` unless one of the same kind was passed on less than an hour
// ago by the clock's tick count. Safe to call from any thread.
class RateLimitedIncidents final : public IncidentSink {
 public:
  RateLimitedIncidents(IncidentSink& writer, Clock& clock) : writer_(writer), clock_(clock) {}

  void Report(Incident kind, std::string_view detail) override;

 private:
  struct LastWritten {
    bool written = false;
    std::uint32_t tick = 0;  // ms
  };

  IncidentSink& writer_;
  Clock& clock_;
  std::mutex lock_;
  LastWritten last_[kIncidentKinds];
};

}  // namespace tral
