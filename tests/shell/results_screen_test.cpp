// The information and results screens driven as a pupil would: typing, Enter, clicks.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "support/course.h"

namespace {

namespace headless = platform::headless;
namespace fs = std::filesystem;

class RunScreensTest : public ::testing::Test {
 protected:
  RunScreensTest() { headless::ResetPrinting(); }
  ~RunScreensTest() override { headless::ResetPrinting(); }
  IMDialog* RunToResults(const std::wstring& name) { return course.RunToResults(name); }
  void Send(UINT message, WPARAM wParam, LPARAM lParam = 0) { course.Send(message, wParam, lParam); }
  void Click(int x, int y) { course.Click(x, y); }
  IMControl* ControlAt(IMDialog* screen, int x, int y) { return course.ControlAt(screen, x, y); }

  course::DataFolder data;
  course::Driver<> course;
  App* app = course.app;
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
  EXPECT_FALSE(fs::exists(data.path / "VELT"));
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
