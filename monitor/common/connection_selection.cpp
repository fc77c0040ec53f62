// Connection selection: visibility, the follow rules and the main window's view.
#include "monitor/common/connection_selection.h"

#include <limits>

#include "monitor/common/quantity_format.h"
#include "shared/text_field.h"

namespace tral {

namespace {

constexpr std::uint32_t kMsPerMinute = 60000;

// Calls `visit(record, position)` for each visible record in visible order until it returns true.
template <typename Visit>
void ForEachVisible(const ConnectionList& list, const VisibilityRule& rule, std::uint32_t now, Visit visit) {
  std::uint32_t position = 0;
  for (const ConnectionGroup& group : list.Groups()) {
    for (const PublishedRecord& record : group.chain) {
      if (!IsVisible(record, rule, now)) continue;
      if (visit(record, position)) return;
      ++position;
    }
  }
}

}  // namespace

VisibilityRule VisibilityRule::From(const MonitorSettings& settings) {
  return VisibilityRule{settings.hideidle != 0, settings.idletime * kMsPerMinute};
}

std::uint32_t IdleTime(const PublishedRecord& record, std::uint32_t now) {
  const std::uint32_t sinceRx = now - record.rxTick;
  const std::uint32_t sinceTx = now - record.txTick;
  return sinceRx < sinceTx ? sinceRx : sinceTx;
}

bool IsVisible(const PublishedRecord& record, const VisibilityRule& rule, std::uint32_t now) {
  return !rule.hideIdle || IdleTime(record, now) < rule.idleLimitMs;
}

std::uint32_t CountVisible(const ConnectionList& list, const VisibilityRule& rule, std::uint32_t now) {
  std::uint32_t n = 0;
  ForEachVisible(list, rule, now, [&](const PublishedRecord&, std::uint32_t) {
    ++n;
    return false;
  });
  return n;
}

const PublishedRecord* NthVisible(const ConnectionList& list, const VisibilityRule& rule, std::uint32_t k,
                                  std::uint32_t now) {
  std::uint32_t position = 0;
  for (const ConnectionGroup& group : list.Groups()) {
    for (const PublishedRecord& record : group.chain) {
      if (!IsVisible(record, rule, now)) continue;
      if (position == k) return &record;
      ++position;
    }
  }
  return nullptr;
}

VisibleHit MostRecentlyActive(const ConnectionList& list, const VisibilityRule& rule, std::uint32_t now) {
  VisibleHit best{0, std::numeric_limits<std::uint32_t>::max()};
  bool any = false;
  ForEachVisible(list, rule, now, [&](const PublishedRecord& record, std::uint32_t position) {
    const std::uint32_t idle = IdleTime(record, now);
    if (!any || idle < best.idleMs) best = VisibleHit{position, idle};
    any = true;
    return false;
  });
  return best;
}

std::optional<VisibleHit> FindSelected(const ConnectionList& list, const VisibilityRule& rule,
                                       std::string_view key, std::string_view bssid, std::string_view ip,
                                       std::uint32_t now) {
  for (int pass = 1; pass <= 3; ++pass) {
    std::optional<VisibleHit> hit;
    ForEachVisible(list, rule, now, [&](const PublishedRecord& record, std::uint32_t position) {
      if (FieldText(record.adapterKey) != key) return false;
      if (pass <= 2 && FieldText(record.ipText) != ip) return false;
      if (pass == 1 && FieldText(record.bssid) != bssid) return false;
      hit = VisibleHit{position, IdleTime(record, now)};
      return true;
    });
    if (hit) return hit;
  }
  return std::nullopt;
}

std::string DisplayDescription(std::string_view description) {
  // The suffix is plain ASCII beginning with a blank, and no byte below 0x40 is ever the second
  // byte of a double-byte character in the ANSI code pages; so a byte search from the second byte
  // finds exactly what a search by characters from the second character finds.
  if (description.size() > 1) {
    const std::size_t at = description.find(kSchedulerSuffix, 1);
    if (at != std::string_view::npos) return std::string(description.substr(0, at));
  }
  return std::string(description);
}

MainView RebuildDisplay(SelectionState& state, const ConnectionList& list, const MonitorSettings& settings,
                        RebuildMode mode, TickSource& ticks) {
  const std::uint32_t now = ticks.Now();
  const VisibilityRule rule = VisibilityRule::From(settings);
  MainView view;

  switch (mode) {
    case RebuildMode::kPrevious:
      if (state.current > 1) {
        --state.current;
        state.lastNavigation = now;
      }
      break;
    case RebuildMode::kNext:
      ++state.current;
      state.lastNavigation = now;
      break;
    case RebuildMode::kUpdate: {
      std::optional<VisibleHit> found =
          FindSelected(list, rule, state.selectedKey, state.selectedBssid, state.selectedIp, now);
      if (settings.prefer == 0) {
        const VisibleHit best = MostRecentlyActive(list, rule, now);
        if (!found) {
          found = best;
        } else if (found->idleMs - best.idleMs > kFollowMarginMs && now - state.lastNavigation > kFollowMarginMs) {
          found = best;
        }
      }
      if (found) state.current = found->position + 1;
      break;
    }
  }

  if (state.current == 0) state.current = 1;
  const std::uint32_t n = CountVisible(list, rule, now);
  if (state.current > n) state.current = n;
  if (n == 0) return view;

  view.previousEnabled = state.current != 1;
  view.nextEnabled = state.current != n;

  const PublishedRecord* record = NthVisible(list, rule, state.current - 1, now);
  if (record == nullptr) return view;  // cannot happen: current - 1 < n
  state.selectedKey = std::string(FieldText(record->adapterKey));
  state.selectedIp = std::string(FieldText(record->ipText));
  state.selectedBssid = std::string(FieldText(record->bssid));

  view.description = DisplayDescription(FieldText(record->description));
  view.ipText = state.selectedIp.empty() ? kNoIpv4Text : state.selectedIp;
  view.hardwareAddress = state.selectedKey;
  view.ssid = std::string(FieldText(record->ssid));
  view.bssid = state.selectedBssid;
  view.downloaded = FormatQuantity(record->rxTotal, settings);
  view.uploaded = FormatQuantity(record->txTotal, settings);
  view.downloadSpeed = FormatSpeed(record->rxRate, settings);
  view.uploadSpeed = FormatSpeed(record->txRate, settings);
  view.rxRate = record->rxRate;
  view.txRate = record->txRate;

  const std::string downloadedText = view.downloaded + QuantitySuffix(settings);
  const std::string uploadedText = view.uploaded + QuantitySuffix(settings);
  if (!view.ssid.empty()) {
    view.stateText = "Connection:\t " + view.ssid + "\nDownloaded:\t " + downloadedText + "\nUploaded:\t " + uploadedText;
  } else {
    view.stateText = "Downloaded:\t " + downloadedText + "\nUploaded:\t " + uploadedText;
  }
  return view;
}

}  // namespace tral
