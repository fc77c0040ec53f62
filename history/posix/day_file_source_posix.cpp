// Reading day files from a folder with the POSIX file calls.
#include "history/posix/day_file_source_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tral::posix {

namespace {

// Larger files are read only this far, as on Windows.
constexpr std::size_t kMaxDayFileBytes = 64u << 20;

}  // namespace

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
  std::size_t got = 0;
  std::size_t chunk = 4096;
  while (got < kMaxDayFileBytes) {
    const std::size_t want = std::min(chunk, kMaxDayFileBytes - got);
    chunk = std::min<std::size_t>(chunk * 2, 1 << 20);
    bytes.resize(got + want);
    const ssize_t n = ::read(fd, bytes.data() + got, want);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      problem_ = std::strerror(errno);
      break;
    }
    got += static_cast<std::size_t>(n);
    if (n == 0) break;
  }
  ::close(fd);
  bytes.resize(got);
  if (got == 0 && !problem_.empty()) return DayFileRead::kUnreadable;
  return DayFileRead::kRead;
}

bool FolderDayFiles::ListDayFiles(std::vector<CivilDate>& dates) {
  dates.clear();
  if (!ListDayFileStamps(stamps_)) return false;
  for (const DayFileStamp& stamp : stamps_) dates.push_back(stamp.date);
  return true;
}

namespace {

std::uint64_t Nanoseconds(const struct timespec& time) {
  return static_cast<std::uint64_t>(time.tv_sec) * 1'000'000'000u + static_cast<std::uint64_t>(time.tv_nsec);
}

}  // namespace

bool FolderDayFiles::FolderStamp(std::uint64_t& stamp) {
  struct stat info {};
  stamp = 0;
  if (::stat(folder_.c_str(), &info) != 0) return false;
  stamp = Nanoseconds(info.st_mtim);
  return true;
}

bool FolderDayFiles::ListDayFileStamps(std::vector<DayFileStamp>& stamps) {
  stamps.clear();
  DIR* dir = ::opendir(folder_.c_str());
  if (dir == nullptr) return errno == ENOENT;  // no folder: no day files; otherwise read by date
  while (const dirent* entry = ::readdir(dir)) {
    CivilDate date;
    if (!ParseDayFileName(entry->d_name, date)) continue;
    struct stat info {};
    // A file that cannot be looked at is listed all the same (its read then says why), unstamped.
    if (::stat(InFolder(entry->d_name).c_str(), &info) != 0) info = {};
    // A folder of a day file's name is not a day file.
    if (S_ISDIR(info.st_mode)) continue;
    stamps.push_back(DayFileStamp{date, static_cast<std::uint64_t>(info.st_size), Nanoseconds(info.st_mtim)});
  }
  ::closedir(dir);
  return true;
}

}  // namespace tral::posix
