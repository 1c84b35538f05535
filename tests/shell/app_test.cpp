#include "shell/app.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "exercise/app.h"
#include "framework/platform/headless/headless.h"
#include "framework/workbook/workbook_reader.h"
#include "support/course.h"
#include "shell/start_time.h"

namespace {

TEST(StartTimeTest, DayMonthNameYearAndTimeWhateverTheLocale) {
  const char* old = std::getenv("TZ");
  const std::string saved = old ? old : "";
  setenv("TZ", "UTC", 1);
  tzset();
  // 5 March 2008, 14:07 UTC.
  EXPECT_EQ(FormatStartTime(1204726020), L"05-March-2008 14:07");
  EXPECT_EQ(FormatStartTime(0), L"01-January-1970 00:00");
  if (old) {
    setenv("TZ", saved.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

class AppTest : public ::testing::Test {
 protected:
  AppTest() {
    platform::headless::Reset();
    app = App::Instance(L"04517 Игра «Тиморвал»", false);
  }
  ~AppTest() override {
    app->window->Close();
    App::Release();
  }
  void Update() { app->window->Update(IMEvent(app->window, IM_EVENT_UPDATE)); }

  App* app;
};

TEST_F(AppTest, StatesRegisterOnceAndTheFirstBecomesCurrent) {
  EXPECT_EQ(app->stateName, L"Dialog1");
  ASSERT_EQ(app->states.size(), 1u);
  int built = 0;
  app->AddState(L"", [&](IMDialog*) { ++built; });
  app->AddState(L"Dialog1", [&](IMDialog*) { ++built; });
  EXPECT_EQ(app->states.size(), 1u);
  app->SetState(L"nowhere");
  EXPECT_EQ(app->stateName, L"Dialog1");
  EXPECT_EQ(App::Instance(L"ignored", true), app);  // a second call only counts a user
  App::Release();
  app->NextState();
  EXPECT_EQ(built, 0);  // the first builder stayed
  EXPECT_TRUE(app->stateName.empty());
  EXPECT_NE(app->GetExerciseScene(), nullptr);
}

TEST_F(AppTest, RestartNeverClosesAStateDialogThatIsGone) {
  app->NextState();
  IMDialog* scene = app->stateDialog;
  ASSERT_NE(scene, nullptr);
  // The dialog closes (as at the end of the praise) and the window deletes it.
  scene->Close();
  Update();
  EXPECT_EQ(app->stateDialog, nullptr);
  EXPECT_EQ(app->Restart(), 1);
}

TEST_F(AppTest, NoWorkbookMeansNoRowsAndNoTrouble) {
  course::DataFolder data;
  app->CreateResultsBook(L"Маша");
  app->NextState();
  app->stateDialog->Close();  // Маша's run: the start row, the closing rows, the empty row
  Update();
  app->CreateResultsBook(L"");  // the next pupil gives no name: Маша's workbook is written and let go
  ASSERT_EQ(app->workbook, nullptr);
  app->AddStatistic(L"caption", L"1", L"Number");
  app->NextState();
  ASSERT_NE(app->stateDialog, nullptr);
  app->stateDialog->Close();  // the stepper's closing rows, then the end of the run
  Update();
  EXPECT_EQ(app->stateName, L"Dialog1") << "the results screen is built";
  app->window->Close();
  const auto back = workbook_test::ReadSheets(data.Workbook());
  ASSERT_EQ(back.sheets.size(), 1u);
  EXPECT_EQ(back.sheets[0].rows.size(), 4u) << "Маша's rows only";
}

}  // namespace
