#pragma once
// Where the workbook's own file is kept, and how a save reaches it without losing what another
// session wrote meanwhile: a save reads what is there now (without waiting for anyone), adds this
// session's rows to it and commits the result only if nobody replaced the workbook since it was
// read; otherwise it reads and merges again. The lock covers the write alone. Paths are UTF-8.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace workbook_store {

// How long a commit waits for another session's write to end.
inline constexpr int kLockMilliseconds = 5000;

enum class Status {
  kRead,     // the bytes are the workbook as it is now
  kMissing,  // no workbook there yet (anything but a regular file was first moved aside)
  kDone,     // moved aside, or written
  kChanged,  // another session replaced the workbook since it was read: read it again
  kRefused,  // something is there that must be left as it is: too large, unreadable
  kBusy,     // another session held the lock past the bound
  kFailed,   // the store cannot be reached at all
};

// One transaction: Read, then MoveAside and/or Commit, then End (or destruction).
class Store {
 public:
  virtual ~Store() = default;  // ends a transaction still open, without writing

  // Reads the workbook as it is now, without waiting for another session. Anything but a
  // regular file at the path is moved aside first, the entry itself and never what it points
  // to, its new path in *movedAside. kRead or kMissing; otherwise the transaction has ended and
  // *why says what happened, for the line on standard error.
  virtual Status Read(std::string* bytes, std::string* movedAside, std::string* why) = 0;

  // After kRead: moves the file that was read aside as damaged, unless another session has
  // replaced it since (kChanged, nothing moved). kDone with its new path in *aside; the
  // transaction then goes on as if kMissing had been read. Only the newest files moved aside
  // are kept.
  virtual Status MoveAside(std::string* aside, std::string* why) = 0;

  // Replaces the workbook with the bytes (atomically, flushed to the disk) unless another
  // session changed it since it was read (kChanged), waiting at most kLockMilliseconds for
  // another session's write. kDone, or another status with *why when the workbook is
  // unchanged. Ends the transaction.
  virtual Status Commit(std::string_view bytes, std::string* why) = 0;

  // Ends the transaction without writing.
  virtual void End() = 0;
};

// The file at the path, its writes locked through a lock file beside it; new files get
// 0666 & ~umask.
std::unique_ptr<Store> LocalStore(const std::string& path, int lockMilliseconds = kLockMilliseconds);

// The installed shared folder's workbook, reached through the program that alone may write it;
// null when the path is not that workbook.
std::unique_ptr<Store> SharedStore(const std::string& path);

// SharedStore where it applies, else LocalStore (waiting at most lockMilliseconds for its lock).
std::unique_ptr<Store> ForPath(const std::string& path, int lockMilliseconds = kLockMilliseconds);

}  // namespace workbook_store
