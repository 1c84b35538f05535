#pragma once
// File operations of the statistics workbook: it is the only record of the pupils' runs, so it
// is read whole, replaced atomically and, when damaged, moved aside rather than overwritten.
// Paths are UTF-8.

#include <string>
#include <string_view>

namespace workbook_file {

enum class ReadStatus {
  kRead,        // the bytes are in *bytes
  kMissing,     // nothing there (or not a regular file): nothing to keep
  kUnreadable,  // a file exists but cannot be read
};

ReadStatus ReadWholeFile(const std::string& path, std::string* bytes);

// Renames the file to an unused name beside it ("<path>.damaged", "<path>.damaged-2", ...);
// an existing file is never replaced. Returns the new path, or "" when it could not be moved.
std::string MoveAside(const std::string& path);

// Writes the bytes to a new file in the target's folder, flushes them to the disk and renames
// the file over the target, so the target holds either its old or its new content at any
// moment. A read-only or non-regular target is refused. False on any failure; the target is
// then unchanged and no temporary file is left.
bool ReplaceFile(const std::string& path, std::string_view bytes);

// Like ReplaceFile, but only where nothing is at the path yet: an existing file is never
// replaced (false, nothing written).
bool CreateNewFile(const std::string& path, std::string_view bytes);

// Whether both paths name one existing file.
bool SameFile(const std::string& a, const std::string& b);

}  // namespace workbook_file
