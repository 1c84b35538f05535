#include "framework/workbook/statistics_workbook.h"

#include <malloc.h>
#include <xercesc/dom/DOM.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/framework/XMLFormatter.hpp>
#include <xercesc/internal/XMLScanner.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLString.hpp>

#include <cstdint>
#include <map>
#include <memory>
#include <new>
#include <set>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "framework/platform/utf.h"
#include "framework/resources/text_conversion.h"
#include "framework/workbook/capped_memory.h"
#include "framework/workbook/dom_walk.h"
#include "framework/workbook/sheet_owners.h"
#include "framework/workbook/workbook_file.h"
#include "framework/workbook/workbook_io.h"
#include "framework/workbook/workbook_store.h"

using namespace XERCES_CPP_NAMESPACE;

namespace {

// The empty workbook. Its items are separated by seven tabs and a blank, which stay in the
// document as whitespace text and are written back with it.
#define IM_SEP "\t\t\t\t\t\t\t "
constexpr char kTemplate[] =
    "<?xml version=\"1.0\"?>" IM_SEP
    "<?mso-application progid=\"Excel.Sheet\"?>" IM_SEP
    "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\"" IM_SEP
    "xmlns:o=\"urn:schemas-microsoft-com:office:office\"" IM_SEP
    "xmlns:x=\"urn:schemas-microsoft-com:office:excel\"" IM_SEP
    "xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\"" IM_SEP
    "xmlns:html=\"http://www.w3.org/TR/REC-html40\">" IM_SEP
    "<DocumentProperties xmlns=\"urn:schemas-microsoft-com:office:office\">" IM_SEP
    "<Version>11.6360</Version>" IM_SEP
    "</DocumentProperties>" IM_SEP
    "<ExcelWorkbook xmlns=\"urn:schemas-microsoft-com:office:excel\">" IM_SEP
    "<WindowHeight>10005</WindowHeight>" IM_SEP
    "<WindowWidth>10005</WindowWidth>" IM_SEP
    "<WindowTopX>120</WindowTopX>" IM_SEP
    "<WindowTopY>135</WindowTopY>" IM_SEP
    "<ProtectStructure>False</ProtectStructure>" IM_SEP
    "<ProtectWindows>False</ProtectWindows>" IM_SEP
    "</ExcelWorkbook>" IM_SEP
    "<Styles>" IM_SEP
    "<Style ss:ID=\"Default\" ss:Name=\"Normal\">" IM_SEP
    "<Alignment ss:Vertical=\"Bottom\"/>" IM_SEP
    "<Borders/>" IM_SEP
    "<Font ss:FontName=\"Arial Cyr\" x:CharSet=\"204\"/>" IM_SEP
    "<Interior/>" IM_SEP
    "<NumberFormat/>" IM_SEP
    "<Protection/>" IM_SEP
    "</Style>" IM_SEP
    "<Style ss:ID=\"s21\">" IM_SEP
    "<NumberFormat ss:Format=\"Short Date\"/>" IM_SEP
    "</Style>" IM_SEP
    "<Style ss:ID=\"s22\">" IM_SEP
    "<NumberFormat ss:Format=\"Short Time\"/>" IM_SEP
    "</Style>" IM_SEP
    "</Styles>" IM_SEP
    "</Workbook>";
#undef IM_SEP
static_assert(sizeof kTemplate - 1 == 1322);

constexpr size_t kMaxSheetNameLength = 31;

// What XML 1.0 allows in a document; anything else would make the file unwritable or unreadable.
bool IsXmlChar(wchar_t c) {
  const auto code = static_cast<std::uint32_t>(c);
  return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
         (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
}

// Text as the workbook stores it: characters XML forbids dropped, those of the Basic
// Multilingual Plane limited to the Russian code page (as sheets written before hold them), and
// those above it, which no code page has, kept whole as a surrogate pair.
std::u16string ToDomText(std::wstring_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    if (!IsXmlChar(c)) continue;
    if (static_cast<std::uint32_t>(c) >= 0x10000) {
      platform::AppendUtf16(out, c);
    } else {
      out += static_cast<char16_t>(WidenChar(NarrowChar(c)));
    }
  }
  return out;
}

// Cuts the text to at most `size` units, never between the two halves of a character.
void CutTo(std::u16string* text, size_t size) {
  if (text->size() <= size) return;
  if (size > 0 && platform::IsHighSurrogate((*text)[size - 1])) --size;
  text->resize(size);
}

// Spreadsheet programs refuse these characters in a sheet name.
std::u16string ReplaceRefused(std::u16string name) {
  for (char16_t& c : name) {
    if (std::u16string_view(u":\\/?*[]").find(c) != std::u16string_view::npos) c = u'_';
  }
  return name;
}

// The sheet name earlier versions gave a pupil.
std::u16string CleanedSheetName(std::wstring_view name) {
  std::u16string out = ReplaceRefused(ToDomText(name));
  CutTo(&out, kMaxSheetNameLength);
  return out;
}

// Excel also refuses a name that begins or ends with an apostrophe (which a typed double quote
// becomes).
void TrimApostrophes(std::u16string* name) {
  name->erase(0, name->find_first_not_of(u'\''));
  name->erase(name->find_last_not_of(u'\'') + 1);
}

// The sheet name for a new sheet, before it is made distinct.
std::u16string ToSheetName(std::wstring_view name) {
  std::u16string out = ReplaceRefused(ToDomText(name));
  TrimApostrophes(&out);
  CutTo(&out, kMaxSheetNameLength);
  TrimApostrophes(&out);
  return out;
}

// Text exactly as given, as far as XML can hold it: the pupil's name as typed (what tells two
// pupils apart), and cells read from a file (a lone half of a character dropped), so that they
// can be written again.
std::u16string ToXmlText(std::wstring_view text) {
  std::u16string out;
  for (wchar_t c : text) {
    if (IsXmlChar(c)) platform::AppendUtf16(out, c);
  }
  return out;
}

// Spreadsheet programs compare sheet names regardless of case. Below U+10000 a sheet name holds
// only the Russian code page, whose letters with case are the Latin and Cyrillic ones.
std::u16string FoldCase(std::u16string name) {
  for (char16_t& c : name) {
    if (c >= u'A' && c <= u'Z') c += 0x20;
    else if (c >= 0x0410 && c <= 0x042F) c += 0x20;
    else if (c >= 0x0400 && c <= 0x040F) c += 0x50;
    else if (c == 0x0490) c = 0x0491;
  }
  return name;
}

bool IsBlank(const std::u16string& name) { return name.find_first_not_of(u" \t\r\n") == std::u16string::npos; }

// Names no spreadsheet program takes for a sheet, whatever the other sheets are.
bool IsReservedSheetName(const std::u16string& name) { return IsBlank(name) || FoldCase(name) == u"history"; }

// `base`, or `base` cut and numbered " (2)", " (3)", ... so that no sheet has the name yet in
// any case. `taken` holds the names case-folded.
std::u16string DistinctSheetName(const std::u16string& base, const std::set<std::u16string>& taken) {
  if (!IsReservedSheetName(base) && !taken.count(FoldCase(base))) return base;
  // A blank name is numbered alone: "(2)".
  const bool blank = IsBlank(base);
  for (int n = 2;; ++n) {
    std::u16string suffix = blank ? u"(" : u" (";
    for (char digit : std::to_string(n)) suffix += static_cast<char16_t>(digit);
    suffix += u')';
    std::u16string name = blank ? std::u16string() : base;
    CutTo(&name, kMaxSheetNameLength - suffix.size());
    name += suffix;
    if (!taken.count(FoldCase(name))) return name;
  }
}

// How often a save reads and merges again when other sessions replaced the workbook meanwhile.
constexpr int kAttempts = 4;

using Row = IMStatisticsWorkbook::Row;
using workbook_store::Status;

struct ReleaseXerces {
  template <typename T>
  void operator()(T* object) const { object->release(); }
};

// Far deeper than a workbook's cells (six levels down). Saving a document walks it with one
// call per level, so a document nested deeper than the stack allows could be read but never
// saved: it is refused while it is read.
constexpr int kMaxNesting = 256;

// A DOM parser that takes no document type (this program and spreadsheet programs write none,
// so it can only bring entities, read-only nodes and expansion) and stops at kMaxNesting levels
// of elements.
class WorkbookParser : public XercesDOMParser {
 public:
  struct TooDeep {};

