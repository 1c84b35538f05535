// A save killed at any moment leaves the last complete workbook on disk, never less.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include "framework/workbook/statistics_workbook.h"
#include "framework/workbook/workbook_reader.h"

namespace {

std::wstring Caption(size_t n) { return L"строка " + std::to_wstring(n); }

// Opens the workbook, tells the parent it is ready, then adds a row and saves, over and over,
// telling the parent of each completed save.
[[noreturn]] void SaveUntilKilled(const std::wstring& path, size_t rowsOnDisk, int readyPipe) {
  IMStatisticsWorkbook workbook;
  workbook.Open(path, L"Ученик");
  const char ready = 'r';
  if (::write(readyPipe, &ready, 1) != 1) ::_exit(3);
  for (size_t n = rowsOnDisk; n < rowsOnDisk + 100000; ++n) {
    workbook.AddRow(Caption(n), std::to_wstring(n), L"Number");
    if (!workbook.Save(L"")) ::_exit(2);
    const char saved = 's';
    if (::write(readyPipe, &saved, 1) != 1) ::_exit(3);
  }
  ::_exit(0);
}

}  // namespace

TEST(WorkbookDurabilityTest, KilledSavesLeaveTheLastCompleteWorkbook) {
  workbook_test::ScratchFolder folder;
  const std::filesystem::path path = folder / "stats.xls";
  {
    // Start with enough rows that a save takes long enough to be killed half-way.
    IMStatisticsWorkbook workbook;
    workbook.Open(path.wstring(), L"Ученик");
    for (size_t n = 0; n < 300; ++n) workbook.AddRow(Caption(n), std::to_wstring(n), L"Number");
    ASSERT_TRUE(workbook.Save(L""));
  }
  size_t rowsOnDisk = 300;
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> killDelayMicroseconds(0, 4000);

  constexpr int kKills = 200;
  for (int kill = 0; kill < kKills; ++kill) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(ready[0]);
      SaveUntilKilled(path.wstring(), rowsOnDisk, ready[1]);
    }
    ::close(ready[1]);
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1) << "the child did not start";
    // Every tenth child is killed only after a save of its own has completed, so the workbook
    // grows however slowly this machine saves (a sanitizer build under load may never finish one
    // within the random delays).
    if (kill % 10 == 9) {
      ASSERT_EQ(::read(ready[0], &byte, 1), 1) << "the child saved nothing";
    }
    // Only the moment of the kill is random; the child saves flat out meanwhile.
    std::this_thread::sleep_for(std::chrono::microseconds(killDelayMicroseconds(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::close(ready[0]);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child stopped by itself, status " << status;

    const auto read = workbook_test::ReadSheets(path);
    ASSERT_TRUE(read.wellFormed) << "after kill " << kill;
    ASSERT_EQ(read.sheets.size(), 1u);
    const auto& rows = read.sheets[0].rows;
    ASSERT_GE(rows.size(), rowsOnDisk) << "rows were lost at kill " << kill;
    for (size_t n = 0; n < rows.size(); ++n) {
      const std::vector<workbook_test::Cell> expected = {{L"String", Caption(n)}, {L"Number", std::to_wstring(n)}};
      ASSERT_EQ(rows[n], expected) << "row " << n << " after kill " << kill;
    }
    rowsOnDisk = rows.size();
  }
  EXPECT_GT(rowsOnDisk, 300u) << "no save ever completed";
  std::printf("rows on disk after %d kills: %zu\n", kKills, rowsOnDisk);
  EXPECT_FALSE(std::filesystem::exists(folder / "stats.xls.damaged"));
}
