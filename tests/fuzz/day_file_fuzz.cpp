// Fuzz target: any bytes as a day file read by the statistics, bounded and without overflow of rows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "history/statistic_data.h"

namespace {

class OneFile final : public tral::DayFileSource {
 public:
  OneFile(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  tral::DayFileRead ReadDayFile(const tral::CivilDate&, std::vector<std::uint8_t>& bytes) override {
    bytes.assign(data_, data_ + size_);
    return tral::DayFileRead::kRead;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  OneFile file(data, size);
  tral::CStatisticData stats(file);
  stats.CountDay(tral::CivilDate{2009, 3, 13});
  // Each row needs at least one complete 91-byte entry after a 30-byte group header.
  if (stats.RowCount() > size / 91) std::abort();
  for (std::size_t i = 0; i < stats.RowCount(); ++i) {
    const tral::StatisticRow& row = stats.Row(i);
    if (row.adapterKey.size() > 25 || row.ipText.size() > 15 || row.bssid.size() > 25 || row.ssid.size() > 32) {
      std::abort();
    }
    (void)tral::FormatSize(row.downloadedKb);
  }
  (void)tral::FormatUptime(stats.UptimeMs());
  (void)stats.SumChecked();
  return 0;
}
