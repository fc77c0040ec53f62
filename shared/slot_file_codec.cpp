// Bounded reading and writing of slot-file bytes.
#include "shared/slot_file_codec.h"

#include <cstring>

#include "shared/byte_order.h"
#include "shared/saturating_sum.h"
#include "shared/text_field.h"

namespace tral {

namespace {

template <std::size_t N>
void CopyBoundedField(char (&field)[N], const std::uint8_t* raw) {
  SetFieldText(field, BoundedText(reinterpret_cast<const char*>(raw), N));
}

std::string Of(std::uint32_t n, std::uint32_t count) { return std::to_string(n) + " of " + std::to_string(count); }

SlotFileContents Stop(SlotFileContents contents, std::string problem) {
  contents.problem = std::move(problem);
  return contents;
}

}  // namespace

SlotFileContents DecodeSlotFile(std::span<const std::uint8_t> bytes) {
  SlotFileContents contents;
  if (bytes.size() < sizeof kSlotFileMark || std::memcmp(bytes.data(), kSlotFileMark, sizeof kSlotFileMark) != 0) {
    return Stop(std::move(contents), "it does not begin with the slot file's mark");
  }
  if (bytes.size() < kSlotFileHeadingSize) return Stop(std::move(contents), "it ends inside its heading");
  const std::uint16_t version = LoadLe16(bytes.data() + 4);
  if (version != kSlotFileVersion) {
    return Stop(std::move(contents), "it is of version " + std::to_string(version) + ", not " +
                                         std::to_string(kSlotFileVersion));
  }
  const std::uint16_t minutes = LoadLe16(bytes.data() + 6);
  if (minutes != kSlotMinutes) {
    return Stop(std::move(contents), "its slots are of " + std::to_string(minutes) + " minutes, not " +
                                         std::to_string(kSlotMinutes));
  }
  contents.knownLayout = true;
  const std::uint32_t count = LoadLe32(bytes.data() + 8);
  std::size_t pos = kSlotFileHeadingSize;
  // Nothing is reserved from the counts: they are only believed as far as the bytes go.
  for (std::uint32_t c = 0; c < count; ++c) {
    const std::string which = "connection " + Of(c + 1, count);
    if (bytes.size() - pos < kSlotConnectionHeadingSize) {
      return Stop(std::move(contents), "it ends inside the heading of " + which);
    }
    SlotFileConnection connection;
    const std::uint8_t* p = bytes.data() + pos;
    CopyBoundedField(connection.adapterKey, p);
    CopyBoundedField(connection.ipText, p + kAdapterKeyWidth);
    CopyBoundedField(connection.bssid, p + kAdapterKeyWidth + kIpTextWidth);
    CopyBoundedField(connection.ssid, p + kAdapterKeyWidth + kIpTextWidth + kBssidWidth);
    const std::uint16_t slotCount = LoadLe16(p + kSlotConnectionHeadingSize - 2);
    pos += kSlotConnectionHeadingSize;
    if (slotCount > kSlotsPerDay) {
      return Stop(std::move(contents), which + " has " + std::to_string(slotCount) + " slots; a day has " +
                                           std::to_string(kSlotsPerDay));
    }
    for (std::uint32_t s = 0; s < slotCount; ++s) {
      if (bytes.size() - pos < kSlotSize) {
        return Stop(std::move(contents), "it ends inside slot " + Of(s + 1, slotCount) + " of " + which);
      }
      const std::uint8_t* q = bytes.data() + pos;
      const SlotBytes slot{LoadLe16(q), LoadLe64(q + 2), LoadLe64(q + 10)};
      if (slot.slot >= kSlotsPerDay) {
        return Stop(std::move(contents), "slot " + Of(s + 1, slotCount) + " of " + which + " is numbered " +
                                             std::to_string(slot.slot) + ", past the day's last");
      }
      if (!connection.slots.empty() && slot.slot <= connection.slots.back().slot) {
        return Stop(std::move(contents), "slot " + Of(s + 1, slotCount) + " of " + which +
                                             " does not come after the one before it");
      }
      connection.slots.push_back(slot);
      pos += kSlotSize;
    }
    contents.connections.push_back(std::move(connection));
  }
  if (pos != bytes.size()) {
    return Stop(std::move(contents),
                "it goes on after its last connection (" + std::to_string(bytes.size() - pos) + " bytes more)");
  }
  contents.complete = true;
  return contents;
}

bool SameConnection(const SlotFileConnection& connection, std::string_view adapterKey, std::string_view ipText,
                    std::string_view bssid, std::string_view ssid) {
  return FieldText(connection.adapterKey) == adapterKey && FieldText(connection.ipText) == ipText &&
         FieldText(connection.bssid) == bssid && FieldText(connection.ssid) == ssid;
}

void SlotSums(std::span<const SlotBytes> slots, std::uint64_t& rxOut, std::uint64_t& txOut) {
  rxOut = txOut = 0;
  for (const SlotBytes& s : slots) {
    rxOut = SaturatingSum(rxOut, s.rxBytes);
    txOut = SaturatingSum(txOut, s.txBytes);
  }
}

std::uint8_t* SlotFileWriter::Grow(std::size_t n) {
  const std::size_t at = out_.size();
  out_.resize(at + n);
  return out_.data() + at;
}

void SlotFileWriter::PutHeading(std::uint32_t connectionCount) {
  std::uint8_t* p = Grow(kSlotFileHeadingSize);
  std::memcpy(p, kSlotFileMark, sizeof kSlotFileMark);
  StoreLe16(p + 4, kSlotFileVersion);
  StoreLe16(p + 6, kSlotMinutes);
  StoreLe32(p + 8, connectionCount);
}

void SlotFileWriter::PutConnection(const char (&adapterKey)[kAdapterKeyWidth], const char (&ipText)[kIpTextWidth],
                                   const char (&bssid)[kBssidWidth], const char (&ssid)[kSsidWidth],
                                   std::uint16_t slotCount) {
  std::uint8_t* p = Grow(kSlotConnectionHeadingSize);
  std::memcpy(p, adapterKey, kAdapterKeyWidth);
  p += kAdapterKeyWidth;
  std::memcpy(p, ipText, kIpTextWidth);
  p += kIpTextWidth;
  std::memcpy(p, bssid, kBssidWidth);
  p += kBssidWidth;
  std::memcpy(p, ssid, kSsidWidth);
  StoreLe16(p + kSsidWidth, slotCount);
}

void SlotFileWriter::PutSlot(const SlotBytes& slot) {
  std::uint8_t* p = Grow(kSlotSize);
  StoreLe16(p, slot.slot);
  StoreLe64(p + 2, slot.rxBytes);
  StoreLe64(p + 10, slot.txBytes);
}

std::vector<std::uint8_t> EncodeSlotFile(std::span<const SlotFileConnection> connections) {
  std::vector<std::uint8_t> bytes;
  SlotFileWriter writer(bytes);
  std::uint32_t count = 0;
  for (const SlotFileConnection& c : connections) count += c.slots.empty() ? 0 : 1;
  writer.PutHeading(count);
  for (const SlotFileConnection& c : connections) {
    if (c.slots.empty()) continue;
    writer.PutConnection(c.adapterKey, c.ipText, c.bssid, c.ssid, static_cast<std::uint16_t>(c.slots.size()));
    for (const SlotBytes& s : c.slots) writer.PutSlot(s);
  }
  return bytes;
}

}  // namespace tral
