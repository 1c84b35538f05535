// The results workbook over a whole course: which pupil's rows go where, and that no run's rows
// are lost when the data folder or a typed path cannot be written.

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "framework/controls/save_as_dialog.h"
#include "framework/platform/headless/headless.h"
#include "framework/platform/utf.h"
#include "framework/workbook/workbook_io.h"
#include "framework/workbook/workbook_reader.h"
#include "shell/results_file.h"
#include "support/course.h"

namespace {

namespace fs = std::filesystem;
using workbook_test::ReadBytes;
using workbook_test::ReadSheets;
using workbook_test::WriteBytes;

// The rows one run writes when its exercise ends without a plate delivered: the start time,
// the two closing rows and the empty row.
constexpr size_t kRowsOfARun = 4;

class ResultsBookTest : public ::testing::Test {
 protected:
  course::DataFolder data;
  course::Driver<> course;
  App* app = course.app;
};

TEST_F(ResultsBookTest, TheWindowsCloseSavesIntoTheSharedFolder) {
  app->CreateResultsBook(L"Маша");
  ASSERT_NE(app->workbook, nullptr);
  EXPECT_TRUE(fs::is_directory(data.path / "VELT"));
  app->AddStatistic(L"Количество кликов не колесом", L"3", L"Number");
  app->window->Close();
  auto back = ReadSheets(data.Workbook());
  ASSERT_TRUE(back.wellFormed);
  ASSERT_EQ(back.sheets.size(), 1u);
  EXPECT_EQ(back.sheets[0].name, L"Маша");
  ASSERT_EQ(back.sheets[0].rows.size(), 1u);
  EXPECT_EQ(back.sheets[0].rows[0][1].text, L"3");
}

// A file that is no workbook is moved aside, once, and one line says where the teacher finds it.
TEST_F(ResultsBookTest, AWorkbookMovedAsideIsNamedOnStandardError) {
  fs::create_directories(data.path / "VELT");
  WriteBytes(data.Workbook(), "<not a workbook");
  testing::internal::CaptureStderr();
  app->CreateResultsBook(L"Маша");
  app->AddStatistic(L"Количество кликов не колесом", L"3", L"Number");
  app->window->Close();
  const std::string log = testing::internal::GetCapturedStderr();
  const std::string line = data.Workbook().string() + " was no workbook this program can read; it was moved aside to " +
                           data.Workbook().string() + ".damaged\n";
  EXPECT_EQ(log, line);
  EXPECT_EQ(ReadBytes(data.Workbook().string() + ".damaged"), "<not a workbook");
  EXPECT_EQ(ReadSheets(data.Workbook()).sheets.at(0).rows.size(), 1u);
}

TEST_F(ResultsBookTest, ARunWithoutANameHasNoWorkbookAndLeavesTheEarlierPupilsRowsAlone) {
  course.RunToResults(L"Маша");
  course.Click(580, 510);  // Retry
  course.Key(VK_RETURN);   // Start with an empty name: Маша's workbook is written and let go
  EXPECT_EQ(app->workbook, nullptr);
  const std::string afterMasha = ReadBytes(data.Workbook());
  auto back = ReadSheets(data.Workbook());
  ASSERT_EQ(back.sheets.size(), 1u);
  EXPECT_EQ(back.sheets[0].rows.size(), kRowsOfARun);

  course.Key(VK_ESCAPE);
  app->stateDialog->Close();
  IMDialog* results = course.ScreenAt(400, 300);
  for (POINT p : {POINT{70, 510}, POINT{200, 510}}) {
    auto* button = dynamic_cast<IMButtonBase<IMStateView>*>(course.ControlAt(results, p.x, p.y));
    ASSERT_NE(button, nullptr);
    EXPECT_FALSE(button->IsEnabled());
    EXPECT_EQ(button->tint, 0xFF808080u);
    course.Click(p.x, p.y);
    EXPECT_EQ(course.ScreenAt(400, 300), results) << "no dialog opens over the results";
  }
  EXPECT_EQ(ReadBytes(data.Workbook()), afterMasha);

  // A later named start has a workbook again, and the exit writes it.
  course.Click(580, 510);
  course.Type(L"Петя");
  course.Key(VK_RETURN);
  ASSERT_NE(app->workbook, nullptr);
  course.Key(VK_ESCAPE);
  app->stateDialog->Close();
  app->window->Close();
  back = ReadSheets(data.Workbook());
  ASSERT_EQ(back.sheets.size(), 2u);
  EXPECT_EQ(back.sheets[0].name, L"Маша");
  EXPECT_EQ(back.sheets[0].rows.size(), kRowsOfARun);
  EXPECT_EQ(back.sheets[1].name, L"Петя");
  EXPECT_EQ(back.sheets[1].rows.size(), kRowsOfARun);
}

TEST_F(ResultsBookTest, SaveAsWritesTheTypedPathAndSaysWhenItCouldNot) {
  IMDialog* results = course.RunToResults(L"Маша");
  // The proposed name is the workbook's own file: confirming writes it at once.
  course.Click(200, 510);  // Save as
  auto* dialog = dynamic_cast<IMSaveAsDialog*>(course.ScreenAt(400, 300));
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->GetFileName(), platform::FromUtf8(data.Workbook().string()));
  EXPECT_FALSE(fs::exists(data.Workbook()));
  course.Click(320, 325);  // the dialog's Save as
  EXPECT_EQ(course.ScreenAt(400, 300), results);
  EXPECT_EQ(ReadSheets(data.Workbook()).sheets.at(0).rows.size(), kRowsOfARun);

