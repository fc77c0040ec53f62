// traldenreport's system layer on Linux and other POSIX systems: day files copied from Windows
// machines are read from a folder given on the command line or the current folder.
#include "report/report_platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "history/posix/day_file_source_posix.h"
#include "report/report_writers.h"

namespace tral::report {

CivilDate LocalToday() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return CivilDate{static_cast<std::uint16_t>(local.tm_year + 1900), static_cast<std::uint16_t>(local.tm_mon + 1),
                   static_cast<std::uint16_t>(local.tm_mday)};
}

std::string DefaultFolder() { return "."; }

std::optional<std::string> FolderProblem(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return std::string(std::strerror(errno));
  ::closedir(dir);
  return std::nullopt;
}

std::unique_ptr<DayFileSource> OpenDayFiles(const std::string& folder) {
  return std::make_unique<posix::FolderDayFiles>(folder);
}

TextEqualIgnoringCase TextComparison() { return AsciiEqualIgnoringCase; }

std::string FolderPrefix(const std::string& folder) {
  return !folder.empty() && folder.back() == '/' ? folder : folder + "/";
}

std::string TextToUtf8(std::string_view text) { return Utf8OrLatin1(text); }
std::string TextToConsole(std::string_view text) { return PrintableText(Utf8OrLatin1(text)); }
// The program's texts are UTF-8 where they are valid UTF-8.
std::string TextFromUtf8(std::string_view utf8) { return std::string(utf8); }

void UseBinaryStandardOutput() {}

namespace {

// Gives the file the old file's owner and group, or the group alone when the caller may not give it
// away; false when neither could be given (the file then stays the caller's).
bool TakeOwnerOf(int fd, const struct stat& old) {
  if (old.st_uid == ::geteuid() && old.st_gid == ::getegid()) return true;
  return ::fchown(fd, old.st_uid, old.st_gid) == 0 || ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) == 0;
}

}  // namespace

bool WriteAtomically(const std::string& path, const std::string& content, std::string& error) {
  // Only a regular file is replaced (or a link at the name, which the rename replaces, never what
  // it points to): a device, a pipe, a socket or a folder of that name stays as it is.
  struct stat old {};
  const bool replacing = ::lstat(path.c_str(), &old) == 0 && !S_ISLNK(old.st_mode);
  if (replacing && posix::NotARegularFile(old.st_mode) != nullptr) {
    error = std::string(posix::NotARegularFile(old.st_mode)) + "; it is left as it is";
    return false;
  }
  // A fresh file of an unpredictable name, created exclusively in the target's folder (mkstemp
  // opens with O_EXCL and never follows a link): nothing made there beforehand can be written
  // through. The rename then replaces the target, or a link at its name, in one step.
  std::string temp = path + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  std::size_t done = 0;
  bool ok = true;
  while (ok && done < content.size()) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) ok = false;
    else done += static_cast<std::size_t>(n);
  }
  // The file replaced keeps its owner and its permissions (a 0600 file stays 0600), as far as the
  // caller may give them (else the group at least); a new file is readable by all. Given once the
  // text is written, so no one but the caller ever holds a half-written file.
  if (ok && replacing) TakeOwnerOf(fd, old);
  if (ok && ::fchmod(fd, replacing ? old.st_mode & 0777 : 0644) != 0) ok = false;
  if (ok && ::fsync(fd) != 0) ok = false;
  if (!ok) error = std::strerror(errno);
  if (::close(fd) != 0 && ok) {
    ok = false;
    error = std::strerror(errno);
  }
  if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
    ok = false;
    error = std::strerror(errno);
  }
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

}  // namespace tral::report
