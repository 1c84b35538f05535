// The exit menu (F12) and the credits page (Ctrl+I) over the running program.

#include <gtest/gtest.h>

#include <boost/signals2/connection.hpp>

#include "exercise/hangar_scene.h"
#include "framework/controls/edit_bar.h"
#include "framework/resources/resource_manager.h"
#include "framework/workbook/workbook_reader.h"
#include "support/course.h"

namespace {

namespace headless = platform::headless;

class ScreensTest : public ::testing::Test {
 protected:
  int CursorCount() {
    platform::ShowCursor(true);
    return platform::ShowCursor(false);
  }
  // A click where the pointer already rests.
  void Press(int x, int y) {
    course.Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    course.Send(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  }
  void CtrlI() {
    platform::SetAsyncKeyState(VK_CONTROL, true);
    course.Key('I');
    platform::SetAsyncKeyState(VK_CONTROL, false);
  }
  // Start with a name and Esc past the instruction: the hangar.
  static bool IsInformationScreen(IMDialog* screen) {
    if (!screen) return false;
    for (IMControl* child : screen->GetChildren()) {
      if (dynamic_cast<IMEditBar*>(child)) return true;
    }
    return false;
  }

  static bool VoicePlays() {
    IMResourceManager* rm = IMResourceManager::Instance();
    const unsigned voice = rm->FindSound(L"110");
    return voice != 0 && rm->IsPlaying(voice);
  }

  course::DataFolder data;
  course::Driver<> course;
  App* app = course.app;
};

TEST_F(ScreensTest, TheExitMenuLiesOverTheHangarAndTakesEveryClick) {
  course.ToTheHangar();
  course.MoveTo(100, 100);  // off the box, so that no button shows its hover picture
  const int cursor = CursorCount();
  course.Key(VK_F12);
  ASSERT_NE(app->exitMenu, nullptr);
  EXPECT_EQ(app->window->GetChildLayer(app->exitMenu), 1099);
  EXPECT_EQ(CursorCount(), cursor + 1);
  course.Key(VK_F12);
  EXPECT_EQ(CursorCount(), cursor + 1) << "one menu, one ShowCursor";
  EXPECT_EQ(course::Golden(__FILE__, "exit_menu_over_hangar"), "");

  course.Click(100, 100);  // on the shade: nothing, and the hangar below counts no click
  EXPECT_NE(app->exitMenu, nullptr);
  EXPECT_EQ(app->GetExerciseScene()->clicks, 0);
  course.Click(400, 360);  // Cancel, the third button of the box at {332, 200, 468, 400}
  EXPECT_EQ(app->exitMenu, nullptr);
  EXPECT_EQ(CursorCount(), cursor + 1) << "nothing gives the count back";
  course.Key(VK_F12);
  EXPECT_EQ(CursorCount(), cursor + 2);
}

// The pointer rests where Retry appears: the first click lands on it without a move.
// Before the exercise Retry only closes the menu: the first instruction started under it runs on.
// During the exercise an instruction F1 opened under the menu belongs to the run Retry ends: it
// closes, voice and all, before the information screen shows.
TEST_F(ScreensTest, RetryClosesTheMenuAndOnlyWhatBelongsToTheRun) {
  app->ShowInfoScreen();
  course.Pump();
  course.Type(L"Маша");
  course.MoveTo(400, 240);
  course.Key(VK_F12);
  course.Key(VK_RETURN);  // the first instruction, under the menu
  Press(400, 240);        // Retry
  EXPECT_EQ(app->exitMenu, nullptr);
  EXPECT_TRUE(app->instructionOpen);
  EXPECT_TRUE(VoicePlays()) << "the first instruction runs on";
  course.Key(VK_ESCAPE);
  ASSERT_NE(app->stateDialog, nullptr) << "and its close starts the exercise";

  course.Key(VK_F12);
  course.Key(VK_F1);  // the instruction again, under the menu
  ASSERT_TRUE(VoicePlays());
  Press(400, 240);  // Retry
  EXPECT_FALSE(app->instructionOpen);
  EXPECT_FALSE(VoicePlays()) << "no voice under the information screen";
  EXPECT_TRUE(IsInformationScreen(course.ScreenAt(400, 300)));
}

TEST_F(ScreensTest, RetryDuringTheExerciseClosesTheRunAndShowsTheInformationScreen) {
  app->ShowInfoScreen();
  course.MoveTo(400, 240);
  const std::size_t alone = IMControl::LiveCount();  // the window and one information screen
  course.Type(L"Маша");
  course.Key(VK_RETURN);
  course.Key(VK_ESCAPE);
  ASSERT_NE(app->stateDialog, nullptr);
  course.Key(VK_F12);
  Press(400, 240);  // Retry, where the pointer rests
  EXPECT_EQ(IMControl::LiveCount(), alone) << "no results screen stays alive under the information screen";
  EXPECT_EQ(app->exitMenu, nullptr);
  EXPECT_EQ(app->stateDialog, nullptr);
  EXPECT_EQ(app->GetExerciseScene(), nullptr) << "the exercise is closed";
  EXPECT_EQ(app->stateName, L"Dialog1");
  IMDialog* top = course.ScreenAt(400, 300);
  EXPECT_TRUE(IsInformationScreen(top)) << "a new information screen over everything";
  // Its empty field has the focus: Enter starts the next pupil's run with the instruction.
  course.Key(VK_RETURN);
  EXPECT_TRUE(app->instructionOpen);
  // The run that Retry ended has its closing rows: extra instruction calls, total time, empty.
  app->window->Close();
  const auto back = workbook_test::ReadSheets(data.Workbook());
  ASSERT_EQ(back.sheets.size(), 1u);
  const auto& rows = back.sheets[0].rows;
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0][0].text, L"Время начала работы с упражнением");
  EXPECT_EQ(rows[1][0].text, L"Количество дополнительных вызовов инструкций");
  EXPECT_EQ(rows[2][0].text, L"Общее время работы с упражнением. с.");
  EXPECT_TRUE(rows[3].empty());
}

