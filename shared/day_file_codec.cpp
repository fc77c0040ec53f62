// Bounded reading and writing of day-file bytes.
#include "shared/day_file_codec.h"

#include <cstring>

#include "shared/byte_order.h"
#include "shared/text_field.h"

namespace tral {

namespace {

template <std::size_t N>
void CopyBoundedField(char (&field)[N], const std::uint8_t* raw) {
  SetFieldText(field, BoundedText(reinterpret_cast<const char*>(raw), N));
}

}  // namespace

bool DayFileReader::Take(std::size_t n, const std::uint8_t*& p) {
  if (bytes_.size() - pos_ < n) return false;
  p = bytes_.data() + pos_;
  pos_ += n;
  return true;
}

bool DayFileReader::ReadGroupCount(std::uint32_t& groupCount) {
  const std::uint8_t* p = nullptr;
  if (!Take(kDayCountSize, p)) return false;
  groupCount = LoadLe32(p);
  return true;
}

bool DayFileReader::ReadGroupHeader(char (&adapterKey)[kAdapterKeyWidth], std::uint32_t& entryCount) {
  const std::uint8_t* p = nullptr;
  if (!Take(kDayGroupHeaderSize, p)) return false;
  CopyBoundedField(adapterKey, p);
  entryCount = LoadLe32(p + kAdapterKeyWidth);
  return true;
}

bool DayFileReader::ReadEntry(DayFileEntry& entry) {
  const std::uint8_t* p = nullptr;
  if (!Take(kDayEntrySize, p)) return false;
  CopyBoundedField(entry.ipText, p);
  p += kIpTextWidth;
  CopyBoundedField(entry.bssid, p);
  p += kBssidWidth;
  CopyBoundedField(entry.ssid, p);
  p += kSsidWidth;
  entry.rxBytes = LoadLe64(p);
  entry.txBytes = LoadLe64(p + 8);
  return true;
}

bool DayFileReader::SkipEntries(std::uint32_t count) {
  const std::uint64_t n = static_cast<std::uint64_t>(count) * kDayEntrySize;
  if (bytes_.size() - pos_ < n) return false;
  pos_ += static_cast<std::size_t>(n);
  return true;
}

bool DayFileReader::ReadUptime(std::uint32_t& uptimeMs) {
  const std::uint8_t* p = nullptr;
  if (!Take(4, p)) return false;
  uptimeMs = LoadLe32(p);
  return true;
}

DayFileContents DecodeDayFile(std::span<const std::uint8_t> bytes) {
  DayFileContents contents;
  DayFileReader reader(bytes);
  std::uint32_t groupCount = 0;
  if (!reader.ReadGroupCount(groupCount)) return contents;
  // Nothing is reserved from the counts: they are only believed as far as the bytes go.
  for (std::uint32_t g = 0; g < groupCount; ++g) {
    DayFileGroup group;
    std::uint32_t entryCount = 0;
    if (!reader.ReadGroupHeader(group.adapterKey, entryCount)) return contents;
    contents.groups.push_back(std::move(group));
    DayFileGroup& added = contents.groups.back();
    for (std::uint32_t e = 0; e < entryCount; ++e) {
      DayFileEntry entry;
      if (!reader.ReadEntry(entry)) return contents;
      added.entries.push_back(entry);
    }
  }
  contents.complete = true;
  std::uint32_t uptime = 0;
  if (reader.ReadUptime(uptime)) contents.uptimeMs = uptime;
  return contents;
}

std::uint8_t* DayFileWriter::Grow(std::size_t n) {
  const std::size_t at = out_.size();
  out_.resize(at + n);
  return out_.data() + at;
}

void DayFileWriter::PutGroupCount(std::uint32_t groupCount) { StoreLe32(Grow(4), groupCount); }

void DayFileWriter::PutGroupHeader(const char (&adapterKey)[kAdapterKeyWidth], std::uint32_t entryCount) {
  std::uint8_t* p = Grow(kDayGroupHeaderSize);
  std::memcpy(p, adapterKey, kAdapterKeyWidth);
  StoreLe32(p + kAdapterKeyWidth, entryCount);
}

void DayFileWriter::PutEntry(const char (&ipText)[kIpTextWidth], const char (&bssid)[kBssidWidth],
                             const char (&ssid)[kSsidWidth], std::uint64_t rxBytes,
                             std::uint64_t txBytes) {
  std::uint8_t* p = Grow(kDayEntrySize);
  std::memcpy(p, ipText, kIpTextWidth);
  p += kIpTextWidth;
  std::memcpy(p, bssid, kBssidWidth);
  p += kBssidWidth;
  std::memcpy(p, ssid, kSsidWidth);
  p += kSsidWidth;
  StoreLe64(p, rxBytes);
  StoreLe64(p + 8, txBytes);
}

void DayFileWriter::PutUptime(std::uint32_t uptimeMs) { StoreLe32(Grow(4), uptimeMs); }

}  // namespace tral
