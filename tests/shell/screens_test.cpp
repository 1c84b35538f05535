// The exit menu (F12) and the credits page (Ctrl+I) over the running program.

#include <gtest/gtest.h>

#include <boost/signals2/connection.hpp>

#include "exercise/app.h"
#include "framework/platform/headless/headless.h"
#include "framework/platform/platform.h"
#include "support/png_file.h"

namespace {

namespace headless = platform::headless;

class ScreensTest : public ::testing::Test {
 protected:
  ScreensTest() {
    headless::Reset();
    headless::SetCursorPos(400, 300);
    app = App::Instance(L"04517 Игра «Тиморвал»", false);
  }
  ~ScreensTest() override {
    app->window->Close();
    App::Release();
    headless::Reset();
  }

  void Send(UINT message, WPARAM wParam, LPARAM lParam = 0) {
    platform::PostMessage(IMWindow::Handle(), message, wParam, lParam);
    headless::SetIdleHook([] { platform::PostQuitMessage(0); });
    IMWindow::Run(app->window);
  }
  void Key(WPARAM vk) {
    Send(WM_KEYDOWN, vk);
    Send(WM_KEYUP, vk);
  }
  void Click(int x, int y) {
    Send(WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    Send(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  }
  int CursorCount() {
    platform::ShowCursor(true);
    return platform::ShowCursor(false);
  }
  void SaveFrame(const char* name) {
    const auto& f = headless::PresentedFrame();
    testing_support::WritePng(std::string(::testing::TempDir()) + name, {f.width, f.height, f.pixels});
  }

  App* app;
};

TEST_F(ScreensTest, F12OpensOneExitMenuAndEachOpeningShowsTheCursorOnce) {
  Key(VK_F12);
  ASSERT_NE(app->exitMenu, nullptr);
  EXPECT_EQ(app->window->GetChildLayer(app->exitMenu), 1099);
  EXPECT_EQ(CursorCount(), 1);
  Key(VK_F12);
  EXPECT_EQ(CursorCount(), 1);
  SaveFrame("exit_menu.png");

  Click(400, 360);  // Cancel, the third button of the box at {332, 200, 468, 400}
  EXPECT_EQ(app->exitMenu, nullptr);
  EXPECT_EQ(CursorCount(), 1);  // nothing gives the count back
  Key(VK_F12);
  EXPECT_EQ(CursorCount(), 2);
}

TEST_F(ScreensTest, RetryWithoutAStateOnlyClosesTheMenu) {
  Key(VK_F12);
  Click(400, 240);  // Retry
  EXPECT_EQ(app->exitMenu, nullptr);
  EXPECT_EQ(app->stateDialog, nullptr);
}

TEST_F(ScreensTest, CloseInTheMenuEndsTheProgram) {
  int closing = 0;
  boost::signals2::scoped_connection watch =
      app->window->ConnectOnClose([&](const IMEvent&) { ++closing; return 0L; });
  Key(VK_F12);
  Send(WM_MOUSEMOVE, 0, MAKELPARAM(400, 280));
  Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(400, 280));
  platform::PostMessage(IMWindow::Handle(), WM_LBUTTONUP, 0, MAKELPARAM(400, 280));
  IMWindow::Run(app->window);  // returns on the quit the close posts
  EXPECT_EQ(closing, 1);
}

TEST_F(ScreensTest, CtrlIOpensTheCreditsOnceAndGivesTheCursorBack) {
  platform::ShowCursor(false);  // hidden, as during the instruction
  ASSERT_EQ(CursorCount(), -1);
  Key('I');
  EXPECT_FALSE(g_CreditsOpen);  // no Ctrl held
  platform::SetAsyncKeyState(VK_CONTROL, true);
  Key(0xD8);  // only the low byte counts, and this is one of the accepted codes
  platform::SetAsyncKeyState(VK_CONTROL, false);
  ASSERT_TRUE(g_CreditsOpen);
  EXPECT_EQ(CursorCount(), 2);
  platform::SetAsyncKeyState(VK_CONTROL, true);
  Key('I');
  platform::SetAsyncKeyState(VK_CONTROL, false);
  EXPECT_EQ(CursorCount(), 2);
  SaveFrame("credits.png");

  Click(765, 32);  // the Exit button
  EXPECT_FALSE(g_CreditsOpen);
  EXPECT_EQ(CursorCount(), -1);
}

}  // namespace