  course.Click(200, 510);
  dialog = dynamic_cast<IMSaveAsDialog*>(course.ScreenAt(400, 300));
  ASSERT_NE(dialog, nullptr);
  fs::create_directory(data.path / "a folder");
  const std::vector<fs::path> unwritable = {data.path / "no such folder" / "копия.xls", "/proc/копия.xls",
                                            data.path / "a folder"};
  for (const fs::path& target : unwritable) {
    SCOPED_TRACE(target.string());
    const std::wstring typed = platform::FromUtf8(target.string());
    dialog->SetFileName(typed);
    course.Click(320, 325);  // the dialog's Save as
    ASSERT_EQ(course.ScreenAt(400, 300), dialog) << "the dialog stays open";
    ASSERT_NE(dialog->GetFailureLabel(), nullptr);
    EXPECT_FALSE(dialog->GetFailureLabel()->IsHidden());
    EXPECT_EQ(dialog->GetFailureLabel()->GetText(), L"Не удалось сохранить файл");
    EXPECT_EQ(dialog->GetFileName(), typed) << "with the typed path";
  }
  EXPECT_FALSE(fs::exists(data.path / "no such folder"));
  EXPECT_TRUE(fs::is_empty(data.path / "a folder"));

  dialog->SetFileName(platform::FromUtf8((data.path / "копия.xls").string()));
  course.Click(320, 325);
  EXPECT_NE(course.ScreenAt(400, 300), dialog) << "a written copy closes the dialog";
  EXPECT_EQ(ReadSheets(data.path / "копия.xls").sheets.at(0).rows.size(), kRowsOfARun);
}

// Starts `flow` in a child process that cannot write where the file permissions say it cannot
// (a test run as root could write anywhere: the child becomes the account `uid`, of the group
// `gid`), with its standard error in `log`.
template <class Flow>
pid_t StartUnprivileged(const fs::path& log, Flow flow, uid_t uid = 65534, gid_t gid = 65534) {
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    if (::getuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)) {
      ::_exit(90);
    }
    if (!std::freopen(log.c_str(), "w", stderr)) ::_exit(91);
    const int status = flow();
    std::fflush(nullptr);
    ::_exit(status);
  }
  return child;
}

// The child's exit status.
int WaitFor(pid_t child) {
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

template <class Flow>
int RunUnprivileged(const fs::path& log, Flow flow, uid_t uid = 65534, gid_t gid = 65534) {
  return WaitFor(StartUnprivileged(log, flow, uid, gid));
}

std::vector<fs::path> BackupFiles(const fs::path& folder) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().filename().string().find("резервная копия") != std::string::npos) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

