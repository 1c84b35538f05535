// The shared folder's workbook, which only the package's writer program may change: each
// transaction is one run of that program, which reads the workbook without the folder's lock and
// takes the lock only to move it aside or replace it, once the whole command is in
// (writer/workbook_writer.cpp has the exchange). The program itself stays an ordinary process of
// the account; the administrator's session runs it as the writer's own user.

#include <fcntl.h>
#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

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
    bytes->clear();
    movedAside->clear();
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
      if (size <= workbook_io::kMaxWorkbookBytes) {
        try {
          bytes->resize(size);
        } catch (const std::bad_alloc&) {
          return Ended(Status::kRefused, why, workbook_io::Why(workbook_io::Found::kNoMemory));
        }
        if (ReadExactly(bytes->data(), size)) return Status::kRead;
      }
      bytes->clear();
      return Ended(Status::kFailed, why, "the workbook writer's answer was cut short");
    }
    return Answer(line, why);
  }

  Status MoveAside(std::string* aside, std::string* why) override {
    std::string line;
    if (fd_ < 0) return Ended(Status::kFailed, why, "the shared workbook was not read first");
    if (!Send("aside\n") || !ReadLine(&line)) return Answer("", why);
    if (!line.starts_with("aside ")) return Answer(line, why);
    *aside = folder_ + line.substr(6);
    return Status::kDone;
  }

  Status Commit(std::string_view bytes, std::string* why) override {
    std::string line;
    if (fd_ < 0) return Ended(Status::kFailed, why, "the shared workbook was not read first");
    if (bytes.empty()) return Ended(Status::kFailed, why, "the workbook would be empty");
    if (bytes.size() > workbook_io::kMaxWorkbookBytes) return Ended(Status::kRefused, why, workbook_io::kTooLarge);
    // The writer's reason, when it ended before taking everything in, is read all the same.
    if (Send("replace " + std::to_string(bytes.size()) + "\n")) Send(bytes);
    ::shutdown(fd_, SHUT_WR);
    ReadLine(&line);
    return line == "ok" ? Ended(Status::kDone, why, "") : Answer(line, why);
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
    const int program = ::open(program_.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (program < 0 || ::fstat(program, &st) != 0) {
      *why = "the workbook writer " + program_ + " cannot be started: " + std::strerror(errno);
      if (program >= 0) ::close(program);
      return false;
    }
    // The writer's own user owns the writer: were it ever taken over, it could rewrite the
    // program and come back as whoever runs it next. So the administrator's session becomes that
    // user before it runs the program, and never runs one root owns.
    const bool administrator = ::getuid() == 0 || ::geteuid() == 0;
    if (administrator && (st.st_uid == 0 || st.st_gid == 0)) {
      ::close(program);
      *why = "the workbook writer " + program_ + " belongs to the administrator";
      return false;
    }
    int ends[2];
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (null < 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
      *why = std::string("no socket for the workbook writer: ") + std::strerror(errno);
      if (null >= 0) ::close(null);
      ::close(program);
      return false;
    }
    char* argv[] = {program_.data(), nullptr};
    char* envp[] = {nullptr};
    pid_ = ::fork();
    if (pid_ == 0) {
      // Only async-signal-safe calls: another thread may have held any lock at the fork. The
      // writer runs as another user, who must never reach the caller's terminal (whose input a
      // process on it may fake): a session of its own, without one, and nothing but the socket
      // and /dev/null open.
      // Moved out of the way first: any of them may be one of 0 to 3.
      const int socket = ::fcntl(ends[1], F_DUPFD, 10), quiet = ::fcntl(null, F_DUPFD, 10),
                binary = ::fcntl(program, F_DUPFD, 10);
      if (::setsid() < 0 || socket < 0 || quiet < 0 || binary < 0 || ::dup2(socket, 0) < 0 || ::dup2(socket, 1) < 0 ||
          ::dup2(quiet, 2) < 0 || ::dup2(binary, 3) < 0 || ::close_range(4, ~0U, 0) != 0) {
        ::_exit(127);
      }
      if (administrator && (::setgroups(0, nullptr) != 0 || ::setresgid(st.st_gid, st.st_gid, st.st_gid) != 0 ||
                            ::setresuid(st.st_uid, st.st_uid, st.st_uid) != 0)) {
        ::_exit(127);
      }
      // Left open: an interpreter finds a script by its number (the writer closes it at once).
      ::fexecve(3, argv, envp);
      ::_exit(127);
    }
    const int error = errno;
    ::close(null);
    ::close(ends[1]);
    ::close(program);
    if (pid_ < 0) {
      ::close(ends[0]);
      *why = "the workbook writer " + program_ + " cannot be started: " + std::strerror(error);
      return false;
    }
    fd_ = ends[0];
    return true;
  }

  // A line that ends the run, as a status.
  Status Answer(const std::string& line, std::string* why) {
    if (line == "changed") return Ended(Status::kChanged, why, "another session saved the shared workbook meanwhile");
    if (line == "busy") {
      return Ended(Status::kBusy, why, "another session kept the shared workbook locked for " +
                                           std::to_string(kLockMilliseconds / 1000) + " s");
    }
    if (line.starts_with("refused ")) return Ended(Status::kRefused, why, line.substr(8));
    if (line.starts_with("failed ")) return Ended(Status::kFailed, why, line.substr(7));
    return Ended(Status::kFailed, why,
                 line.empty() ? "the workbook writer ended without answering" : "the workbook writer answered " + line);
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
    line->clear();
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
