// The information and results screens driven as a pupil would: typing, Enter, clicks.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "exercise/app.h"
#include "framework/platform/headless/headless.h"
#include "framework/platform/platform.h"
#include "framework/platform/utf.h"
#include "framework/workbook/workbook_reader.h"

namespace {

namespace headless = platform::headless;
namespace fs = std::filesystem;

class RunScreensTest : public ::testing::Test {
 protected:
  RunScreensTest() {
    headless::Reset();
    headless::ResetPrinting();
    headless::SetCursorPos(400, 300);
    data = fs::temp_directory_path() / ("run_screens_" + std::to_string(::getpid()));
    fs::create_directories(data);
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    app = App::Instance(L"04517 Игра «Тиморвал»", false);
  }
  ~RunScreensTest() override {
    app->window->OnClose(IMEvent(app->window, IM_EVENT_CLOSE));
    App::Release();
    unsetenv("XDG_DATA_HOME");
    fs::remove_all(data);
    headless::ResetPrinting();
  }
  void Send(UINT message, WPARAM wParam, LPARAM lParam = 0) {
    platform::PostMessage(IMWindow::Handle(), message, wParam, lParam);
    headless::SetIdleHook([] { platform::PostQuitMessage(0); });
    IMWindow::Run(app->window);
  }
  void Click(int x, int y) {
    Send(WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    Send(WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  }
  // From the information screen with that name into the exercise, then to the results as
  // the praise's end does it.
  IMDialog* RunToResults(const std::wstring& name) {
    app->ShowInfoScreen();
    Type(name);
    Send(WM_KEYDOWN, VK_RETURN);
    EXPECT_TRUE(app->instructionOpen);
    Send(WM_KEYDOWN, VK_ESCAPE);
    EXPECT_NE(app->stateDialog, nullptr);
    app->stateDialog->Close();
    Send(WM_MOUSEMOVE, 0, MAKELPARAM(400, 300));
    return static_cast<IMDialog*>(app->window->GetHoveredChild());
  }
  // One character message per UTF-16 unit, as the platform delivers typed text.
  void Type(const std::wstring& text) {
    for (wchar_t c : text) {
      std::u16string units;
      platform::AppendUtf16(units, c);
      for (char16_t unit : units) Send(WM_CHAR, unit);
    }
  }
  IMControl* ControlAt(IMDialog* screen, int x, int y) {
    Send(WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    return screen->GetHoveredChild();
  }

  fs::path data;
  App* app;
};

TEST_F(RunScreensTest, WithoutANameThereIsNoWorkbookAndPrintAndSaveAreGrey) {
  IMDialog* results = RunToResults(L"");
  EXPECT_EQ(app->workbook, nullptr);
  ASSERT_NE(results, nullptr);
  for (POINT p : {POINT{70, 510}, POINT{200, 510}}) {
    IMControl* button = ControlAt(results, p.x, p.y);
    ASSERT_NE(button, nullptr);
    EXPECT_FALSE(button->IsEnabled());
  }
  const auto before = app->window->GetRect();
  Click(70, 510);
  EXPECT_TRUE(EqualRect(app->window->GetRect(), before));
  EXPECT_FALSE(fs::exists(data / "VELT"));
}

TEST_F(RunScreensTest, EnterOnTheResultsPlaysAgainWithoutTheInstruction) {
  IMDialog* results = RunToResults(L"Маша");
  ASSERT_NE(app->workbook, nullptr);
  EXPECT_EQ(app->stateName, L"Dialog1");
  Send(WM_KEYDOWN, VK_RETURN);  // no focus yet: nothing happens
  EXPECT_EQ(app->stateDialog, nullptr);
  Click(400, 420);  // a click on the screen gives it the focus
  Send(WM_KEYDOWN, VK_RETURN);
  EXPECT_NE(app->stateDialog, nullptr);
  EXPECT_FALSE(app->instructionOpen);
  EXPECT_FALSE(app->window->HasChild(results));  // closed and deleted by the idle pass
}

TEST_F(RunScreensTest, RetryShowsTheInformationScreenAgain) {
  IMDialog* results = RunToResults(L"Маша");
  Click(580, 510);  // Retry
  EXPECT_FALSE(app->window->HasChild(results));  // closed and deleted by the idle pass
  // The new information screen has the focus in its empty name field: Enter starts again.
  Send(WM_KEYDOWN, VK_RETURN);
  EXPECT_TRUE(app->instructionOpen);
}

TEST_F(RunScreensTest, RetryDuringTheExerciseWritesTheClosingRowsAndLeavesOnlyTheInformationScreen) {
  app->ShowInfoScreen();
  Send(WM_MOUSEMOVE, 0, MAKELPARAM(400, 300));
  const std::size_t alone = IMControl::LiveCount();  // the window and one information screen
  Type(L"Маша");
  Send(WM_KEYDOWN, VK_RETURN);
  Send(WM_KEYDOWN, VK_ESCAPE);
  ASSERT_NE(app->stateDialog, nullptr);
  Send(WM_KEYDOWN, VK_F12);
  Click(400, 240);  // Retry
  EXPECT_EQ(app->stateDialog, nullptr);
  EXPECT_EQ(app->stateName, L"Dialog1");
  EXPECT_EQ(IMControl::LiveCount(), alone) << "the results screen under the information screen";

  app->SaveResults();
  const auto back = workbook_test::ReadSheets(data / "VELT" / "04517 Игра «Тиморвал».xls");
  ASSERT_EQ(back.sheets.size(), 1u);
  const auto& rows = back.sheets[0].rows;
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0][0].text, L"Время начала работы с упражнением");
  EXPECT_EQ(rows[1][0].text, L"Количество дополнительных вызовов инструкций");
  EXPECT_EQ(rows[2][0].text, L"Общее время работы с упражнением. с.");
  EXPECT_TRUE(rows[3].empty());
}

TEST_F(RunScreensTest, TypedTextReachesTheWorkbookAndTheFileNameWhole) {
  // Ctrl+A and Ctrl+Backspace come as characters 1 and 0x7F; the emoji as two halves.
  RunToResults(L"Ма\x01ша\x7F\U0001F600");
  EXPECT_EQ(app->pupilName, L"Маша\U0001F600");
  const std::wstring own = app->workbook->GetPath();
  Click(200, 510);  // Save as, with the workbook's own path in the field
  Type(L"\x13\U0001F600");  // Ctrl+S, then the emoji after the path
  Click(220 + 30 + 74, 225 + 79 + 23);
  const fs::path copy(platform::ToUtf8(own + L"\U0001F600"));
  ASSERT_TRUE(fs::exists(copy)) << copy;
  const auto back = workbook_test::ReadSheets(copy);
  ASSERT_EQ(back.sheets.size(), 1u);
  EXPECT_EQ(back.sheets[0].name, L"Маша\U0001F600");
}

TEST_F(RunScreensTest, PrintingPutsTheHeaderAndTheRowsOnThePrinter) {
  headless::SetPrinters({headless::Printer{L"PDF"}}, L"PDF");
  RunToResults(L"Маша");
  Click(70, 510);  // Print opens the printer dialog with the default selected
  app->PrintResults(platform::CreateDCW(nullptr, L"PDF", nullptr, nullptr));
  const auto documents = headless::PrintedDocuments();
  ASSERT_EQ(documents.size(), 1u);
  ASSERT_FALSE(documents[0].pages.empty());
  const auto& texts = documents[0].pages[0].texts;
  ASSERT_GE(texts.size(), 6u);
  EXPECT_EQ(texts[0].text.rfind(L"Название", 0), 0u);
  EXPECT_EQ(texts[2].text.rfind(L"Номер ЦОР", 0), 0u);
  EXPECT_EQ(texts[4].text.rfind(L"Ученик", 0), 0u);
}

}  // namespace
