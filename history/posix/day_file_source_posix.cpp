// Reading day files from a folder with the POSIX file calls.
#include "history/posix/day_file_source_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tral::posix {

std::string FolderDayFiles::InFolder(const std::string& name) const {
  return !folder_.empty() && folder_.back() == '/' ? folder_ + name : folder_ + "/" + name;
}

DayFileRead FolderDayFiles::ReadDayFile(const CivilDate& date, std::vector<std::uint8_t>& bytes) {
  bytes.clear();
  problem_.clear();
  const int fd = ::open(InFolder(DayFileName(date)).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return DayFileRead::kAbsent;
    problem_ = std::strerror(errno);
    return DayFileRead::kUnreadable;
  }
  const bool ok = ReadWholeFile(bytes, [&](std::uint8_t* into, std::size_t want) -> long long {
    // A regular file reads short only at its end; reads are repeated until then.
    std::size_t done = 0;
    while (done < want) {
      const ssize_t n = ::read(fd, into + done, want - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return -1;
      if (n == 0) break;
      done += static_cast<std::size_t>(n);
    }
    return static_cast<long long>(done);
  });
  if (!ok) problem_ = std::strerror(errno);
  ::close(fd);
  if (bytes.empty() && !ok) return DayFileRead::kUnreadable;
  return DayFileRead::kRead;
}

bool FolderDayFiles::ListDayFiles(std::vector<CivilDate>& dates) {
  dates.clear();
  DIR* dir = ::opendir(folder_.c_str());
  if (dir == nullptr) return errno == ENOENT;  // no folder: no day files; otherwise read by date
  while (const dirent* entry = ::readdir(dir)) {
    CivilDate date;
    if (!ParseDayFileName(entry->d_name, date)) continue;
    struct stat info {};
    // A folder of a day file's name is not a day file.
    if (::stat(InFolder(entry->d_name).c_str(), &info) == 0 && S_ISDIR(info.st_mode)) continue;
    dates.push_back(date);
  }
  ::closedir(dir);
  return true;
}

}  // namespace tral::posix
