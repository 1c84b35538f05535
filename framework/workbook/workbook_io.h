#pragma once
// The workbook's file operations at the level of the C library, so that the small program that
// writes the shared workbook does exactly what the program does in an account's own folder and
// needs nothing else. Names are taken relative to an open folder; nothing here follows a link,
// opens anything but a regular file, or waits on anything without a bound.

#include <limits.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>

#include <cstddef>

namespace workbook_io {

// The largest workbook read or written; anything larger is left alone. (packaging/CMakeLists.txt
// reads the number on this line.)
inline constexpr size_t kMaxWorkbookBytes = 56u << 20;

// What reading or writing one workbook may cost in memory, counted as the allocator takes it:
// the file's bytes, the parsed document, the copies made from it and the bytes written back.
// This program's own workbooks cost at most kMemoryPerByte bytes for each byte of the file
// (bench/workbook_bench), so its largest one fits; a file that needs more is no workbook of its
// own, however it is made, and is moved aside.
inline constexpr size_t kMemoryPerByte = 15;
inline constexpr size_t kMemoryCeiling = kMemoryPerByte * kMaxWorkbookBytes;

// "it is larger than <the bound> MB".
extern const char* const kTooLarge;

// Entries moved aside kept at most: each may be as large as a workbook, so that moving one aside
// after another never fills the disk. (packaging/CMakeLists.txt reads the number on this line.)
inline constexpr int kKeptAside = 20;

// The folder, opened for the *at calls below; -1 when it is not a folder (a link is not
// followed).
int OpenFolder(const char* path);

// The lock file guarding a folder's workbook, made with exactly `mode` when missing; a holder
// is waited for at most `milliseconds`.
struct Lock {
  const char* name;
  mode_t mode;
  int milliseconds;
};

// Takes the lock; returns the descriptor that holds it (closing it unlocks), or -1 with errno
// EWOULDBLOCK when it stayed taken.
int LockWithin(int folder, const Lock& lock);

enum class Entry { kRegular, kMissing, kOther, kError };

// What is at the name in the folder, without following a link (kOther: a link, a FIFO, a
// device, a socket or a folder).
Entry Inspect(int folder, const char* name, struct stat* st);

// What was at a name when it was looked at; nothing there is a version too.
struct Version {
  mode_t type = 0;  // the S_IFMT bits; 0 when nothing was there
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec changed{}, modified{};
  bool operator==(const Version& other) const;
};

// Whether the entry at the name is still the version read; false too when it cannot be looked at.
bool Unchanged(int folder, const char* name, const Version& read);

enum class Found {
  kFile,        // a regular file, read whole
  kMissing,     // nothing there (anything else was first moved aside)
  kTooLarge,    // larger than kMaxWorkbookBytes, before or while it was read: left as it is
  kNoMemory,    // no memory for its bytes: left as it is
  kUnreadable,  // it cannot be looked at, opened or read (errno says why)
  kBusy,        // something else than a file is there, and the lock stayed taken
  kStuck,       // something else than a file is there and cannot be moved aside (errno)
};

// Why the workbook is left as it is (kTooLarge, kNoMemory, kUnreadable, kStuck): "it ...".
const char* Why(Found found);

// Storage for `capacity` bytes keeping the first ones already stored, as realloc does; null when
// there is no memory for them.
using Grow = char* (*)(void* storage, size_t capacity);

struct Reading {
  Reading(Grow grow, void* storage) : grow(grow), storage(storage) {}
  Grow grow;
  void* storage;
  size_t size = 0;                 // the bytes read into the storage
  Version version;                 // what the bytes are, or what was missing
  char aside[NAME_MAX + 1] = "";  // the name something else than a file was moved aside to
};

// Reads the workbook at the name without the lock: a regular file, never through a link, without
// blocking on a FIFO, never more than kMaxWorkbookBytes (checked before anything is allocated and
// again as it is read, as the file may grow meanwhile). Anything else at the name is moved aside
// under the lock, looked at again under it.
Found ReadWorkbook(int folder, const char* name, const Lock& lock, Reading* reading);

// Reads until the end of the file or until `capacity` bytes are in the buffer. The byte count,
// or -1 on an error.
ssize_t ReadUpTo(int fd, char* buffer, size_t capacity);

bool WriteAll(int fd, const void* bytes, size_t size);

// Under the lock: renames the entry (whatever it is: it is not followed) to an unused name beside
// it, "<name>.damaged", "<name>.damaged-2", ..., never replacing an existing entry, and keeps the
// newest kKeptAside entries moved aside (by change time, then name; this one always): older ones
// are removed, a folder only when empty. True with the new name in `aside` (`capacity` bytes).
bool MoveAside(int folder, const char* name, char* aside, size_t capacity);

// Writes the bytes to a new temporary file in the folder, with exactly `mode`, flushes it to the
// disk, renames it over the name and flushes the folder, so the name holds either its old or its
// new content at any moment. On failure the name is unchanged, no temporary file stays behind,
// and errno says why.
bool Replace(int folder, const char* name, const void* bytes, size_t size, mode_t mode);

// Like Replace, but only where nothing is at the name yet: an existing entry is never replaced
// (false, nothing written).
bool CreateNew(int folder, const char* name, const void* bytes, size_t size, mode_t mode);

// Whether the name is one Replace gives its temporary files (left behind only by a killed process).
bool IsTemporary(const char* name);

// The permission bits 0666 & ~umask, for a file the account makes in its own folders.
mode_t AccountFileMode();

}  // namespace workbook_io
