// A real spreadsheet program reads what the workbook writes: LibreOffice Calc converts a
// workbook to CSV, one file per sheet, and every sheet, caption and value must come back.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "framework/platform/utf.h"
#include "framework/workbook/statistics_workbook.h"
#include "framework/workbook/workbook_reader.h"

namespace {

struct Field {
  bool quoted;  // Calc is told to quote every text cell, so a bare field is a number
  std::string text;
  bool operator==(const Field&) const = default;
};
using Table = std::vector<std::vector<Field>>;

void PrintTo(const Field& field, std::ostream* out) {
  *out << (field.quoted ? "text \"" : "number \"") << field.text << '"';
}

Field Text(const std::wstring& text) { return {true, platform::ToUtf8(text)}; }
Field Number(const std::string& text) { return {false, text}; }

Table ParseCsv(const std::string& csv) {
  Table table;
  std::vector<Field> row;
  Field field{false, {}};
  bool inQuotes = false;
  for (size_t i = 0; i < csv.size(); ++i) {
    const char c = csv[i];
    if (inQuotes) {
      if (c == '"' && i + 1 < csv.size() && csv[i + 1] == '"') {
        field.text += '"';
        ++i;
      } else if (c == '"') {
        inQuotes = false;
      } else {
        field.text += c;
      }
    } else if (c == '"') {
      inQuotes = field.quoted = true;
    } else if (c == ',') {
      row.push_back(field);
      field = {false, {}};
    } else if (c == '\n') {
      row.push_back(field);
      table.push_back(row);
      row.clear();
      field = {false, {}};
    } else if (c != '\r') {
      field.text += c;
    }
  }
  if (!field.text.empty() || field.quoted || !row.empty()) {  // a last line without a line feed
    row.push_back(field);
    table.push_back(row);
  }
  return table;
}

}  // namespace

TEST(WorkbookInLibreOfficeTest, CalcReadsEverySheetCaptionAndValue) {
  if (std::system("command -v libreoffice >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "libreoffice is not installed (Debian package libreoffice-calc-nogui)";
  }
  workbook_test::ScratchFolder folder;
  const std::wstring path = folder.Wide("stats.xls");
  {
    IMStatisticsWorkbook workbook;
    workbook.Open(path, L"Иван Петров");
    workbook.AddRow(L"Время начала работы с упражнением", L"05-March-2024 10:15", L"String");
    workbook.AddRow(L"Количество кликов не колесом", L"17", L"Number");
    workbook.AddRow(L"время загрузки. мс. 1 плиты", L"12345", L"Number");
    workbook.AddEmptyRow();
    ASSERT_TRUE(workbook.Save(L""));
  }
  {
    IMStatisticsWorkbook workbook;
    workbook.Open(path, L"Мария");
    workbook.AddRow(L"Заметка «в кавычках», с запятой", L"007", L"String");
    workbook.AddRow(L"Общее время работы с упражнением. с.", L"98", L"Number");
    ASSERT_TRUE(workbook.Save(L""));
  }

  // A private profile, so that parallel runs do not share LibreOffice's user folder. The fourth
  // option token asks for every text cell in quotes: that is how numbers are told from text.
  const std::string dir = folder.path().string();
  const std::string command =
      "timeout 120 libreoffice -env:UserInstallation=file://" + dir + "/profile --headless "
      "--convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,true,true,false,false,false,-1' "
      "--outdir " + dir + "/csv " + dir + "/stats.xls >" + dir + "/convert.log 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << workbook_test::ReadBytes(folder / "convert.log");

  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder / "csv")) {
    files.push_back(entry.path().filename().string());
  }
  std::sort(files.begin(), files.end());
  ASSERT_EQ(files, (std::vector<std::string>{"stats-Иван Петров.csv", "stats-Мария.csv"}));

  const Table ivan = ParseCsv(workbook_test::ReadBytes(folder / "csv" / "stats-Иван Петров.csv"));
  EXPECT_EQ(ivan, (Table{{Text(L"Время начала работы с упражнением"), Text(L"05-March-2024 10:15")},
                         {Text(L"Количество кликов не колесом"), Number("17")},
                         {Text(L"время загрузки. мс. 1 плиты"), Number("12345")}}));
  const Table maria = ParseCsv(workbook_test::ReadBytes(folder / "csv" / "stats-Мария.csv"));
  EXPECT_EQ(maria, (Table{{Text(L"Заметка «в кавычках», с запятой"), Text(L"007")},
                          {Text(L"Общее время работы с упражнением. с."), Number("98")}}));
}
