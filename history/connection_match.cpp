// Reading, writing and applying a connection match.
#include "history/connection_match.h"

#include "shared/ascii_text.h"

namespace tral {

namespace {

// Four decimal numbers from 0 to 255 joined by dots, without leading zeros or signs.
bool IsIpv4Text(std::string_view text) {
  int parts = 0;
  std::size_t at = 0;
  while (parts < 4) {
    std::size_t digits = 0;
    unsigned value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 4) {
      value = value * 10 + static_cast<unsigned>(text[at] - '0');
      ++at;
      ++digits;
    }
    if (digits == 0 || digits > 3 || value > 255 || (digits > 1 && text[at - digits] == '0')) return false;
    ++parts;
    if (parts < 4) {
      if (at >= text.size() || text[at] != '.') return false;
      ++at;
    }
  }
  return at == text.size();
}

constexpr std::string_view kAdapterWord = "adapter";
constexpr std::string_view kIpWord = "ip";
constexpr std::string_view kSsidWord = "ssid";

}  // namespace

std::optional<ConnectionMatch> ParseConnectionMatch(std::string_view text) {
  if (AsciiEqualIgnoringCase(text, "all")) return ConnectionMatch{};
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos || colon + 1 == text.size()) return std::nullopt;
  const std::string_view word = text.substr(0, colon);
  const std::string_view value = text.substr(colon + 1);
  ConnectionMatch match;
  match.value = std::string(value);
  if (AsciiEqualIgnoringCase(word, kAdapterWord)) {
    match.kind = ConnectionMatch::Kind::kAdapter;
  } else if (AsciiEqualIgnoringCase(word, kIpWord)) {
    if (!IsIpv4Text(value)) return std::nullopt;
    match.kind = ConnectionMatch::Kind::kIp;
  } else if (AsciiEqualIgnoringCase(word, kSsidWord)) {
    match.kind = ConnectionMatch::Kind::kSsid;
  } else {
    return std::nullopt;
  }
  return match;
}

std::string ConnectionMatchText(const ConnectionMatch& match) {
  switch (match.kind) {
    case ConnectionMatch::Kind::kAll: return "all";
    case ConnectionMatch::Kind::kAdapter: return std::string(kAdapterWord) + ":" + match.value;
    case ConnectionMatch::Kind::kIp: return std::string(kIpWord) + ":" + match.value;
    case ConnectionMatch::Kind::kSsid: return std::string(kSsidWord) + ":" + match.value;
  }
  return "all";
}

bool MatchesConnection(const ConnectionMatch& match, std::string_view adapterKey, std::string_view ipText,
                       std::string_view ssid, TextEqualIgnoringCase equal) {
  switch (match.kind) {
    case ConnectionMatch::Kind::kAll: return true;
    case ConnectionMatch::Kind::kAdapter: return equal(adapterKey, match.value);
    case ConnectionMatch::Kind::kIp: return equal(ipText, match.value);
    case ConnectionMatch::Kind::kSsid: return equal(ssid, match.value);
  }
  return false;
}

EntryFilter MatchFilter(const ConnectionMatch& match, TextEqualIgnoringCase equal) {
  if (match.kind == ConnectionMatch::Kind::kAll) return nullptr;
  return [match, equal](const DayEntryView& entry) {
    return MatchesConnection(match, entry.adapterKey, entry.ipText, entry.ssid, equal);
  };
}

}  // namespace tral