  explicit WorkbookParser(MemoryManager* memory) : XercesDOMParser(nullptr, memory) {
    getScanner()->setDisallowDTD(true);
    setLoadExternalDTD(false);
  }

  void startElement(const XMLElementDecl& decl, const unsigned int uri, const XMLCh* const prefix,
                    const RefVectorOf<XMLAttr>& attributes, const XMLSize_t count, const bool isEmpty,
                    const bool isRoot) override {
    if (depth_ + 1 > kMaxNesting) {
      tooDeep_ = true;
      throw TooDeep{};
    }
    if (!isEmpty) ++depth_;
    // The base may end an empty element itself; that end is not a level left.
    insideEmpty_ = isEmpty;
    XercesDOMParser::startElement(decl, uri, prefix, attributes, count, isEmpty, isRoot);
    insideEmpty_ = false;
  }

  void endElement(const XMLElementDecl& decl, const unsigned int uri, const bool isRoot,
                  const XMLCh* const prefix) override {
    if (!insideEmpty_) --depth_;
    XercesDOMParser::endElement(decl, uri, isRoot, prefix);
  }

  // Also when the library should have caught the stop itself.
  bool WasTooDeep() const { return tooDeep_; }

 private:
  int depth_ = 0;
  bool tooDeep_ = false;
  bool insideEmpty_ = false;
};

// The serializer's output straight into a string, so that the bytes exist once.
class StringTarget : public XMLFormatTarget {
 public:
  explicit StringTarget(std::string* out) : out_(out) {}
  void writeChars(const XMLByte* const bytes, const XMLSize_t count, XMLFormatter* const) override {
    if (outOfMemory_) return;
    try {
      out_->append(reinterpret_cast<const char*>(bytes), count);
    } catch (const std::bad_alloc&) {
      outOfMemory_ = true;
    }
  }
  void flush() override {}
  bool OutOfMemory() const { return outOfMemory_; }

