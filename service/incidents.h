// Persistent failures the service writes down for an administrator (the Windows event log).
#pragma once

#include <string_view>

namespace tral {

// Each kind is written at most once an hour, however often it happens.
enum class Incident {
  kCannotSave,       // today's file could not be replaced
  kCannotPublish,    // the shared block or its objects could not be made; counting goes on
  kClockJump,        // the local date moved by more than a day, or back
  kFileKeptAside,    // an unreadable day file was renamed aside before a fresh one took its place
  kObjectsSquatted,  // another program holds the names of the shared objects or of the guard
  kCannotPublishMetrics,  // the Prometheus textfile's setting is bad or the file cannot be written
};

class IncidentSink {
 public:
  virtual ~IncidentSink() = default;
  // `detail` is a short text for the entry (a file name, an error code); the sink decides whether
  // this kind may be written now.
  virtual void Report(Incident kind, std::string_view detail) = 0;
};

}  // namespace tral
