#pragma once
// The pupils' results: one Excel 2003 XML (SpreadsheetML) workbook, one worksheet per pupil,
// rows of a caption and a value. Held in memory as a Xerces DOM and written back whole.

#include <xercesc/util/XercesDefs.hpp>

#include <map>
#include <string>
#include <vector>

#include "framework/platform/printing.h"
#include "framework/workbook/workbook_store.h"

XERCES_CPP_NAMESPACE_BEGIN
class DOMDocument;
class DOMElement;
class DOMImplementation;
XERCES_CPP_NAMESPACE_END

class IMStatisticsWorkbook {
 public:
  // A save waits at most lockMilliseconds for another session's save to end.
  explicit IMStatisticsWorkbook(int lockMilliseconds = workbook_store::kLockMilliseconds)
      : lockMilliseconds_(lockMilliseconds) {}
  IMStatisticsWorkbook(const IMStatisticsWorkbook&) = delete;
  IMStatisticsWorkbook& operator=(const IMStatisticsWorkbook&) = delete;
  ~IMStatisticsWorkbook();

  // Reads the workbook at the path (UTF-8 on disk), or starts from the built-in template when
  // there is no file. A file that is there but is not a readable workbook, or anything but a
  // regular file, is moved aside and the template used instead; one that may not be read (too
  // large, no memory, another session's lock) is left alone for Save to report. Then finds the
  // pupil's worksheet by its exact name or appends one. Nothing is written until Save.
  void Open(const std::wstring& path, const std::wstring& sheetName);

  // Appends a row of two cells to the pupil's worksheet: the caption as a "String" and the
  // value with the given cell type ("String" or "Number").
  void AddRow(const std::wstring& caption, const std::wstring& value, const std::wstring& type);
  void AddEmptyRow();

  // To its own file (an empty path, or one naming that file): reads it afresh under its store's
  // lock, finds the pupil's sheet in it again and adds the rows this object added since its
  // last such save, so that what other sessions saved meanwhile stays; that merged workbook is
  // then the one in memory. To another path: writes the workbook in memory there; its own path
  // stays. False when the file could not be written (GetSaveFailure says why for its own
  // file); nothing on disk has changed then and every row stays in memory.
  bool Save(const std::wstring& path);

  // Writes the whole workbook to a file that does not exist yet: never over another file.
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

  // Where Open or Save last moved a damaged file, or anything but a file, or empty.
  const std::wstring& GetMovedAsidePath() const { return movedAsidePath_; }

  // Why the last save to its own file failed, for the line on standard error; else empty.
  const std::string& GetSaveFailure() const { return saveFailure_; }

 private:
  // A row as the DOM holds it; an empty one has no cells.
  struct Row {
    bool empty;
    std::u16string caption, value, type;
  };
  struct Sheet {
    XERCES_CPP_NAMESPACE::DOMElement* worksheet;
    std::u16string name;
  };

  // Begins the store's transaction and reads the workbook: true with the document, or with
  // null where a fresh workbook starts (nothing there, or moved aside); false, with *why, when
  // what is there must be left as it is.
  bool ReadDocument(workbook_store::Store* store, XERCES_CPP_NAMESPACE::DOMDocument** document, std::string* why);
  void NoteMovedAside(const std::string& aside);
  static Sheet SelectWorksheet(XERCES_CPP_NAMESPACE::DOMDocument* document, const std::wstring& pupil);
  static void AppendRow(XERCES_CPP_NAMESPACE::DOMDocument* document, XERCES_CPP_NAMESPACE::DOMElement* worksheet,
                        const Row& row);
  bool SaveOwn();

  XERCES_CPP_NAMESPACE::DOMDocument* document_ = nullptr;
  XERCES_CPP_NAMESPACE::DOMElement* worksheet_ = nullptr;
  std::wstring path_;
  std::wstring pupil_;
  std::u16string sheetName_;
  // The rows added since the last save to its own file, in order.
  std::vector<Row> pending_;
  XERCES_CPP_NAMESPACE::DOMImplementation* implementation_ = nullptr;
  std::wstring movedAsidePath_;
  std::string saveFailure_;
  int lockMilliseconds_;
  bool xmlInitialized_ = false;
};
