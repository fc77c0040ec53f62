// Day files of the counting service: whole-file saves by atomic replace, loads, lookups, pruning.
#include "service/day_files.h"

#include <optional>
#include <span>
#include <utility>

#include "service/metrics_file.h"
#include "service/slot_files.h"
#include "shared/day_file_codec.h"
#include "shared/ini_number.h"
#include "shared/text_field.h"

namespace tral {

namespace {

constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr std::string_view kSlotTemporarySuffix = ".slots.tmp";
constexpr std::size_t kDateDigits = 8;

bool EndsWithNoCase(std::string_view name, std::string_view suffix) {
  if (name.size() < suffix.size()) return false;
  name = name.substr(name.size() - suffix.size());
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    char c = name[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

bool EitherEmptyOrEqual(std::string_view a, std::string_view b) {
  return a.empty() || b.empty() || a == b;
}

bool ReadToday(CounterState& state) {
  return state.files.Read(DayFileName(state.clock.LocalDate()), state.fileBytes) == ReadResult::kRead;
}

void StartOwners(CounterState& state, const CivilDate& date) {
  state.savedEntryOwners.clear();
  state.ownersDate = date;
  state.ownersKnown = true;
}

// Calls visit(key, entry) for every whole entry of a day file, in file order; then reads the
// running time into uptimeOut when it is there. False when the file ends early.
template <typename Visit>
bool VisitEntries(std::span<const std::uint8_t> bytes, std::optional<std::uint32_t>& uptimeOut, Visit visit) {
  DayFileReader reader(bytes);
  std::uint32_t groupCount = 0;
  if (!reader.ReadGroupCount(groupCount)) return false;
  for (std::uint32_t g = 0; g < groupCount; ++g) {
    char key[kAdapterKeyWidth];
    std::uint32_t entryCount = 0;
    if (!reader.ReadGroupHeader(key, entryCount)) return false;
    for (std::uint32_t e = 0; e < entryCount; ++e) {
      DayFileEntry entry;
      if (!reader.ReadEntry(entry)) return false;
      visit(key, entry, e == 0);
    }
  }
  std::uint32_t uptime = 0;
  if (reader.ReadUptime(uptime)) uptimeOut = uptime;
  return true;
}

std::string EntryIdentity(const char (&key)[kAdapterKeyWidth], const DayFileEntry& entry) {
  return ConnectionIdentity(FieldText(key), FieldText(entry.ipText), FieldText(entry.bssid), FieldText(entry.ssid));
}

// A record made from a file's entry, or null when memory cannot be had.
RecordPtr RecordFromEntry(const char (&key)[kAdapterKeyWidth], const DayFileEntry& entry) {
  RecordPtr r = NewRecord();
  if (!r) return r;
  SetFieldText(r->adapterKey, FieldText(key));
  SetFieldText(r->ipText, FieldText(entry.ipText));
  SetFieldText(r->bssid, FieldText(entry.bssid));
  SetFieldText(r->ssid, FieldText(entry.ssid));
  r->rxTotal = entry.rxBytes;
  r->txTotal = entry.txBytes;
  return r;
}

// Adds the totals of a day file that could not be read when the table was built to what has been
// counted since: each entry to the record of its connection, or as a record of its own at the end
// of its adapter's chain; and the slots of its slot file to the same records. The file's running
// time is added to the day's.
void MergeDayFile(CounterState& state, const CivilDate& date, std::span<const std::uint8_t> bytes) {
  StartOwners(state, date);
  std::vector<EntryOwner> slotOwners;
  std::optional<std::uint32_t> uptime;
  VisitEntries(bytes, uptime, [&](const char (&key)[kAdapterKeyWidth], const DayFileEntry& entry, bool) {
    const std::optional<std::size_t> index = state.table.Find(FieldText(key));
    ConnectionRecord* owner = nullptr;
    if (index) {
      for (RecordPtr& r : state.table.At(*index).chain) {
        if (MatchesConnection(FieldText(r->ipText), FieldText(r->bssid), FieldText(r->ssid),
                              FieldText(entry.ipText), FieldText(entry.bssid), FieldText(entry.ssid))) {
          owner = r.get();
          break;
        }
      }
    }
    if (owner != nullptr) {
      owner->rxTotal += entry.rxBytes;
      owner->txTotal += entry.txBytes;
    } else if (RecordPtr r = RecordFromEntry(key, entry)) {
      owner = r.get();
      if (index) {
        state.table.At(*index).chain.push_back(std::move(r));
      } else {
        state.table.Append(FieldText(key), std::move(r));
      }
    }
    state.savedEntryOwners.push_back(owner);
    slotOwners.push_back(EntryOwner{EntryIdentity(key, entry), owner});
  });
  // The save under way writes the slot file next, whatever part of it was taken.
  TakeUpSlotFile(state, date, slotOwners, false);
  if (uptime) {
    state.savedUptimeMs += *uptime;
    state.dayUptimeMs += *uptime;
  }
}

// Before a save of `date`: a file of that day which could not be read is read again (and merged,
// its slot file with it) or renamed aside (its slot file with it). False while it exists and can be
// neither.
bool SettleUnreadableFile(CounterState& state, const CivilDate& date) {
  if (!state.unreadableKnown || state.unreadableDate != date) return true;
  const std::string name = DayFileName(date);
  std::vector<std::uint8_t> bytes;
  switch (state.files.Read(name, bytes)) {
    case ReadResult::kRead:
      MergeDayFile(state, date, bytes);
      state.unreadableKnown = false;
      return true;
    case ReadResult::kAbsent:
      state.unreadableKnown = false;
      return true;
    case ReadResult::kUnreadable:
      break;
  }
  if (!KeepAside(state, name, "could not be read")) return false;
  state.unreadableKnown = false;
  // The slots of the day kept aside belong to it, not to the fresh file.
  KeepSlotFileAside(state, date);
  return true;
}

}  // namespace

bool MatchesConnection(std::string_view ipA, std::string_view bssidA, std::string_view ssidA,
                       std::string_view ipB, std::string_view bssidB, std::string_view ssidB) {
  return ipA == ipB && EitherEmptyOrEqual(bssidA, bssidB) && EitherEmptyOrEqual(ssidA, ssidB);
}

ReadResult ReadPatiently(CounterState& state, const std::string& name, std::vector<std::uint8_t>& bytes) {
  ReadResult read = state.files.Read(name, bytes);
  // A file held by another program for a moment is worth a few more tries.
  for (int tries = 1; read == ReadResult::kUnreadable && tries < kUnreadableTries; ++tries) {
    state.clock.Pause(kUnreadableRetryMs);
    read = state.files.Read(name, bytes);
  }
  return read;
}

bool KeepAside(CounterState& state, const std::string& name, std::string_view why) {
  constexpr int kNamesTried = 20;
  for (int ordinal = 1; ordinal <= kNamesTried; ++ordinal) {
    const std::string aside = KeptAsideName(name, ordinal);
    if (state.files.Rename(name, aside)) {
      ReportIncident(state, Incident::kFileKeptAside, name + " " + std::string(why) + " and was renamed to " + aside);
      return true;
    }
  }
  ReportIncident(state, Incident::kCannotSave, name + " " + std::string(why) + " and cannot be renamed aside");
  return false;
}

ReplaceResult ReplacePatiently(CounterState& state, const std::string& name, std::span<const std::uint8_t> bytes,
                               std::uint32_t& retryMs) {
  ReplaceResult replaced = state.files.Replace(name, bytes);
  while (replaced == ReplaceResult::kBusy && retryMs > 0) {
    const std::uint32_t step = retryMs < kSaveRetryStepMs ? retryMs : kSaveRetryStepMs;
    state.clock.Pause(step);
    retryMs -= step;
    replaced = state.files.Replace(name, bytes);
  }
  return replaced;
}

bool SaveDayFile(CounterState& state, const CivilDate& date, bool resetTotals, std::uint32_t retryMs) {
  if (state.table.CountEntriesWithTraffic() == 0) {  // nothing to save: an existing file stays
    PublishAfterSave(state, date);
    return true;
  }
  if (!SettleUnreadableFile(state, date)) return false;
  const std::size_t groupCount = state.table.CountEntriesWithTraffic();

  std::vector<std::uint8_t>& bytes = state.fileBytes;
  bytes.clear();
  DayFileWriter writer(bytes);
  writer.PutGroupCount(static_cast<std::uint32_t>(groupCount));
  for (const ConnectionTable::Entry& entry : state.table.Entries()) {
    const std::size_t n = ConnectionTable::CountWithTraffic(entry);
    if (n == 0) continue;
    writer.PutGroupHeader(entry.chain.front()->adapterKey, static_cast<std::uint32_t>(n));
    for (const RecordPtr& r : entry.chain) {
      if (r->HasTraffic()) writer.PutEntry(r->ipText, r->bssid, r->ssid, r->rxTotal, r->txTotal);
    }
  }
  writer.PutUptime(state.dayUptimeMs);

  std::uint32_t retryLeftMs = retryMs;  // the two files share the time given
  if (ReplacePatiently(state, DayFileName(date), bytes, retryLeftMs) != ReplaceResult::kReplaced) return false;
  PublishAfterSave(state, date);
  // The file now holds exactly the records written, each its own entry.
  StartOwners(state, date);
  for (const ConnectionTable::Entry& entry : state.table.Entries()) {
    for (const RecordPtr& r : entry.chain) {
      if (r->HasTraffic()) state.savedEntryOwners.push_back(r.get());
    }
  }
  // Second, so that whenever the two files disagree the slots hold less than the totals. Its failure
  // leaves the day file saved: the slots stay in memory for the next save, and a reader finds the
  // difference as bytes not placed in time.
  (void)SaveSlotFile(state, date, retryLeftMs);
  if (resetTotals) {
    ForgetSavedEntryOwners(state);  // the totals it holds are no longer in any record
    for (ConnectionTable::Entry& entry : state.table.MutableEntries()) {
      if (ConnectionTable::CountWithTraffic(entry) == 0) continue;
      for (RecordPtr& r : entry.chain) {
        r->rxTotal = r->txTotal = 0;
        state.table.SlotsOf(*r).Clear();
      }
    }
  }
  return true;
}

void ForgetSavedEntryOwners(CounterState& state) {
  state.savedEntryOwners.clear();
  state.ownersKnown = false;
}

bool LoadDayFile(CounterState& state) {
  state.table.Clear();
  const CivilDate today = state.clock.LocalDate();
  StartOwners(state, today);
  state.unreadableKnown = false;
  state.slotsUnsettled = false;
  const ReadResult read = ReadPatiently(state, DayFileName(today), state.fileBytes);
  if (read == ReadResult::kUnreadable) {
    // Its slot file is taken up with it once it can be read, or kept aside with it.
    state.unreadableKnown = true;
    state.unreadableDate = today;
    state.slotsUnsettled = true;
    state.slotsUnsettledDate = today;
    return false;
  }
  if (read == ReadResult::kAbsent) {
    // A slot file without its day file has nothing to pair with: it is removed.
    TakeUpSlotFile(state, today, {}, true);
    return false;
  }
  std::vector<EntryOwner> slotOwners;
  std::optional<std::uint32_t> uptime;
  constexpr std::size_t kNoGroup = ~std::size_t{0};
  std::size_t group = kNoGroup;  // the table entry of the group being read
  const bool whole = VisitEntries(state.fileBytes, uptime,
                                  [&](const char (&key)[kAdapterKeyWidth], const DayFileEntry& entry, bool first) {
    if (first) group = kNoGroup;
    RecordPtr r = RecordFromEntry(key, entry);
    state.savedEntryOwners.push_back(r.get());  // null (nobody) when the record cannot be had
    slotOwners.push_back(EntryOwner{EntryIdentity(key, entry), r.get()});
    if (!r) return;
    // The group's first record starts the adapter's chain, the others follow it in file order.
    if (group == kNoGroup) {
      group = state.table.Append(FieldText(key), std::move(r));
    } else {
      state.table.At(group).chain.push_back(std::move(r));
    }
  });
  if (uptime) state.savedUptimeMs = *uptime;
  TakeUpSlotFile(state, today, slotOwners, true);
  return whole;
}

bool LookupSavedTotals(CounterState& state, std::string_view adapterKey, std::string_view ipText,
                       std::string_view bssid, std::string_view ssid, std::uint64_t& rxOut,
                       std::uint64_t& txOut, const ConnectionRecord* claimant) {
  const CivilDate today = state.clock.LocalDate();
  if (!ReadToday(state)) return false;
  // Owners recorded for another date's file say nothing about this one.
  if (!state.ownersKnown || state.ownersDate != today) StartOwners(state, today);
  DayFileReader reader(state.fileBytes);
  std::uint32_t groupCount = 0;
  if (!reader.ReadGroupCount(groupCount)) return false;
  std::size_t ordinal = 0;  // of the entry in the whole file
  for (std::uint32_t g = 0; g < groupCount; ++g) {
    char key[kAdapterKeyWidth];
    std::uint32_t entryCount = 0;
    if (!reader.ReadGroupHeader(key, entryCount)) return false;
    if (FieldText(key) != adapterKey) {
      if (!reader.SkipEntries(entryCount)) return false;
      ordinal += entryCount;
      continue;
    }
    for (std::uint32_t e = 0; e < entryCount; ++e, ++ordinal) {
      DayFileEntry entry;
      if (!reader.ReadEntry(entry)) return false;
      if (MatchesConnection(FieldText(entry.ipText), FieldText(entry.bssid), FieldText(entry.ssid),
                            ipText, bssid, ssid)) {
        std::vector<const ConnectionRecord*>& owners = state.savedEntryOwners;
        const ConnectionRecord* owner = ordinal < owners.size() ? owners[ordinal] : nullptr;
        // Its totals live in that record already.
        if (claimant != nullptr && owner != nullptr && owner != claimant) return true;
        rxOut = entry.rxBytes;
        txOut = entry.txBytes;
        if (claimant != nullptr) {
          if (owners.size() <= ordinal) owners.resize(ordinal + 1, nullptr);
          owners[ordinal] = claimant;
        }
        return true;
      }
    }
    return true;
  }
  return true;
}

std::int32_t ReadKeepDays(DayFileStore& files) {
  return static_cast<std::int32_t>(ParseIniNumber(files.ReadKeepDaysText()));
}

std::string PruneCutoffName(std::int32_t keepDays, const CivilDate& today) {
  if (keepDays <= 0) return {};  // 0 and -1 keep everything; other negative values delete nothing
  // The earliest date the file-time scale can express is 1 January 1601; a cutoff before it
  // deletes nothing, as the conversion back to a date would fail.
  const std::int64_t first = DaysFromCivil(CivilDate{1601, 1, 1});
  const std::int64_t cutoff = DaysFromCivil(today) - keepDays;
  if (cutoff < first) return {};
  return DayFileName(CivilFromDays(cutoff));
}

void PruneDayFiles(CounterState& state) {
  CivilDate cutoff;
  if (!ParseDayFileName(PruneCutoffName(ReadKeepDays(state.files), state.clock.LocalDate()), cutoff)) return;
  // Only day files and slot files, by the date their name holds: a user's "notes.bin", "notes.slots"
  // or "20260230.bin" is neither.
  CivilDate date;
  for (const std::string& name : state.files.List("*.bin")) {
    if (ParseDayFileName(name, date) && date < cutoff) state.files.Remove(name);
  }
  for (const std::string& name : state.files.List("*.slots")) {
    if (ParseSlotFileName(name, date) && date < cutoff) state.files.Remove(name);
  }
}

std::string KeptAsideName(std::string_view fileName, int ordinal) {
  std::string name = std::string(fileName) + ".unreadable";
  if (ordinal > 1) name += "-" + std::to_string(ordinal);
  return name;
}

std::string SaveTemporaryName(std::string_view fileName) {
  // A slot file's temporary keeps its whole name; a day file's drops its suffix, as it always has.
  if (IsSlotFileName(fileName)) return std::string(fileName) + std::string(kTemporarySuffix);
  return std::string(fileName.substr(0, kDateDigits)) + std::string(kTemporarySuffix);
}

bool IsSaveTemporaryName(std::string_view name) {
  if (name.size() != kDateDigits + kTemporarySuffix.size() && name.size() != kDateDigits + kSlotTemporarySuffix.size()) {
    return false;
  }
  for (std::size_t i = 0; i < kDateDigits; ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
  }
  return EndsWithNoCase(name, name.size() == kDateDigits + kTemporarySuffix.size() ? kTemporarySuffix
                                                                                   : kSlotTemporarySuffix);
}

void RemoveInterruptedSaves(DayFileStore& files) {
  for (const std::string& name : files.List("*.tmp")) {
    if (IsSaveTemporaryName(name)) files.Remove(name);
  }
}

}  // namespace tral