// A data folder that turns read-only during the session: the rows of the pupil before the
// next Start, and those of the last pupil at exit, go to backup files in the current folder.
TEST(ResultsBookFallbackTest, RowsThatCannotBeWrittenToTheDataFolderGoToBackupFiles) {
  const fs::path scratch = fs::temp_directory_path() / ("results_fallback_" + std::to_string(::getpid()));
  fs::remove_all(scratch);
  for (const char* name : {"data", "school", "home"}) {
    fs::create_directories(scratch / name);
    fs::permissions(scratch / name, fs::perms::all);
  }
  fs::permissions(scratch, fs::perms::all);
  const fs::path log = scratch / "stderr.txt";
  const int status = RunUnprivileged(log, [&] {
    if (::chdir((scratch / "school").c_str()) != 0) return 1;
    setenv("XDG_DATA_HOME", (scratch / "data").c_str(), 1);
    setenv("HOME", (scratch / "home").c_str(), 1);
    course::Driver<> course;
    course.RunToResults(L"Маша");
    ::chmod((scratch / "data" / "VELT").c_str(), 0555);
    course.Click(580, 510);  // Retry
    course.Type(L"Петя");
    course.Key(VK_RETURN);
    course.Key(VK_ESCAPE);
    course.app->stateDialog->Close();
    course.app->window->Close();
    return 0;
  });
  ASSERT_EQ(status, 0) << ReadBytes(log);

  EXPECT_TRUE(fs::is_empty(scratch / "data" / "VELT")) << "reading takes no lock: not even a lock file was made";
  const std::vector<fs::path> backups = BackupFiles(scratch / "school");
  ASSERT_EQ(backups.size(), 2u) << ReadBytes(log);
  std::vector<std::wstring> pupils;
  for (const fs::path& backup : backups) {
    const auto back = ReadSheets(backup);
    ASSERT_EQ(back.sheets.size(), 1u);
    EXPECT_EQ(back.sheets[0].rows.size(), kRowsOfARun);
    pupils.push_back(back.sheets[0].name);
    EXPECT_NE(ReadBytes(log).find(backup.string()), std::string::npos) << "stderr names " << backup;
  }
  std::sort(pupils.begin(), pupils.end());
  EXPECT_EQ(pupils, (std::vector<std::wstring>{L"Маша", L"Петя"}));
  fs::permissions(scratch / "data" / "VELT", fs::perms::all);
  fs::remove_all(scratch);
}

// A workbook another session keeps locked, or one far larger than any this program writes: it
// is left as it is, and the rows go to a backup file with a line saying why.
TEST(ResultsBookFallbackTest, AWorkbookThatMayNotBeWrittenSendsTheRowsToABackupSayingWhy) {
  workbook_test::ScratchFolder scratch;
  fs::permissions(scratch.path(), fs::perms::all);
  const fs::path locked = scratch / "locked.xls", huge = scratch / "huge.xls";
  WriteBytes(huge, "");
  fs::permissions(huge, fs::perms::all);
  ASSERT_EQ(::truncate(huge.c_str(), 200ll << 30), 0);
  const int status = RunUnprivileged(scratch / "stderr.txt", [&] {
    if (::chdir(scratch.path().c_str()) != 0) return 1;
    const int folder = workbook_io::OpenFolder(scratch.path().c_str());
    for (const fs::path& path : {locked, huge}) {
      IMStatisticsWorkbook workbook(50);
      workbook.Open(path.wstring(), L"Маша");
      workbook.AddRow(L"A", L"1", L"Number");
      // Another session's write, under way.
      if (path == locked && workbook_io::LockWithin(folder, {"locked.xls.lock", 0600, 0}) < 0) return 2;
      if (!KeepResults(&workbook, path.filename().wstring())) return 3;
    }
    return 0;
  });
  const std::string log = ReadBytes(scratch / "stderr.txt");
  ASSERT_EQ(status, 0) << log;
  EXPECT_FALSE(fs::exists(locked));
  EXPECT_EQ(fs::file_size(huge), 200ull << 30) << "left as it was";
  const std::vector<fs::path> backups = BackupFiles(scratch.path());
  ASSERT_EQ(backups.size(), 2u) << log;
  for (const fs::path& backup : backups) EXPECT_EQ(ReadSheets(backup).sheets.at(0).rows.size(), 1u);
  EXPECT_NE(log.find("locked.xls (another session kept it locked for 50 ms); they were saved to"), std::string::npos)
      << log;
  EXPECT_NE(log.find("huge.xls (" + std::string(workbook_io::kTooLarge) + "); they were saved to"), std::string::npos)
      << log;
}

