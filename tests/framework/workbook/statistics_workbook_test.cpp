#include "framework/workbook/statistics_workbook.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/workbook/workbook_document.h"
#include "framework/workbook/workbook_reader.h"

namespace fs = std::filesystem;
using workbook_test::Cell;
using workbook_test::ReadBytes;
using workbook_test::ReadSheets;
using workbook_test::SaveRowInAnotherProcess;
using workbook_test::ScratchFolder;
using workbook_test::WriteBytes;

namespace {

using Rows = std::vector<std::vector<Cell>>;

std::vector<std::wstring> SheetNames(const fs::path& path) {
  std::vector<std::wstring> names;
  for (const auto& sheet : ReadSheets(path).sheets) names.push_back(sheet.name);
  return names;
}

Rows RowsOf(const fs::path& path, const std::wstring& sheetName) {
  for (const auto& sheet : ReadSheets(path).sheets) {
    if (sheet.name == sheetName) return sheet.rows;
  }
  ADD_FAILURE() << "no sheet " << platform::ToUtf8(sheetName);
  return {};
}

void SaveRow(const std::wstring& path, const std::wstring& pupil, const std::wstring& caption,
             const std::wstring& value) {
  IMStatisticsWorkbook workbook;
  workbook.Open(path, pupil);
  workbook.AddRow(caption, value, L"Number");
  ASSERT_TRUE(workbook.Save(L""));
}

std::vector<std::string> FolderEntries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

long VirtualKilobytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmSize:", 0) == 0) return std::stol(line.substr(7));
  }
  return 0;
}

fs::path GoldenFile(const char* name) { return fs::path(__FILE__).parent_path() / "data" / name; }

// A workbook of this program's with the golden file's sheet for `count` pupils.
std::string ManySheets(int count) {
  const std::string golden = ReadBytes(GoldenFile("one_sheet.xls"));
  const size_t sheet = golden.find("<Worksheet"), body = golden.find('>', sheet), end = golden.rfind("</Workbook>");
  std::string big = golden.substr(0, sheet);
  for (int n = 0; n < count; ++n) {
    big += "<Worksheet ss:Name=\"P" + std::to_string(n) + "\"" + golden.substr(body, end - body);
  }
  return big + "</Workbook>";
}

}  // namespace

// --- Opening, sheets and rows ------------------------------------------------------------------

TEST(StatisticsWorkbookTest, NewPathGivesTemplateAndOneSheetWithoutRows) {
  ScratchFolder folder;
  IMStatisticsWorkbook workbook;
  workbook.Open(folder.Wide("new.xls"), L"Иван");
  EXPECT_FALSE(fs::exists(folder / "new.xls")) << "nothing is written before Save";
  ASSERT_TRUE(workbook.Save(L""));

  const auto read = ReadSheets(folder / "new.xls");
  ASSERT_TRUE(read.wellFormed);
  ASSERT_EQ(read.sheets.size(), 1u);
  EXPECT_EQ(read.sheets[0].name, L"Иван");
  EXPECT_EQ(read.sheets[0].columnWidths, (std::vector<std::wstring>{L"240", L"96"}));
  EXPECT_TRUE(read.sheets[0].rows.empty());
  // The whole template comes along: everything before the sheet is the golden file's.
  const std::string golden = ReadBytes(GoldenFile("one_sheet.xls"));
  const std::string written = ReadBytes(folder / "new.xls");
  EXPECT_EQ(written.substr(0, written.find("<Worksheet")), golden.substr(0, golden.find("<Worksheet")));
}

TEST(StatisticsWorkbookTest, WritesTheGoldenFileByteForByte) {
  ScratchFolder folder;
  IMStatisticsWorkbook workbook;
  workbook.Open(folder.Wide("golden.xls"), L"Иван");
  workbook.AddRow(L"A", L"5", L"Number");
  workbook.AddEmptyRow();
  ASSERT_TRUE(workbook.Save(L""));
  EXPECT_EQ(ReadBytes(folder / "golden.xls"), ReadBytes(GoldenFile("one_sheet.xls")));
}

