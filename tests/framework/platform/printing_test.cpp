#include "framework/platform/printing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/platform/headless/headless.h"

namespace {

using platform::headless::PrintedDocument;
using platform::headless::Printer;

class PrintingTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::headless::ResetPrinting(); }
  void TearDown() override { platform::headless::ResetPrinting(); }

  static std::wstring DeviceEntry(DWORD size = 80, DWORD* copied = nullptr) {
    std::vector<wchar_t> buffer(size + 1, L'#');
    const DWORD n = platform::GetProfileStringW(L"windows", L"device", L",,,", buffer.data(), size);
    if (copied) *copied = n;
    return buffer.data();
  }
};

TEST_F(PrintingTest, ListsPrintersAndTellsTheDefaultInTheDeviceEntry) {
  platform::headless::SetPrinters({{L"Первый"}, {L"PDF"}}, L"PDF");
  std::vector<std::wstring> names;
  for (const auto& printer : platform::EnumPrintersW(platform::PRINTER_ENUM_LOCAL)) {
    names.push_back(printer.pPrinterName);
  }
  EXPECT_EQ(names, (std::vector<std::wstring>{L"Первый", L"PDF"}));
  EXPECT_TRUE(platform::EnumPrintersW(0).empty());

  DWORD copied = 0;
  EXPECT_EQ(DeviceEntry(80, &copied), L"PDF,winspool,headless:");
  EXPECT_EQ(copied, 22u);
  std::vector<wchar_t> other(16);
  EXPECT_EQ(platform::GetProfileStringW(L"windows", L"spooler", L"none", other.data(), 16), 4u);
  EXPECT_EQ(std::wstring(other.data()), L"none");
}

TEST_F(PrintingTest, DeviceEntryFallsBackWithoutDefaultAndIsCutToTheBuffer) {
  platform::headless::SetPrinters({{L"PDF"}}, L"");
  EXPECT_EQ(DeviceEntry(), L",,,");

  const std::wstring longName(100, L'Ж');
  platform::headless::SetPrinters({{longName}}, longName);
  DWORD copied = 0;
  EXPECT_EQ(DeviceEntry(80, &copied), std::wstring(79, L'Ж'));
  EXPECT_EQ(copied, 79u);
}

