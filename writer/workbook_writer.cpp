// The one program that changes the shared workbook. Installed set-user-ID and set-group-ID to the
// package's own user, it lets any account's session replace that one file, and nothing else: it
// hands the caller the workbook as it is now, then writes the bytes the caller sends back unless
// another run replaced the workbook meanwhile. The folder's lock is taken only once a whole
// command is in and released before anything is said, so a caller that stalls, sending or
// reading, keeps no other session from saving. Its folder and file
// name are built in.
//
// On standard input and output, lines end in "\n" and N is decimal without sign or leading zero.
// At its start, without the lock, it says
//   "read N" and the N bytes read, or "missing", or "missing <name moved aside>" when something
//   else than a file was there (moved aside under the lock, after looking again under it);
//   else "refused <why>" (too large, no memory, unreadable), "busy" or "failed <why>", and ends.
// Then it takes
//   "aside" (after "read")             -> "aside <new name>"; from then on the workbook read is
//                                         a missing one
//   "replace N", N bytes, end of input -> "ok"
//   end of input                       -> ends, the file as it was
// and each of the two, with the lock taken, answers instead "changed" when the workbook is not the
// one read (a file there where none was counts, and none where one was), "busy" when another run
// kept the lock for kLockMilliseconds, or "failed <why>", and ends. Every answer goes out once
// the lock is released. Anything else, or input that ends early, ends it at once (status 2)
// without touching the file. A run lasts at most kLifetimeSeconds, and once it asks for the lock
// at most kLockedSeconds more, whichever ends first.
//
// Plain C library only (no exceptions, no C++ library), so that it links to nothing but libc.

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "framework/workbook/workbook_io.h"
#include "framework/workbook/workbook_store.h"

namespace {

constexpr char kFolder[] = IM_WRITER_FOLDER;
constexpr char kWorkbook[] = IM_WRITER_WORKBOOK;
constexpr workbook_io::Lock kLock{".lock", 0600, workbook_store::kLockMilliseconds};
// Long enough for a session to merge the largest workbook between reading and replacing it.
constexpr unsigned kLifetimeSeconds = 120;
// Counted from the moment the lock is asked for: the wait for it, then one rename or one write.
constexpr unsigned kLockedSeconds = 30;

[[noreturn]] void Abort() { _exit(2); }

void Say(const char* word, const char* detail = nullptr) {
  char line[512];
  const int n = detail ? snprintf(line, sizeof line, "%s %s\n", word, detail)
                       : snprintf(line, sizeof line, "%s\n", word);
  if (n < 0 || static_cast<size_t>(n) >= sizeof line || !workbook_io::WriteAll(1, line, static_cast<size_t>(n))) {
    Abort();
  }
}

[[noreturn]] void Fail(const char* word, const char* why = nullptr) {
  Say(word, why);
  _exit(1);
}

// Nothing the caller set up reaches the work: no environment, no descriptors but the three
// standard ones, no umask, no blocked or ignored signal that would stop the time bound, and no
// way left for the caller to signal, stop or trace it.
void Isolate() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) < 0 && open("/dev/null", O_RDWR) != fd) Abort();
  }
  if (close_range(3, ~0U, 0) != 0) Abort();
  if (clearenv() != 0) Abort();
  umask(022);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  for (int s = 1; s < NSIG; ++s) signal(s, SIG_DFL);
  // A terminal's stop keys would hold the lock for good. Its Ctrl+C, Ctrl+\ and hangup reach the
  // caller's whole process group: the caller saves when its session ends that way, and that save
  // must not be cut short here (the alarm still bounds it).
  signal(SIGTSTP, SIG_IGN);
  signal(SIGTTIN, SIG_IGN);
  signal(SIGTTOU, SIG_IGN);
  signal(SIGINT, SIG_IGN);
  signal(SIGQUIT, SIG_IGN);
  signal(SIGHUP, SIG_IGN);
  const gid_t group = getegid();
  const uid_t user = geteuid();
  if (setresgid(group, group, group) != 0 || setresuid(user, user, user) != 0) Abort();
  prctl(PR_SET_DUMPABLE, 0);
  alarm(kLifetimeSeconds);
}