 private:
  std::string* out_;
  bool outOfMemory_ = false;
};

enum class Outcome { kDone, kNotOurs, kOutOfMemory };

DOMElement* AppendElement(DOMDocument* document, DOMNode* parent, const XMLCh* name) {
  DOMElement* element = document->createElement(name);
  parent->appendChild(element);
  return element;
}

void AppendColumn(DOMDocument* document, DOMElement* table, const XMLCh* width) {
  DOMElement* column = AppendElement(document, table, u"Column");
  column->setAttribute(u"ss:AutoFitWidth", u"0");
  column->setAttribute(u"ss:Width", width);
}

DOMElement* AppendSheet(DOMDocument* document, const std::u16string& name) {
  DOMElement* sheet = AppendElement(document, document->getDocumentElement(), u"Worksheet");
  sheet->setAttribute(u"ss:Name", name.c_str());
  DOMElement* table = AppendElement(document, sheet, u"Table");
  AppendColumn(document, table, u"240");
  AppendColumn(document, table, u"96");
  return sheet;
}

void AppendRow(DOMDocument* document, DOMElement* worksheet, const Row& row) {
  DOMElement* table = dom_walk::FirstElementBelow(worksheet, u"Table");
  if (table == nullptr) table = AppendElement(document, worksheet, u"Table");
  DOMElement* element = AppendElement(document, table, u"Row");
  for (const IMStatisticsWorkbook::Cell& cell : row) {
    DOMElement* data = AppendElement(document, AppendElement(document, element, u"Cell"), u"Data");
    data->setAttribute(u"ss:Type", cell.type.c_str());
    data->appendChild(document->createTextNode(cell.text.c_str()));
  }
}

}  // namespace

// A workbook as one reading of it parsed it, with the pupil's sheet found or made in it, in
// memory of its own with the ceiling.
class IMStatisticsWorkbook::Document {
 public:
  explicit Document(size_t ceiling) : ceiling_(ceiling) {}
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;
  ~Document() { Release(); }

  // Parses the bytes (let go as soon as they are parsed), finds or makes the pupil's sheet and
  // appends the rows.
  Outcome Load(std::string bytes, const char* systemId, const std::wstring& pupil, const std::vector<Row>& rows) {
    return Guarded([&] {
      const bool parsed = Parse(bytes, systemId);
      std::string().swap(bytes);
      if (!parsed) return false;
      Select(pupil);
      for (const Row& row : rows) AppendRow(document_, sheet_, row);
      ReadSheet();
      return true;
    });
  }

  // The empty workbook with the pupil's sheet and the rows: under a name of its own when `name`
  // is given.
  Outcome LoadTemplate(const std::wstring& pupil, const std::vector<Row>& rows, const std::u16string* name = nullptr) {
    return Guarded([&] {
      if (!Parse(std::string_view(kTemplate, sizeof kTemplate - 1), "EmptyXML")) return false;
      if (name == nullptr) {
        Select(pupil);
      } else {
        sheet_ = AppendSheet(document_, *name);
        sheetName_ = *name;
        const std::u16string fullName = ToXmlText(pupil);
        if (*name != fullName) sheet_owners::Record(document_, *name, fullName);
      }
      for (const Row& row : rows) AppendRow(document_, sheet_, row);
      ReadSheet();
      return true;
    });
  }

