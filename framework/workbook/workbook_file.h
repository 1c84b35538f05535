#pragma once
// Writing the statistics workbook to a path the user named (Save as, a backup file): it is the
// only record of the pupils' runs, so it is replaced atomically. Its own file is reached through
// workbook_store. Paths are UTF-8.

#include <string>
#include <string_view>

namespace workbook_file {

// Writes the bytes to a new file in the target's folder, flushes them to the disk and renames
// the file over the target, so the target holds either its old or its new content at any
// moment. A read-only or non-regular target is refused. False on any failure; the target is
// then unchanged and no temporary file is left.
bool ReplaceFile(const std::string& path, std::string_view bytes);

// Like ReplaceFile, but only where nothing is at the path yet: an existing file is never
// replaced (false, nothing written).
bool CreateNewFile(const std::string& path, std::string_view bytes);

// Whether both paths name one existing entry (a link is not the file it points to).
bool SameFile(const std::string& a, const std::string& b);

}  // namespace workbook_file
