// traldenreport's system layer on Linux and other POSIX systems: day files copied from Windows
// machines are read from a folder given on the command line or the current folder.
#include "report/report_platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "report/report_writers.h"

namespace tral::report {

namespace {

std::string InFolder(const std::string& folder, const std::string& name) {
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// Whole day files read with the C library; a file that stops being readable ends early, as a
// damaged file does.
class FolderDayFiles final : public DayFileSource {
 public:
  explicit FolderDayFiles(std::string folder) : folder_(std::move(folder)) {}

  bool ReadDayFile(const CivilDate& date, std::vector<std::uint8_t>& bytes) override {
    bytes.clear();
    std::FILE* file = std::fopen(InFolder(folder_, DayFileName(date)).c_str(), "rb");
    if (file == nullptr) return false;
    std::size_t got = 0;
    std::size_t chunk = 4096;
    for (;;) {
      bytes.resize(got + chunk);
      const std::size_t n = std::fread(bytes.data() + got, 1, chunk, file);
      got += n;
      if (n < chunk) break;
      chunk = std::min<std::size_t>(chunk * 2, 1 << 20);
    }
    bytes.resize(got);
    std::fclose(file);
    return true;
  }

 private:
  std::string folder_;
};

}  // namespace

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
  return std::make_unique<FolderDayFiles>(folder);
}

TextEqualIgnoringCase TextComparison() { return AsciiEqualIgnoringCase; }

std::string TextToUtf8(std::string_view text) { return Utf8OrLatin1(text); }
std::string TextToConsole(std::string_view text) { return Utf8OrLatin1(text); }

void UseBinaryStandardOutput() {}

bool WriteAtomically(const std::string& path, const std::string& content, std::string& error) {
  const std::string temp = path + ".tmp" + std::to_string(::getpid());
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
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
