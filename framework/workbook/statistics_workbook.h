#pragma once
// The pupils' results: one Excel 2003 XML (SpreadsheetML) workbook, one worksheet per pupil,
// rows of a caption and a value. A session holds only the pupil's sheet and the rows it adds;
// each save reads the workbook afresh (a Xerces DOM), adds those rows and writes it back whole.

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "framework/platform/printing.h"
#include "framework/workbook/workbook_io.h"
#include "framework/workbook/workbook_store.h"

class IMStatisticsWorkbook {
 public:
  // A save waits at most lockMilliseconds for another session's write to end.
  explicit IMStatisticsWorkbook(int lockMilliseconds = workbook_store::kLockMilliseconds,
                                size_t memoryCeiling = workbook_io::kMemoryCeiling)
      : lockMilliseconds_(lockMilliseconds), memoryCeiling_(memoryCeiling) {}
  IMStatisticsWorkbook(const IMStatisticsWorkbook&) = delete;
  IMStatisticsWorkbook& operator=(const IMStatisticsWorkbook&) = delete;
  ~IMStatisticsWorkbook();

  // Reads the workbook at the path (UTF-8 on disk) for the pupil's sheet: found by its owner
  // record or name, else a new one is named. A file that is there but is not one of this
  // program's workbooks, or anything but a regular file, is moved aside; one that may not be
  // read (too large, no memory) is left alone for Save to report. Keeps the sheet's rows, for
  // printing, and nothing else of the workbook. Nothing is written until Save.
  void Open(const std::wstring& path, const std::wstring& sheetName);

  // Appends a row of two cells to the pupil's worksheet: the caption as a "String" and the
  // value with the given cell type ("String" or "Number").
  void AddRow(const std::wstring& caption, const std::wstring& value, const std::wstring& type);
  void AddEmptyRow();

  // Reads the workbook's own file afresh, finds the pupil's sheet in it again and adds the rows
  // this object added since its last save to its own file, so that what other sessions saved
  // meanwhile stays. To its own file (an empty path, or one naming that file) the result
  // replaces the file, unless another session replaced it meanwhile: then all is done again.
  // To another path: the result is written there (the pupil's sheet alone when the own file
  // cannot be read), and the own path stays. False when the file could not be written
  // (GetSaveFailure says why for its own file); nothing on disk has changed then and every row
  // is kept.
  bool Save(const std::wstring& path);

  // The pupil's sheet alone, with its rows and this session's, to a file that does not exist
  // yet: never over another file.
  bool SaveToNewFile(const std::wstring& path);

  std::wstring GetPath() const { return path_; }

  // Prints the header's caption and value pairs, a blank line, then the pupil's rows in two
  // columns on the printer context, which stays the caller's. True once the spooler has
  // accepted the document; false when nothing could be printed or the job failed part-way
  // (the job is then dropped, never handed on half done).
  bool Print(platform::HDC dc, std::map<std::wstring, std::wstring> header);

  // The pupil's worksheet: the name cleaned of what spreadsheet programs refuse and cut to 31
  // characters, numbered where another pupil's sheet has that name already.
  std::wstring GetSheetName() const;

  // Where Open or Save last moved a damaged file, or anything but a file, or empty; and how many
  // times that happened in this object's life.
  const std::wstring& GetMovedAsidePath() const { return movedAsidePath_; }
  int GetMovedAsideCount() const { return movedAsideCount_; }

  // Why the last save to its own file failed, for the line on standard error; else empty.
  const std::string& GetSaveFailure() const { return saveFailure_; }

  // A cell as the sheet holds it: its Data's type and text.
  struct Cell {
    std::u16string type, text;
  };
  // A row's cells; an empty row has none.
  using Row = std::vector<Cell>;

 private:
  class Document;
  enum class Step { kRead, kAgain, kRefused };

  // One reading of the workbook through the store: the document holds it with the pupil's
  // sheet found or made in it and the rows added, and *bytes, when given, that written out. A
  // file that is not one of this program's workbooks is moved aside and the template used.
  // kAgain when another session replaced the file meanwhile; kRefused, with *why, when what is
  // there must be left as it is.
  Step Read(workbook_store::Store* store, const std::vector<Row>& rows, Document* document, std::string* bytes,
            std::string* why);
  // Read (a store of its own each time, ended after) until no other session replaced the file
  // meanwhile: false when it could not be read.
  bool ReadWithoutWriting(const std::vector<Row>& rows, Document* document, std::string* bytes);
  void NoteMovedAside(const std::string& aside);
  bool SaveOwn();
  bool SaveElsewhere(const std::string& target);
  // The pupil's sheet as this session knows it, in a workbook of its own.
  bool SheetAloneBytes(std::string* bytes);

  std::wstring path_;
  std::wstring pupil_;
  std::u16string sheetName_;
  // The sheet's rows as last read, whether it had a table, and the rows added since the last
  // save to its own file, in order.
  std::vector<Row> sheetRows_;
  bool sheetHasTable_ = false;
  std::vector<Row> pending_;
  std::wstring movedAsidePath_;
  int movedAsideCount_ = 0;
  std::string saveFailure_;
  int lockMilliseconds_;
  size_t memoryCeiling_;
  bool xmlInitialized_ = false;
};
