// Slot files of the counting service: written after each day file from the same records, taken up
// with their day file, kept aside when they cannot be.
//
// The order of the writes keeps a connection's slot sums within its day totals whenever the service
// is killed: the day file goes first, so an older slot file may stand beside a newer day file, never
// the other way round. Whatever the two files hold, slots are taken up only within the totals of the
// record they go to.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "service/counter_state.h"
#include "shared/civil_date.h"

namespace tral {

// The four texts that name a connection in a day file and in its slot file, as one value.
std::string ConnectionIdentity(std::string_view adapterKey, std::string_view ipText, std::string_view bssid,
                               std::string_view ssid);

// A day-file entry by its four texts, and the record that holds its totals (null: none could be had).
struct EntryOwner {
  std::string identity;
  ConnectionRecord* record = nullptr;
};

// Reads the slot file of `date` once its day file has been read into the table (`owners`: the day
// file's entries, in file order) and gives each of its connections to the record of the entry with
// the same four texts. With `replacePart`, a file that was taken up only in part (damaged, or holding
// slots beyond its day file's totals) is at once replaced by what was taken, so that no later kill
// leaves its excess beside a newer day file. A file that cannot be read, or is of a layout this
// program does not know, is left for the next save to take up or keep aside (slotsUnsettled).
void TakeUpSlotFile(CounterState& state, const CivilDate& date, std::span<const EntryOwner> owners,
                    bool replacePart);

// Writes the slot file of `date` from the records with traffic, right after their day file: the same
// records in the same order, each with its busy slots; without any busy slot there is no slot file
// (a stale one is removed). A slot file the table could not take up is taken up now or renamed aside
// first, never overwritten or removed. A replace that another program's open
// handle refuses is tried again for up to `retryMs`. False when it was not written (a "cannot save"
// incident); the slots stay in memory for the next save.
bool SaveSlotFile(CounterState& state, const CivilDate& date, std::uint32_t retryMs);

// Renames the slot file of `date` aside together with its day file, which could not be read: its
// slots belong to the totals kept aside, not to the fresh file that takes the day file's place.
void KeepSlotFileAside(CounterState& state, const CivilDate& date);

}  // namespace tral
