// The textfile's writer thread, the INI value through the profile functions, the system's wall clock.
#include "service/win32/metrics_file_win32.h"

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

#include "shared/names.h"
#include "shared/win32/file_replace_win32.h"
#include "shared/win32/system_text_win32.h"

namespace tral::win32 {

namespace {

// Longer values than the longest accepted path are refused whatever their end, so a value cut to
// this buffer is refused as it should be.
constexpr DWORD kSettingBufferBytes = 1024;

// 100-ns intervals from 1601-01-01 to 1970-01-01.
constexpr std::uint64_t kUnixEpochFileTime = 116444736000000000ULL;

}  // namespace

struct Win32MetricsFile::Queue {
  std::mutex lock;
  std::condition_variable changed;
  IncidentSink* incidents = nullptr;
  std::string path;  // the newest snapshot handed over and its file, while `waiting`
  MetricsSnapshot snapshot;
  bool waiting = false;
  bool busy = false;  // the thread is writing
  bool running = false;  // the thread exists
  bool quit = false;  // the owner is gone: the thread ends once nothing waits

  // The thread: makes the text of what waits and writes it, until the owner is gone.
  static void Run(std::shared_ptr<Queue> q) {
    std::unique_lock<std::mutex> guard(q->lock);
    for (;;) {
      q->changed.wait(guard, [&] { return q->waiting || q->quit; });
      if (!q->waiting) break;
      const std::string path = std::move(q->path);
      const MetricsSnapshot snapshot = std::move(q->snapshot);
      q->waiting = false;
      q->busy = true;
      guard.unlock();
      std::string error;
      if (!WriteMetricsFile(path, MetricsFileText(snapshot, AnsiToUtf8), error) && q->incidents != nullptr) {
        q->incidents->Report(Incident::kCannotPublishMetrics, "cannot publish metrics: " + path + ": " + error);
      }
      guard.lock();
      q->busy = false;
      q->changed.notify_all();
    }
    q->running = false;
  }
};

bool WriteMetricsFile(const std::string& path, std::string_view text, std::string& error) {
  return ReplaceFileAtomically(path, text, false, error);
}

Win32MetricsFile::Win32MetricsFile(std::string iniPath, IncidentSink* incidents)
    : iniPath_(std::move(iniPath)), queue_(std::make_shared<Queue>()) {
  queue_->incidents = incidents;
}

Win32MetricsFile::~Win32MetricsFile() {
  Finish(kMetricsFinishMs);
  std::lock_guard<std::mutex> guard(queue_->lock);
  queue_->quit = true;
  queue_->changed.notify_all();
}

std::string Win32MetricsFile::ReadPathSetting() {
  char buffer[kSettingBufferBytes] = {};
  const DWORD n = ::GetPrivateProfileStringA(kOptionsSection, kPrometheusFileKey, "", buffer, kSettingBufferBytes,
                                             iniPath_.c_str());
  return std::string(buffer, n < kSettingBufferBytes ? n : kSettingBufferBytes - 1);
}

bool Win32MetricsFile::IsFolder(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::uint64_t Win32MetricsFile::UnixTimeMs() {
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  const std::uint64_t ticks = (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return ticks < kUnixEpochFileTime ? 0 : (ticks - kUnixEpochFileTime) / 10000;
}

void Win32MetricsFile::Write(const std::string& path, MetricsSnapshot snapshot) {
  bool started = false;
  {
    std::lock_guard<std::mutex> guard(queue_->lock);
    queue_->path = path;
    queue_->snapshot = std::move(snapshot);
    queue_->waiting = true;
    started = queue_->running;
    if (!started) {
      // A thread that cannot be had leaves the snapshot waiting for the next write's try.
      try {
        std::thread(Queue::Run, queue_).detach();
        queue_->running = true;
        return;  // it finds the snapshot waiting
      } catch (const std::system_error&) {
      }
    }
  }
  if (started) {
    // Told once the lock is let go, so that the thread does not wake only to wait for it.
    queue_->changed.notify_all();
  } else if (queue_->incidents != nullptr) {
    queue_->incidents->Report(Incident::kCannotPublishMetrics, "cannot publish metrics: no thread to write " + path);
  }
}

bool Win32MetricsFile::Finish(std::uint32_t ms) {
  std::unique_lock<std::mutex> guard(queue_->lock);
  if (!queue_->running) return !queue_->waiting;
  return queue_->changed.wait_for(guard, std::chrono::milliseconds(ms),
                                  [&] { return !queue_->waiting && !queue_->busy; });
}

}  // namespace tral::win32
