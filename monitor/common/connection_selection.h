// Which connection the main window shows, which are hidden as idle, and the view that results.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "monitor/settings/monitor_settings.h"
#include "monitor/common/connection_list.h"
#include "monitor/common/tick_source.h"

namespace tral {

inline constexpr char kNoInformationText[] = "No information available";
// The IP field of a connection on an adapter without IPv4 (its traffic is counted all the same).
inline constexpr char kNoIpv4Text[] = "no IPv4 address";
// Suffix of descriptions some adapters report through a scheduler layer; it is cut for display.
inline constexpr char kSchedulerSuffix[] = " - Packet Scheduler Miniport";
// The follow-active rule moves only to a connection active this much more recently, and not
// within this time after the user navigated.
inline constexpr std::uint32_t kFollowMarginMs = 5000;

// All tick arithmetic is modulo 2^32, so the rules hold across the tick count's wrap.
struct VisibilityRule {
  bool hideIdle = false;
  std::uint32_t idleLimitMs = 0;  // idletime x 60,000, wrapping

  static VisibilityRule From(const MonitorSettings& settings);
};

// Time since the later of the record's last received and last sent change; a record whose
// counters never moved (both ticks 0) is idle for `now` itself.
std::uint32_t IdleTime(const PublishedRecord& record, std::uint32_t now);
bool IsVisible(const PublishedRecord& record, const VisibilityRule& rule, std::uint32_t now);

// Positions count visible records only, groups in list order and each chain from its head.
struct VisibleHit {
  std::uint32_t position = 0;  // 0-based
  std::uint32_t idleMs = 0;
};

std::uint32_t CountVisible(const ConnectionList& list, const VisibilityRule& rule, std::uint32_t now);
const PublishedRecord* NthVisible(const ConnectionList& list, const VisibilityRule& rule, std::uint32_t k,
                                  std::uint32_t now);
// The visible record with the smallest idle time, the first on ties; position 0 and idle time
// 4294967295 when nothing is visible.
VisibleHit MostRecentlyActive(const ConnectionList& list, const VisibilityRule& rule, std::uint32_t now);
// The connection shown last: first match of key+bssid+ip, then key+ip, then key alone, comparing
// byte for byte.
std::optional<VisibleHit> FindSelected(const ConnectionList& list, const VisibilityRule& rule,
                                       std::string_view key, std::string_view bssid, std::string_view ip,
                                       std::uint32_t now);

// The main window's selection, kept between rebuilds.
struct SelectionState {
  std::uint32_t current = 0;  // 1-based position among the visible records; 0 = none chosen
  std::string selectedKey;  // identity of the record shown last
  std::string selectedBssid;
  std::string selectedIp;
  std::uint32_t lastNavigation = 0;  // tick of the last "<<" that moved or ">>"
};

enum class RebuildMode { kPrevious, kNext, kUpdate };

// Everything the main window shows for the selection; the window writes only what changed.
struct MainView {
  bool previousEnabled = false;  // "<<"
  bool nextEnabled = false;  // ">>"
  std::string description;
  std::string ipText;
  std::string hardwareAddress;
  std::string ssid;
  std::string bssid;
  std::string downloaded;
  std::string uploaded;
  std::string downloadSpeed;
  std::string uploadSpeed;
  std::string stateText = kNoInformationText;  // also the tray balloon's text
  // The shown record's average rates, bytes per second; 0 when nothing is shown.
  std::uint32_t rxRate = 0;
  std::uint32_t txRate = 0;

  friend bool operator==(const MainView&, const MainView&) = default;
};

// The description as shown: cut before the scheduler suffix when that occurs after the first
// character.
std::string DisplayDescription(std::string_view description);

// Moves the selection for "<<" (previous), ">>" (next) or after a poll or the Options dialog
// (update), and produces the view of the record then shown.
MainView RebuildDisplay(SelectionState& state, const ConnectionList& list, const MonitorSettings& settings,
                        RebuildMode mode, TickSource& ticks);

}  // namespace tral
