// The monitor's side of the rate-block exchange: status texts, waits, and how a poll reports back.
#pragma once

#include <cstdint>
#include <string_view>

namespace tral {

// Status line texts; an empty text means no problem.
inline constexpr char kUnreachableText[] = "Unable to reach data service";
inline constexpr char kTimeoutExpiredText[] = "Unable to reach data service - Timeout expired";

// How long a poll waits for the service's answer: longer than the service's own 1,500 ms wait for
// the block's mutex, so an answer given after that wait still arrives.
inline constexpr std::uint32_t kAnswerWaitMs = 1800;
// How long a poll waits for the block's mutex once answered. The service holds it only while it
// copies the snapshot (microseconds) and gives up on it itself after 1,500 ms; a holder that keeps
// it longer is another client or a hung process, so the poll gives up after the same time, keeps
// the previous snapshot and reports kTimeoutExpiredText. This bounds the user interface's blocked
// time per poll to 3.3 seconds.
inline constexpr std::uint32_t kMutexWaitMs = 1500;

// What a poll tells the main window. The window does not exist yet when the client is built, and
// tests stand in for it.
class PollReceiver {
 public:
  virtual ~PollReceiver() = default;
  virtual void SetStatusText(std::string_view text) = 0;
  // A snapshot was read: rebuild the display in update mode.
  virtual void RebuildDisplayForUpdate() = 0;
  // The poll got as far as reading the block, which replaced the list (empty when `ok` is false).
  virtual void SnapshotRead(bool ok) { (void)ok; }
};

}  // namespace tral
