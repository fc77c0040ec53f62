// Today as the monitor sees it between two saves of the service: the live totals of its last poll,
// and the bytes of them that today's files do not hold yet, credited to the current slot.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "history/slot_reading.h"
#include "monitor/common/connection_list.h"

namespace tral {

// A connection by the four texts the day file and the slot file hold for it.
struct ConnectionTexts {
  std::string adapterKey;
  std::string ipText;
  std::string bssid;
  std::string ssid;

  friend bool operator==(const ConnectionTexts&, const ConnectionTexts&) = default;
};

struct LiveConnection {
  ConnectionTexts texts;
  std::uint64_t rxBytes = 0;  // today's totals as the service counts them now
  std::uint64_t txBytes = 0;
};

struct LiveToday {
  bool known = false;  // false until a poll has answered
  CivilDate date;  // the local date of the poll
  std::uint32_t secondOfDay = 0;  // its local time, seconds since midnight
  std::vector<LiveConnection> connections;
  std::optional<ConnectionTexts> shown;  // the connection the main window shows, if any

  std::uint16_t Slot() const { return SlotOfTimeOfDay(secondOfDay / 3600, secondOfDay / 60 % 60); }
};

// The records of a poll's snapshot at a local date and time; records of the same four texts are
// summed.
LiveToday LiveTodayOf(const ConnectionList& list, const CivilDate& date, std::uint32_t secondOfDay);

// The texts of a day's connection.
ConnectionTexts TextsOf(const TimedConnection& connection);

// Adds to `day` (today, read from the files) what the live totals hold beyond its day totals, per
// connection and direction, in the current slot; a connection the files do not know yet gets all
// its live bytes there. A day that is not today, or whose day file could not be read whole (its
// totals unknown), is left as it is: its bytes would all look new.
void AddLiveFigures(TimedDay& day, const LiveToday& live);

}  // namespace tral
