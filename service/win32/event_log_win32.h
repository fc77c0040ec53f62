// The Application event log with the service as its source: the writer, and its registration.
#pragma once

#include <string>

#include "service/incidents.h"

namespace tral::win32 {

// The registry key under which the Application log knows the service as an event source.
inline constexpr char kEventSourceKey[] =
    "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\QTraldenMeterService";

// The event identifiers of the incident kinds, as the program's message table holds them.
unsigned EventIdOf(Incident kind);

// The process's incident sink: every kind goes to the Application log at most once an hour.
// Safe to call from any thread; writing is best effort (a log that cannot be opened drops it).
IncidentSink& ServiceIncidents();

// Makes the service an event source of the Application log, its messages in `executablePath`.
bool RegisterAsEventSource(const std::string& executablePath);
// Removes that registration; true when it is gone.
bool UnregisterAsEventSource();

}  // namespace tral::win32
