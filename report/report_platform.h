// What traldenreport needs from the system it runs on: the date, the day files' folder and its
// files, text conversions and the atomic replacement of the output file.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "history/statistic_data.h"

namespace tral::report {

CivilDate LocalToday();

// The folder of the installed service's executable when there is one, else the current folder.
std::string DefaultFolder();

// Why the folder's files cannot be listed, or nothing when they can.
std::optional<std::string> FolderProblem(const std::string& folder);

// The day files of `folder`, read the way the statistics window reads them.
std::unique_ptr<DayFileSource> OpenDayFiles(const std::string& folder);

// The folder with the separator that a file's name follows in a path.
std::string FolderPrefix(const std::string& folder);

// How connection texts are compared when days are merged.
TextEqualIgnoringCase TextComparison();

// Day-file texts as UTF-8, and as the console shows them (every control character as "?"); and
// UTF-8 text in the program's own code page.
std::string TextToUtf8(std::string_view text);
std::string TextToConsole(std::string_view text);
std::string TextFromUtf8(std::string_view utf8);

// Standard output takes the bytes as they are (CSV's CRLF stays CRLF).
void UseBinaryStandardOutput();

// Writes `content` to a temporary file beside `path` and renames it over `path`, so that a reader
// sees the old file or the new one, never a part. False with the reason in `error`.
bool WriteAtomically(const std::string& path, const std::string& content, std::string& error);

}  // namespace tral::report
