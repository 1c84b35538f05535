// The shared workbook's writer set-ID to a user of its own, as the package installs it, and run
// by an unprivileged account; and the store the program reaches it through. Only root can set
// that up: elsewhere the tests are skipped.

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "framework/platform/headless/headless.h"
#include "framework/workbook/workbook_io.h"
#include "framework/workbook/workbook_store.h"

namespace {

namespace fs = std::filesystem;
using workbook_store::Status;

constexpr uid_t kWriter = 64071;  // the package's user, for these tests
constexpr uid_t kPupil = 65534;
const std::string kRoot = IM_TEST_WRITER_ROOT;
const std::string kFolder = kRoot + "/VELT";
const std::string kName = "04517 Игра «Тиморвал».xls";
const std::string kWorkbook = kFolder + "/" + kName;
const std::string kCopy = IM_TEST_WRITER_COPY;

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class WorkbookWriterTest : public testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "only root can make the writer set-ID";
    fs::remove_all(kRoot);
    fs::create_directories(kFolder);
    ASSERT_EQ(::chown(kFolder.c_str(), kWriter, kWriter), 0);
    fs::copy_file(IM_TEST_WRITER, kCopy, fs::copy_options::overwrite_existing);
    ASSERT_EQ(::chown(kCopy.c_str(), kWriter, kWriter), 0);
    ASSERT_EQ(::chmod(kCopy.c_str(), 06755), 0);
    struct statvfs vfs {};
    ASSERT_EQ(::statvfs(kCopy.c_str(), &vfs), 0);
    if (vfs.f_flag & ST_NOSUID) GTEST_SKIP() << "the build folder's file system ignores set-ID bits";
    ::signal(SIGPIPE, SIG_IGN);
  }
  void TearDown() override {
    fs::remove_all(kRoot);
    platform::headless::Reset();
  }

  // The writer as the pupil's account runs it, with a polluted environment; its input stays
  // open until Finish.
  class Writer {
   public:
    Writer() {
      int in[2], out[2];
      if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
      // Opened while root may still reach it: the pupil need not reach the build folder.
      const int program = ::open(kCopy.c_str(), O_RDONLY | O_CLOEXEC);
      pid_ = ::fork();
      if (pid_ == 0) {
        char* argv[] = {const_cast<char*>("workbook-writer"), nullptr};
        char* envp[] = {const_cast<char*>("TMPDIR=/tmp"), const_cast<char*>("LC_ALL=C.UTF-8"), nullptr};
        if (::dup2(in[0], 0) < 0 || ::dup2(out[1], 1) < 0 || ::setgroups(0, nullptr) != 0 ||
            ::setresgid(kPupil, kPupil, kPupil) != 0 || ::setresuid(kPupil, kPupil, kPupil) != 0) {
          ::_exit(127);
        }
        ::fexecve(program, argv, envp);
        ::_exit(127);
      }
      ::close(in[0]);
      ::close(out[1]);
      ::close(program);
      in_ = in[1];
      out_ = out[0];
    }
    ~Writer() { Finish(""); }

    // Its first answer: the line, and the bytes "read N" announces.
    std::string First() {
      std::string answer;
      for (char c = 0; c != '\n' && ::read(out_, &c, 1) == 1;) answer += c;
      return answer.starts_with("read ") ? answer + Take(std::stoul(answer.substr(5))) : answer;
    }

    // Its answers stop going out: the pipe they go into fills up.
    void Deafen() { ::fcntl(out_, F_SETPIPE_SZ, 4096); }
    void EndInput() {
      ::close(in_);
      in_ = -1;
    }

    void Send(const std::string& input) {
      if (::write(in_, input.data(), input.size()) < 0) {}  // it may end before reading everything
    }

    // Sends the rest of its input, ends that, and returns what it answered since First.
    std::string Finish(const std::string& input) {
      if (pid_ <= 0) return "";
      Send(input);
      ::close(in_);
      const std::string answer = Take(~size_t{0});
      ::close(out_);
      ::waitpid(pid_, nullptr, 0);
      pid_ = -1;
      return answer;
    }

   private:
    std::string Take(size_t size) {
      std::string bytes;
      for (char c; bytes.size() < size && ::read(out_, &c, 1) == 1;) bytes += c;
      return bytes;
    }

    pid_t pid_ = -1;
    int in_ = -1, out_ = -1;
  };

  // What the writer answers the pupil's account that sends it `input`.
  static std::string Run(const std::string& input) { return Writer().Finish(input); }
};

