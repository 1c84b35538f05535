#include "framework/workbook/workbook_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/file.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>

namespace workbook_io {
namespace {

// kTooLarge's text, made while compiling: the writer has no string library to make it with.
struct Text {
  char chars[64] = {};
};

constexpr Text TooLargeText() {
  Text text;
  size_t at = 0;
  for (const char* c = "it is larger than "; *c; ++c) text.chars[at++] = *c;
  char digits[20] = {};
  int count = 0;
  for (size_t megabytes = kMaxWorkbookBytes >> 20; count == 0 || megabytes > 0; megabytes /= 10) {
    digits[count++] = static_cast<char>('0' + megabytes % 10);
  }
  while (count > 0) text.chars[at++] = digits[--count];
  for (const char* c = " MB"; *c; ++c) text.chars[at++] = *c;
  return text;
}

constexpr Text kTooLargeText = TooLargeText();

constexpr char kTemporaryPrefix[] = ".workbook-";
constexpr size_t kTemporaryLetters = 6;

long long MonotonicMilliseconds() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Closes the descriptor, keeping errno.
void CloseQuietly(int fd) {
  const int error = errno;
  ::close(fd);
  errno = error;
}

Version VersionOf(const struct stat& st) {
  return {st.st_mode & S_IFMT, st.st_dev, st.st_ino, st.st_size, st.st_ctim, st.st_mtim};
}

// ReadWorkbook's read alone; *notAFile (with kMissing) when something else is at the name.
Found ReadFile(int folder, const char* name, Reading* reading, bool* notAFile) {
  reading->size = 0;
  reading->version = {};
  *notAFile = false;
  // Looked at before it is opened: opening a device may do something of its own.
  struct stat st {};
  switch (Inspect(folder, name, &st)) {
    case Entry::kMissing:
      return Found::kMissing;
    case Entry::kError:
      return Found::kUnreadable;
    case Entry::kOther:
      *notAFile = true;
      return Found::kMissing;
    case Entry::kRegular:
      break;
  }
  const int fd = ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    // Replaced meanwhile.
    *notAFile = errno == ELOOP;
    return errno == ENOENT || errno == ELOOP ? Found::kMissing : Found::kUnreadable;
  }
  const auto end = [fd](Found found) {
    CloseQuietly(fd);
    return found;
  };
  if (::fstat(fd, &st) != 0) return end(Found::kUnreadable);
  if (!S_ISREG(st.st_mode)) {
    *notAFile = true;
    return end(Found::kMissing);
  }
  reading->version = VersionOf(st);
  if (static_cast<unsigned long long>(st.st_size) > kMaxWorkbookBytes) return end(Found::kTooLarge);
  size_t size = 0;
  for (size_t capacity = static_cast<size_t>(st.st_size) + 1;;) {
    char* bytes = reading->grow(reading->storage, capacity);
    if (!bytes) return end(Found::kNoMemory);
    const ssize_t n = ReadUpTo(fd, bytes + size, capacity - size);
    if (n < 0) return end(Found::kUnreadable);
    size += static_cast<size_t>(n);
    if (size < capacity) break;
    if (size > kMaxWorkbookBytes) return end(Found::kTooLarge);
    capacity = capacity * 2 < kMaxWorkbookBytes + 1 ? capacity * 2 : kMaxWorkbookBytes + 1;
  }
  reading->size = size;
  return end(Found::kFile);
}

// "<name>.damaged" or "<name>.damaged-<digits>".
bool IsAside(const char* entry, const char* name) {
  const size_t length = ::strlen(name);
  if (::strncmp(entry, name, length) != 0 || ::strncmp(entry + length, ".damaged", 8) != 0) return false;
  const char* number = entry + length + 8;
  if (*number == '\0') return true;
  if (*number++ != '-' || *number == '\0') return false;
  return ::strspn(number, "0123456789") == ::strlen(number);
}

struct Aside {
  timespec changed;
  char name[NAME_MAX + 1];
};

bool NewerThan(const Aside& a, const Aside& b) {
  if (a.changed.tv_sec != b.changed.tv_sec) return a.changed.tv_sec > b.changed.tv_sec;
  if (a.changed.tv_nsec != b.changed.tv_nsec) return a.changed.tv_nsec > b.changed.tv_nsec;
  return ::strcmp(a.name, b.name) > 0;
}

// The next of `name`'s entries moved aside in the listing, but `kept`; false at its end.
bool NextAside(DIR* dir, int folder, const char* name, const char* kept, Aside* aside, struct stat* st) {
  while (const dirent* entry = ::readdir(dir)) {
    if (!IsAside(entry->d_name, name) || ::strcmp(entry->d_name, kept) == 0 ||
        ::fstatat(folder, entry->d_name, st, AT_SYMLINK_NOFOLLOW) != 0) {
      continue;
    }
    aside->changed = st->st_ctim;
    ::snprintf(aside->name, sizeof aside->name, "%s", entry->d_name);
    return true;
  }
  return false;
}

// Removes all but the newest kKeptAside entries moved aside, `kept` (the newest) among those kept:
// the others' newest are found first, then the older ones removed.
void DropOldAsides(int folder, const char* name, const char* kept) {
  const int listing = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* dir = listing < 0 ? nullptr : ::fdopendir(listing);
  if (!dir) {
    if (listing >= 0) ::close(listing);
    return;
  }
  constexpr int kOthers = kKeptAside - 1;
  Aside newest[kOthers];
  int count = 0;
  Aside aside;
  struct stat st {};
  while (NextAside(dir, folder, name, kept, &aside, &st)) {
    if (count < kOthers) {
      newest[count++] = aside;
    } else if (NewerThan(aside, newest[kOthers - 1])) {
      newest[kOthers - 1] = aside;
    } else {
      continue;
    }
    for (int i = count - 1; i > 0 && NewerThan(newest[i], newest[i - 1]); --i) {
      const Aside later = newest[i];
      newest[i] = newest[i - 1];
      newest[i - 1] = later;
    }
  }
  ::rewinddir(dir);
  while (count == kOthers && NextAside(dir, folder, name, kept, &aside, &st)) {
    // Never recursive: a folder may be an account's own data.
    if (NewerThan(newest[kOthers - 1], aside)) ::unlinkat(folder, aside.name, S_ISDIR(st.st_mode) ? AT_REMOVEDIR : 0);
  }
  ::closedir(dir);
}

// Like renameat, but fails with EEXIST instead of replacing an existing entry.
bool RenameNoReplace(int folder, const char* from, const char* to) {
  if (::renameat2(folder, from, folder, to, RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system that cannot rename without replacing: a hard link (of the entry itself, never
  // of a link's target) fails on an existing name too.
  if (::linkat(folder, from, folder, to, 0) != 0) return false;
  ::unlinkat(folder, from, 0);
  return true;
}

// A new temporary file in the folder, its name in `temp`; -1 when none can be made.
int CreateTemporary(int folder, char* temp, mode_t mode) {
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    unsigned long long bits = 0;
    if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) != sizeof bits) {
      // No entropy yet, early at boot: the name need only be unused, which O_EXCL checks.
      timespec now{};
      ::clock_gettime(CLOCK_REALTIME, &now);
      bits = static_cast<unsigned long long>(now.tv_nsec) * 2654435761u ^ static_cast<unsigned>(::getpid()) ^ attempt;
    }
    ::memcpy(temp, kTemporaryPrefix, sizeof kTemporaryPrefix - 1);
    for (size_t i = 0; i < kTemporaryLetters; ++i, bits /= sizeof kLetters - 1) {
      temp[sizeof kTemporaryPrefix - 1 + i] = kLetters[bits % (sizeof kLetters - 1)];
    }
    temp[sizeof kTemporaryPrefix - 1 + kTemporaryLetters] = '\0';
    const int fd = ::openat(folder, temp, O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool Publish(int folder, const char* name, const void* bytes, size_t size, mode_t mode, bool replace) {
  char temp[sizeof kTemporaryPrefix + kTemporaryLetters];
  const int fd = CreateTemporary(folder, temp, mode);
  if (fd < 0) return false;
  // The umask narrowed it: its mode is the caller's to choose.
  bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes, size) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && (replace ? ::renameat(folder, temp, folder, name) == 0 : RenameNoReplace(folder, temp, name));
  if (!ok) {
    const int error = errno;
    ::unlinkat(folder, temp, 0);
    errno = error;
    return false;
  }
  ::fsync(folder);
  return true;
}

}  // namespace

const char* const kTooLarge = kTooLargeText.chars;

int OpenFolder(const char* path) {
  return ::open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

int LockWithin(int folder, const Lock& lock) {
  // Read-only is enough for flock: a lock file another account made (root, say, in a run of its
  // own) stays usable.
  const int fd = ::openat(folder, lock.name, O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY,
                          lock.mode);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    errno = EINVAL;
    return -1;
  }
  // The umask narrowed a new lock file: its mode is the caller's to choose.
  if (st.st_uid == ::geteuid() && (st.st_mode & 07777) != lock.mode) ::fchmod(fd, lock.mode);
  // Polled rather than blocked in flock, so that the wait has a bound.
  const long long deadline = MonotonicMilliseconds() + lock.milliseconds;
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
  CloseQuietly(fd);
  return -1;
}

Entry Inspect(int folder, const char* name, struct stat* st) {
  if (::fstatat(folder, name, st, AT_SYMLINK_NOFOLLOW) != 0) {
    return errno == ENOENT ? Entry::kMissing : Entry::kError;
  }
  return S_ISREG(st->st_mode) ? Entry::kRegular : Entry::kOther;
}

bool Version::operator==(const Version& other) const {
  return type == other.type && device == other.device && inode == other.inode && size == other.size &&
         changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec &&
         modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

bool Unchanged(int folder, const char* name, const Version& read) {
  struct stat st {};
  const Entry entry = Inspect(folder, name, &st);
  if (entry == Entry::kError) return false;
  return (entry == Entry::kMissing ? Version{} : VersionOf(st)) == read;
}

const char* Why(Found found) {
  switch (found) {
    case Found::kFile:
    case Found::kMissing:
    case Found::kBusy:
      break;
    case Found::kTooLarge:
      return kTooLarge;
    case Found::kNoMemory:
      return "there is not enough memory to read it";
    case Found::kUnreadable:
      return "it cannot be read";
    case Found::kStuck:
      return "something else than a file is in its place and cannot be moved aside";
  }
  return "";
}

Found ReadWorkbook(int folder, const char* name, const Lock& lock, Reading* reading) {
  reading->aside[0] = '\0';
  bool notAFile = false;
  Found found = ReadFile(folder, name, reading, &notAFile);
  if (!notAFile) return found;
  const int held = LockWithin(folder, lock);
  if (held < 0) return errno == EWOULDBLOCK ? Found::kBusy : Found::kStuck;
  found = ReadFile(folder, name, reading, &notAFile);
  if (notAFile && !MoveAside(folder, name, reading->aside, sizeof reading->aside)) found = Found::kStuck;
  CloseQuietly(held);
  return found;
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

bool MoveAside(int folder, const char* name, char* aside, size_t capacity) {
  for (int n = 1; n <= 1000; ++n) {
    const int length = n == 1 ? ::snprintf(aside, capacity, "%s.damaged", name)
                              : ::snprintf(aside, capacity, "%s.damaged-%d", name, n);
    if (length < 0 || static_cast<size_t>(length) >= capacity) return false;
    if (RenameNoReplace(folder, name, aside)) {
      DropOldAsides(folder, name, aside);
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

bool Replace(int folder, const char* name, const void* bytes, size_t size, mode_t mode) {
  return Publish(folder, name, bytes, size, mode, true);
}

bool CreateNew(int folder, const char* name, const void* bytes, size_t size, mode_t mode) {
  return Publish(folder, name, bytes, size, mode, false);
}

bool IsTemporary(const char* name) {
  return ::strncmp(name, kTemporaryPrefix, sizeof kTemporaryPrefix - 1) == 0 &&
         ::strlen(name) == sizeof kTemporaryPrefix - 1 + kTemporaryLetters;
}

mode_t AccountFileMode() {
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace workbook_io
