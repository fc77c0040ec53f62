// Day files read from a folder on a Windows file system, shared so that the service's save can
// replace a file while it is being read.
#pragma once

#include <windows.h>

#include <string>

#include "history/day_file_source.h"
#include "shared/win32/system_text_win32.h"

namespace tral::win32 {

class Win32DayFileSource final : public DayFileSource {
 public:
  explicit Win32DayFileSource(std::string directory);  // ends in a backslash

  [[nodiscard]] DayFileRead ReadDayFile(const CivilDate& date, std::vector<std::uint8_t>& bytes) override;
  // The slot file beside it, read the same way.
  [[nodiscard]] DayFileRead ReadSlotFile(const CivilDate& date, std::vector<std::uint8_t>& bytes) override;
  // The "*.bin" entries of the directory whose names are day-file names of real dates (a folder of
  // such a name too: its read gives kUnreadable with the reason). False only when the directory
  // cannot be searched at all; a directory without day files lists none.
  [[nodiscard]] bool ListDayFiles(std::vector<CivilDate>& dates) override;
  // The same files with their sizes and last-write times, from the same search.
  [[nodiscard]] bool ListDayFileStamps(std::vector<DayFileStamp>& stamps) override;
  // The folder's last-write time, which moves with every file created, deleted or renamed in it.
  [[nodiscard]] bool FolderStamp(std::uint64_t& stamp) override;
  std::string LastReadProblem() const override { return problem_; }

 private:
  DayFileRead ReadHistoryFile(const std::string& name, std::vector<std::uint8_t>& bytes);

  std::string directory_;
  std::string problem_;
  std::vector<DayFileStamp> stamps_;  // the listing behind ListDayFiles, reused
};

// Opens a day file for reading the way every reader must: read, write and delete shared, so that
// the service's save can rename a fresh file over it while it is read. Invalid when it cannot.
HANDLE OpenDayFileForReading(const std::string& path);

}  // namespace tral::win32