// Removes the temporary files a writer killed half-way left behind (only writers make files
// here, and the lock says none is writing now).
void TidyUp(int folder) {
  const int listing = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* dir = listing < 0 ? nullptr : fdopendir(listing);
  if (!dir) return;
  while (const dirent* entry = readdir(dir)) {
    struct stat st {};
    if (workbook_io::IsTemporary(entry->d_name) && fstatat(folder, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(st.st_mode) && st.st_uid == geteuid()) {
      unlinkat(folder, entry->d_name, 0);
    }
  }
  closedir(dir);
}

// A run's time bound is the earliest of its deadlines: a later one never extends it.
void Bound(unsigned seconds) {
  const unsigned left = alarm(0);
  alarm(left != 0 && left < seconds ? left : seconds);
}

struct Answer {
  const char* word;
  const char* detail;
};

// Takes the lock for one change of the workbook read as `read`; -1, with the answer to give,
// when it cannot be had or the workbook is another one now.
int LockUnchanged(int folder, const workbook_io::Version& read, Answer* answer) {
  Bound(kLockedSeconds);
  const int lock = workbook_io::LockWithin(folder, kLock);
  if (lock < 0) {
    *answer = errno == EWOULDBLOCK ? Answer{"busy", nullptr}
                                   : Answer{"failed", "the shared folder's lock cannot be taken"};
    return -1;
  }
  if (!workbook_io::Unchanged(folder, kWorkbook, read)) {
    close(lock);
    *answer = {"changed", nullptr};
    return -1;
  }
  TidyUp(folder);
  return lock;
}

// One command line without its "\n"; false at the end of input before the line began.
bool ReadCommand(char* line, size_t capacity) {
  for (size_t length = 0; length + 1 < capacity; ++length) {
    const ssize_t n = workbook_io::ReadUpTo(0, line + length, 1);
    if (n < 0) Abort();
    if (n == 0) {
      if (length == 0) return false;
      Abort();
    }
    if (line[length] == '\n') {
      line[length] = '\0';
      return true;
    }
  }
  Abort();
}

size_t ParseLength(const char* text) {
  if (text[0] < '1' || text[0] > '9') Abort();
  size_t value = 0;
  for (const char* c = text; *c; ++c) {
    if (*c < '0' || *c > '9') Abort();
    value = value * 10 + static_cast<size_t>(*c - '0');
    if (value > workbook_io::kMaxWorkbookBytes) Abort();
  }
  return value;
}

char* Grow(void* storage, size_t capacity) {
  char** bytes = static_cast<char**>(storage);
  char* grown = static_cast<char*>(realloc(*bytes, capacity));
  if (grown) *bytes = grown;
  return grown;
}

// Sends the workbook as it is now; its version.
workbook_io::Version SendCurrent(int folder) {
  char* bytes = nullptr;
  workbook_io::Reading reading{Grow, &bytes};
  const workbook_io::Found found = workbook_io::ReadWorkbook(folder, kWorkbook, kLock, &reading);
  switch (found) {
    case workbook_io::Found::kFile: {
      char length[32];
      snprintf(length, sizeof length, "%zu", reading.size);
      Say("read", length);
      if (!workbook_io::WriteAll(1, bytes, reading.size)) Abort();
      break;
    }
    case workbook_io::Found::kMissing:
      Say("missing", reading.aside[0] ? reading.aside : nullptr);
      break;
    case workbook_io::Found::kBusy:
      Fail("busy");
    case workbook_io::Found::kTooLarge:
    case workbook_io::Found::kNoMemory:
    case workbook_io::Found::kUnreadable:
    case workbook_io::Found::kStuck:
      Fail("refused", workbook_io::Why(found));
  }
  free(bytes);
  return reading.version;
}

}  // namespace

int main() {
  Isolate();
  if (geteuid() == 0) Fail("failed", "the workbook writer must not run as root");
  const int folder = workbook_io::OpenFolder(kFolder);
  struct stat st {};
  if (folder < 0 || fstat(folder, &st) != 0) Fail("failed", "the shared folder cannot be opened");
  // Another account that may write here could swap names under it.
  if (st.st_uid != geteuid() || (st.st_mode & (S_IWGRP | S_IWOTH))) {
    Fail("failed", "the shared folder is not the writer's own");
  }
  workbook_io::Version read = SendCurrent(folder);

  // Nothing is said while the lock is held: a caller that does not read its answers would keep
  // it. The change is done, or not, before the answer goes out.
  char command[32];
  while (ReadCommand(command, sizeof command)) {
    if (strcmp(command, "aside") == 0 && read.type == S_IFREG) {
      char aside[NAME_MAX + 1];
      Answer answer{"aside", aside};
      const int lock = LockUnchanged(folder, read, &answer);
      if (lock >= 0) {
        if (!workbook_io::MoveAside(folder, kWorkbook, aside, sizeof aside)) {
          answer = {"failed", "the workbook cannot be moved aside"};
        }
        close(lock);
      }
      if (answer.detail != aside) Fail(answer.word, answer.detail);
      Say("aside", aside);
      read = {};
    } else if (strncmp(command, "replace ", 8) == 0) {
      const size_t size = ParseLength(command + 8);
      char* bytes = static_cast<char*>(malloc(size));
      if (!bytes) Fail("failed", "there is not enough memory for the workbook");
      char more;
      if (workbook_io::ReadUpTo(0, bytes, size) != static_cast<ssize_t>(size) ||
          workbook_io::ReadUpTo(0, &more, 1) != 0) {
        Abort();
      }
      Answer answer{"ok", nullptr};
      const int lock = LockUnchanged(folder, read, &answer);
      if (lock >= 0) {
        if (!workbook_io::Replace(folder, kWorkbook, bytes, size, 0644)) {
          answer = {"failed", "the workbook cannot be written"};
        }
        close(lock);
      }
      if (strcmp(answer.word, "ok") != 0) Fail(answer.word, answer.detail);
      Say("ok");
      return 0;
    } else {
      Abort();
    }
  }
  return 0;
}