TEST(StatisticsWorkbookTest, PupilsKeepTheirOwnSheetsAcrossRuns) {
  ScratchFolder folder;
  const std::wstring path = folder.Wide("stats.xls");
  SaveRow(path, L"Иван", L"первый", L"1");
  SaveRow(path, L"Мария", L"первый", L"10");
  SaveRow(path, L"Иван", L"второй", L"2");
  SaveRow(path, L"иван", L"другой", L"3");  // another pupil, whose sheet differs in more than case

  EXPECT_EQ(SheetNames(folder / "stats.xls"), (std::vector<std::wstring>{L"Иван", L"Мария", L"иван (2)"}));
  EXPECT_EQ(RowsOf(folder / "stats.xls", L"Иван"),
            (Rows{{{L"String", L"первый"}, {L"Number", L"1"}}, {{L"String", L"второй"}, {L"Number", L"2"}}}));
  EXPECT_EQ(RowsOf(folder / "stats.xls", L"Мария"), (Rows{{{L"String", L"первый"}, {L"Number", L"10"}}}));
  EXPECT_EQ(RowsOf(folder / "stats.xls", L"иван (2)"), (Rows{{{L"String", L"другой"}, {L"Number", L"3"}}}));
  for (const auto& sheet : ReadSheets(folder / "stats.xls").sheets) {
    EXPECT_EQ(sheet.columnWidths.size(), 2u) << "an existing sheet gets no second pair of columns";
  }
}

TEST(StatisticsWorkbookTest, RowsGoToTheFirstTableAndAMissingTableIsMade) {
  ScratchFolder folder;
  const std::string golden = ReadBytes(GoldenFile("one_sheet.xls"));
  std::string tableless = golden.substr(0, golden.find("<Worksheet")) +
                          "<Worksheet ss:Name=\"Пётр\"/><Worksheet ss:Name=\"Иван\"><Table><Row/></Table>"
                          "<Table/></Worksheet></Workbook>";
  WriteBytes(folder / "stats.xls", tableless);
  for (const wchar_t* pupil : {L"Пётр", L"Иван"}) {
    IMStatisticsWorkbook workbook;
    workbook.Open(folder.Wide("stats.xls"), pupil);
    workbook.AddRow(L"A", L"x", L"String");
    ASSERT_TRUE(workbook.Save(L""));
  }
  EXPECT_EQ(RowsOf(folder / "stats.xls", L"Пётр"), (Rows{{{L"String", L"A"}, {L"String", L"x"}}}));
  EXPECT_EQ(RowsOf(folder / "stats.xls", L"Иван"), (Rows{{}, {{L"String", L"A"}, {L"String", L"x"}}}));
  const std::string written = ReadBytes(folder / "stats.xls");
  EXPECT_NE(written.find("<Row/><Row><Cell>"), std::string::npos) << "appended below the first table's rows";
}

// --- Text --------------------------------------------------------------------------------------

TEST(StatisticsWorkbookTest, TextIsLimitedToTheRussianCodePage) {
  ScratchFolder folder;
  IMStatisticsWorkbook workbook;
  workbook.Open(folder.Wide("text.xls"), L"\"Ёжик\" 中");
  workbook.AddRow(L"Он сказал \"да\" №1 «ёлка» €", L"漢字 \U0001F600", L"String");
  ASSERT_TRUE(workbook.Save(L""));
  EXPECT_EQ(SheetNames(folder / "text.xls"), (std::vector<std::wstring>{L"Ёжик' _"}));
  EXPECT_EQ(RowsOf(folder / "text.xls", L"Ёжик' _"),
            (Rows{{{L"String", L"Он сказал 'да' №1 «ёлка» €"}, {L"String", L"?? \U0001F600"}}}));
}

TEST(StatisticsWorkbookTest, CharactersXmlForbidsNeverReachTheFile) {
  ScratchFolder folder;
  std::wstring pupil = L"Ва\x16ся\x01";
  std::wstring caption = L"A\x01" L"B\x1F\xFFFE";
  caption += static_cast<wchar_t>(0xD800);  // a lone surrogate
  caption += L"C";
  {
    IMStatisticsWorkbook workbook;
    workbook.Open(folder.Wide("ctrl.xls"), pupil);
    workbook.AddRow(caption, L"\x0016" L"5\x00", L"Number");
    workbook.AddRow(L"tab\tand line\nfeed", L"1", L"Number");
    ASSERT_TRUE(workbook.Save(L""));
  }
  EXPECT_EQ(SheetNames(folder / "ctrl.xls"), (std::vector<std::wstring>{L"Вася"}));
  EXPECT_EQ(RowsOf(folder / "ctrl.xls", L"Вася"),
            (Rows{{{L"String", L"ABC"}, {L"Number", L"5"}},
                  {{L"String", L"tab\tand line\nfeed"}, {L"Number", L"1"}}}));
  // The same typed name finds the same sheet again.
  SaveRow(folder.Wide("ctrl.xls"), pupil, L"again", L"2");
  EXPECT_EQ(SheetNames(folder / "ctrl.xls"), (std::vector<std::wstring>{L"Вася"}));
}