// Two accounts of one group whose sessions overlap on the workbook of a folder they share:
// the first opens it, the second opens and saves, the first saves; both pupils' rows stay. Their
// umask keeps each one's files, the lock file too, read-only to the other.
TEST(ResultsBookSharedFolderTest, OverlappingSessionsOfTwoAccountsKeepBothPupilsRows) {
  if (::getuid() != 0) GTEST_SKIP() << "running as two accounts needs root";
  workbook_test::ScratchFolder scratch;
  fs::permissions(scratch.path(), fs::perms::all);
  const fs::path velt = scratch / "data" / "VELT";
  fs::create_directories(velt);
  const gid_t group = 65530;
  ASSERT_EQ(::chown(velt.c_str(), 0, group), 0);
  ASSERT_EQ(::chmod(velt.c_str(), 02770), 0);
  // The first session says it has opened the workbook on `opened`; closing `saveNow` tells it
  // to save.
  int opened[2], saveNow[2];
  ASSERT_EQ(::pipe(opened), 0);
  ASSERT_EQ(::pipe(saveNow), 0);
  const auto session = [&](const wchar_t* pupil, bool first) {
    return [&, pupil, first] {
      ::umask(022);
      setenv("XDG_DATA_HOME", (scratch / "data").c_str(), 1);
      if (::chdir(scratch.path().c_str()) != 0) return 1;
      course::Driver<> course;
      course.RunToResults(pupil);
      char byte = 'o';
      if (first && (::close(saveNow[1]) != 0 || ::write(opened[1], &byte, 1) != 1 || ::read(saveNow[0], &byte, 1) != 0)) {
        return 2;
      }
      course.app->window->Close();
      return 0;
    };
  };
  const pid_t first = StartUnprivileged(scratch / "first.txt", session(L"Маша", true), 65534, group);
  ::close(opened[1]);
  ::close(saveNow[0]);
  char byte = 0;
  const bool firstOpened = ::read(opened[0], &byte, 1) == 1;
  const int second = firstOpened ? RunUnprivileged(scratch / "second.txt", session(L"Петя", false), 65533, group) : -1;
  ::close(saveNow[1]);
  const int firstStatus = WaitFor(first);
  ::close(opened[0]);
  ASSERT_EQ(second, 0) << ReadBytes(scratch / "second.txt");
  ASSERT_EQ(firstStatus, 0) << ReadBytes(scratch / "first.txt");
  const auto back = ReadSheets(velt / (std::string("04517 Игра «Тиморвал»") + ".xls"));
  ASSERT_EQ(back.sheets.size(), 2u);
  EXPECT_EQ(back.sheets[0].name, L"Петя");
  EXPECT_EQ(back.sheets[1].name, L"Маша");
  for (const auto& sheet : back.sheets) EXPECT_EQ(sheet.rows.size(), kRowsOfARun);
  EXPECT_TRUE(BackupFiles(scratch.path()).empty());
}

// A fresh account has no ~/.local/share yet: it is made, private to the account, and the
// workbook lands there. An installed shared folder, which accounts may only read, is used.
TEST(ResultsBookPathTest, AFreshAccountsFolderIsMadePrivateAndAnInstalledOneIsUsed) {
  workbook_test::ScratchFolder scratch;
  fs::permissions(scratch.path(), fs::perms::all);
  fs::create_directories(scratch / "installed" / "VELT");
  fs::permissions(scratch / "installed", static_cast<fs::perms>(0555));
  const int status = RunUnprivileged(scratch / "stderr.txt", [&] {
    ::umask(022);
    const fs::path home = scratch / "home";
    if (::mkdir(home.c_str(), 0700) != 0) return 1;
    setenv("HOME", home.c_str(), 1);
    unsetenv("XDG_DATA_HOME");
    const fs::path local = home / ".local";
    if (ResultsBookPath(L"Игра") != platform::FromUtf8((local / "share" / "VELT" / "Игра.xls").string())) return 2;
    for (const fs::path& made : {local, local / "share", local / "share" / "VELT"}) {
      struct stat st {};
      if (::stat(made.c_str(), &st) != 0 || (st.st_mode & 07777) != 0700) return 3;
    }
    platform::headless::SetSharedDataFolder((scratch / "installed").string());
    const std::string installed = (scratch / "installed" / "VELT" / "Игра.xls").string();
    return ResultsBookPath(L"Игра") == platform::FromUtf8(installed) ? 0 : 4;
  });
  EXPECT_EQ(status, 0) << ReadBytes(scratch / "stderr.txt");
}

}  // namespace
