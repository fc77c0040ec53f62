// Day files for the statistics, read beside the monitor's executable with read sharing only.
#pragma once

#include <string>

#include "monitor/statistics/statistic_data.h"

namespace tral::win32 {

// Larger files are read only this far; nothing the service writes comes near it.
inline constexpr std::size_t kMaxDayFileBytes = 64u << 20;

class Win32DayFileSource final : public DayFileSource {
 public:
  Win32DayFileSource();  // the directory of the running executable
  explicit Win32DayFileSource(std::string directory);  // ends in a backslash

  [[nodiscard]] bool ReadDayFile(const CivilDate& date, std::vector<std::uint8_t>& bytes) override;
  // The "*.bin" files of the directory whose names are day-file names of real dates. False only
  // when the directory cannot be searched at all; a directory without day files lists none.
  [[nodiscard]] bool ListDayFiles(std::vector<CivilDate>& dates) override;

 private:
  std::string directory_;
};

}  // namespace tral::win32
