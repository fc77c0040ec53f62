// Keeping days read with their slots until the folder's stamp moves.
#include "monitor/charts/slot_days.h"

namespace tral {

TimedDay SlotDays::Day(const CivilDate& date, std::uint64_t nowMs) {
  std::uint64_t stamp = 0;
  const bool stamped = files_.FolderStamp(stamp);
  if (stamped != stamped_ || stamp != stamp_) kept_.clear();
  stamped_ = stamped;
  stamp_ = stamp;
  auto it = kept_.find(date);
  if (it != kept_.end() && (!stamped || nowMs - it->second.readMs >= kSlotDaysMaxAgeMs || nowMs < it->second.readMs)) {
    kept_.erase(it);
    it = kept_.end();
  }
  if (it == kept_.end()) {
    // The windows ask for today and yesterday, or one day: a few days are all there is to keep.
    if (kept_.size() >= 4) kept_.clear();
    it = kept_.emplace(date, Kept{reader_.Read(date), nowMs}).first;
  }
  return it->second.day;
}

}  // namespace tral