TEST_F(WorkbookWriterTest, OnlyACompleteMessageReplacesTheWorkbook) {
  EXPECT_EQ(Run("replace 5\nfirst"), "missing\nok\n");
  struct stat st {};
  ASSERT_EQ(::lstat(kWorkbook.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode, S_IFREG | 0644);
  EXPECT_EQ(st.st_uid, kWriter);
  EXPECT_EQ(st.st_gid, kWriter);
  const std::string huge = "replace " + std::to_string(workbook_io::kMaxWorkbookBytes + 1) + "\n";
  for (const std::string& input : std::initializer_list<std::string>{
           "", "garbage\n", "replace 6\nshort", "replace 5\nfirst and more", "replace 05\nfirst", "replace -5\nfirst",
           "replace 5", "aside", huge + std::string(workbook_io::kMaxWorkbookBytes + 1, 'x')}) {
    EXPECT_EQ(Run(input), "read 5\nfirst") << input.substr(0, 20);
    struct stat now {};
    ASSERT_EQ(::lstat(kWorkbook.c_str(), &now), 0);
    EXPECT_EQ(now.st_ino, st.st_ino) << input.substr(0, 20);
    EXPECT_EQ(Read(kWorkbook), "first");
  }
  EXPECT_EQ(Run("aside\nreplace 6\nsecond"), "read 5\nfirstaside " + kName + ".damaged\nok\n");
  EXPECT_EQ(Read(kWorkbook + ".damaged"), "first");
  EXPECT_EQ(Read(kWorkbook), "second");
}

TEST_F(WorkbookWriterTest, CallersThatStallHoldNoLockAndAChangeAfterAnotherRunsIsRefused) {
  EXPECT_EQ(Run("replace 5\nfirst"), "missing\nok\n");
  Writer silent, halfway;
  EXPECT_EQ(silent.First(), "read 5\nfirst");
  EXPECT_EQ(halfway.First(), "read 5\nfirst");
  halfway.Send("replace 6\nsec");
  EXPECT_EQ(Run("replace 6\nsecond"), "read 5\nfirstok\n");
  EXPECT_EQ(halfway.Finish("ond"), "changed\n");
  EXPECT_EQ(silent.Finish("aside\n"), "changed\n");
  EXPECT_EQ(Read(kWorkbook), "second");
  EXPECT_FALSE(fs::exists(kWorkbook + ".damaged"));
  // None where there was one.
  Writer present;
  EXPECT_EQ(present.First(), "read 6\nsecond");
  ASSERT_EQ(::unlink(kWorkbook.c_str()), 0);
  EXPECT_EQ(present.Finish("replace 5\nthird"), "changed\n");
  EXPECT_FALSE(fs::exists(kWorkbook));
  // Nor one that reads no answer: the writer says nothing while it holds the lock.
  const std::string fills(4096 - 1 - std::string("read 4085\n").size(), 'f');
  EXPECT_EQ(Run("replace 4085\n" + fills), "missing\nok\n");
  Writer deaf;
  deaf.Deafen();
  deaf.Send("replace 5\nfifth");
  deaf.EndInput();
  for (int n = 0; n < 1000 && Read(kWorkbook) != "fifth"; ++n) ::usleep(10000);
  ASSERT_EQ(Read(kWorkbook), "fifth");
  const int lock = ::open((kFolder + "/.lock").c_str(), O_RDONLY | O_CLOEXEC);
  EXPECT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0) << "the writer kept the lock while its answer could not go out";
  ::close(lock);
  EXPECT_EQ(deaf.Finish(""), "read 4085\n" + fills + "ok\n");
}

TEST_F(WorkbookWriterTest, TheNewestTwentyMovedAsideAreKeptAndNeverKeepAWorkbookFromBeingMovedAside) {
  // The oldest: an account's folder (never removed with what is in it), an empty folder, a link.
  const std::string old = kWorkbook + ".damaged-";
  fs::create_directories(old + "10/own");
  fs::create_directory(old + "11");
  std::ofstream(kRoot + "/target") << "target";
  fs::create_symlink(kRoot + "/target", old + "12");
  for (int n = 13; n <= 31; ++n) std::ofstream(old + std::to_string(n)) << n;
  EXPECT_EQ(Run("replace 7\ndamaged"), "missing\nok\n");
  EXPECT_EQ(Run("aside\n"), "read 7\ndamagedaside " + kName + ".damaged\n");
  int kept = 0;
  for (const auto& entry : fs::directory_iterator(kFolder)) kept += entry.path().filename().string().starts_with(kName + ".damaged");
  EXPECT_EQ(kept, 20 + 1) << "and the folder that is not empty";
  EXPECT_TRUE(fs::exists(old + "10/own"));
  EXPECT_FALSE(fs::exists(fs::symlink_status(old + "11")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(old + "12")));
  EXPECT_EQ(Read(kRoot + "/target"), "target");
}

