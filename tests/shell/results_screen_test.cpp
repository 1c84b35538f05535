// The information and results screens driven as a pupil would: typing, Enter, clicks.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "framework/platform/utf.h"
#include "framework/workbook/workbook_reader.h"
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
  EXPECT_EQ(course::Golden(__FILE__, "results_without_a_name"), "");
  for (POINT p : {POINT{70, 510}, POINT{200, 510}}) {
    auto* button = dynamic_cast<IMButtonBase<IMStateView>*>(ControlAt(results, p.x, p.y));
    ASSERT_NE(button, nullptr);
    EXPECT_FALSE(button->IsEnabled());
    EXPECT_EQ(button->tint, 0xFF808080u) << "grey";
    Click(p.x, p.y);
    EXPECT_EQ(course.ScreenAt(400, 300), results) << "no dialog opens";
  }
  EXPECT_TRUE(headless::PrintedDocuments().empty());
  app->window->Close();
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

TEST_F(RunScreensTest, TypedTextReachesTheWorkbookAndTheFileNameWhole) {
  // Ctrl+A and Ctrl+Backspace come as characters 1 and 0x7F; the emoji as two halves.
  RunToResults(L"Ма\x01ша\x7F\U0001F600");
  EXPECT_EQ(app->pupilName, L"Маша\U0001F600");
  const std::wstring own = app->workbook->GetPath();
  Click(200, 510);  // Save as, with the workbook's own path in the field
  course.Type(L"\x13\U0001F600");  // Ctrl+S, then the emoji after the path
  Click(220 + 30 + 74, 225 + 79 + 23);
  const fs::path copy(platform::ToUtf8(own + L"\U0001F600"));
  ASSERT_TRUE(fs::exists(copy)) << copy;
  const auto back = workbook_test::ReadSheets(copy);
  ASSERT_EQ(back.sheets.size(), 1u);
  EXPECT_EQ(back.sheets[0].name, L"Маша\U0001F600");
}

TEST_F(RunScreensTest, PrintGoesThroughThePrinterDialogsConfirm) {
  headless::SetPrinters({headless::Printer{L"Office"}, headless::Printer{L"PDF"}}, L"PDF");
  IMDialog* results = RunToResults(L"Маша");
  Click(70, 510);  // Print opens the printer dialog with the default selected
  IMDialog* dialog = course.ScreenAt(400, 300);
  ASSERT_NE(dialog, results);
  EXPECT_TRUE(headless::PrintedDocuments().empty()) << "nothing prints before the confirm";
  Click(220 + 30 + 74, 125 + 179 + 23);  // the dialog's Print
  EXPECT_EQ(course.ScreenAt(400, 300), results) << "the dialog closes after printing";

  const auto documents = headless::PrintedDocuments();
  ASSERT_EQ(documents.size(), 1u);
  EXPECT_EQ(documents[0].printer, L"PDF");
  EXPECT_EQ(documents[0].state, headless::PrintedDocument::State::kPrinted);
  ASSERT_EQ(documents[0].pages.size(), 1u);
  std::vector<std::wstring> texts;
  for (const auto& text : documents[0].pages[0].texts) texts.push_back(text.text);
  // The header in the map's order, then the run's rows, caption and value.
  ASSERT_GE(texts.size(), 12u);
  EXPECT_EQ(std::vector<std::wstring>(texts.begin(), texts.begin() + 6),
            (std::vector<std::wstring>{L"Название", L"Игра «Тиморвал»", L"Номер ЦОР", L"04517", L"Ученик", L"Маша"}));
  EXPECT_EQ(texts[6], L"Время начала работы с упражнением");
  EXPECT_EQ(texts[8], L"Количество дополнительных вызовов инструкций");
  EXPECT_EQ(texts[9], L"0");
  EXPECT_EQ(texts[10], L"Общее время работы с упражнением. с.");
}

TEST_F(RunScreensTest, APrintThatDidNotHappenSaysSoAndTheDialogStays) {
  IMDialog* results = RunToResults(L"Маша");
  // First no printer to choose, then a printer whose job cannot start.
  for (bool printer : {false, true}) {
    SCOPED_TRACE(printer);
    if (printer) {
      headless::SetPrinters({headless::Printer{L"PDF"}}, L"PDF");
      headless::FailPrintStep(headless::PrintStep::kStartDoc);
    }
    Click(70, 510);  // Print
    auto* dialog = dynamic_cast<IMSelectPrinterDialog*>(course.ScreenAt(400, 300));
    ASSERT_NE(dialog, nullptr);
    Click(220 + 30 + 74, 125 + 179 + 23);  // the dialog's Print
    ASSERT_EQ(course.ScreenAt(400, 300), dialog) << "the dialog stays open";
    ASSERT_NE(dialog->GetFailureLabel(), nullptr);
    EXPECT_EQ(dialog->GetFailureLabel()->GetText(), L"Не удалось напечатать");
    Click(220 + 221 + 55, 125 + 179 + 23);  // its Close
    EXPECT_EQ(course.ScreenAt(400, 300), results);
  }
}

}  // namespace