  // The document as the bytes of a file.
  Outcome Write(std::string* bytes, size_t expected) const {
    bytes->clear();
    try {
      bytes->reserve(expected);
      DOMImplementation* implementation = DOMImplementationRegistry::getDOMImplementation(u"LS");
      std::unique_ptr<DOMLSSerializer, ReleaseXerces> serializer(implementation->createLSSerializer());
      std::unique_ptr<DOMLSOutput, ReleaseXerces> output(implementation->createLSOutput());
      StringTarget target(bytes);
      output->setByteStream(&target);
      output->setEncoding(u"UTF-8");
      // Refused only for what the document holds: Xerces reads some documents it cannot write
      // (its UTF-7 decoder lets a lone surrogate through, which the writer refuses).
      const bool written = serializer->write(document_, output.get());
      if (target.OutOfMemory()) return Outcome::kOutOfMemory;
      if (written) return Outcome::kDone;
    } catch (const OutOfMemoryException&) {
      return Outcome::kOutOfMemory;
    } catch (const std::bad_alloc&) {
      return Outcome::kOutOfMemory;
    } catch (...) {
      // Xerces's own exception types, none derived from std::exception.
    }
    std::string().swap(*bytes);
    return Outcome::kNotOurs;
  }

  // The pupil's sheet: its name, whether it has a table, and its rows' cells.
  const std::u16string& SheetName() const { return sheetName_; }
  bool SheetHasTable() const { return hasTable_; }
  std::vector<Row> TakeSheetRows() { return std::move(rows_); }

  // Gives the memory back, to the system too: a session keeps none of the workbook.
  void Release() {
    if (document_ == nullptr && memory_->Peak() == 0) return;
    if (document_ != nullptr) document_->release();
    document_ = nullptr;
    sheet_ = nullptr;
    memory_ = std::make_unique<CappedMemory>(ceiling_);
    ::malloc_trim(0);
  }

 private:
  // Runs a step over the document: whatever goes wrong says either that the file is not one of
  // this program's workbooks, or that the machine ran out of memory, which says nothing about
  // the file. The document is let go either way.
  template <typename Step>
  Outcome Guarded(Step step) {
    Release();
    Outcome outcome = Outcome::kNotOurs;
    try {
      if (step()) return Outcome::kDone;
    } catch (const OutOfMemoryException&) {
      if (!memory_->CeilingReached()) outcome = Outcome::kOutOfMemory;
    } catch (const std::bad_alloc&) {
      outcome = Outcome::kOutOfMemory;
    } catch (...) {
      // Xerces's own exception types (a DOM operation the document refuses, say), the nesting
      // bound: the file is not one of ours.
    }
    Release();
    return outcome;
  }

  // True with a document whose root is a Workbook.
  bool Parse(std::string_view bytes, const char* systemId) {
    WorkbookParser parser(memory_.get());
    MemBufInputSource source(reinterpret_cast<const XMLByte*>(bytes.data()), bytes.size(), systemId);
    parser.parse(source);
    if (parser.getErrorCount() != 0 || parser.WasTooDeep()) return false;
    // Adopted, so that the parser's destruction leaves the document alone.
    document_ = parser.adoptDocument();
    const DOMElement* root = document_ ? document_->getDocumentElement() : nullptr;
    return root != nullptr && XMLString::equals(root->getTagName(), u"Workbook");
  }

  void Select(const std::wstring& pupil);

  static std::u16string CellText(const XMLCh* text) { return ToXmlText(platform::FromUtf16(text ? text : u"")); }

  // Within a step: a crafted sheet's text may take more than the ceiling too.
  void ReadSheet() {
    rows_.clear();
    DOMElement* table = dom_walk::FirstElementBelow(sheet_, u"Table");
    hasTable_ = table != nullptr;
    if (table == nullptr) return;
    dom_walk::EachElementBelow(table, u"Row", [this](DOMElement* element) {
      Row& row = rows_.emplace_back();
      dom_walk::EachElementBelow(element, u"Data", [&row](DOMElement* data) {
        row.push_back({CellText(data->getAttribute(u"ss:Type")), CellText(data->getTextContent())});
        return true;
      });
      return true;
    });
  }

