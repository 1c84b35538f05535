#include "framework/workbook/workbook_io.h"

#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/file.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

namespace workbook_io {
namespace {

long long MonotonicMilliseconds() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace

int OpenFolder(const char* path) {
  return ::open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

int LockWithin(int folder, const char* name, mode_t mode, int milliseconds) {
  // Read-only is enough for flock: a lock file another account made (root, say, in a run of its
  // own) stays usable.
  const int fd = ::openat(folder, name, O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, mode);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    errno = EINVAL;
    return -1;
  }
  // The umask narrowed a new lock file: its mode is the caller's to choose.
  if (st.st_uid == ::geteuid() && (st.st_mode & 07777) != mode) ::fchmod(fd, mode);
  // Polled rather than blocked in flock, so that the wait has a bound.
  const long long deadline = MonotonicMilliseconds() + milliseconds;
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return fd;
    if (errno != EWOULDBLOCK && errno != EINTR) break;
    if (MonotonicMilliseconds() >= deadline) {
      errno = EWOULDBLOCK;
      break;
    }
    const timespec pause{0, 20 * 1000 * 1000};
    ::nanosleep(&pause, nullptr);
  }
  const int error = errno;
  ::close(fd);
  errno = error;
  return -1;
}

Entry Inspect(int folder, const char* name, struct stat* st) {
  if (::fstatat(folder, name, st, AT_SYMLINK_NOFOLLOW) != 0) {
    return errno == ENOENT ? Entry::kMissing : Entry::kError;
  }
  return S_ISREG(st->st_mode) ? Entry::kRegular : Entry::kOther;
}

int OpenRegular(int folder, const char* name, struct stat* st) {
  // Looked at before it is opened: opening a device may do something of its own.
  struct stat before {};
  const Entry entry = Inspect(folder, name, &before);
  if (entry != Entry::kRegular) {
    if (entry == Entry::kOther) errno = S_ISLNK(before.st_mode) ? ELOOP : EINVAL;
    return -1;
  }
  const int fd = ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return -1;
  if (::fstat(fd, st) != 0 || !S_ISREG(st->st_mode)) {
    ::close(fd);
    errno = EINVAL;
    return -1;
  }
  return fd;
}

ssize_t ReadUpTo(int fd, char* buffer, size_t capacity) {
  size_t total = 0;
  while (total < capacity) {
    const ssize_t n = ::read(fd, buffer + total, capacity - total);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    total += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(total);
}

bool WriteAll(int fd, const void* bytes, size_t size) {
  const char* next = static_cast<const char*>(bytes);
  while (size > 0) {
    const ssize_t n = ::write(fd, next, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    next += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

namespace {

// Like renameat, but fails with EEXIST instead of replacing an existing entry.
bool RenameNoReplace(int fromFolder, const char* from, int toFolder, const char* to) {
  if (::renameat2(fromFolder, from, toFolder, to, RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system that cannot rename without replacing: a hard link (of the entry itself, never
  // of a link's target) fails on an existing name too.
  if (::linkat(fromFolder, from, toFolder, to, 0) != 0) return false;
  ::unlinkat(fromFolder, from, 0);
  return true;
}

bool Publish(const char* folderPath, int folder, const char* name, const void* bytes, size_t size, mode_t mode,
             bool replace) {
  char temp[PATH_MAX];
  const int length = ::snprintf(temp, sizeof temp, "%s/.workbook-XXXXXX", folderPath);
  if (length < 0 || static_cast<size_t>(length) >= sizeof temp) return false;
  const int fd = ::mkostemp(temp, O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes, size) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && (replace ? ::renameat(AT_FDCWD, temp, folder, name) == 0 : RenameNoReplace(AT_FDCWD, temp, folder, name));
  if (!ok) {
    ::unlink(temp);
    return false;
  }
  ::fsync(folder);
  return true;
}

}  // namespace

bool MoveAside(int folder, const char* name, char* aside, size_t capacity) {
  for (int n = 1; n <= 1000; ++n) {
    const int length = n == 1 ? ::snprintf(aside, capacity, "%s.damaged", name)
                              : ::snprintf(aside, capacity, "%s.damaged-%d", name, n);
    if (length < 0 || static_cast<size_t>(length) >= capacity) return false;
    if (RenameNoReplace(folder, name, folder, aside)) return true;
    if (errno != EEXIST) return false;
  }
  return false;
}

bool Replace(const char* folderPath, int folder, const char* name, const void* bytes, size_t size, mode_t mode) {
  return Publish(folderPath, folder, name, bytes, size, mode, true);
}

bool CreateNew(const char* folderPath, int folder, const char* name, const void* bytes, size_t size, mode_t mode) {
  return Publish(folderPath, folder, name, bytes, size, mode, false);
}

mode_t AccountFileMode() {
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace workbook_io
