// A session that ends without the program being closed keeps its rows: in the hangar the
// display goes away, or the terminal is closed (SIGHUP), or Ctrl+C is pressed (SIGINT), each
// twice over. The loop closes the window by itself, the close saves once, and the process then
// ends as the session did.

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

#include "framework/platform/session_end.h"
#include "framework/platform/system_window.h"
#include "framework/resources/resource_manager.h"
#include "framework/workbook/workbook_reader.h"
#include "support/course.h"

namespace {

namespace headless = platform::headless;

// The parameter: the signal that ends the session, or 0 for the display going away.
class SessionEnd : public ::testing::TestWithParam<int> {
 protected:
  void End() const {
    if (GetParam()) std::raise(GetParam());
    else headless::LoseDisplay();
  }
};

TEST_P(SessionEnd, TheWindowClosesItselfTheRowsAreSavedOnceAndTheProcessEndsAsTheSessionDid) {
  course::DataFolder data;
  course::Driver<> course;
  course.ToTheHangar(L"Маша");
  const std::uint64_t frames = headless::PresentedFrame().presentCount;
  int passes = 0;
  // A loop that does not end by itself is ended on its next idle pass.
  headless::SetIdleHook([&] {
    if (++passes > 1) return platform::PostQuitMessage(0);
    End();
    End();
  });
  IMWindow::Run(course.app->window);
  headless::SetIdleHook(nullptr);
  EXPECT_EQ(passes, 1);
  EXPECT_EQ(platform::MainWindowHandle(), nullptr);
  // Nothing is drawn for a display that has gone: the device is lost for good.
  if (!GetParam()) {
    EXPECT_TRUE(IMResourceManager::Instance()->IsDeviceLost());
    EXPECT_EQ(headless::PresentedFrame().presentCount, frames);
  }

  const auto back = workbook_test::ReadSheets(data.Workbook());
  ASSERT_TRUE(back.wellFormed);
  ASSERT_EQ(back.sheets.size(), 1u);
  EXPECT_EQ(back.sheets[0].name, L"Маша");
  ASSERT_EQ(back.sheets[0].rows.size(), 1u);
  EXPECT_EQ(back.sheets[0].rows[0][0].text, L"Время начала работы с упражнением");

  GTEST_FLAG_SET(death_test_style, "threadsafe");
  if (GetParam()) {
    EXPECT_EXIT(std::_Exit(platform::EndSession()), testing::KilledBySignal(GetParam()), "");
  } else {
    EXPECT_EXIT(std::_Exit(platform::EndSession()), testing::ExitedWithCode(platform::kDisplayLostExitCode),
                "^The display.* went away; the session ended as a close ends it\n$");
  }
}

INSTANTIATE_TEST_SUITE_P(Endings, SessionEnd, testing::Values(0, SIGHUP, SIGINT), [](const auto& info) {
  return std::string(info.param == 0 ? "DisplayLost" : info.param == SIGHUP ? "Hangup" : "Interrupt");
});

}  // namespace