TEST(StatisticsWorkbookTest, SheetNamesAreCleanedAndCutForSpreadsheetPrograms) {
  ScratchFolder folder;
  const std::wstring path = folder.Wide("names.xls");
  const std::wstring forbidden = L"a:b\\c/d?e*f[g]h";
  const std::wstring longName = L"Александр Сергеевич Пушкин-Гончаров младший";
  SaveRow(path, forbidden, L"x", L"1");
  SaveRow(path, longName, L"x", L"1");
  SaveRow(path, forbidden, L"y", L"2");  // looked up by the cleaned name
  SaveRow(path, longName, L"y", L"2");
  // A character above U+FFFF takes two of the 31 units: the cut never leaves half of it.
  SaveRow(path, std::wstring(30, L'я') + L"\U0001F600", L"z", L"3");

  const std::wstring cut = longName.substr(0, 31);
  EXPECT_EQ(SheetNames(folder / "names.xls"),
            (std::vector<std::wstring>{L"a_b_c_d_e_f_g_h", cut, std::wstring(30, L'я')}));
  EXPECT_EQ(RowsOf(folder / "names.xls", cut).size(), 2u);
  EXPECT_EQ(RowsOf(folder / "names.xls", L"a_b_c_d_e_f_g_h").size(), 2u);
}

TEST(StatisticsWorkbookTest, PupilsWhoseSheetNamesCoincideKeepTheirOwnSheets) {
  ScratchFolder folder;
  const std::wstring path = folder.Wide("stats.xls");
  const std::wstring ekaterina = L"Александрова Екатерина Владимировна";  // 35 characters
  const std::wstring elena = L"Александрова Екатерина Владимиро Елена";
  ASSERT_EQ(ekaterina.substr(0, 31), elena.substr(0, 31));
  const std::vector<std::wstring> pupils = {ekaterina, elena, L"Маша:1", L"Маша?1"};
  for (int round = 1; round <= 2; ++round) {
    for (const std::wstring& pupil : pupils) SaveRowInAnotherProcess(path, pupil, pupil + L" " + std::to_wstring(round));
  }

  const std::wstring cut = ekaterina.substr(0, 31);
  const std::vector<std::wstring> sheets = {cut, cut.substr(0, 27) + L" (2)", L"Маша_1", L"Маша_1 (2)"};
  ASSERT_EQ(SheetNames(folder / "stats.xls"), sheets);
  for (size_t i = 0; i < pupils.size(); ++i) {
    SCOPED_TRACE(platform::ToUtf8(pupils[i]));
    EXPECT_EQ(RowsOf(folder / "stats.xls", sheets[i]),
              (Rows{{{L"String", pupils[i] + L" 1"}, {L"Number", L"1"}},
                    {{L"String", pupils[i] + L" 2"}, {L"Number", L"1"}}}));
  }
  // The record a teacher sees among the document's properties: the sheet and the whole name.
  const std::string bytes = ReadBytes(folder / "stats.xls");
  EXPECT_NE(bytes.find(platform::ToUtf8(L"<Маша_x005F_1_x0020__x0028_2_x0029_ dt:dt=\"string\">Маша?1<")),
            std::string::npos);
}

