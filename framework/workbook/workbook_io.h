#pragma once
// The workbook's file operations at the level of the C library, so that the small program that
// writes the shared workbook does exactly what the program does in an account's own folder and
// needs nothing else. Names are taken relative to an open folder; nothing here follows a link,
// opens anything but a regular file, or waits on anything without a bound.

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>

namespace workbook_io {

inline constexpr size_t kMaxWorkbookBytes = 64u << 20;

// The folder, opened for the *at calls below; -1 when it is not a folder (a link is not
// followed).
int OpenFolder(const char* path);

// An exclusive lock on the lock file `name` in the folder, made with exactly `mode` when
// missing. Waits at most `milliseconds` for another holder; returns the descriptor that holds
// the lock (closing it unlocks), or -1 with errno EWOULDBLOCK when the lock stayed taken.
int LockWithin(int folder, const char* name, mode_t mode, int milliseconds);

enum class Entry { kRegular, kMissing, kOther, kError };

// What is at the name in the folder, without following a link (kOther: a link, a FIFO, a
// device, a socket or a folder).
Entry Inspect(int folder, const char* name, struct stat* st);

// Opens the regular file at the name for reading: never a link, and without blocking on a FIFO
// put there meanwhile. -1 (errno ELOOP, or EINVAL for anything else but a regular file) or the
// descriptor, with *st of the opened file.
int OpenRegular(int folder, const char* name, struct stat* st);

// Reads until the end of the file or until `capacity` bytes are in the buffer. The byte count,
// or -1 on an error.
ssize_t ReadUpTo(int fd, char* buffer, size_t capacity);

bool WriteAll(int fd, const void* bytes, size_t size);

// Renames the entry (whatever it is: it is not followed) to an unused name beside it,
// "<name>.damaged", "<name>.damaged-2", ... An existing entry is never replaced. True with the
// new name in `aside` (`capacity` bytes, NUL-terminated).
bool MoveAside(int folder, const char* name, char* aside, size_t capacity);

// Writes the bytes to a new temporary file in the folder (`folderPath` names the folder `folder`
// is open on), with exactly `mode`, flushes it to the disk, renames it over the name and flushes
// the folder, so the name holds either its old or its new content at any moment. On failure the
// name is unchanged and no temporary file stays behind.
bool Replace(const char* folderPath, int folder, const char* name, const void* bytes, size_t size, mode_t mode);

// Like Replace, but only where nothing is at the name yet: an existing entry is never replaced
// (false, nothing written).
bool CreateNew(const char* folderPath, int folder, const char* name, const void* bytes, size_t size, mode_t mode);

// The permission bits 0666 & ~umask, for a file the account makes in its own folders.
mode_t AccountFileMode();

}  // namespace workbook_io
