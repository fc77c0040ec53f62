// Slot lists kept sorted by their slot, crediting the newest slot without a search.
#include "service/day_slots.h"

#include <algorithm>

namespace tral {

void DaySlots::Credit(std::uint16_t slot, std::uint64_t rxBytes, std::uint64_t txBytes) {
  if (rxBytes == 0 && txBytes == 0) return;
  if (!slots_.empty() && slots_.back().slot == slot) {
    slots_.back().rxBytes += rxBytes;
    slots_.back().txBytes += txBytes;
    return;
  }
  if (slots_.empty() || slots_.back().slot < slot) {
    slots_.push_back(SlotBytes{slot, rxBytes, txBytes});
    return;
  }
  auto at = std::lower_bound(slots_.begin(), slots_.end(), slot,
                             [](const SlotBytes& s, std::uint16_t wanted) { return s.slot < wanted; });
  if (at == slots_.end() || at->slot != slot) at = slots_.insert(at, SlotBytes{slot, 0, 0});
  at->rxBytes += rxBytes;
  at->txBytes += txBytes;
}

void DaySlots::Add(std::span<const SlotBytes> slots) {
  for (const SlotBytes& s : slots) Credit(s.slot, s.rxBytes, s.txBytes);
}

}  // namespace tral
