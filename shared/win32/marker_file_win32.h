// Empty marker files in the user's temporary directory, left by the installer words of both programs.
#pragma once

#include <string>

namespace tral::win32 {

// The temporary directory (GetTempPathA, with a backslash appended when it has none) followed by
// `fileName`; the bare name, so the current directory, when the temporary directory is unknown.
std::string MarkerPath(const char* fileName);

// Creates the marker file empty, or truncates it to empty when it exists (no sharing while open).
// True when the file could be created; callers that ignore failure may drop the result.
bool CreateMarker(const char* fileName);

}  // namespace tral::win32
