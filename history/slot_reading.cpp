// Reading slot files with their day files, pairing the two, and summing the slots in buckets.
#include "history/slot_reading.h"

#include <algorithm>
#include <unordered_map>

#include "shared/saturating_sum.h"
#include "shared/text_field.h"

namespace tral {

namespace {

// Adds `more` (ascending) into `slots` (ascending), slot by slot.
void MergeSlots(std::vector<SlotBytes>& slots, const std::vector<SlotBytes>& more) {
  if (slots.empty()) {
    slots = more;
    return;
  }
  std::vector<SlotBytes> merged;
  merged.reserve(slots.size() + more.size());
  auto a = slots.begin();
  auto b = more.begin();
  while (a != slots.end() || b != more.end()) {
    if (b == more.end() || (a != slots.end() && a->slot < b->slot)) {
      merged.push_back(*a++);
    } else if (a == slots.end() || b->slot < a->slot) {
      merged.push_back(*b++);
    } else {
      merged.push_back(SlotBytes{a->slot, SaturatingSum(a->rxBytes, b->rxBytes), SaturatingSum(a->txBytes, b->txBytes)});
      ++a;
      ++b;
    }
  }
  slots = std::move(merged);
}

std::uint64_t Beyond(std::uint64_t total, std::uint64_t part) { return total > part ? total - part : 0; }

}  // namespace

std::string ConnectionKey(std::string_view adapterKey, std::string_view ipText, std::string_view bssid,
                          std::string_view ssid) {
  std::string key;
  key.reserve(adapterKey.size() + ipText.size() + bssid.size() + ssid.size() + 3);
  key.append(adapterKey).append(1, '\0').append(ipText).append(1, '\0').append(bssid).append(1, '\0').append(ssid);
  return key;
}

bool TimedDay::HasNotPlaced() const {
  return std::any_of(connections.begin(), connections.end(), [](const TimedConnection& c) {
    return c.notPlacedRxBytes != 0 || c.notPlacedTxBytes != 0;
  });
}

DayReadResult DecodeSlots(const std::vector<std::uint8_t>& bytes, std::vector<SlotFileConnection>& connections) {
  SlotFileContents contents = DecodeSlotFile(bytes);
  connections = std::move(contents.connections);
  DayReadResult result;
  result.outcome = contents.complete ? DayReadOutcome::kComplete : DayReadOutcome::kDamaged;
  result.problem = std::move(contents.problem);
  return result;
}

DayReadResult ReadSlots(DayFileSource& files, const CivilDate& date, std::vector<std::uint8_t>& buffer,
                        std::vector<SlotFileConnection>& connections) {
  connections.clear();
  return DecodeRead(files, files.ReadSlotFile(date, buffer), [&] { return DecodeSlots(buffer, connections); });
}

void TimedDayReader::Start(const CivilDate& date) {
  day_ = TimedDay{date, {}, {}, {}};
  index_.clear();
}

TimedConnection& TimedDayReader::Connection(std::string_view adapterKey, std::string_view ipText,
                                            std::string_view bssid, std::string_view ssid) {
  const auto [it, added] = index_.emplace(ConnectionKey(adapterKey, ipText, bssid, ssid), day_.connections.size());
  if (added) {
    TimedConnection connection;
    connection.adapterKey = adapterKey;
    connection.ipText = ipText;
    connection.bssid = bssid;
    connection.ssid = ssid;
    day_.connections.push_back(std::move(connection));
  }
  return day_.connections[it->second];
}

void TimedDayReader::AddEntry(const DayEntryView& entry) {
  TimedConnection& c = Connection(entry.adapterKey, entry.ipText, entry.bssid, entry.ssid);
  AddSaturating(c.dayRxBytes, entry.rxBytes);
  AddSaturating(c.dayTxBytes, entry.txBytes);
}

TimedDay TimedDayReader::Finish(const DayReadResult& day, const EntryFilter& accept) {
  day_.day = day;
  // A day file that could not be read counts nothing, so neither do its slots.
  if (day.outcome == DayReadOutcome::kMissing || day.outcome == DayReadOutcome::kUnreadable) return std::move(day_);
  day_.slots = ReadSlots(files_, day_.date, slotBuffer_, slotConnections_);
  for (const SlotFileConnection& s : slotConnections_) {
    MergeSlots(Connection(FieldText(s.adapterKey), FieldText(s.ipText), FieldText(s.bssid), FieldText(s.ssid)).slots,
               s.slots);
  }
  for (TimedConnection& c : day_.connections) {
    std::uint64_t rx = 0;
    std::uint64_t tx = 0;
    SlotSums(c.slots, rx, tx);
    c.notPlacedRxBytes = Beyond(c.dayRxBytes, rx);
    c.notPlacedTxBytes = Beyond(c.dayTxBytes, tx);
  }
  if (accept) {
    std::erase_if(day_.connections, [&](const TimedConnection& c) {
      return !accept(DayEntryView{c.adapterKey, c.ipText, c.bssid, c.ssid, c.dayRxBytes, c.dayTxBytes});
    });
  }
  return std::move(day_);
}

TimedDay TimedDayReader::Read(const CivilDate& date, const EntryFilter& accept, const DayEntryVisitor& onEntry) {
  Start(date);
  const DayReadResult day = days_.ReadOne(date, [&](const DayEntryView& entry) {
    AddEntry(entry);
    if (onEntry) onEntry(entry);
  });
  return Finish(day, accept);
}

void TimedDayReader::ReadSpan(const CivilDate& first, const CivilDate& last, const EntryFilter& accept,
                              const std::function<void(const TimedDay&)>& onDay) {
  days_.Read(
      first, last, [&](const CivilDate& date) { Start(date); }, [&](const DayEntryView& entry) { AddEntry(entry); },
      [&](const CivilDate&, const DayReadResult& day) {
        if (day.outcome != DayReadOutcome::kMissing) onDay(Finish(day, accept));
      });
}

std::vector<BucketBytes> GroupSlots(const TimedDay& day, TimeGrain grain) {
  const std::uint16_t per = SlotsPerBucket(grain);
  std::vector<BucketBytes> buckets;
  for (std::size_t c = 0; c < day.connections.size(); ++c) {
    for (const SlotBytes& s : day.connections[c].slots) {
      const auto bucket = static_cast<std::uint16_t>(s.slot / per);
      // A connection's slots ascend, so its buckets do: the same bucket is the last one added.
      if (buckets.empty() || buckets.back().connection != c || buckets.back().bucket != bucket) {
        buckets.push_back(BucketBytes{bucket, c, 0, 0});
      }
      AddSaturating(buckets.back().rxBytes, s.rxBytes);
      AddSaturating(buckets.back().txBytes, s.txBytes);
    }
  }
  std::stable_sort(buckets.begin(), buckets.end(),
                   [](const BucketBytes& a, const BucketBytes& b) { return a.bucket < b.bucket; });
  return buckets;
}

std::vector<BucketSum> SumBuckets(const TimedDay& day, TimeGrain grain, const TimedConnectionFilter& counted,
                                  BucketSum* notPlaced) {
  const std::uint16_t per = SlotsPerBucket(grain);
  std::vector<BucketSum> sums(BucketsPerDay(grain));
  if (notPlaced) *notPlaced = BucketSum{};
  for (std::size_t c = 0; c < day.connections.size(); ++c) {
    if (counted && !counted(c)) continue;
    const TimedConnection& connection = day.connections[c];
    for (const SlotBytes& s : connection.slots) {
      if (s.slot >= kSlotsPerDay) continue;  // only a day put together by hand could hold one
      BucketSum& sum = sums[s.slot / per];
      AddSaturating(sum.rxBytes, s.rxBytes);
      AddSaturating(sum.txBytes, s.txBytes);
    }
    if (notPlaced) {
      AddSaturating(notPlaced->rxBytes, connection.notPlacedRxBytes);
      AddSaturating(notPlaced->txBytes, connection.notPlacedTxBytes);
    }
  }
  return sums;
}

}  // namespace tral
