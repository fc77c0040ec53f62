// Day files of the counting service: whole-file saves by atomic replace, loads, lookups, pruning.
#include "service/day_files.h"

#include "shared/day_file_codec.h"
#include "shared/ini_number.h"
#include "shared/text_field.h"

namespace tral {

namespace {

constexpr std::string_view kDayFileSuffix = ".bin";
constexpr std::string_view kTemporarySuffix = ".tmp";
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
  return state.files.Read(DayFileName(state.clock.LocalDate()), state.fileBytes);
}

void StartOwners(CounterState& state, const CivilDate& date) {
  state.savedEntryOwners.clear();
  state.ownersDate = date;
  state.ownersKnown = true;
}

}  // namespace

bool MatchesConnection(std::string_view ipA, std::string_view bssidA, std::string_view ssidA,
                       std::string_view ipB, std::string_view bssidB, std::string_view ssidB) {
  return ipA == ipB && EitherEmptyOrEqual(bssidA, bssidB) && EitherEmptyOrEqual(ssidA, ssidB);
}

bool SaveDayFile(CounterState& state, const CivilDate& date, bool resetTotals) {
  const std::size_t groupCount = state.table.CountEntriesWithTraffic();
  if (groupCount == 0) return true;  // nothing to save: an existing file stays as it is

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

  if (!state.files.Replace(DayFileName(date), bytes)) return false;
  // The file now holds exactly the records written, each its own entry.
  StartOwners(state, date);
  for (const ConnectionTable::Entry& entry : state.table.Entries()) {
    for (const RecordPtr& r : entry.chain) {
      if (r->HasTraffic()) state.savedEntryOwners.push_back(r.get());
    }
  }
  if (resetTotals) {
    ForgetSavedEntryOwners(state);  // the totals it holds are no longer in any record
    for (ConnectionTable::Entry& entry : state.table.MutableEntries()) {
      if (ConnectionTable::CountWithTraffic(entry) == 0) continue;
      for (RecordPtr& r : entry.chain) r->rxTotal = r->txTotal = 0;
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
  StartOwners(state, state.clock.LocalDate());
  if (!ReadToday(state)) return false;
  DayFileReader reader(state.fileBytes);
  std::uint32_t groupCount = 0;
  if (!reader.ReadGroupCount(groupCount)) return false;
  for (std::uint32_t g = 0; g < groupCount; ++g) {
    char key[kAdapterKeyWidth];
    std::uint32_t entryCount = 0;
    if (!reader.ReadGroupHeader(key, entryCount)) return false;
    std::optional<std::size_t> index;
    for (std::uint32_t e = 0; e < entryCount; ++e) {
      DayFileEntry entry;
      if (!reader.ReadEntry(entry)) return false;
      RecordPtr r = NewRecord();
      state.savedEntryOwners.push_back(r.get());  // null (nobody) when the record cannot be had
      if (!r) continue;
      SetFieldText(r->adapterKey, FieldText(key));
      SetFieldText(r->ipText, FieldText(entry.ipText));
      SetFieldText(r->bssid, FieldText(entry.bssid));
      SetFieldText(r->ssid, FieldText(entry.ssid));
      r->rxTotal = entry.rxBytes;
      r->txTotal = entry.txBytes;
      if (!index) {
        index = state.table.Append(FieldText(key), std::move(r));
      } else {
        state.table.At(*index).chain.push_back(std::move(r));
      }
    }
  }
  std::uint32_t uptime = 0;
  if (reader.ReadUptime(uptime)) state.savedUptimeMs = uptime;
  return true;
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
  const std::string cutoff = PruneCutoffName(ReadKeepDays(state.files), state.clock.LocalDate());
  if (cutoff.empty()) return;
  for (const std::string& name : state.files.List("*.bin")) {
    if (!HasDayFileSuffix(name)) continue;  // the temporaries of saves never are candidates
    if (name < cutoff) state.files.Remove(name);
  }
}

std::string SaveTemporaryName(std::string_view dayFileName) {
  std::string name(dayFileName.substr(0, dayFileName.size() - kDayFileSuffix.size()));
  return name + std::string(kTemporarySuffix);
}

bool IsSaveTemporaryName(std::string_view name) {
  if (name.size() != kDateDigits + kTemporarySuffix.size()) return false;
  for (std::size_t i = 0; i < kDateDigits; ++i) {
    if (name[i] < '0' || name[i] > '9') return false;
  }
  return EndsWithNoCase(name, kTemporarySuffix);
}

void RemoveInterruptedSaves(DayFileStore& files) {
  for (const std::string& name : files.List("*.tmp")) {
    if (IsSaveTemporaryName(name)) files.Remove(name);
  }
}

}  // namespace tral
