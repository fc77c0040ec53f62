// Day files read from a folder on a POSIX system: files copied from Windows machines, read anywhere.
#pragma once

#include <sys/types.h>

#include <string>

#include "history/day_file_source.h"

namespace tral::posix {

// What a file is when it is not a regular file ("it is a folder, not a file", a pipe, a device, a
// socket), or nothing when it is one.
const char* NotARegularFile(mode_t mode);

class FolderDayFiles final : public DayFileSource {
 public:
  explicit FolderDayFiles(std::string folder) : folder_(std::move(folder)) {}

  [[nodiscard]] DayFileRead ReadDayFile(const CivilDate& date, std::vector<std::uint8_t>& bytes) override;
  // The slot file beside it, read the same way.
  [[nodiscard]] DayFileRead ReadSlotFile(const CivilDate& date, std::vector<std::uint8_t>& bytes) override;
  // The entries of the folder whose names are day-file names of real dates; one that is not a
  // regular file (a folder, a pipe) is listed too, and its read gives kUnreadable with the reason.
  [[nodiscard]] bool ListDayFiles(std::vector<CivilDate>& dates) override;
  // The same files with their sizes and modification times.
  [[nodiscard]] bool ListDayFileStamps(std::vector<DayFileStamp>& stamps) override;
  // The folder's modification time, which moves with every file created, removed or renamed in it.
  [[nodiscard]] bool FolderStamp(std::uint64_t& stamp) override;
  std::string LastReadProblem() const override { return problem_; }

 private:
  std::string InFolder(const std::string& name) const;
  DayFileRead ReadHistoryFile(const std::string& name, std::vector<std::uint8_t>& bytes);

  std::string folder_;
  std::string problem_;
  std::vector<DayFileStamp> stamps_;  // the listing behind ListDayFiles, reused
};

}  // namespace tral::posix
