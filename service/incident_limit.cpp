// Incidents limited to one entry per kind and hour.
#include "service/incident_limit.h"

namespace tral {

void RateLimitedIncidents::Report(Incident kind, std::string_view detail) {
  const auto index = static_cast<std::size_t>(kind);
  if (index >= kIncidentKinds) return;
  {
    std::lock_guard<std::mutex> guard(lock_);
    const std::uint32_t now = clock_.TickCount();
    LastWritten& last = last_[index];
    // Differences of the tick count stay right across its wrap after 49.7 days.
    if (last.written && now - last.tick < kIncidentIntervalMs) return;
    last.written = true;
    last.tick = now;
  }
  writer_.Report(kind, detail);
}

}  // namespace tral
