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
#include "framework/workbook/workbook_reader.h"
#include "support/course.h"

namespace {

namespace fs = std::filesystem;
using workbook_test::ReadBytes;
using workbook_test::ReadSheets;

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

// Runs `flow` in a child process that cannot write where the file permissions say it cannot
// (a test run as root could write anywhere: the child becomes the account `uid`), with its
// standard error in `log`. The child's exit status is returned.
template <class Flow>
int RunUnprivileged(const fs::path& log, Flow flow, uid_t uid = 65534) {
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    if (::getuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(uid) != 0 || ::setuid(uid) != 0)) {
      ::_exit(90);
    }
    if (!std::freopen(log.c_str(), "w", stderr)) ::_exit(91);
    const int status = flow();
    std::fflush(nullptr);
    ::_exit(status);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
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

  EXPECT_TRUE(fs::is_empty(scratch / "data" / "VELT"));
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

// The shared folder an installed package makes, used by one pupil account after another with
// their own umasks: each reads what the last wrote and adds a sheet; an account that may not
// write the folder keeps to its own.
TEST(ResultsBookSharedFolderTest, PupilsOfDifferentAccountsExtendOneWorkbook) {
  if (::getuid() != 0) GTEST_SKIP() << "running as two accounts needs root";
  const fs::path scratch = fs::temp_directory_path() / ("results_shared_" + std::to_string(::getpid()));
  const fs::path shared = scratch / "shared";
  fs::remove_all(scratch);
  fs::create_directories(shared);
  fs::permissions(scratch, fs::perms::all);
  struct Account {
    uid_t uid;
    mode_t umask;
    fs::perms sharedFolder;
    const wchar_t* pupil;
  };
  const fs::perms readOnly = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                             fs::perms::others_read | fs::perms::others_exec;
  for (const Account& account : {Account{65534, 077, fs::perms::all, L"Маша"}, Account{65533, 022, fs::perms::all, L"Петя"},
                                 Account{65532, 022, readOnly, L"Вася"}}) {
    const fs::path home = scratch / std::to_string(account.uid);
    fs::create_directories(home);
    fs::permissions(home, fs::perms::all);
    fs::permissions(shared, account.sharedFolder);
    const int status = RunUnprivileged(
        home / "stderr.txt",
        [&] {
          ::umask(account.umask);
          setenv("HOME", home.c_str(), 1);
          setenv("XDG_DATA_HOME", home.c_str(), 1);
          if (::chdir(home.c_str()) != 0) return 1;
          course::Driver<> course;
          platform::headless::SetSharedDataFolder(shared.string());
          course.RunToResults(account.pupil);
          course.app->window->Close();
          return 0;
        },
        account.uid);
    ASSERT_EQ(status, 0) << ReadBytes(home / "stderr.txt");
    EXPECT_TRUE(BackupFiles(home).empty()) << ReadBytes(home / "stderr.txt");
  }
  const std::string book = std::string("04517 Игра «Тиморвал»") + ".xls";
  const auto back = ReadSheets(shared / "VELT" / book);
  ASSERT_EQ(back.sheets.size(), 2u);
  EXPECT_EQ(back.sheets[0].name, L"Маша");
  EXPECT_EQ(back.sheets[1].name, L"Петя");
  for (const auto& sheet : back.sheets) EXPECT_EQ(sheet.rows.size(), kRowsOfARun);
  EXPECT_EQ(ReadSheets(scratch / "65532" / "VELT" / book).sheets.at(0).name, L"Вася");
  fs::remove_all(scratch);
}

}  // namespace
