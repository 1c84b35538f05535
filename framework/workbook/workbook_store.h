#pragma once
// Where the workbook's own file is kept, and how a save reaches it without losing what another
// session wrote meanwhile: a save takes the store's lock, reads what is there now, adds this
// session's rows to it and writes the result before the lock goes. Paths are UTF-8.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace workbook_store {

// The largest workbook read or written. A school's year of 100 pupils with 200 runs each (the
// eleven rows a run writes, names long enough to need owner records) measured 31.8 MB, and
// opening and saving it took 3 s; four times that leaves room for a heavier year. Anything
// larger was not written by this program and is left alone: a DOM holds many times the file's
// size in memory, so the bound also keeps a file from taking all of it.
inline constexpr size_t kMaxWorkbookBytes = 128u << 20;

// How long a save waits for another session's save to end.
inline constexpr int kLockMilliseconds = 5000;

enum class Status {
  kRead,     // the bytes are the workbook as it is now
  kMissing,  // no workbook there yet (anything but a regular file was first moved aside)
  kRefused,  // something is there that must be left as it is: too large, unreadable
  kBusy,     // another session held the lock past the bound
  kFailed,   // the store cannot be reached at all
};

class Store {
 public:
  virtual ~Store() = default;  // ends a transaction still open, without writing

  // Takes the lock (waiting at most kLockMilliseconds) and reads the workbook. Anything but a
  // regular file at the path is moved aside first, the entry itself and never what it points
  // to, its new path in *movedAside. Outside kRead and kMissing the transaction has ended and
  // *why says what happened, for the line on standard error.
  virtual Status Begin(std::string* bytes, std::string* movedAside, std::string* why) = 0;

  // Within a transaction: moves the file that was read aside as damaged. Its new path, or "".
  virtual std::string MoveAside() = 0;

  // Within a transaction: replaces the workbook with the bytes (atomically, flushed to the
  // disk), then ends the transaction. False, with *why, when the workbook is unchanged.
  virtual bool Commit(std::string_view bytes, std::string* why) = 0;

  // Ends the transaction without writing.
  virtual void End() = 0;
};

// The file at the path, locked through a lock file beside it; new files get 0666 & ~umask.
std::unique_ptr<Store> LocalStore(const std::string& path, int lockMilliseconds = kLockMilliseconds);

// The installed shared folder's workbook, reached through the program that alone may write it;
// null when the path is not that workbook.
std::unique_ptr<Store> SharedStore(const std::string& path);

// SharedStore where it applies, else LocalStore (waiting at most lockMilliseconds for its lock).
std::unique_ptr<Store> ForPath(const std::string& path, int lockMilliseconds = kLockMilliseconds);

}  // namespace workbook_store
