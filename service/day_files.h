// Day files: saving the table, loading it back, looking up saved totals, pruning old files.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "service/counter_state.h"
#include "shared/civil_date.h"

namespace tral {

// How long the final save keeps trying while another program holds the day file (the stop's and
// the pre-shutdown's time allow more), and how long it waits between tries.
inline constexpr std::uint32_t kFinalSaveRetryMs = 10000;
inline constexpr std::uint32_t kSaveRetryStepMs = 250;
// A day file that exists but cannot be read is read again this often, this far apart, at a load.
inline constexpr int kUnreadableTries = 3;
inline constexpr std::uint32_t kUnreadableRetryMs = 200;

// Writes the connections with traffic to the day file of `date` by an atomic replace, and then the
// day's slot file (SaveSlotFile), whose failure does not fail the save. With nothing to save it
// writes nothing and succeeds (an existing file stays). With `resetTotals`, every record of a chain
// that was written gets its totals and slots emptied, after the files are in place. A replace that
// another program's open handle refuses is tried again for up to `retryMs`, both files together.
//
// When that day's file could not be read as the table was built, it is read once more first: its
// totals are added to what was counted since; if it still cannot be read, it is renamed aside
// (KeptAsideName) so that its bytes stay, and only then replaced. A file that can neither be read
// nor renamed is never overwritten: the save fails and the totals stay in memory.
[[nodiscard]] bool SaveDayFile(CounterState& state, const CivilDate& date, bool resetTotals,
                               std::uint32_t retryMs = 0);

// Empties the table and rebuilds it from today's file, with the slots of today's slot file; sets
// savedUptimeMs when the file has its running time. False when the file is absent, cannot be read or
// is cut short (what was read stays). A file that exists but stays unreadable is remembered, so that
// no save overwrites it; so is its slot file.
bool LoadDayFile(CounterState& state);

// The name an unreadable file is kept under: "20090313.bin.unreadable" ("20090313.slots.unreadable"),
// then with "-2", "-3" for later ones of the same day. Neither name rule accepts any of them.
std::string KeptAsideName(std::string_view fileName, int ordinal);

// Reads a file of the directory, trying again kUnreadableTries times kUnreadableRetryMs apart while
// it exists but cannot be read.
ReadResult ReadPatiently(CounterState& state, const std::string& name, std::vector<std::uint8_t>& bytes);

// Renames a file that must not be overwritten to the first free KeptAsideName, with a "file kept
// aside" incident that says `why`; false (a "cannot save" incident) when no name could be had.
bool KeepAside(CounterState& state, const std::string& name, std::string_view why);

// Replaces a file, trying again every kSaveRetryStepMs while another program's open handle refuses
// it, for as long as `retryMs` has time left; the time waited is taken from it.
ReplaceResult ReplacePatiently(CounterState& state, const std::string& name, std::span<const std::uint8_t> bytes,
                               std::uint32_t& retryMs);

// Stores the saved totals of the matching entry of today's file into rxOut/txOut, leaving them
// untouched when there is none. With a `claimant`, also when another live record holds that entry
// already; otherwise the claimant holds it from now on. True when today's file was read through to
// the group searched. Every entry the table was built from has its record, which took its slots
// with its totals; a record that takes an entry's totals here (one whose record could not be had)
// takes no slots, and those bytes stay unplaced in time.
bool LookupSavedTotals(CounterState& state, std::string_view adapterKey, std::string_view ipText,
                       std::string_view bssid, std::string_view ssid, std::uint64_t& rxOut,
                       std::uint64_t& txOut, const ConnectionRecord* claimant = nullptr);

// Forgets which records hold the entries of today's file; called whenever the table is emptied.
void ForgetSavedEntryOwners(CounterState& state);

// The keepdays setting: days of files kept besides today's; 0 and -1 keep all, other negative
// values delete nothing.
std::int32_t ReadKeepDays(DayFileStore& files);

// The name below which day files are deleted, or empty when nothing is to be deleted.
std::string PruneCutoffName(std::int32_t keepDays, const CivilDate& today);

// Deletes the day files and slot files dated before the cutoff of the keepdays setting.
void PruneDayFiles(CounterState& state);

// The temporary that an interrupted save of `name` may have left ("20090313.tmp" for
// "20090313.bin", "20090313.slots.tmp" for "20090313.slots"), and whether a file name is such a
// temporary.
std::string SaveTemporaryName(std::string_view fileName);
bool IsSaveTemporaryName(std::string_view name);

// Removes temporaries left by saves that a crash or power cut interrupted.
void RemoveInterruptedSaves(DayFileStore& files);

// The match rule shared with reconciliation: same IP; BSSID and SSID equal or either side empty.
bool MatchesConnection(std::string_view ipA, std::string_view bssidA, std::string_view ssidA,
                       std::string_view ipB, std::string_view bssidB, std::string_view ssidB);

}  // namespace tral