  size_t ceiling_;
  std::unique_ptr<CappedMemory> memory_ = std::make_unique<CappedMemory>(ceiling_);
  DOMDocument* document_ = nullptr;
  DOMElement* sheet_ = nullptr;
  std::u16string sheetName_;
  std::vector<Row> rows_;
  bool hasTable_ = false;
};

void IMStatisticsWorkbook::Document::Select(const std::wstring& pupil) {
  DOMElement* root = document_->getDocumentElement();
  const std::u16string fullName = ToXmlText(pupil);
  const sheet_owners::Owners owners = sheet_owners::Read(document_);
  std::map<std::u16string, DOMElement*> sheets;
  dom_walk::EachElementBelow(root, u"Worksheet", [&sheets](DOMElement* sheet) {
    sheets.emplace(sheet->getAttribute(u"ss:Name"), sheet);
    return true;
  });
  // A sheet recorded as this pupil's; else, unless recorded as another pupil's (which is how
  // workbooks without records are read, as before), the sheet named as earlier versions named
  // it: the typed name uncut, then cleaned.
  sheet_ = nullptr;
  for (const auto& [sheet, owner] : owners) {
    if (owner == fullName && sheets.count(sheet)) {
      sheet_ = sheets[sheet];
      sheetName_ = sheet;
      break;
    }
  }
  for (const std::u16string& earlier : {ToDomText(pupil), CleanedSheetName(pupil)}) {
    if (sheet_ != nullptr) break;
    if (auto named = sheets.find(earlier); named != sheets.end() && !owners.count(earlier)) {
      sheet_ = named->second;
      sheetName_ = earlier;
    }
  }
  if (sheet_ == nullptr) {
    std::set<std::u16string> taken;
    for (const auto& entry : sheets) taken.insert(FoldCase(entry.first));
    for (const auto& entry : owners) taken.insert(FoldCase(entry.first));
    sheetName_ = DistinctSheetName(ToSheetName(pupil), taken);
    sheet_ = AppendSheet(document_, sheetName_);
  }
  if (sheetName_ != fullName && !owners.count(sheetName_)) sheet_owners::Record(document_, sheetName_, fullName);
}

IMStatisticsWorkbook::~IMStatisticsWorkbook() {
  if (xmlInitialized_) XMLPlatformUtils::Terminate();
}

void IMStatisticsWorkbook::Open(const std::wstring& path, const std::wstring& sheetName) {
  path_ = path;
  pupil_ = sheetName;
  sheetRows_.clear();
  pending_.clear();
  movedAsidePath_.clear();
  saveFailure_.clear();
  if (!xmlInitialized_) {
    try {
      XMLPlatformUtils::Initialize("en_US");
    } catch (const XMLException&) {
      throw std::runtime_error("the XML library cannot be initialised");
    }
    xmlInitialized_ = true;
  }
  // Whatever keeps the file from being read now, Save meets again and reports.
  Document document(memoryCeiling_);
  if (!ReadWithoutWriting({}, &document, nullptr) && document.LoadTemplate(pupil_, {}) != Outcome::kDone) {
    // No memory even for the empty workbook: the sheet as a fresh one would be named.
    sheetName_ = ToSheetName(pupil_);
    sheetHasTable_ = true;
    return;
  }
  sheetName_ = document.SheetName();
  sheetHasTable_ = document.SheetHasTable();
  sheetRows_ = document.TakeSheetRows();
}

IMStatisticsWorkbook::Step IMStatisticsWorkbook::Read(workbook_store::Store* store, const std::vector<Row>& rows,
                                                      Document* document, std::string* bytes, std::string* why) {
  std::string read, aside;
  Status status = store->Read(&read, &aside, why);
  NoteMovedAside(aside);
  if (status != Status::kRead && status != Status::kMissing) return Step::kRefused;
  // Room for the written workbook, so that its bytes are not copied as they grow.
  const size_t expected = read.size() + (rows.size() + 64) * 512;
  Outcome outcome = status == Status::kMissing
                        ? document->LoadTemplate(pupil_, rows)
                        : document->Load(std::move(read), platform::ToUtf8(path_).c_str(), pupil_, rows);
  if (outcome == Outcome::kDone && bytes != nullptr) outcome = document->Write(bytes, expected);
  if (outcome == Outcome::kNotOurs) {
    // Whatever is there may be the only copy of earlier results: keep it under another name.
    std::string damaged;
    status = store->MoveAside(&damaged, why);
    if (status == Status::kChanged) return Step::kAgain;
    if (status != Status::kDone) {
      if (why->empty()) *why = "it is not a workbook and cannot be moved aside";
      return Step::kRefused;
    }
    NoteMovedAside(damaged);
    outcome = document->LoadTemplate(pupil_, rows);
    if (outcome == Outcome::kDone && bytes != nullptr) outcome = document->Write(bytes, expected);
  }
  if (outcome != Outcome::kDone) {
    store->End();
    *why = "there is not enough memory to read it";
    return Step::kRefused;
  }
  return Step::kRead;
}