TEST_F(PrintingTest, ContextOnlyForAKnownPrinterWithItsPageAndATwelvePointFont) {
  platform::headless::SetPrinters({{L"PDF", 3000, 4000, 300}}, L"PDF");
  EXPECT_EQ(platform::CreateDCW(nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(platform::CreateDCW(nullptr, L"pdf", nullptr, nullptr), nullptr);

  platform::HDC dc = platform::CreateDCW(nullptr, L"PDF", nullptr, nullptr);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(platform::GetDeviceCaps(dc, platform::HORZRES), 3000);
  EXPECT_EQ(platform::GetDeviceCaps(dc, platform::VERTRES), 4000);
  EXPECT_EQ(platform::GetDeviceCaps(dc, platform::LOGPIXELSY), 300);
  platform::TEXTMETRICW tm;
  ASSERT_TRUE(platform::GetTextMetricsW(dc, &tm));
  EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 50);  // 12 pt at 300 dpi is a 50-pixel em
  EXPECT_GT(tm.tmAveCharWidth, 0);
  EXPECT_TRUE(platform::DeleteDC(dc));
}

TEST_F(PrintingTest, ExtentsAddUpAndNarrowTextIsTheRussianCodePage) {
  platform::headless::SetPrinters({{L"PDF"}}, L"PDF");
  platform::HDC dc = platform::CreateDCW(nullptr, L"PDF", nullptr, nullptr);
  ASSERT_NE(dc, nullptr);
  platform::TEXTMETRICW tm;
  ASSERT_TRUE(platform::GetTextMetricsW(dc, &tm));
  platform::SIZE a, b, ab, narrow, empty;
  ASSERT_TRUE(platform::GetTextExtentPoint32W(dc, L"Пр", 2, &ab));
  ASSERT_TRUE(platform::GetTextExtentPoint32W(dc, L"П", 1, &a));
  ASSERT_TRUE(platform::GetTextExtentPoint32W(dc, L"р", 1, &b));
  EXPECT_EQ(ab.cx, a.cx + b.cx);
  EXPECT_EQ(ab.cy, tm.tmHeight);
  ASSERT_TRUE(platform::GetTextExtentPoint32A(dc, "\xCF\xF0", 2, &narrow));  // "Пр"
  EXPECT_EQ(narrow.cx, ab.cx);
  ASSERT_TRUE(platform::GetTextExtentPoint32W(dc, L"", 0, &empty));
  EXPECT_EQ(empty.cx, 0);

  platform::DOCINFOW info;
  info.lpszDocName = L"Doc";
  ASSERT_GT(platform::StartDocW(dc, &info), 0);
  ASSERT_GT(platform::StartPage(dc), 0);
  EXPECT_TRUE(platform::TextOutA(dc, 10, 20, "\xCF\xF0\xE8\xE2\xE5\xF2 \xB8\xA8", 9));
  ASSERT_GT(platform::EndDoc(dc), 0);  // ends the open page too
  platform::DeleteDC(dc);

  const auto documents = platform::headless::PrintedDocuments();
  ASSERT_EQ(documents.size(), 1u);
  EXPECT_EQ(documents[0].state, PrintedDocument::State::kPrinted);
  ASSERT_EQ(documents[0].pages.size(), 1u);
  EXPECT_TRUE(documents[0].pages[0].ended);
  ASSERT_EQ(documents[0].pages[0].texts.size(), 1u);
  EXPECT_EQ(documents[0].pages[0].texts[0].text, L"Привет ёЁ");
  EXPECT_EQ(documents[0].pages[0].texts[0].x, 10);
  EXPECT_EQ(documents[0].pages[0].texts[0].y, 20);
}

TEST_F(PrintingTest, CallsOutOfOrderFailAndAnOpenDocumentIsDroppedWithTheContext) {
  platform::headless::SetPrinters({{L"PDF"}}, L"PDF");
  platform::HDC dc = platform::CreateDCW(nullptr, L"PDF", nullptr, nullptr);
  ASSERT_NE(dc, nullptr);
  platform::DOCINFOW info;
  EXPECT_LE(platform::StartPage(dc), 0);
  EXPECT_LE(platform::EndDoc(dc), 0);
  EXPECT_LE(platform::AbortDoc(dc), 0);
  ASSERT_GT(platform::StartDocW(dc, &info), 0);
  EXPECT_LE(platform::StartDocW(dc, &info), 0);
  EXPECT_FALSE(platform::TextOutW(dc, 0, 0, L"x", 1));  // no page yet
  EXPECT_LE(platform::EndPage(dc), 0);
  ASSERT_GT(platform::StartPage(dc), 0);
  EXPECT_LE(platform::StartPage(dc), 0);
  EXPECT_TRUE(platform::TextOutW(dc, 0, 0, L"x", 1));
  platform::DeleteDC(dc);

  const auto documents = platform::headless::PrintedDocuments();
  ASSERT_EQ(documents.size(), 1u);
  EXPECT_EQ(documents[0].state, PrintedDocument::State::kAborted);
}

TEST_F(PrintingTest, NullContextFailsEveryCall) {
  const platform::HDC dc = nullptr;
  platform::DOCINFOW info;
  platform::TEXTMETRICW tm;
  platform::SIZE size;
  EXPECT_EQ(platform::GetDeviceCaps(dc, platform::HORZRES), 0);
  EXPECT_FALSE(platform::GetTextMetricsW(dc, &tm));
  EXPECT_FALSE(platform::GetTextExtentPoint32W(dc, L"x", 1, &size));
  EXPECT_LE(platform::StartDocW(dc, &info), 0);
  EXPECT_LE(platform::StartPage(dc), 0);
  EXPECT_FALSE(platform::TextOutA(dc, 0, 0, "x", 1));
  EXPECT_LE(platform::EndPage(dc), 0);
  EXPECT_LE(platform::EndDoc(dc), 0);
  EXPECT_FALSE(platform::DeleteDC(dc));
}

}  // namespace
