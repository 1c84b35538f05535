// The one program that changes the shared workbook. Installed set-user-ID and set-group-ID to the
// package's own user, it lets any account's session replace that one file, and nothing else:
// under the folder's lock it hands the caller the workbook as it is now, then writes the bytes
// the caller sends back, or leaves the file as it is. Its folder and file name are built in.
//
// On standard input and output, lines end in "\n" and N is decimal without sign or leading zero:
//   it says   "read N" and N bytes, "missing" or "missing <name moved aside>",
//             "busy", "refused <why>" or "failed <why>" (and ends)
//   then takes "aside"                          -> "aside <new name>"
//              "replace N", N bytes, end of input -> "ok" or "failed <why>"
//              end of input                     -> ends, the file as it was
// Anything else, or input that ends early, ends it at once without touching the file.
//
// Plain C library only (no exceptions, no C++ library), so that it links to nothing but libc.

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
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
constexpr char kLockName[] = ".lock";
constexpr char kTemporaryPrefix[] = ".workbook-";  // workbook_io::Replace's temporary files
// Files moved aside as damaged kept at most: each may be as large as a workbook, so that no
// account fills the disk by moving one aside after another.
constexpr int kMaxDamaged = 20;
// Long enough for a session to merge the largest workbook; a stalled caller holds the lock no
// longer than this.
constexpr unsigned kLifetimeSeconds = 30;
constexpr size_t kMaxBytes = workbook_io::kMaxWorkbookBytes;
static_assert(kMaxBytes == 64u << 20, "kTooLarge names the bound");
constexpr char kTooLarge[] = "the workbook is larger than 64 MB";

[[noreturn]] void Abort() { _exit(2); }

void Say(const char* word, const char* detail = nullptr) {
  char line[512];
  const int n = detail ? snprintf(line, sizeof line, "%s %s\n", word, detail)
                       : snprintf(line, sizeof line, "%s\n", word);
  if (n < 0 || static_cast<size_t>(n) >= sizeof line || !workbook_io::WriteAll(1, line, static_cast<size_t>(n))) {
    Abort();
  }
}

[[noreturn]] void Fail(const char* word, const char* why) {
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
  // A terminal's stop keys would hold the lock for good.
  signal(SIGTSTP, SIG_IGN);
  signal(SIGTTIN, SIG_IGN);
  signal(SIGTTOU, SIG_IGN);
  const gid_t group = getegid();
  const uid_t user = geteuid();
  if (setresgid(group, group, group) != 0 || setresuid(user, user, user) != 0) Abort();
  prctl(PR_SET_DUMPABLE, 0);
  alarm(kLifetimeSeconds);
}

// Removes the temporary files a writer killed half-way left behind (only writers make files
// here, and the lock says none is writing now); counts the workbooks moved aside.
int TidyUp(int folder) {
  int damaged = 0;
  const int listing = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* dir = listing < 0 ? nullptr : fdopendir(listing);
  if (!dir) return kMaxDamaged;
  while (const dirent* entry = readdir(dir)) {
    struct stat st {};
    if (strncmp(entry->d_name, kWorkbook, sizeof kWorkbook - 1) == 0 &&
        strncmp(entry->d_name + sizeof kWorkbook - 1, ".damaged", 8) == 0) {
      ++damaged;
    } else if (strncmp(entry->d_name, kTemporaryPrefix, sizeof kTemporaryPrefix - 1) == 0 &&
        strlen(entry->d_name) == sizeof kTemporaryPrefix - 1 + 6 &&
        fstatat(folder, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
        st.st_uid == geteuid()) {
      unlinkat(folder, entry->d_name, 0);
    }
  }
  closedir(dir);
  return damaged;
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
    if (value > kMaxBytes) Abort();
  }
  return value;
}

// Sends the workbook as it is; true when there was one.
bool SendCurrent(int folder) {
  struct stat st {};
  char aside[256];
  switch (workbook_io::Inspect(folder, kWorkbook, &st)) {
    case workbook_io::Entry::kMissing:
      Say("missing");
      return false;
    case workbook_io::Entry::kOther:
      if (!workbook_io::MoveAside(folder, kWorkbook, aside, sizeof aside)) {
        Fail("failed", "what is in the workbook's place cannot be moved aside");
      }
      Say("missing", aside);
      return false;
    case workbook_io::Entry::kError:
      Fail("failed", "the workbook cannot be looked at");
    case workbook_io::Entry::kRegular:
      break;
  }
  const int fd = workbook_io::OpenRegular(folder, kWorkbook, &st);
  if (fd < 0) Fail("failed", "the workbook cannot be opened");
  if (st.st_size < 0 || static_cast<size_t>(st.st_size) > kMaxBytes) Fail("refused", kTooLarge);
  const size_t capacity = static_cast<size_t>(st.st_size) + 1;
  char* bytes = static_cast<char*>(malloc(capacity));
  if (!bytes) Fail("refused", "no memory for the workbook");
  const ssize_t size = workbook_io::ReadUpTo(fd, bytes, capacity);
  close(fd);
  if (size < 0) Fail("refused", "the workbook cannot be read");
  if (static_cast<size_t>(size) > kMaxBytes) Fail("refused", kTooLarge);
  char length[32];
  snprintf(length, sizeof length, "%zd", size);
  Say("read", length);
  if (!workbook_io::WriteAll(1, bytes, static_cast<size_t>(size))) Abort();
  free(bytes);
  return true;
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
  if (workbook_io::LockWithin(folder, kLockName, 0600, workbook_store::kLockMilliseconds) < 0) {
    if (errno == EWOULDBLOCK) Fail("busy", nullptr);
    Fail("failed", "the shared folder's lock cannot be taken");
  }
  const int damaged = TidyUp(folder);
  bool present = SendCurrent(folder);

  char command[32];
  while (ReadCommand(command, sizeof command)) {
    if (strcmp(command, "aside") == 0 && present) {
      if (damaged >= kMaxDamaged) Fail("failed", "too many damaged workbooks are kept already");
      char aside[256];
      if (!workbook_io::MoveAside(folder, kWorkbook, aside, sizeof aside)) {
        Fail("failed", "the workbook cannot be moved aside");
      }
      Say("aside", aside);
      present = false;
    } else if (strncmp(command, "replace ", 8) == 0) {
      const size_t size = ParseLength(command + 8);
      char* bytes = static_cast<char*>(malloc(size));
      if (!bytes) Abort();
      char more;
      if (workbook_io::ReadUpTo(0, bytes, size) != static_cast<ssize_t>(size) ||
          workbook_io::ReadUpTo(0, &more, 1) != 0) {
        Abort();
      }
      if (!workbook_io::Replace(kFolder, folder, kWorkbook, bytes, size, 0644)) {
        Fail("failed", "the workbook cannot be written");
      }
      Say("ok");
      return 0;
    } else {
      Abort();
    }
  }
  return 0;
}