TEST(StatisticsWorkbookTest, AWorkbookWithoutRecordsIsReadAsBefore) {
  ScratchFolder folder;
  const std::string golden = ReadBytes(GoldenFile("one_sheet.xls"));
  std::string legacy = golden;
  // A pupil "Маша:1" of an earlier version: its sheet carries the cleaned name and no record.
  const std::string name = "ss:Name=\"" + platform::ToUtf8(L"Иван") + "\"";
  ASSERT_NE(legacy.find(name), std::string::npos);
  legacy.replace(legacy.find(name), name.size(), "ss:Name=\"" + platform::ToUtf8(L"Маша_1") + "\"");
  // A pupil of a still earlier version: the sheet carries her whole name, uncut.
  const std::wstring ekaterina = L"Александрова Екатерина Владимировна";
  legacy.insert(legacy.rfind("</Workbook>"), "<Worksheet ss:Name=\"" + platform::ToUtf8(ekaterina) + "\"/>");
  WriteBytes(folder / "stats.xls", legacy);

  SaveRow(folder.Wide("stats.xls"), L"Маша:1", L"B", L"1");
  SaveRow(folder.Wide("stats.xls"), ekaterina, L"B", L"1");
  EXPECT_EQ(SheetNames(folder / "stats.xls"), (std::vector<std::wstring>{L"Маша_1", ekaterina}));
  EXPECT_EQ(RowsOf(folder / "stats.xls", L"Маша_1").size(), 3u);
  EXPECT_EQ(RowsOf(folder / "stats.xls", ekaterina).size(), 1u);
  // Now that the sheet is recorded as hers, a pupil whose name cleans the same way gets his own.
  SaveRow(folder.Wide("stats.xls"), L"Маша?1", L"C", L"1");
  EXPECT_EQ(SheetNames(folder / "stats.xls"), (std::vector<std::wstring>{L"Маша_1", ekaterina, L"Маша_1 (2)"}));
}

// --- Saving -----------------------------------------------------------------------------------

TEST(StatisticsWorkbookTest, SaveAsWritesElsewhereAndKeepsTheOwnPath) {
  ScratchFolder folder;
  const std::wstring own = folder.Wide("Игра «Тиморвал».xls");
  IMStatisticsWorkbook workbook;
  workbook.Open(own, L"Иван");
  workbook.AddRow(L"A", L"1", L"Number");
  ASSERT_TRUE(workbook.Save(folder.Wide("копия.xls")));
  EXPECT_EQ(workbook.GetPath(), own);
  EXPECT_FALSE(fs::exists(folder / "Игра «Тиморвал».xls"));
  EXPECT_EQ(RowsOf(folder / "копия.xls", L"Иван").size(), 1u);

  workbook.AddRow(L"B", L"2", L"Number");
  ASSERT_TRUE(workbook.Save(L""));
  ASSERT_TRUE(workbook.Save(L""));  // saving twice to one path works
  EXPECT_EQ(RowsOf(folder / "Игра «Тиморвал».xls", L"Иван").size(), 2u);
  EXPECT_EQ(RowsOf(folder / "копия.xls", L"Иван").size(), 1u);
  EXPECT_EQ(FolderEntries(folder.path()),
            (std::vector<std::string>{"Игра «Тиморвал».xls", "Игра «Тиморвал».xls.lock", "копия.xls"}))
      << "no temporary file is left behind";
}

TEST(StatisticsWorkbookTest, SaveReplacesTheFileInsteadOfRewritingIt) {
  ScratchFolder folder;
  const fs::path path = folder / "stats.xls";
  SaveRow(path.wstring(), L"Ivan", L"A", L"1");
  // Bits another account may have set on the file never come back on the new one.
  ::chmod(path.c_str(), 04777);
  const std::string before = ReadBytes(path);
  const int oldFile = ::open(path.c_str(), O_RDONLY);
  ASSERT_GE(oldFile, 0);

  SaveRow(path.wstring(), L"Ivan", L"B", L"2");
  // The old file is untouched under its open handle: the new content went into another file
  // that took its name, so no moment existed with a half-written workbook.
  std::string oldContent(before.size() + 10, '\0');
  oldContent.resize(static_cast<size_t>(::pread(oldFile, oldContent.data(), oldContent.size(), 0)));
  ::close(oldFile);
  EXPECT_EQ(oldContent, before);
  EXPECT_EQ(RowsOf(path, L"Ivan").size(), 2u);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(st.st_mode & 07777, 0666u & ~mask) << "a fixed mode, never the old file's";
}

