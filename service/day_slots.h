// One connection's traffic of the day in five-minute slots: only the slots that carried traffic.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "shared/slot_file_codec.h"

namespace tral {

class DaySlots {
 public:
  // Adds to a slot's bytes. Passes credit the current slot, which is the last one or a new one after
  // it, in constant time; an earlier slot (the clock set back, the repeated hour of the day the
  // clocks go back) is found by binary search.
  void Credit(std::uint16_t slot, std::uint64_t rxBytes, std::uint64_t txBytes);
  // Adds every slot of another list of ascending slots.
  void Add(std::span<const SlotBytes> slots);
  void Clear() { slots_.clear(); }
  bool Empty() const { return slots_.empty(); }
  std::span<const SlotBytes> Slots() const { return slots_; }

 private:
  std::vector<SlotBytes> slots_;  // ascending, each with traffic
};

}  // namespace tral
