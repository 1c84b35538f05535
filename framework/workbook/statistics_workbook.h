#pragma once
// The pupils' results: one Excel 2003 XML (SpreadsheetML) workbook, one worksheet per pupil,
// rows of a caption and a value. Held in memory as a Xerces DOM and written back whole.

#include <xercesc/util/XercesDefs.hpp>

#include <map>
#include <string>

#include "framework/platform/printing.h"

XERCES_CPP_NAMESPACE_BEGIN
class DOMDocument;
class DOMElement;
class DOMImplementation;
XERCES_CPP_NAMESPACE_END

class IMStatisticsWorkbook {
 public:
  IMStatisticsWorkbook() = default;
  IMStatisticsWorkbook(const IMStatisticsWorkbook&) = delete;
  IMStatisticsWorkbook& operator=(const IMStatisticsWorkbook&) = delete;
  ~IMStatisticsWorkbook();

  // Reads the workbook at the path (UTF-8 on disk), or starts from the built-in template when
  // there is no file. A file that is there but is not a readable workbook is moved aside and
  // the template used instead. Then finds the pupil's worksheet by its exact name or appends
  // one. Nothing is written until Save.
  void Open(const std::wstring& path, const std::wstring& sheetName);

  // Appends a row of two cells to the pupil's worksheet: the caption as a "String" and the
  // value with the given cell type ("String" or "Number").
  void AddRow(const std::wstring& caption, const std::wstring& value, const std::wstring& type);
  void AddEmptyRow();

  // Writes the whole workbook to the path, or to its own path when the path is empty; its own
  // path stays. False when the file could not be written; the rows stay in memory either way.
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

  // Where Open moved a damaged file, or empty.
  const std::wstring& GetMovedAsidePath() const { return movedAsidePath_; }

 private:
  void LoadDocument();
  void SelectWorksheet(const std::wstring& pupil);
  XERCES_CPP_NAMESPACE::DOMElement* FindTable();
  // The document as the bytes of a file, or false.
  bool Serialize(std::string* bytes) const;

  XERCES_CPP_NAMESPACE::DOMDocument* document_ = nullptr;
  XERCES_CPP_NAMESPACE::DOMElement* worksheet_ = nullptr;
  std::wstring path_;
  std::u16string sheetName_;
  XERCES_CPP_NAMESPACE::DOMImplementation* implementation_ = nullptr;
  std::wstring movedAsidePath_;
  // A damaged file that could not be moved aside: Save must not write over it.
  bool damagedFileInPlace_ = false;
  bool xmlInitialized_ = false;
};