void IMStatisticsWorkbook::NoteMovedAside(const std::string& aside) {
  if (!aside.empty()) movedAsidePath_ = platform::FromUtf8(aside);
}

void IMStatisticsWorkbook::AddRow(const std::wstring& caption, const std::wstring& value,
                                  const std::wstring& type) {
  if (!xmlInitialized_) return;
  pending_.push_back({{u"String", ToDomText(caption)}, {ToDomText(type), ToDomText(value)}});
}

void IMStatisticsWorkbook::AddEmptyRow() {
  if (xmlInitialized_) pending_.emplace_back();
}

bool IMStatisticsWorkbook::Save(const std::wstring& path) {
  if (!xmlInitialized_) return false;
  const std::string own = platform::ToUtf8(path_);
  const std::string target = path.empty() ? own : platform::ToUtf8(path);
  if (target == own || workbook_file::SameFile(target, own)) return SaveOwn();
  return SaveElsewhere(target);
}

bool IMStatisticsWorkbook::SaveOwn() {
  // What other sessions saved since this one read the file is kept: the file is read again and
  // this session's rows are added to it once more; when another session replaced it before
  // this one's write, all of that is done again.
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    const auto store = workbook_store::ForPath(platform::ToUtf8(path_), lockMilliseconds_);
    Document document(memoryCeiling_);
    std::string bytes;
    const Step step = Read(store.get(), pending_, &document, &bytes, &saveFailure_);
    if (step == Step::kRefused) return false;
    if (step == Step::kAgain) continue;
    const bool hasTable = document.SheetHasTable();
    std::vector<Row> rows = document.TakeSheetRows();
    const std::u16string name = document.SheetName();
    // One workbook in memory at a time: the parsed one goes before the bytes are handed on.
    document.Release();
    const Status status = store->Commit(bytes, &saveFailure_);
    if (status == Status::kChanged) continue;
    if (status != Status::kDone) return false;
    // A second save adds nothing twice.
    sheetRows_ = std::move(rows);
    sheetHasTable_ = hasTable;
    sheetName_ = name;
    pending_.clear();
    saveFailure_.clear();
    return true;
  }
  saveFailure_ = "other sessions kept replacing it";
  return false;
}

bool IMStatisticsWorkbook::ReadWithoutWriting(const std::vector<Row>& rows, Document* document, std::string* bytes) {
  Step step = Step::kAgain;
  for (int attempt = 0; attempt < kAttempts && step == Step::kAgain; ++attempt) {
    const auto store = workbook_store::ForPath(platform::ToUtf8(path_), lockMilliseconds_);
    std::string why;
    step = Read(store.get(), rows, document, bytes, &why);
    store->End();
  }
  return step == Step::kRead;
}

bool IMStatisticsWorkbook::SaveElsewhere(const std::string& target) {
  std::string bytes;
  // A workbook that cannot be read now still leaves the pupil's own rows to copy.
  {
    Document document(memoryCeiling_);
    if (!ReadWithoutWriting(pending_, &document, &bytes) && !SheetAloneBytes(&bytes)) return false;
  }
  return workbook_file::ReplaceFile(target, bytes);
}

bool IMStatisticsWorkbook::SheetAloneBytes(std::string* bytes) {
  std::vector<Row> rows = sheetRows_;
  rows.insert(rows.end(), pending_.begin(), pending_.end());
  Document document(memoryCeiling_);
  return document.LoadTemplate(pupil_, rows, &sheetName_) == Outcome::kDone &&
         document.Write(bytes, sizeof kTemplate + (rows.size() + 64) * 512) == Outcome::kDone;
}

bool IMStatisticsWorkbook::SaveToNewFile(const std::wstring& path) {
  std::string bytes;
  return xmlInitialized_ && SheetAloneBytes(&bytes) && workbook_file::CreateNewFile(platform::ToUtf8(path), bytes);
}

std::wstring IMStatisticsWorkbook::GetSheetName() const { return platform::FromUtf16(sheetName_); }
