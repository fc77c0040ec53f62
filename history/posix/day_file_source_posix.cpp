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

const char* NotARegularFile(mode_t mode) {
  if (S_ISREG(mode)) return nullptr;
  if (S_ISDIR(mode)) return "it is a folder, not a file";
  if (S_ISFIFO(mode)) return "it is a pipe, not a file";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "it is a device, not a file";
  if (S_ISSOCK(mode)) return "it is a socket, not a file";
  return "it is not a regular file";
}

DayFileRead FolderDayFiles::ReadDayFile(const CivilDate& date, std::vector<std::uint8_t>& bytes) {
  return ReadHistoryFile(DayFileName(date), bytes);
}

DayFileRead FolderDayFiles::ReadSlotFile(const CivilDate& date, std::vector<std::uint8_t>& bytes) {
  return ReadHistoryFile(SlotFileName(date), bytes);
}

DayFileRead FolderDayFiles::ReadHistoryFile(const std::string& name, std::vector<std::uint8_t>& bytes) {
  bytes.clear();
  problem_.clear();
  // Without blocking: a pipe of a day file's name would otherwise wait for a writer forever. A
  // regular file reads the same either way.
  const int fd = ::open(InFolder(name).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return DayFileRead::kAbsent;
    problem_ = errno == ENXIO ? "it is a socket, not a file" : std::strerror(errno);
    return DayFileRead::kUnreadable;
  }
  // Only a regular file is a day file; anything else of its name is there but cannot be one.
  struct stat info {};
  if (::fstat(fd, &info) != 0 || NotARegularFile(info.st_mode) != nullptr) {
    problem_ = NotARegularFile(info.st_mode) != nullptr ? NotARegularFile(info.st_mode) : std::strerror(errno);
    ::close(fd);
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
    // A file that cannot be looked at is listed all the same (its read then says why), unstamped;
    // so is a folder or a pipe of a day file's name, which the read names as no day file.
    if (::stat(InFolder(entry->d_name).c_str(), &info) != 0) info = {};
    stamps.push_back(DayFileStamp{date, static_cast<std::uint64_t>(info.st_size), Nanoseconds(info.st_mtim)});
  }
  ::closedir(dir);
  return true;
}

}  // namespace tral::posix
