// Incidents written to the Application event log, once an hour per kind.
#include "service/win32/event_log_win32.h"

#include <windows.h>

#include <mutex>

#include "service/incident_limit.h"
#include "service/win32/clock_win32.h"
#include "shared/names.h"
#include "shared/win32/unique_handle.h"

namespace tral::win32 {

namespace {

struct EventSourceTraits {
  using Type = HANDLE;
  static Type Invalid() noexcept { return nullptr; }
  static void Close(Type h) noexcept { ::DeregisterEventSource(h); }
};
using UniqueEventSource = UniqueHandle<EventSourceTraits>;

constexpr DWORD kTypesSupported = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;

WORD EventTypeOf(Incident kind) {
  return kind == Incident::kCannotSave ? EVENTLOG_ERROR_TYPE : EVENTLOG_WARNING_TYPE;
}

// Opens the source at the first entry and keeps it for the life of the process.
class EventLogWriter final : public IncidentSink {
 public:
  void Report(Incident kind, std::string_view detail) override {
    std::lock_guard<std::mutex> guard(lock_);
    if (!source_) source_.Reset(::RegisterEventSourceA(nullptr, kServiceName));
    if (!source_) return;
    const std::string text(detail);
    const char* strings[] = {text.c_str()};
    ::ReportEventA(source_.Get(), EventTypeOf(kind), 0, EventIdOf(kind), nullptr, 1, 0, strings, nullptr);
  }

 private:
  std::mutex lock_;
  UniqueEventSource source_;
};

}  // namespace

unsigned EventIdOf(Incident kind) { return static_cast<unsigned>(kind) + 1; }

IncidentSink& ServiceIncidents() {
  static EventLogWriter writer;
  static Win32Clock clock;
  static RateLimitedIncidents limited(writer, clock);
  return limited;
}

bool RegisterAsEventSource(const std::string& executablePath) {
  HKEY raw = nullptr;
  if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kEventSourceKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw,
                        nullptr) != ERROR_SUCCESS) {
    return false;
  }
  UniqueRegKey key(raw);
  const DWORD types = kTypesSupported;
  return ::RegSetValueExA(key.Get(), "EventMessageFile", 0, REG_EXPAND_SZ,
                          reinterpret_cast<const BYTE*>(executablePath.c_str()),
                          static_cast<DWORD>(executablePath.size() + 1)) == ERROR_SUCCESS &&
         ::RegSetValueExA(key.Get(), "TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&types),
                          sizeof types) == ERROR_SUCCESS;
}

bool UnregisterAsEventSource() {
  const LSTATUS status = ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kEventSourceKey);
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

}  // namespace tral::win32
