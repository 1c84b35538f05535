// The shared folder's workbook, which only the package's writer program may change: each
// transaction is one run of that program, which holds the folder's lock from the moment it has
// read the workbook until it has written the new one or ended (writer/workbook_writer.cpp has
// the exchange). The program itself stays an ordinary process of the account.

#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "framework/platform/shared_workbook.h"
#include "framework/workbook/workbook_io.h"
#include "framework/workbook/workbook_store.h"

namespace workbook_store {
namespace {

class WriterStore : public Store {
 public:
  WriterStore(std::string program, std::string folder) : program_(std::move(program)), folder_(std::move(folder)) {}
  ~WriterStore() override { End(); }

  Status Read(std::string* bytes, std::string* movedAside, std::string* why) override {
    End();
    if (!Start(why)) return Status::kFailed;
    std::string line;
    if (!ReadLine(&line)) {
      return Ended(Status::kFailed, why, "the workbook writer " + program_ + " ended without answering");
    }
    if (line == "missing") return Status::kMissing;
    if (line.starts_with("missing ")) {
      *movedAside = folder_ + line.substr(8);
      return Status::kMissing;
    }
    if (line.starts_with("read ")) {
      const size_t size = std::strtoull(line.c_str() + 5, nullptr, 10);
      bytes->resize(size <= workbook_io::kMaxWorkbookBytes ? size : 0);
      if (size <= workbook_io::kMaxWorkbookBytes && ReadExactly(bytes->data(), size)) return Status::kRead;
      return Ended(Status::kFailed, why, "the workbook writer's answer was cut short");
    }
    if (line == "busy") {
      return Ended(Status::kBusy, why, "another session kept the shared workbook locked for " +
                                           std::to_string(kLockMilliseconds / 1000) + " s");
    }
    if (line.starts_with("refused ")) return Ended(Status::kRefused, why, line.substr(8));
    return Ended(Status::kFailed, why,
                 line.starts_with("failed ") ? line.substr(7) : "the workbook writer answered " + line);
  }

  Status MoveAside(std::string* moved, std::string* why) override {
    std::string line;
    if (fd_ >= 0 && Send("aside\n") && ReadLine(&line) && line.starts_with("aside ")) {
      *moved = folder_ + line.substr(6);
      return Status::kDone;
    }
    End();
    *why = "cannot be moved aside";
    return Status::kFailed;
  }

  Status Commit(std::string_view bytes, std::string* why) override { return CommitOld(bytes, why) ? Status::kDone : Status::kFailed; }

  bool CommitOld(std::string_view bytes, std::string* why) {
    std::string line;
    bool ok = false;
    if (fd_ < 0) {
      *why = "the shared workbook was not read first";
    } else if (bytes.empty() || bytes.size() > workbook_io::kMaxWorkbookBytes) {
      *why = "the workbook would be empty or larger than " + std::to_string(workbook_io::kMaxWorkbookBytes >> 20) + " MB";
    } else {
      ok = Send("replace " + std::to_string(bytes.size()) + "\n") && Send(bytes) && ::shutdown(fd_, SHUT_WR) == 0 &&
           ReadLine(&line) && line == "ok";
      if (!ok) *why = line.starts_with("failed ") ? line.substr(7) : "the workbook writer did not confirm the save";
    }
    End();
    return ok;
  }

  void End() override {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    while (pid_ > 0 && ::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
  }

 private:
  // One socket as the program's standard input and output: a send to a program that has ended
  // fails instead of raising SIGPIPE, and shutting down our side ends its input.
  bool Start(std::string* why) {
    // The writer's own user owns the writer: were it ever taken over, it could rewrite the
    // program and come back as whoever runs it next. The administrator never runs it.
    if (::getuid() == 0 || ::geteuid() == 0) {
      *why = "the administrator's account does not run the workbook writer";
      return false;
    }
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
      *why = std::string("no socket for the workbook writer: ") + std::strerror(errno);
      return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], 0);
    posix_spawn_file_actions_adddup2(&actions, ends[1], 1);
    char* argv[] = {program_.data(), nullptr};
    char* envp[] = {nullptr};
    const int error = ::posix_spawn(&pid_, program_.c_str(), &actions, nullptr, argv, envp);
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[1]);
    if (error != 0) {
      ::close(ends[0]);
      pid_ = -1;
      *why = "the workbook writer " + program_ + " cannot be started: " + std::strerror(error);
      return false;
    }
    fd_ = ends[0];
    return true;
  }

  Status Ended(Status status, std::string* why, std::string text) {
    End();
    *why = std::move(text);
    return status;
  }

  bool Send(std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
  }

  bool ReadExactly(char* out, size_t size) {
    while (size > 0) {
      const ssize_t n = ::read(fd_, out, size);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      out += n;
      size -= static_cast<size_t>(n);
    }
    return true;
  }

  bool ReadLine(std::string* line) {
    line->clear();
    char c;
    while (line->size() < 512 && ReadExactly(&c, 1)) {
      if (c == '\n') return true;
      line->push_back(c);
    }
    return false;
  }

  std::string program_;
  std::string folder_;  // with its final "/"
  int fd_ = -1;
  pid_t pid_ = -1;
};

}  // namespace

std::unique_ptr<Store> SharedStore(const std::string& path) {
  std::string shared, program;
  if (!platform::GetSharedWorkbookWriter(&shared, &program)) return nullptr;
  const std::string folder = shared + "/VELT/";
  // The writer writes its one file; any other name in that folder is no workbook it keeps.
  if (path != folder + IM_SHARED_WORKBOOK_NAME) return nullptr;
  return std::make_unique<WriterStore>(program, folder);
}

}  // namespace workbook_store
