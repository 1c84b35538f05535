// Other programs read what the workbook writes: LibreOffice Calc converts a workbook to CSV, one
// file per sheet, and every sheet, caption and value must come back; Python's expat parses it.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
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

// Every sheet of the workbook as Calc reads it, by the CSV file's name ("<stem>-<sheet>.csv").
std::map<std::string, Table> ConvertWithCalc(const workbook_test::ScratchFolder& folder, const std::string& file) {
  // A private profile, so that parallel runs do not share LibreOffice's user folder. The fourth
  // option token asks for every text cell in quotes: that is how numbers are told from text.
  const std::string dir = folder.path().string();
  const std::string command =
      "timeout 120 libreoffice -env:UserInstallation=file://" + dir + "/profile --headless "
      "--convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,true,true,false,false,false,-1' "
      "--outdir " + dir + "/csv " + dir + "/" + file + " >" + dir + "/convert.log 2>&1";
  std::map<std::string, Table> sheets;
  EXPECT_EQ(std::system(command.c_str()), 0) << workbook_test::ReadBytes(folder / "convert.log");
  if (!std::filesystem::is_directory(folder / "csv")) return sheets;
  for (const auto& entry : std::filesystem::directory_iterator(folder / "csv")) {
    sheets[entry.path().filename().string()] = ParseCsv(workbook_test::ReadBytes(entry.path()));
  }
  return sheets;
}

bool HaveCalc() { return std::system("command -v libreoffice >/dev/null 2>&1") == 0; }

}  // namespace

TEST(WorkbookInLibreOfficeTest, CalcReadsEverySheetCaptionAndValue) {
  if (!HaveCalc()) GTEST_SKIP() << "libreoffice is not installed (Debian package libreoffice-calc-nogui)";
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

  const std::map<std::string, Table> sheets = ConvertWithCalc(folder, "stats.xls");
  EXPECT_EQ(sheets, (std::map<std::string, Table>{
                        {"stats-Иван Петров.csv",
                         {{Text(L"Время начала работы с упражнением"), Text(L"05-March-2024 10:15")},
                          {Text(L"Количество кликов не колесом"), Number("17")},
                          {Text(L"время загрузки. мс. 1 плиты"), Number("12345")}}},
                        {"stats-Мария.csv",
                         {{Text(L"Заметка «в кавычках», с запятой"), Text(L"007")},
                          {Text(L"Общее время работы с упражнением. с."), Number("98")}}}}));
}

// Pupils whose sheet names spreadsheet programs would refuse or take for another's, each back
// in a new process: every reader must find each pupil's rows in a sheet of his own, Python's
// expat too, which takes only the first XML editions' name characters in the owner records.
TEST(WorkbookInLibreOfficeTest, EveryReaderFindsEachPupilsOwnSheet) {
  workbook_test::ScratchFolder folder;
  const std::vector<std::wstring> pupils = {L"Маша", L"маша", L"'Маша'", L"History",
                                            L"Смирнов №2 [группа А], €5, Пётр Павлович", L"\"\""};
  ASSERT_EQ(pupils[4].size(), 40u);
  const std::vector<std::wstring> names = {L"Маша", L"маша (2)", L"Маша (3)", L"History (2)",
                                           L"Смирнов №2 _группа А_, €5, Пётр", L"(2)"};
  auto caption = [](size_t pupil, int round) {
    return L"ученик " + std::to_wstring(pupil) + L", раз " + std::to_wstring(round);
  };
  for (int round = 1; round <= 2; ++round) {
    for (size_t i = 0; i < pupils.size(); ++i) {
      workbook_test::SaveRowInAnotherProcess(folder.Wide("stats.xls"), pupils[i], caption(i, round));
    }
  }

  const workbook_test::ReadBack xerces = workbook_test::ReadSheets(folder / "stats.xls");
  ASSERT_EQ(xerces.sheets.size(), names.size());
  std::string expected;  // a line per sheet: its name and the texts of its cells
  std::map<std::string, Table> calcExpected;
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(xerces.sheets[i].name, names[i]);
    EXPECT_EQ(xerces.sheets[i].rows, (std::vector<std::vector<workbook_test::Cell>>{
                                         {{L"String", caption(i, 1)}, {L"Number", L"1"}},
                                         {{L"String", caption(i, 2)}, {L"Number", L"1"}}}));
    expected += platform::ToUtf8(names[i] + L"\t" + caption(i, 1) + L"\t1\t" + caption(i, 2) + L"\t1\n");
    calcExpected["stats-" + platform::ToUtf8(names[i]) + ".csv"] = {{Text(caption(i, 1)), Number("1")},
                                                                    {Text(caption(i, 2)), Number("1")}};
  }

  workbook_test::WriteBytes(folder / "read.py",
                            "import sys, xml.dom.minidom as m\n"
                            "for w in m.parse(sys.argv[1]).getElementsByTagName('Worksheet'):\n"
                            "  line = [w.getAttribute('ss:Name')]\n"
                            "  line += [d.firstChild.data for d in w.getElementsByTagName('Data')]\n"
                            "  sys.stdout.buffer.write(('\\t'.join(line) + '\\n').encode('utf-8'))\n");
  const std::string python = "python3 " + (folder / "read.py").string() + " " + (folder / "stats.xls").string() +
                             " >" + (folder / "python.txt").string() + " 2>&1";
  EXPECT_EQ(std::system(python.c_str()), 0);
  EXPECT_EQ(workbook_test::ReadBytes(folder / "python.txt"), expected);

  if (!HaveCalc()) GTEST_SKIP() << "libreoffice is not installed (Debian package libreoffice-calc-nogui)";
  EXPECT_EQ(ConvertWithCalc(folder, "stats.xls"), calcExpected);
}
