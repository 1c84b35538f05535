#include "framework/workbook/workbook_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <new>

#include "framework/workbook/workbook_io.h"

namespace workbook_store {
namespace {

std::string Reason(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

// A workbook in a folder of the account's own: the folder is reached as its path says (links
// the account made included), the workbook's own entry never through a link.
class Local final : public Store {
 public:
  Local(const std::string& path, int lockMilliseconds) : lockMilliseconds_(lockMilliseconds) {
    const auto slash = path.rfind('/');
    folderPath_ = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    name_ = slash == std::string::npos ? path : path.substr(slash + 1);
  }
  ~Local() override { End(); }

  Status Read(std::string* bytes, std::string* movedAside, std::string* why) override {
    End();
    bytes->clear();
    movedAside->clear();
    if (name_.empty()) return Fail(Status::kFailed, "it has no file name", why);
    folder_ = ::open(folderPath_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_ < 0) return Fail(Status::kFailed, Reason("its folder cannot be opened"), why);
    lock_ = workbook_io::LockWithin(folder_, (name_ + ".lock").c_str(), workbook_io::AccountFileMode(),
                                    lockMilliseconds_);
    if (lock_ < 0) {
      if (errno == EWOULDBLOCK) {
        return Fail(Status::kBusy, "another session kept it locked for " + std::to_string(lockMilliseconds_) + " ms",
                    why);
      }
      return Fail(Status::kFailed, Reason("its lock file cannot be opened"), why);
    }
    struct stat st {};
    const int fd = workbook_io::OpenRegular(folder_, name_.c_str(), &st);
    if (fd < 0) {
      if (errno == ENOENT) return Status::kMissing;
      if (errno != ELOOP && errno != EINVAL) return Fail(Status::kRefused, Reason("it cannot be opened"), why);
      // A link, a FIFO, a device, a folder: not what this program writes.
      *movedAside = MoveAside();
      if (movedAside->empty()) return Fail(Status::kRefused, Reason("it is not a file and cannot be moved aside"), why);
      return Status::kMissing;
    }
    const Status status = ReadAll(fd, st, bytes, why);
    ::close(fd);
    return status;
  }

  Status MoveAside(std::string* moved, std::string* why) override {
    *moved = MoveAside();
    if (moved->empty()) return Fail(Status::kFailed, "it cannot be moved aside", why);
    return Status::kDone;
  }

  Status Commit(std::string_view bytes, std::string* why) override {
    return CommitOld(bytes, why) ? Status::kDone : Status::kFailed;
  }

  std::string MoveAside() {
    char aside[NAME_MAX + 1];
    if (folder_ < 0 || !workbook_io::MoveAside(folder_, name_.c_str(), aside, sizeof aside)) return {};
    return folderPath_ + "/" + aside;
  }

  bool CommitOld(std::string_view bytes, std::string* why) {
    if (lock_ < 0) return Fail(false, "no save was begun", why);
    if (bytes.size() > workbook_io::kMaxWorkbookBytes) {
      return Fail(false, "it would be larger than " + std::to_string(workbook_io::kMaxWorkbookBytes >> 20) + " MB", why);
    }
    // Renaming would replace a read-only file too (and root may write anything): a teacher who
    // made the workbook read-only keeps it so. Who may replace it otherwise is the folder's say.
    struct stat st {};
    if (workbook_io::Inspect(folder_, name_.c_str(), &st) == workbook_io::Entry::kRegular && (st.st_mode & 0222) == 0) {
      return Fail(false, "it is read-only", why);
    }
    if (!workbook_io::Replace(folderPath_.c_str(), folder_, name_.c_str(), bytes.data(), bytes.size(),
                              workbook_io::AccountFileMode())) {
      return Fail(false, Reason("it cannot be replaced"), why);
    }
    End();
    return true;
  }

  void End() override {
    if (lock_ >= 0) ::close(lock_);
    if (folder_ >= 0) ::close(folder_);
    lock_ = folder_ = -1;
  }

 private:
  template <typename Result>
  Result Fail(Result result, std::string reason, std::string* why) {
    const int error = errno;
    End();
    *why = std::move(reason);
    errno = error;
    return result;
  }

  // The whole file, never more than the bound; the size is checked before anything is
  // allocated, and again as it is read, since the file may grow meanwhile.
  Status ReadAll(int fd, const struct stat& st, std::string* bytes, std::string* why) {
    const auto tooLarge = [&] {
      bytes->clear();
      return Fail(Status::kRefused, "it is larger than " + std::to_string(workbook_io::kMaxWorkbookBytes >> 20) + " MB", why);
    };
    if (static_cast<unsigned long long>(st.st_size) > workbook_io::kMaxWorkbookBytes) return tooLarge();
    size_t size = 0;
    try {
      for (size_t capacity = static_cast<size_t>(st.st_size) + 1;; capacity = std::min(capacity * 2, workbook_io::kMaxWorkbookBytes + 1)) {
        bytes->resize(capacity);
        const ssize_t n = workbook_io::ReadUpTo(fd, bytes->data() + size, capacity - size);
        if (n < 0) {
          bytes->clear();
          return Fail(Status::kRefused, Reason("it cannot be read"), why);
        }
        size += static_cast<size_t>(n);
        if (size < capacity) break;
        if (size > workbook_io::kMaxWorkbookBytes) return tooLarge();
      }
    } catch (const std::bad_alloc&) {
      bytes->clear();
      bytes->shrink_to_fit();
      return Fail(Status::kRefused, "there is not enough memory to read it", why);
    }
    bytes->resize(size);
    return Status::kRead;
  }

  std::string folderPath_;
  std::string name_;
  int lockMilliseconds_;
  int folder_ = -1;
  int lock_ = -1;
};

}  // namespace

std::unique_ptr<Store> LocalStore(const std::string& path, int lockMilliseconds) {
  return std::make_unique<Local>(path, lockMilliseconds);
}

std::unique_ptr<Store> ForPath(const std::string& path, int lockMilliseconds) {
  if (auto shared = SharedStore(path)) return shared;
  return LocalStore(path, lockMilliseconds);
}

}  // namespace workbook_store
