#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "framework/platform/headless/headless.h"
#include "framework/platform/printing.h"
#include "framework/workbook/statistics_workbook.h"
#include "framework/workbook/workbook_reader.h"

namespace {

using platform::headless::PrintedDocument;
using platform::headless::PrintedPage;
using platform::headless::PrintedText;
using platform::headless::PrintStep;

using Header = std::map<std::wstring, std::wstring>;

const Header kShellHeader = {
    {L"Номер ЦОР", L"04517"}, {L"Название", L"Игра «Тиморвал»"}, {L"Ученик", L"Маша"}};

class WorkbookPrintingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::headless::ResetPrinting();
    workbook_.Open(folder_.Wide("results.xls"), L"Маша");
  }
  void TearDown() override {
    if (dc_) platform::DeleteDC(dc_);
    platform::headless::ResetPrinting();
  }

  // A printer whose printable area is width x height device pixels at 600 dpi.
  void UsePrinter(int width, int height) {
    platform::headless::SetPrinters({{L"PDF", width, height, 600}}, L"PDF");
    dc_ = platform::CreateDCW(nullptr, L"PDF", nullptr, nullptr);
    ASSERT_NE(dc_, nullptr);
    platform::TEXTMETRICW tm;
    ASSERT_TRUE(platform::GetTextMetricsW(dc_, &tm));
    line_ = tm.tmHeight + tm.tmExternalLeading;
    margin_ = tm.tmAveCharWidth;
    ASSERT_GT(line_, 0);
    ASSERT_GT(margin_, 0);
  }

  int Width(const std::wstring& text) const {
    platform::SIZE size;
    EXPECT_TRUE(platform::GetTextExtentPoint32W(dc_, text.c_str(), static_cast<int>(text.size()), &size));
    return size.cx;
  }

  // Where the second text of a line starts after `first`, on a page `pageWidth` wide.
  int SecondColumn(const std::wstring& first, int pageWidth) const {
    return margin_ + std::max(pageWidth / 2, margin_ + Width(first));
  }

  static PrintedDocument OnlyDocument() {
    const auto documents = platform::headless::PrintedDocuments();
    EXPECT_EQ(documents.size(), 1u);
    return documents.empty() ? PrintedDocument{} : documents[0];
  }

  static void ExpectText(const PrintedText& text, int x, int y, const std::wstring& expected) {
    EXPECT_EQ(text.x, x) << platform::ToUtf8(expected);
    EXPECT_EQ(text.y, y) << platform::ToUtf8(expected);
    EXPECT_EQ(text.text, expected);
  }

  workbook_test::ScratchFolder folder_;
  IMStatisticsWorkbook workbook_;
  platform::HDC dc_ = nullptr;
  int line_ = 0;
  int margin_ = 0;
};

TEST_F(WorkbookPrintingTest, HeaderBlankLineThenRowsInTwoColumns) {
  UsePrinter(4961, 7016);
  workbook_.AddRow(L"Время выполнения", L"12345", L"Number");
  workbook_.AddEmptyRow();
  workbook_.AddRow(L"Он сказал \"да\"", L"ёлка", L"String");
  ASSERT_TRUE(workbook_.Print(dc_, kShellHeader));

  const PrintedDocument document = OnlyDocument();
  EXPECT_EQ(document.name, L"Print1: Printing");
  EXPECT_EQ(document.state, PrintedDocument::State::kPrinted);
  ASSERT_EQ(document.pages.size(), 1u);
  const auto& texts = document.pages[0].texts;
  ASSERT_EQ(texts.size(), 10u);
  // The header in the map's order, each value in the second column.
  ExpectText(texts[0], margin_, line_, L"Название");
  ExpectText(texts[1], SecondColumn(L"Название", 4961), line_, L"Игра «Тиморвал»");
  ExpectText(texts[2], margin_, 2 * line_, L"Номер ЦОР");
  ExpectText(texts[3], SecondColumn(L"Номер ЦОР", 4961), 2 * line_, L"04517");
  ExpectText(texts[4], margin_, 3 * line_, L"Ученик");
  ExpectText(texts[5], SecondColumn(L"Ученик", 4961), 3 * line_, L"Маша");
  // A blank line, the rows; the empty row only takes its line.
  ExpectText(texts[6], margin_, 5 * line_, L"Время выполнения");
  ExpectText(texts[7], SecondColumn(L"Время выполнения", 4961), 5 * line_, L"12345");
  ExpectText(texts[8], margin_, 7 * line_, L"Он сказал 'да'");
  ExpectText(texts[9], SecondColumn(L"Он сказал 'да'", 4961), 7 * line_, L"ёлка");
  EXPECT_EQ(texts[1].x, margin_ + 4961 / 2);
}

TEST_F(WorkbookPrintingTest, TextWiderThanHalfThePagePushesTheSecondColumnRight) {
  UsePrinter(1200, 7016);
  const std::wstring caption = L"Очень длинная подпись строки";
  ASSERT_GT(margin_ + Width(caption), 600);
  workbook_.AddRow(caption, L"7", L"Number");
  ASSERT_TRUE(workbook_.Print(dc_, {{caption, L"значение"}}));

  const PrintedDocument document = OnlyDocument();
  ASSERT_EQ(document.pages.size(), 1u);
  const auto& texts = document.pages[0].texts;
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[1].x, 2 * margin_ + Width(caption));
  EXPECT_EQ(texts[3].x, 2 * margin_ + Width(caption));
}

