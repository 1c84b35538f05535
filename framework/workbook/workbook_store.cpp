#include "framework/workbook/workbook_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <new>

#include "framework/workbook/workbook_io.h"

namespace workbook_store {
namespace {

std::string Reason(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

char* GrowString(void* storage, size_t capacity) {
  auto* bytes = static_cast<std::string*>(storage);
  try {
    bytes->resize(capacity);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return bytes->data();
}

// A workbook in a folder of the account's own: the folder is reached as its path says (links
// the account made included), the workbook's own entry never through a link.
class Local final : public Store {
 public:
  Local(const std::string& path, int lockMilliseconds) : lockMilliseconds_(lockMilliseconds) {
    const auto slash = path.rfind('/');
    folderPath_ = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    name_ = slash == std::string::npos ? path : path.substr(slash + 1);
    lockName_ = name_ + ".lock";
  }
  ~Local() override { End(); }

  Status Read(std::string* bytes, std::string* movedAside, std::string* why) override {
    End();
    bytes->clear();
    movedAside->clear();
    if (name_.empty()) return Fail(Status::kFailed, "it has no file name", why);
    folder_ = ::open(folderPath_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_ < 0) return Fail(Status::kFailed, Reason("its folder cannot be opened"), why);
    workbook_io::Reading reading{GrowString, bytes};
    const workbook_io::Found found = workbook_io::ReadWorkbook(folder_, name_.c_str(), LockFile(), &reading);
    bytes->resize(reading.size);
    if (reading.aside[0] != '\0') *movedAside = folderPath_ + "/" + reading.aside;
    version_ = reading.version;
    if (found == workbook_io::Found::kFile) return Status::kRead;
    if (found == workbook_io::Found::kMissing) return Status::kMissing;
    const bool withErrno = found == workbook_io::Found::kUnreadable || found == workbook_io::Found::kStuck;
    std::string reason = withErrno ? Reason(workbook_io::Why(found)) : workbook_io::Why(found);
    bytes->shrink_to_fit();
    if (found == workbook_io::Found::kBusy) return Fail(Status::kBusy, Busy(), why);
    return Fail(Status::kRefused, std::move(reason), why);
  }

  Status MoveAside(std::string* aside, std::string* why) override {
    if (folder_ < 0 || version_.type != S_IFREG) return Fail(Status::kFailed, "no workbook was read", why);
    if (const Status status = Lock(why); status != Status::kDone) return status;
    char name[NAME_MAX + 1];
    const bool moved = workbook_io::MoveAside(folder_, name_.c_str(), name, sizeof name);
    if (!moved) return Fail(Status::kFailed, Reason("it cannot be moved aside"), why);
    ::close(lock_);
    lock_ = -1;
    *aside = folderPath_ + "/" + name;
    version_ = {};
    return Status::kDone;
  }

  Status Commit(std::string_view bytes, std::string* why) override {
    if (folder_ < 0) return Fail(Status::kFailed, "it was not read first", why);
    if (bytes.size() > workbook_io::kMaxWorkbookBytes) return Fail(Status::kRefused, workbook_io::kTooLarge, why);
    if (const Status status = Lock(why); status != Status::kDone) return status;
    // Renaming would replace a read-only file too (and root may write anything): a teacher who
    // made the workbook read-only keeps it so. Who may replace it otherwise is the folder's say.
    struct stat st {};
    if (workbook_io::Inspect(folder_, name_.c_str(), &st) == workbook_io::Entry::kRegular && (st.st_mode & 0222) == 0) {
      return Fail(Status::kRefused, "it is read-only", why);
    }
    if (!workbook_io::Replace(folder_, name_.c_str(), bytes.data(), bytes.size(), workbook_io::AccountFileMode())) {
      return Fail(Status::kFailed, Reason("it cannot be replaced"), why);
    }
    End();
    return Status::kDone;
  }

  void End() override {
    if (lock_ >= 0) ::close(lock_);
    if (folder_ >= 0) ::close(folder_);
    lock_ = folder_ = -1;
  }

 private:
  workbook_io::Lock LockFile() const {
    return {lockName_.c_str(), workbook_io::AccountFileMode(), lockMilliseconds_};
  }

  std::string Busy() const {
    return "another session kept it locked for " + std::to_string(lockMilliseconds_) + " ms";
  }

  // The lock for one write, taken only if the workbook is still the version read; else the
  // transaction has ended.
  Status Lock(std::string* why) {
    lock_ = workbook_io::LockWithin(folder_, LockFile());
    if (lock_ < 0) {
      if (errno == EWOULDBLOCK) return Fail(Status::kBusy, Busy(), why);
      return Fail(Status::kFailed, Reason("its lock file cannot be opened"), why);
    }
    if (!workbook_io::Unchanged(folder_, name_.c_str(), version_)) {
      return Fail(Status::kChanged, "another session saved it since it was read", why);
    }
    return Status::kDone;
  }

  Status Fail(Status status, std::string reason, std::string* why) {
    const int error = errno;
    End();
    *why = std::move(reason);
    errno = error;
    return status;
  }

  std::string folderPath_;
  std::string name_;
  std::string lockName_;
  int lockMilliseconds_;
  int folder_ = -1;
  int lock_ = -1;
  workbook_io::Version version_;
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
