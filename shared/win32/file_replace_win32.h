// Replacing a file in one step through a fresh temporary beside it, safe in folders others can write.
#pragma once

#include <string>
#include <string_view>

namespace tral::win32 {

// Writes `content` to a new temporary file beside `path` and renames it over `path`, so that a
// reader sees the old file or the new one, never a part. The temporary's name is `path` followed by
// a dot and 16 random hex digits (so it never ends like the target's kind of file), created
// exclusively: a file or link that someone made in the folder beforehand is never written through.
// With `flush` the content is on disk before the rename and the rename on disk before the return;
// without, both are left to the system's cache (for a file that is written again soon anyway). Only
// a file is replaced, and it hands its permissions and (where the caller may set it) its owner on to
// the new one; a link at the name is replaced itself, never what it points to; a folder or a device
// of the name is refused and left as it is. False with the reason in `error`; the temporary is
// removed then.
bool ReplaceFileAtomically(const std::string& path, std::string_view content, bool flush, std::string& error);

}  // namespace tral::win32
