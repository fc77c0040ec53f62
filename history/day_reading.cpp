// Decoding day files entry by entry, and walking the day files of a span through one listing.
#include "history/day_reading.h"

#include <algorithm>

#include "shared/day_file_codec.h"
#include "shared/text_field.h"

namespace tral {

namespace {

std::string Count(std::uint32_t n) { return std::to_string(n); }

DayReadResult Damaged(std::string problem) {
  DayReadResult result;
  result.outcome = DayReadOutcome::kDamaged;
  result.problem = std::move(problem);
  return result;
}

}  // namespace

DayReadResult DecodeDay(const std::vector<std::uint8_t>& bytes, const DayEntryVisitor& onEntry) {
  DayFileReader reader(bytes);
  std::uint32_t groupCount = 0;
  if (!reader.ReadGroupCount(groupCount)) return Damaged("it ends before its count of adapters");
  for (std::uint32_t g = 0; g < groupCount; ++g) {
    char adapterKey[kAdapterKeyWidth];
    std::uint32_t entryCount = 0;
    const std::string group = "adapter " + Count(g + 1) + " of " + Count(groupCount);
    if (!reader.ReadGroupHeader(adapterKey, entryCount)) return Damaged("it ends inside the heading of " + group);
    for (std::uint32_t e = 0; e < entryCount; ++e) {
      DayFileEntry entry;
      if (!reader.ReadEntry(entry)) {
        return Damaged("it ends inside connection " + Count(e + 1) + " of " + Count(entryCount) + " of " + group);
      }
      onEntry(DayEntryView{FieldText(adapterKey), FieldText(entry.ipText), FieldText(entry.bssid),
                           FieldText(entry.ssid), entry.rxBytes, entry.txBytes});
    }
  }
  DayReadResult result;
  if (!reader.ReadUptime(result.uptimeMs)) return Damaged("it ends before the running time");
  // The service writes nothing after the running time: more bytes mean the file is not what it
  // seems (a file of zeros, two files run together), so its running time is not believed either.
  if (reader.Remaining() > 0) {
    return Damaged("it has " + std::to_string(reader.Remaining()) + " more bytes after the running time");
  }
  result.outcome = DayReadOutcome::kComplete;
  return result;
}

DayReadResult DecodeRead(DayFileSource& files, DayFileRead read, const std::function<DayReadResult()>& decode) {
  switch (read) {
    case DayFileRead::kAbsent:
      return DayReadResult{};
    case DayFileRead::kUnreadable:
      return DayReadResult{DayReadOutcome::kUnreadable, 0, files.LastReadProblem()};
    case DayFileRead::kRead:
      break;
  }
  DayReadResult result = decode();
  // A read that stopped part-way shows as a file that ends early; the system's reason says more.
  if (result.outcome == DayReadOutcome::kDamaged) {
    const std::string why = files.LastReadProblem();
    if (!why.empty()) result.problem += " (" + why + ")";
  }
  return result;
}

DayReadResult ReadDay(DayFileSource& files, const CivilDate& date, std::vector<std::uint8_t>& buffer,
                      const DayEntryVisitor& onEntry) {
  return DecodeRead(files, files.ReadDayFile(date, buffer), [&] { return DecodeDay(buffer, onEntry); });
}

DayReadResult SpanReader::ReadOne(const CivilDate& date, const DayEntryVisitor& onEntry) {
  return ReadDay(files_, date, buffer_, onEntry);
}

void SpanReader::Read(const CivilDate& first, const CivilDate& last, const DayStartVisitor& onStart,
                      const DayEntryVisitor& onEntry, const DayReadObserver& onDay) {
  const CivilDate end = std::max(first, last);  // a first date after the last reads the first only
  if (!files_.ListDayFiles(listed_)) {
    for (CivilDate date = first;;) {
      VisitDay(date, onStart, onEntry, onDay);
      const CivilDate next = AddDays(date, 1);
      // The second test stops at the end of the representable years instead of wrapping around.
      if (next > end || !(next > date)) break;
      date = next;
    }
    return;
  }
  ReadSorted(first, end, onStart, onEntry, onDay);
}

void SpanReader::VisitDay(const CivilDate& date, const DayStartVisitor& onStart, const DayEntryVisitor& onEntry,
                          const DayReadObserver& onDay) {
  if (onStart) onStart(date);
  const DayReadResult result = ReadOne(date, onEntry);
  if (onDay) onDay(date, result);
}

void SpanReader::ReadListed(const std::vector<CivilDate>& listed, const CivilDate& first, const CivilDate& last,
                            const DayStartVisitor& onStart, const DayEntryVisitor& onEntry,
                            const DayReadObserver& onDay) {
  listed_ = listed;
  ReadSorted(first, std::max(first, last), onStart, onEntry, onDay);
}

void SpanReader::ReadSorted(const CivilDate& first, const CivilDate& end, const DayStartVisitor& onStart,
                            const DayEntryVisitor& onEntry, const DayReadObserver& onDay) {
  // Ascending dates, each once (a file system that tells letter case apart may hold "....bin" and
  // "....BIN" of one date; reading by date opens one of them once).
  std::sort(listed_.begin(), listed_.end());
  listed_.erase(std::unique(listed_.begin(), listed_.end()), listed_.end());
  for (auto it = std::lower_bound(listed_.begin(), listed_.end(), first); it != listed_.end() && *it <= end; ++it) {
    VisitDay(*it, onStart, onEntry, onDay);
  }
}

}  // namespace tral