TEST(StatisticsWorkbookTest, FailedSavesReportFalseAndKeepTheRows) {
  ScratchFolder folder;
  IMStatisticsWorkbook workbook;
  workbook.Open(folder.Wide("no such folder/stats.xls"), L"Иван");
  workbook.AddRow(L"A", L"1", L"Number");
  EXPECT_FALSE(workbook.Save(L""));

  const fs::path readOnly = folder / "read-only.xls";
  WriteBytes(readOnly, "keep me");
  ::chmod(readOnly.c_str(), 0444);
  EXPECT_FALSE(workbook.Save(readOnly.wstring()));
  EXPECT_EQ(ReadBytes(readOnly), "keep me");

  fs::create_directory(folder / "a folder");
  EXPECT_FALSE(workbook.Save(folder.Wide("a folder")));

  workbook.AddRow(L"B", L"2", L"Number");
  ASSERT_TRUE(workbook.Save(folder.Wide("good.xls")));
  EXPECT_EQ(RowsOf(folder / "good.xls", L"Иван").size(), 2u);
  EXPECT_EQ(FolderEntries(folder.path()), (std::vector<std::string>{"a folder", "good.xls", "read-only.xls"}));
}

TEST(StatisticsWorkbookTest, AFullDiskFailsTheSaveAndLeavesTheOldFile) {
  ScratchFolder folder;
  const fs::path path = folder / "stats.xls";
  SaveRow(path.wstring(), L"Ivan", L"A", L"1");
  const std::string before = ReadBytes(path);

  // A child whose file-size limit is below the workbook's size meets what a full disk gives:
  // a write that fails part-way.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{512, 512};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    IMStatisticsWorkbook workbook;
    workbook.Open(path.wstring(), L"Ivan");
    workbook.AddRow(L"B", L"2", L"Number");
    const bool saved = workbook.Save(L"");
    ::_exit(saved ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the save must report failure";
  EXPECT_EQ(ReadBytes(path), before);
  EXPECT_EQ(FolderEntries(folder.path()), (std::vector<std::string>{"stats.xls", "stats.xls.lock"}));
}

// --- Damaged files ------------------------------------------------------------------------------

TEST(StatisticsWorkbookTest, ADamagedFileIsMovedAsideAndAFreshWorkbookStarted) {
  const std::string golden = ReadBytes(GoldenFile("one_sheet.xls"));
  // Nested 100,000 deep: well formed, but no save could walk it.
  std::string deep = golden;
  std::string nest;
  for (int i = 0; i < 100000; ++i) nest += "<a>";
  for (int i = 0; i < 100000; ++i) nest += "</a>";
  deep.insert(deep.rfind("</Workbook>"), nest);
  // Read, but not writable: a lone surrogate (U+D834) through the library's UTF-7 decoder.
  const std::string unwritable = "<?xml version=\"1.0\" encoding=\"UTF-7\"?><Workbook a=\"+2DQ-\"/>";
  const std::vector<std::string> damaged = {
      "", golden.substr(0, golden.size() / 2), "not XML at all", "<html><body/></html>", "\xEF\xBB\xBF<Work", deep,
      unwritable};
  for (const std::string& content : damaged) {
    SCOPED_TRACE("content: " + content.substr(0, 30));
    ScratchFolder folder;
    const fs::path path = folder / "stats.xls";
    WriteBytes(path, content);
    IMStatisticsWorkbook workbook;
    workbook.Open(path.wstring(), L"Иван");
    workbook.AddRow(L"A", L"1", L"Number");
    ASSERT_TRUE(workbook.Save(L""));
    EXPECT_EQ(workbook.GetMovedAsidePath(), folder.Wide("stats.xls.damaged"));
    EXPECT_TRUE(ReadBytes(folder / "stats.xls.damaged") == content) << "kept byte for byte";
    EXPECT_EQ(SheetNames(path), std::vector<std::wstring>{L"Иван"});
    EXPECT_EQ(RowsOf(path, L"Иван").size(), 1u);
  }
}

TEST(StatisticsWorkbookTest, AnEarlierDamagedCopyIsNeverOverwritten) {
  ScratchFolder folder;
  WriteBytes(folder / "stats.xls.damaged", "first");
  WriteBytes(folder / "stats.xls", "second");
  IMStatisticsWorkbook workbook;
  workbook.Open(folder.Wide("stats.xls"), L"Иван");
  EXPECT_EQ(workbook.GetMovedAsidePath(), folder.Wide("stats.xls.damaged-2"));
  EXPECT_EQ(ReadBytes(folder / "stats.xls.damaged"), "first");
  EXPECT_EQ(ReadBytes(folder / "stats.xls.damaged-2"), "second");
}

// No spreadsheet program writes a document type, and one can only bring what a workbook must not
// hold: entities whose content becomes read-only nodes where rows are added, references to
// other files, expansion without end. Nor does a file hold more elements than memory of ours
// would: a workbook that needs more than the ceiling is no workbook of this program's. Each is
// kept aside byte for byte, and the pupil's rows go into a fresh workbook.
TEST(StatisticsWorkbookTest, FilesNoProgramWritesAreMovedAsideNotRead) {
  ScratchFolder folder;
  const std::string golden = ReadBytes(GoldenFile("one_sheet.xls"));
  const size_t root = golden.find("<Workbook");
  const size_t properties = golden.find("<DocumentProperties");
  const size_t propertiesEnd = golden.find("</DocumentProperties>") + 21;
  const size_t table = golden.find("<Table");
  const size_t tableEnd = golden.find("</Table>") + 8;
  WriteBytes(folder / "secret.txt", "secret");
  auto withDoctype = [&](const std::string& subset, size_t from, size_t to, const std::string& reference) {
    return golden.substr(0, root) + "<!DOCTYPE Workbook" + subset + ">" + golden.substr(root, from - root) +
           reference + golden.substr(to);
  };
  std::string laughs = "<!ENTITY l0 'ha'>";
  for (int n = 1; n <= 30; ++n) {
    laughs += "<!ENTITY l" + std::to_string(n) + " '&l" + std::to_string(n - 1) + ";&l" + std::to_string(n - 1) +
              ";'>";
  }
  std::string flood = golden;
  std::string elements;
  for (int n = 0; n < 50000; ++n) elements += "<a/>";
  flood.insert(flood.rfind("</Workbook>"), elements);
  const std::vector<std::string> crafted = {
      withDoctype(" SYSTEM \"/no/such.dtd\"", root, root, ""),
      withDoctype(" [<!ENTITY t '" + golden.substr(table, tableEnd - table) + "'>]", table, tableEnd, "&t;"),
      withDoctype(" [<!ENTITY p '" + golden.substr(properties, propertiesEnd - properties) + "'>]", properties,
                  propertiesEnd, "&p;"),
      withDoctype(" [" + laughs + "]", table, table, "<x>&l30;</x>"),
      withDoctype(" [<!ENTITY s SYSTEM \"" + (folder / "secret.txt").string() + "\">]", table, table, "<x>&s;</x>"),
      flood};
  for (const std::string& content : crafted) {
    SCOPED_TRACE(content.substr(root, 60));
    const fs::path path = folder / "stats.xls";
    WriteBytes(path, content);
    // Far below the program's ceiling, far above what this workbook of its own needs.
    IMStatisticsWorkbook workbook(workbook_store::kLockMilliseconds, 2u << 20);
    // A name that needs an owner record, added where the crafted properties stand.
    workbook.Open(path.wstring(), L"Ученица с очень длинным именем и фамилией");
    workbook.AddRow(L"A", L"1", L"Number");
    ASSERT_TRUE(workbook.Save(L""));
    EXPECT_EQ(workbook.GetMovedAsidePath(), folder.Wide("stats.xls.damaged"));
    EXPECT_TRUE(ReadBytes(folder / "stats.xls.damaged") == content) << "kept byte for byte";
    EXPECT_EQ(RowsOf(path, L"Ученица с очень длинным именем ").size(), 1u);
    EXPECT_EQ(ReadBytes(path).find("secret"), std::string::npos);
    fs::remove(folder / "stats.xls.damaged");
  }
  // Past the parser's bounds on distinct names and on an element's attributes, under the
  // program's own ceiling; just within them, the file is read.
  const auto bounded = [&](size_t names, size_t attributes) {
    std::string extra = "<a";
    for (size_t n = 0; n < attributes; ++n) extra += " b" + std::to_string(n) + "=\"\"";
    extra += "/>";
    for (size_t n = 0; n < names; ++n) extra += "<n" + std::to_string(n) + "/>";
    std::string content = golden;
    return content.insert(content.rfind("</Workbook>"), extra);
  };
  const size_t names = workbook_document::kMaxDistinctNames, attributes = workbook_document::kMaxAttributes;
  for (const auto& [content, refused] : {std::pair{bounded(names - 64 - attributes, attributes), false},
                                         std::pair{bounded(names + 1, 0), true},
                                         std::pair{bounded(0, attributes + 1), true}}) {
    WriteBytes(folder / "stats.xls", content);
    IMStatisticsWorkbook workbook;
    workbook.Open(folder.Wide("stats.xls"), L"Иван");
    EXPECT_EQ(workbook.GetMovedAsidePath().empty(), !refused);
    fs::remove(folder / "stats.xls.damaged");
  }
  // The same ceiling takes this program's own workbook.
  WriteBytes(folder / "stats.xls", golden);
  IMStatisticsWorkbook workbook(workbook_store::kLockMilliseconds, 2u << 20);
  workbook.Open(folder.Wide("stats.xls"), L"Иван");
  workbook.AddRow(L"B", L"1", L"Number");
  ASSERT_TRUE(workbook.Save(L""));
  EXPECT_TRUE(workbook.GetMovedAsidePath().empty());
  EXPECT_EQ(RowsOf(folder / "stats.xls", L"Иван").size(), 3u);
}

// Memory the machine lacks says nothing about the file: a good workbook is never moved aside
// for it, and the save fails saying why, its rows kept for the backup file.
TEST(StatisticsWorkbookTest, AGoodWorkbookIsLeftAloneWhenMemoryRunsShort) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "a sanitizer reserves more address space than the limit allows";
#endif
  ScratchFolder folder;
  const fs::path path = folder / "stats.xls";
  // A few megabytes of this program's own rows: many times that once parsed.
  WriteBytes(path, ManySheets(20000));
  const std::string before = ReadBytes(path);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Room for the process as it is and the file's bytes, not for the parsed workbook.
    const rlimit address{static_cast<rlim_t>(VirtualKilobytes()) * 1024 + (24u << 20), RLIM_INFINITY};
    ::setrlimit(RLIMIT_AS, &address);
    IMStatisticsWorkbook workbook;
    workbook.Open(path.wstring(), L"Иван");
    workbook.AddRow(L"C", L"1", L"Number");
    const bool saved = workbook.Save(L"");
    const bool said = workbook.GetSaveFailure().find("memory") != std::string::npos;
    ::_exit(!saved && said && workbook.GetMovedAsidePath().empty() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the save must fail for memory alone";
  EXPECT_TRUE(ReadBytes(path) == before);
  EXPECT_FALSE(fs::exists(folder / "stats.xls.damaged"));
}

// What stands where the workbook is read but is no file of this program's (a link to another
// account's private workbook, a FIFO that would block the open, a folder) is moved aside
// itself, never followed, and a fresh workbook takes the run's rows.
TEST(StatisticsWorkbookTest, AnythingButAFileIsMovedAsideUnfollowed) {
  ScratchFolder folder;
  const fs::path secret = folder / "private.xls";
  const std::string golden = ReadBytes(GoldenFile("one_sheet.xls"));
  WriteBytes(secret, golden);
  ::chmod(secret.c_str(), 0600);
  const fs::path path = folder / "stats.xls";
  const std::vector<std::function<void()>> plants = {[&] { fs::create_symlink(secret, path); },
                                                     [&] { ASSERT_EQ(::mkfifo(path.c_str(), 0666), 0); },
                                                     [&] { fs::create_directory(path); }};
  for (size_t n = 0; n < plants.size(); ++n) {
    SCOPED_TRACE(n);
    plants[n]();
    const fs::file_status planted = fs::symlink_status(path);
    IMStatisticsWorkbook workbook;
    workbook.Open(path.wstring(), L"Маша");
    workbook.AddRow(L"A", L"1", L"Number");
    ASSERT_TRUE(workbook.Save(L""));
    EXPECT_EQ(SheetNames(path), std::vector<std::wstring>{L"Маша"});
    EXPECT_EQ(RowsOf(path, L"Маша").size(), 1u);
    EXPECT_EQ(fs::symlink_status(fs::path(workbook.GetMovedAsidePath())).type(), planted.type());
    fs::remove_all(fs::path(workbook.GetMovedAsidePath()));
    fs::remove(path);
  }
  EXPECT_EQ(ReadBytes(secret), golden);
  struct stat st {};
  ASSERT_EQ(::stat(secret.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
}

// Sessions that overlap (two accounts, or two windows of one pupil) each read the file afresh
// when they save and add their own rows to it: no session's rows are lost, none twice.
TEST(StatisticsWorkbookTest, OverlappingSessionsKeepEveryRow) {
  ScratchFolder folder;
  const std::wstring path = folder.Wide("stats.xls");
  IMStatisticsWorkbook teacher, pupil, secondWindow;
  teacher.Open(path, L"Учитель");
  pupil.Open(path, L"Маша");
  secondWindow.Open(path, L"Маша");
  teacher.AddRow(L"A", L"1", L"Number");
  pupil.AddRow(L"B", L"2", L"Number");
  secondWindow.AddRow(L"C", L"3", L"Number");
  ASSERT_TRUE(pupil.Save(L""));
  ASSERT_TRUE(secondWindow.Save(L""));
  ASSERT_TRUE(teacher.Save(L""));
  teacher.AddEmptyRow();
  ASSERT_TRUE(teacher.Save(L""));
  EXPECT_EQ(SheetNames(folder / "stats.xls"), (std::vector<std::wstring>{L"Маша", L"Учитель"}));
  EXPECT_EQ(RowsOf(folder / "stats.xls", L"Маша"),
            (Rows{{{L"String", L"B"}, {L"Number", L"2"}}, {{L"String", L"C"}, {L"Number", L"3"}}}));
  EXPECT_EQ(RowsOf(folder / "stats.xls", L"Учитель"), (Rows{{{L"String", L"A"}, {L"Number", L"1"}}, {}}));
  // The merged workbook is the one in memory from then on.
  ASSERT_TRUE(teacher.Save(folder.Wide("copy.xls")));
  EXPECT_EQ(ReadBytes(folder / "copy.xls"), ReadBytes(folder / "stats.xls"));
}

// Sessions that save at the same moment each read, merge and write; one that finds the workbook
// replaced since it read it merges again, for as long as others keep replacing it, so all land
// (more sessions than a count of tries would carry), and none waits behind another's reading.
TEST(StatisticsWorkbookTest, SavesAtTheSameMomentAllLand) {
  ScratchFolder folder;
  const fs::path path = folder / "stats.xls";
  WriteBytes(path, ManySheets(1000));
  int go[2];
  ASSERT_EQ(::pipe(go), 0);
  std::vector<std::wstring> pupils;
  for (int n = 0; n < 12; ++n) pupils.push_back(L"Ученик " + std::to_wstring(10 + n));
  std::vector<pid_t> children;
  for (const std::wstring& pupil : pupils) {
    children.push_back(::fork());
    if (children.back() != 0) continue;
    ::close(go[1]);
    IMStatisticsWorkbook workbook;
    workbook.Open(path.wstring(), pupil);
    workbook.AddRow(L"A", L"1", L"Number");
    char nothing;
    (void)!::read(go[0], &nothing, 1);  // all save once the pipe closes
    ::_exit(workbook.Save(L"") ? 0 : 1);
  }
  ::close(go[0]);
  ::close(go[1]);
  for (const pid_t child : children) {
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const auto sheets = ReadSheets(path).sheets;
  ASSERT_EQ(sheets.size(), 1000 + pupils.size());
  std::vector<std::wstring> saved;
  for (size_t n = 1000; n < sheets.size(); ++n) {
    EXPECT_EQ(sheets[n].rows.size(), 1u);
    saved.push_back(sheets[n].name);
  }
  std::sort(saved.begin(), saved.end());
  EXPECT_EQ(saved, pupils);
}

// --- Library lifetime ----------------------------------------------------------------------------

TEST(StatisticsWorkbookTest, WorkbooksOutliveEachOtherInAnyOrder) {
  ScratchFolder folder;
  auto first = std::make_unique<IMStatisticsWorkbook>();
  auto second = std::make_unique<IMStatisticsWorkbook>();
  first->Open(folder.Wide("a.xls"), L"A");
  second->Open(folder.Wide("b.xls"), L"B");
  first.reset();  // shuts its use of the XML library down while the second still needs it
  second->AddRow(L"x", L"1", L"Number");
  EXPECT_TRUE(second->Save(L""));
  second.reset();
  IMStatisticsWorkbook neverOpened;  // destroying it leaves the library alone
  EXPECT_EQ(RowsOf(folder / "b.xls", L"B").size(), 1u);
}
