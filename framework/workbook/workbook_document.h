#pragma once
// One reading of a workbook: the bytes parsed by a parser with bounds on what a parse may cost
// (no document type, the nesting, the distinct names, the attributes of an element, and the
// memory, counted as it is really taken), the pupil's sheet found or made in the document, and
// the document written back to bytes. Whatever goes wrong ends as an Outcome; nothing is thrown.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <xercesc/util/XercesDefs.hpp>

#include "framework/workbook/statistics_workbook.h"

XERCES_CPP_NAMESPACE_BEGIN
class DOMDocument;
class DOMElement;
XERCES_CPP_NAMESPACE_END

class CappedMemory;

namespace workbook_document {

// This program's own workbooks use a few dozen element and attribute names, and one more for
// each pupil whose sheet name is not the typed name (an owner record); spreadsheet programs
// writing them back add a few dozen, and at most a handful of attributes to an element. A file
// past either bound is no workbook of ours. Both keep the parser's name pools, whose cost grows
// with the square of the distinct names, to a fraction of a second.
inline constexpr size_t kMaxDistinctNames = 16384;
inline constexpr size_t kMaxAttributes = 64;

// Far deeper than a workbook's cells (six levels down). Saving a document walks it with one
// call per level, so a document nested deeper than the stack allows could be read but never
// saved.
inline constexpr int kMaxNesting = 256;

enum class Outcome {
  kDone,
  kNotOurs,      // not one of this program's workbooks: a bound passed, damaged, or not a Workbook
  kOutOfMemory,  // the machine ran out below the ceiling, which says nothing about the file
  kTooLarge,     // written, it would pass the limit given
};

// The empty workbook's size.
size_t TemplateSize();

}  // namespace workbook_document

// A workbook as one reading of it parsed it, with the pupil's sheet found or made in it, in
// memory of its own with the ceiling.
class IMStatisticsWorkbook::Document {
 public:
  using Outcome = workbook_document::Outcome;

  explicit Document(size_t ceiling);
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;
  ~Document();

  // Parses the bytes (let go as soon as they are parsed), finds or makes the pupil's sheet and
  // appends the rows.
  Outcome Load(std::string bytes, const char* systemId, const std::wstring& pupil, const std::vector<Row>& rows);

  // The empty workbook with the pupil's sheet and the rows: under a name of its own when `name`
  // is given.
  Outcome LoadTemplate(const std::wstring& pupil, const std::vector<Row>& rows, const std::u16string* name = nullptr);

  // The document as the bytes of a file, within the ceiling and no longer than `limit`; room for
  // `expected` bytes is made at once, so that they are not copied as they grow.
  Outcome Write(std::string* bytes, size_t expected, size_t limit);

  // The pupil's sheet: its name, whether it has a table, and its rows' cells.
  const std::u16string& SheetName() const { return sheetName_; }
  bool SheetHasTable() const { return hasTable_; }
  std::vector<Row> TakeSheetRows() { return std::move(rows_); }

  // Gives the memory back, to the system too: a session keeps none of the workbook.
  void Release();

 private:
  template <typename Work>
  Outcome Guarded(Work step);
  bool Parse(std::string_view bytes, const char* systemId);
  void Select(const std::wstring& pupil);
  void ReadSheet();

  size_t ceiling_;
  std::unique_ptr<CappedMemory> memory_;
  XERCES_CPP_NAMESPACE::DOMDocument* document_ = nullptr;
  XERCES_CPP_NAMESPACE::DOMElement* sheet_ = nullptr;
  std::u16string sheetName_;
  std::vector<Row> rows_;
  bool hasTable_ = false;
};
