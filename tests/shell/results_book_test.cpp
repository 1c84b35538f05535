#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "exercise/app.h"
#include "framework/platform/headless/headless.h"
#include "framework/platform/utf.h"
#include "framework/workbook/workbook_reader.h"

namespace {

namespace fs = std::filesystem;

class ResultsBookTest : public ::testing::Test {
 protected:
  ResultsBookTest() {
    platform::headless::Reset();
    data = fs::temp_directory_path() / ("results_book_" + std::to_string(::getpid()));
    fs::create_directories(data);
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    app = App::Instance(L"04517 Игра «Тиморвал»", false);
  }
  ~ResultsBookTest() override {
    if (app) {
      app->window->OnClose(IMEvent(app->window, IM_EVENT_CLOSE));
      App::Release();
    }
    unsetenv("XDG_DATA_HOME");
    fs::remove_all(data);
  }
  fs::path File() const { return data / "VELT" / "04517 Игра «Тиморвал».xls"; }

  fs::path data;
  App* app;
};

TEST_F(ResultsBookTest, NoNameNoWorkbookAndNothingWritten) {
  app->CreateResultsBook(L"");
  EXPECT_EQ(app->workbook, nullptr);
  app->window->Close();
  EXPECT_FALSE(fs::exists(data / "VELT"));
}

TEST_F(ResultsBookTest, TheWindowsCloseSavesIntoTheSharedFolder) {
  app->CreateResultsBook(L"Маша");
  ASSERT_NE(app->workbook, nullptr);
  EXPECT_TRUE(fs::is_directory(data / "VELT"));
  app->AddStatistic(L"Количество кликов не колесом", L"3", L"Number");
  app->window->Close();
  auto back = workbook_test::ReadSheets(File());
  ASSERT_TRUE(back.wellFormed);
  ASSERT_EQ(back.sheets.size(), 1u);
  EXPECT_EQ(back.sheets[0].name, L"Маша");
  ASSERT_EQ(back.sheets[0].rows.size(), 1u);
  EXPECT_EQ(back.sheets[0].rows[0][1].text, L"3");
}

TEST_F(ResultsBookTest, ASecondStartKeepsTheFirstPupilsRows) {
  app->CreateResultsBook(L"Маша");
  app->AddStatistic(L"a", L"1", L"Number");
  app->CreateResultsBook(L"Петя");
  app->AddStatistic(L"b", L"2", L"Number");
  app->window->Close();
  auto back = workbook_test::ReadSheets(File());
  ASSERT_EQ(back.sheets.size(), 2u);
  EXPECT_EQ(back.sheets[0].rows.size(), 1u);
  EXPECT_EQ(back.sheets[1].name, L"Петя");
  EXPECT_EQ(back.sheets[1].rows.size(), 1u);
}

}  // namespace