TEST_F(ScreensTest, EnterReachesTheInformationScreenUnderTheMenu) {
  app->ShowInfoScreen();
  course.Pump();
  course.Type(L"Маша");
  course.Key(VK_F12);
  course.Key(VK_RETURN);
  EXPECT_TRUE(app->instructionOpen) << "the instruction opens under the menu";
  EXPECT_NE(app->workbook, nullptr);
  ASSERT_NE(app->exitMenu, nullptr) << "which stays open";
  EXPECT_FALSE(IsInformationScreen(course.ScreenAt(100, 100)));
}

TEST_F(ScreensTest, CloseInTheMenuEndsTheProgram) {
  int closing = 0;
  boost::signals2::scoped_connection watch =
      app->window->ConnectOnClose([&](const IMEvent&) { ++closing; return 0L; });
  course.Key(VK_F12);
  course.MoveTo(400, 280);
  course.Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(400, 280));
  platform::PostMessage(IMWindow::Handle(), WM_LBUTTONUP, 0, MAKELPARAM(400, 280));
  IMWindow::Run(app->window);  // returns on the quit the close posts
  EXPECT_EQ(closing, 1);
}

TEST_F(ScreensTest, CtrlIOpensTheCreditsOnceAndGivesTheCursorBack) {
  platform::ShowCursor(false);  // hidden, as during the instruction
  ASSERT_EQ(CursorCount(), -1);
  course.Key('I');
  EXPECT_FALSE(g_CreditsOpen);  // no Ctrl held
  platform::SetAsyncKeyState(VK_CONTROL, true);
  course.Key(0xD8);  // only the low byte counts, and this is one of the accepted codes
  platform::SetAsyncKeyState(VK_CONTROL, false);
  ASSERT_TRUE(g_CreditsOpen);
  EXPECT_EQ(CursorCount(), 2);
  CtrlI();
  EXPECT_EQ(CursorCount(), 2);
  EXPECT_EQ(course::Golden(__FILE__, "credits"), "");

  course.Click(765, 32);  // the Exit button
  EXPECT_FALSE(g_CreditsOpen);
  EXPECT_EQ(CursorCount(), -1);
}

TEST_F(ScreensTest, TheCreditsLieOverTheExitMenu) {
  course.ToTheHangar();
  course.Key(VK_F12);
  CtrlI();
  ASSERT_TRUE(g_CreditsOpen);
  EXPECT_EQ(course::Golden(__FILE__, "credits"), "") << "nothing of the menu shows through";
  course.Click(400, 360);  // where the menu's Cancel is: the credits take it
  EXPECT_NE(app->exitMenu, nullptr);
  course.Click(765, 32);
  EXPECT_FALSE(g_CreditsOpen);
  EXPECT_EQ(course::Golden(__FILE__, "exit_menu_over_hangar"), "") << "the menu shows again as it was";
  course.Click(400, 360);
  EXPECT_EQ(app->exitMenu, nullptr);
}

}  // namespace
