#include "framework/workbook/workbook_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>

#include "framework/workbook/workbook_io.h"

namespace workbook_file {
namespace {

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Like rename, but fails with EEXIST instead of replacing an existing target.
bool RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // The file system cannot rename without replacing: a hard link fails on an existing name too.
  if (::link(from.c_str(), to.c_str()) != 0) return false;
  ::unlink(from.c_str());
  return true;
}

// Creates the temporary file with 0666 & ~umask, the mode the file then keeps: never bits taken
// from a file it replaces, which another account may have set. The process id keeps forked
// processes, which share the generator's state, apart.
int CreateTemporary(const std::string& folder, std::string* tempPath) {
  static std::mt19937 random{std::random_device{}()};
  for (int attempt = 0; attempt < 32; ++attempt) {
    char name[48];
    std::snprintf(name, sizeof name, "/.workbook-%d-%08x.tmp", static_cast<int>(::getpid()),
                  static_cast<unsigned>(random()));
    *tempPath = folder + name;
    const int fd = ::open(tempPath->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Writes the bytes to a new temporary file beside `path`, flushed to the disk, and hands it to
// `publish`, which gives it the target's name; the temporary file never stays behind.
template <typename Publish>
bool WriteThenPublish(const std::string& path, std::string_view bytes, Publish publish) {
  std::string tempPath;
  const int fd = CreateTemporary(FolderOf(path), &tempPath);
  if (fd < 0) return false;
  bool ok = workbook_io::WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && publish(tempPath);
  if (!ok) {
    ::unlink(tempPath.c_str());
    return false;
  }
  SyncFolder(FolderOf(path));
  return true;
}

}  // namespace

bool ReplaceFile(const std::string& path, std::string_view bytes) {
  struct stat target {};
  const bool exists = ::stat(path.c_str(), &target) == 0;
  if (exists) {
    if (!S_ISREG(target.st_mode)) return false;
    // Renaming would replace a read-only file too (and root may write anything), so the
    // permission bits are honoured here.
    if ((target.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0) return false;
  }
  return WriteThenPublish(path, bytes, [&](const std::string& temp) { return ::rename(temp.c_str(), path.c_str()) == 0; });
}

bool CreateNewFile(const std::string& path, std::string_view bytes) {
  return WriteThenPublish(path, bytes, [&](const std::string& temp) { return RenameNoReplace(temp, path); });
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  return ::lstat(a.c_str(), &sa) == 0 && ::lstat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

}  // namespace workbook_file
