#include "framework/workbook/workbook_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "framework/workbook/workbook_io.h"

namespace workbook_file {
namespace {

// Writes the bytes through `publish` (workbook_io::Replace or CreateNew) in the folder the path
// names; the folder is reached as the path says, links the user made included.
template <typename Publish>
bool InFolderOf(const std::string& path, std::string_view bytes, Publish publish) {
  const auto slash = path.rfind('/');
  const std::string folderPath = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const int folder = ::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return false;
  const bool ok =
      !name.empty() && publish(folder, name.c_str(), bytes.data(), bytes.size(), workbook_io::AccountFileMode());
  ::close(folder);
  return ok;
}

}  // namespace

bool ReplaceFile(const std::string& path, std::string_view bytes) {
  struct stat target {};
  if (::stat(path.c_str(), &target) == 0) {
    if (!S_ISREG(target.st_mode)) return false;
    // Renaming would replace a read-only file too (and root may write anything), so the
    // permission bits are honoured here.
    if ((target.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0) return false;
  }
  return InFolderOf(path, bytes, workbook_io::Replace);
}

bool CreateNewFile(const std::string& path, std::string_view bytes) {
  return InFolderOf(path, bytes, workbook_io::CreateNew);
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  return ::lstat(a.c_str(), &sa) == 0 && ::lstat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

}  // namespace workbook_file