TEST_F(WorkbookPrintingTest, RowsFlowOntoNewPagesWithoutATrailingBlankPage) {
  // Six lines high: with no header the rows start on line 2; the row that brings the next
  // line within one line height of the bottom is the last on its page.
  UsePrinter(4961, 0);
  platform::DeleteDC(dc_);
  platform::headless::SetPrinters({{L"PDF", 4961, 6 * line_, 600}}, L"PDF");
  dc_ = platform::CreateDCW(nullptr, L"PDF", nullptr, nullptr);
  ASSERT_NE(dc_, nullptr);
  for (int i = 1; i <= 7; ++i) workbook_.AddRow(L"Строка " + std::to_wstring(i), L"1", L"Number");
  ASSERT_TRUE(workbook_.Print(dc_, {}));

  auto firstColumn = [](const PrintedPage& page) {
    std::vector<std::pair<std::wstring, int>> rows;
    for (size_t i = 0; i < page.texts.size(); i += 2) rows.emplace_back(page.texts[i].text, page.texts[i].y);
    return rows;
  };
  PrintedDocument document = OnlyDocument();
  ASSERT_EQ(document.pages.size(), 2u);  // the seventh row fills page 2 exactly
  EXPECT_EQ(firstColumn(document.pages[0]),
            (std::vector<std::pair<std::wstring, int>>{
                {L"Строка 1", 2 * line_}, {L"Строка 2", 3 * line_}, {L"Строка 3", 4 * line_}}));
  EXPECT_EQ(firstColumn(document.pages[1]),
            (std::vector<std::pair<std::wstring, int>>{{L"Строка 4", line_},
                                                        {L"Строка 5", 2 * line_},
                                                        {L"Строка 6", 3 * line_},
                                                        {L"Строка 7", 4 * line_}}));
  EXPECT_TRUE(document.pages[0].ended && document.pages[1].ended);

  platform::headless::ResetPrinting();
  platform::headless::SetPrinters({{L"PDF", 4961, 6 * line_, 600}}, L"PDF");
  workbook_.AddRow(L"Строка 8", L"1", L"Number");
  ASSERT_TRUE(workbook_.Print(dc_, {}));
  document = OnlyDocument();
  ASSERT_EQ(document.pages.size(), 3u);
  ASSERT_EQ(document.pages[2].texts.size(), 2u);
  ExpectText(document.pages[2].texts[0], margin_, line_, L"Строка 8");
}

TEST_F(WorkbookPrintingTest, WithoutRowsOrCellsOnlyTheHeaderIsPrinted) {
  UsePrinter(4961, 7016);
  ASSERT_TRUE(workbook_.Print(dc_, kShellHeader));
  PrintedDocument document = OnlyDocument();
  ASSERT_EQ(document.pages.size(), 1u);
  EXPECT_EQ(document.pages[0].texts.size(), 6u);

  // Rows with no cells advance the line and print nothing.
  platform::headless::ResetPrinting();
  platform::headless::SetPrinters({{L"PDF", 4961, 7016, 600}}, L"PDF");
  workbook_.AddEmptyRow();
  workbook_.AddEmptyRow();
  workbook_.AddRow(L"После", L"1", L"Number");
  ASSERT_TRUE(workbook_.Print(dc_, {}));
  document = OnlyDocument();
  ASSERT_EQ(document.pages.size(), 1u);
  ASSERT_EQ(document.pages[0].texts.size(), 2u);
  ExpectText(document.pages[0].texts[0], margin_, 4 * line_, L"После");
}

TEST_F(WorkbookPrintingTest, NoContextNoWorkbookOrAFailingSpoolerPrintNothing) {
  UsePrinter(4961, 7016);
  workbook_.AddRow(L"Время", L"1", L"Number");

  EXPECT_FALSE(workbook_.Print(nullptr, kShellHeader));
  IMStatisticsWorkbook unopened;
  EXPECT_FALSE(unopened.Print(dc_, kShellHeader));
  platform::headless::FailPrintStep(PrintStep::kStartDoc);
  EXPECT_FALSE(workbook_.Print(dc_, kShellHeader));
  EXPECT_TRUE(platform::headless::PrintedDocuments().empty());

  // A job that fails part-way is dropped, never handed on, and the context stays usable.
  for (PrintStep step : {PrintStep::kStartPage, PrintStep::kText, PrintStep::kEndPage, PrintStep::kEndDoc}) {
    platform::headless::ResetPrinting();
    platform::headless::SetPrinters({{L"PDF", 4961, 7016, 600}}, L"PDF");
    platform::headless::FailPrintStep(step);
    EXPECT_FALSE(workbook_.Print(dc_, kShellHeader)) << static_cast<int>(step);
    EXPECT_EQ(OnlyDocument().state, PrintedDocument::State::kAborted) << static_cast<int>(step);
  }
  platform::headless::ResetPrinting();
  platform::headless::SetPrinters({{L"PDF", 4961, 7016, 600}}, L"PDF");
  EXPECT_TRUE(workbook_.Print(dc_, kShellHeader));
}

}  // namespace
