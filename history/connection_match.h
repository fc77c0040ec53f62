// Which connections a data plan or a chart counts: all of them, one adapter, one IP address or one
// network name, written as "all", "adapter:<MAC text>", "ip:<a.b.c.d>" or "ssid:<text>".
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "history/day_sums.h"
#include "history/statistic_data.h"

namespace tral {

struct ConnectionMatch {
  enum class Kind { kAll, kAdapter, kIp, kSsid };
  Kind kind = Kind::kAll;
  std::string value;  // the adapter's hardware address, the IP text or the SSID; empty for kAll
};

// The match of a text of the forms above (the word before the colon in any case), or nothing when
// the text is none of them: an unknown word, an empty value, an IP that is not four numbers 0-255.
std::optional<ConnectionMatch> ParseConnectionMatch(std::string_view text);

// The text ParseConnectionMatch reads back to the same match.
std::string ConnectionMatchText(const ConnectionMatch& match);

// Whether a connection's texts are counted: the adapter key, IP or SSID equal to the value,
// ignoring case as the statistics do.
bool MatchesConnection(const ConnectionMatch& match, std::string_view adapterKey, std::string_view ipText,
                       std::string_view ssid, TextEqualIgnoringCase equal);

// The entries of the matched connections, as SumDays and the report's count take them.
EntryFilter MatchFilter(const ConnectionMatch& match, TextEqualIgnoringCase equal);

}  // namespace tral