TEST_F(WorkbookWriterTest, ALinkOrAFifoInTheWorkbooksPlaceIsMovedAsideNotFollowed) {
  // A file the writer's user could change, were the link followed.
  const std::string target = kFolder + "/private";
  std::ofstream(target) << "private";
  ASSERT_EQ(::chown(target.c_str(), kWriter, kWriter), 0);
  ASSERT_EQ(::symlink(target.c_str(), kWorkbook.c_str()), 0);
  EXPECT_EQ(Run("replace 3\nnew"), "missing " + kName + ".damaged\nok\n");
  EXPECT_EQ(Read(target), "private");
  EXPECT_EQ(fs::read_symlink(kWorkbook + ".damaged"), target);
  EXPECT_EQ(Read(kWorkbook), "new");

  ASSERT_EQ(::unlink(kWorkbook.c_str()), 0);
  ASSERT_EQ(::mkfifo(kWorkbook.c_str(), 0666), 0);
  EXPECT_EQ(Run(""), "missing " + kName + ".damaged-2\n");
  EXPECT_TRUE(fs::is_fifo(kWorkbook + ".damaged-2"));
  EXPECT_FALSE(fs::exists(fs::symlink_status(kWorkbook)));
}

TEST_F(WorkbookWriterTest, TheSharedStoreReadsAndWritesThroughTheWriter) {
  platform::headless::SetSharedDataFolder(kRoot);
  platform::headless::SetWorkbookWriterProgram(kCopy);
  EXPECT_EQ(workbook_store::SharedStore("/elsewhere/" + kName), nullptr);
  EXPECT_EQ(workbook_store::SharedStore(kFolder + "/old/" + kName), nullptr);
  EXPECT_EQ(workbook_store::SharedStore(kFolder + "/another.xls"), nullptr);  // the writer writes only its own
  std::string bytes, aside, why;
  // The administrator's session runs the writer as the writer's own user (set-ID or not), and
  // never one of root's.
  ASSERT_EQ(::chmod(kCopy.c_str(), 0755), 0);
  {
    const auto store = workbook_store::SharedStore(kWorkbook);
    ASSERT_EQ(store->Read(&bytes, &aside, &why), Status::kMissing) << why;
    ASSERT_EQ(store->Commit("<Workbook/>", &why), Status::kDone) << why;
    struct stat st {};
    ASSERT_EQ(::lstat(kWorkbook.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, kWriter);
  }
  // Whoever starts it, the writer has no terminal to reach: a session of its own, standard error
  // on /dev/null, and none of the caller's descriptors.
  const std::string standIn = kRoot + "/stand-in", record = kFolder + "/record";
  std::ofstream(standIn) << "#!/bin/sh\nexec 1>" << record << "\ncut -d' ' -f6 /proc/$$/stat\necho $$\n"
                         << "readlink /proc/$$/fd/2\nls /proc/$$/fd | tr '\\n' ' '; echo\n"
                         << "if (exec 4</dev/tty) 2>/dev/null; then echo tty; else echo no-tty; fi\n"
                         << "exec 1>&0\necho missing\n";
  ASSERT_EQ(::chown(standIn.c_str(), kWriter, kWriter), 0);
  ASSERT_EQ(::chmod(standIn.c_str(), 0755), 0);
  platform::headless::SetWorkbookWriterProgram(standIn);
  const int leaked = ::fcntl(::open("/dev/null", O_RDONLY), F_DUPFD, 20);
  ASSERT_EQ(workbook_store::SharedStore(kWorkbook)->Read(&bytes, &aside, &why), Status::kMissing) << why;
  std::istringstream seen(Read(record));
  std::string session, pid, standardError, descriptors, terminal;
  std::getline(seen, session), std::getline(seen, pid), std::getline(seen, standardError);
  std::getline(seen, descriptors), std::getline(seen, terminal);
  EXPECT_EQ(session, pid);
  EXPECT_EQ(standardError, "/dev/null");
  std::istringstream listed(descriptors);
  for (std::string fd; listed >> fd;) EXPECT_NE(fd, std::to_string(leaked)) << descriptors;
  EXPECT_EQ(terminal, "no-tty");
  ::close(leaked);
  platform::headless::SetWorkbookWriterProgram(kCopy);
  ASSERT_EQ(::chown(kCopy.c_str(), 0, 0), 0);
  EXPECT_EQ(workbook_store::SharedStore(kWorkbook)->Read(&bytes, &aside, &why), Status::kFailed);
  EXPECT_NE(why.find("administrator"), std::string::npos) << why;
  ASSERT_EQ(::chown(kCopy.c_str(), kWriter, kWriter), 0);
  ASSERT_EQ(::chmod(kCopy.c_str(), 06755), 0);
  const pid_t pupil = ::fork();
  if (pupil != 0) {
    int status = -1;
    ::waitpid(pupil, &status, 0);
    EXPECT_EQ(status, 0) << "the pupil's session failed (its expectations are above)";
    return;
  }
  // The writer as the pupil's session reaches it, without the build folder on its way.
  const int program = ::open(kCopy.c_str(), O_RDONLY);
  platform::headless::SetWorkbookWriterProgram("/proc/self/fd/" + std::to_string(program));
  if (program < 0 || ::setgroups(0, nullptr) != 0 || ::setresgid(kPupil, kPupil, kPupil) != 0 ||
      ::setresuid(kPupil, kPupil, kPupil) != 0) {
    ::_exit(127);
  }
  [&] {
    const auto store = workbook_store::SharedStore(kWorkbook), other = workbook_store::SharedStore(kWorkbook);
    ASSERT_TRUE(store);
    ASSERT_EQ(store->Read(&bytes, &aside, &why), Status::kRead) << why;
    ASSERT_EQ(other->Read(&bytes, &aside, &why), Status::kRead) << why;
    ASSERT_EQ(other->Commit("<Workbook>other</Workbook>", &why), Status::kDone) << why;
    EXPECT_EQ(store->MoveAside(&aside, &why), Status::kChanged) << why;
    ASSERT_EQ(store->Read(&bytes, &aside, &why), Status::kRead) << why;
    EXPECT_EQ(bytes, "<Workbook>other</Workbook>");
    EXPECT_EQ(store->MoveAside(&aside, &why), Status::kDone) << why;
    EXPECT_EQ(aside, kWorkbook + ".damaged");
    store->End();
    EXPECT_FALSE(fs::exists(kWorkbook));
    EXPECT_EQ(Read(kWorkbook + ".damaged"), "<Workbook>other</Workbook>");

    platform::headless::SetWorkbookWriterProgram(kRoot + "/no-writer");
    EXPECT_EQ(workbook_store::SharedStore(kWorkbook)->Read(&bytes, &aside, &why), Status::kFailed);
    EXPECT_NE(why.find("cannot be started"), std::string::npos) << why;
  }();
  ::_exit(HasFailure() ? 1 : 0);
}

// Memory the session lacks for the workbook's bytes refuses the read, saying why; the program
// goes on, its rows kept for the backup file.
TEST_F(WorkbookWriterTest, TheSharedStoreRefusesAWorkbookItHasNoMemoryFor) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "a sanitizer reserves more address space than the limit allows";
#endif
  EXPECT_EQ(Run("replace 40000000\n" + std::string(40000000, 'x')), "missing\nok\n");
  platform::headless::SetSharedDataFolder(kRoot);
  platform::headless::SetWorkbookWriterProgram(kCopy);
  const pid_t child = ::fork();
  if (child == 0) {
    std::ifstream status("/proc/self/status");
    long kilobytes = 0;
    for (std::string line; std::getline(status, line);) {
      if (line.rfind("VmSize:", 0) == 0) kilobytes = std::stol(line.substr(7));
    }
    const rlimit address{static_cast<rlim_t>(kilobytes) * 1024 + (16u << 20), RLIM_INFINITY};
    ::setrlimit(RLIMIT_AS, &address);
    std::string bytes, aside, why;
    const Status read = workbook_store::SharedStore(kWorkbook)->Read(&bytes, &aside, &why);
    ::_exit(read == Status::kRefused && why.find("memory") != std::string::npos ? 0 : 1);
  }
  int status = -1;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
