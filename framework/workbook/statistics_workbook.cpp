#include "framework/workbook/statistics_workbook.h"

#include <xercesc/dom/DOM.hpp>
#include <xercesc/framework/MemBufFormatTarget.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLString.hpp>

#include <cstdint>
#include <map>
#include <memory>
#include <new>
#include <set>
#include <stdexcept>
#include <string_view>

#include "framework/platform/utf.h"
#include "framework/resources/text_conversion.h"
#include "framework/workbook/dom_walk.h"
#include "framework/workbook/sheet_owners.h"
#include "framework/workbook/workbook_file.h"
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

// The pupil's name exactly as typed, as far as XML can hold it: what tells two pupils apart.
std::u16string ToPupilName(std::wstring_view name) {
  std::u16string out;
  for (wchar_t c : name) {
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

struct ReleaseXerces {
  template <typename T>
  void operator()(T* object) const { object->release(); }
};

// Far deeper than a workbook's cells (six levels down). Saving a document walks it with one
// call per level, so a document nested deeper than the stack allows could be read but never
// saved: it is refused while it is read.
constexpr int kMaxNesting = 256;

// A DOM parser that stops at kMaxNesting levels of elements.
class NestingBoundParser : public XercesDOMParser {
 public:
  struct TooDeep {};

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

enum class Parse { kWorkbook, kNotAWorkbook, kOutOfMemory };

// The parsed document, owned by the caller, or null when the bytes are not a workbook (or there
// was no memory to tell).
DOMDocument* ParseWorkbook(const char* bytes, size_t size, const char* systemId, Parse* result) {
  *result = Parse::kNotAWorkbook;
  try {
    NestingBoundParser parser;
    // The file is data, not a recipe for fetching more: no external DTD or entities, and a
    // bound on entity expansion.
    SecurityManager security;
    parser.setLoadExternalDTD(false);
    parser.setDisableDefaultEntityResolution(true);
    parser.setSecurityManager(&security);
    MemBufInputSource source(reinterpret_cast<const XMLByte*>(bytes), size, systemId);
    parser.parse(source);
    if (parser.getErrorCount() != 0 || parser.WasTooDeep()) return nullptr;
    // Adopted, so that the parser's destruction leaves the document alone.
    std::unique_ptr<DOMDocument, ReleaseXerces> document(parser.adoptDocument());
    const DOMElement* root = document ? document->getDocumentElement() : nullptr;
    if (root == nullptr || !XMLString::equals(root->getTagName(), u"Workbook")) return nullptr;
    *result = Parse::kWorkbook;
    return document.release();
  } catch (const OutOfMemoryException&) {
    // Says nothing about the file: it must not be taken for a damaged one.
    *result = Parse::kOutOfMemory;
  } catch (const std::bad_alloc&) {
    *result = Parse::kOutOfMemory;
  } catch (...) {
    // Xerces reports through its own exception types, none derived from std::exception.
  }
  return nullptr;
}

DOMDocument* ParseTemplate() {
  Parse result;
  DOMDocument* document = ParseWorkbook(kTemplate, sizeof kTemplate - 1, "EmptyXML", &result);
  if (document == nullptr) throw std::runtime_error("the built-in workbook template does not parse");
  return document;
}

// The document as the bytes of a file, or false.
bool Serialize(DOMImplementation* implementation, DOMDocument* document, std::string* bytes) {
  MemBufFormatTarget buffer;
  try {
    std::unique_ptr<DOMLSSerializer, ReleaseXerces> serializer(implementation->createLSSerializer());
    std::unique_ptr<DOMLSOutput, ReleaseXerces> output(implementation->createLSOutput());
    output->setByteStream(&buffer);
    output->setEncoding(u"UTF-8");
    if (!serializer->write(document, output.get())) return false;
    bytes->assign(reinterpret_cast<const char*>(buffer.getRawBuffer()), buffer.getLen());
  } catch (...) {
    // Xerces's own exception types, and running out of memory: report, keep the rows.
    return false;
  }
  return true;
}

// A workbook read from the bytes that can also be written back: Xerces reads some documents it
// cannot write (its UTF-7 decoder lets a lone surrogate through, which the writer refuses), and
// no save of such a workbook would succeed.
DOMDocument* ParseWritable(DOMImplementation* implementation, const std::string& bytes, const std::string& path,
                           Parse* result) {
  std::unique_ptr<DOMDocument, ReleaseXerces> document(ParseWorkbook(bytes.data(), bytes.size(), path.c_str(), result));
  std::string written;
  if (document != nullptr && !Serialize(implementation, document.get(), &written)) {
    *result = Parse::kNotAWorkbook;
    return nullptr;
  }
  return document.release();
}

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

void AppendCell(DOMDocument* document, DOMElement* row, const XMLCh* type, const std::u16string& text) {
  DOMElement* cell = AppendElement(document, row, u"Cell");
  DOMElement* data = AppendElement(document, cell, u"Data");
  data->setAttribute(u"ss:Type", type);
  data->appendChild(document->createTextNode(text.c_str()));
}

}  // namespace

IMStatisticsWorkbook::~IMStatisticsWorkbook() {
  // Every Xerces object goes before the library is shut down.
  if (document_ != nullptr) document_->release();
  document_ = nullptr;
  worksheet_ = nullptr;
  if (xmlInitialized_) XMLPlatformUtils::Terminate();
}

void IMStatisticsWorkbook::Open(const std::wstring& path, const std::wstring& sheetName) {
  if (document_ != nullptr) document_->release();
  document_ = nullptr;
  worksheet_ = nullptr;
  path_ = path;
  pupil_ = sheetName;
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
  implementation_ = DOMImplementationRegistry::getDOMImplementation(u"LS");

  // Whatever keeps the file from being read now, Save meets again and reports.
  const auto store = workbook_store::ForPath(platform::ToUtf8(path_), lockMilliseconds_);
  std::string why;
  ReadDocument(store.get(), &document_, &why);
  store->End();
  if (document_ == nullptr) document_ = ParseTemplate();
  const Sheet sheet = SelectWorksheet(document_, pupil_);
  worksheet_ = sheet.worksheet;
  sheetName_ = sheet.name;
}

bool IMStatisticsWorkbook::ReadDocument(workbook_store::Store* store, DOMDocument** document, std::string* why) {
  *document = nullptr;
  std::string bytes, aside;
  const workbook_store::Status status = store->Read(&bytes, &aside, why);
  NoteMovedAside(aside);
  if (status == workbook_store::Status::kMissing) return true;
  if (status != workbook_store::Status::kRead) return false;
  Parse result;
  *document = ParseWritable(implementation_, bytes, platform::ToUtf8(path_), &result);
  if (result == Parse::kOutOfMemory) {
    *why = "there is not enough memory to read it";
    return false;
  }
  if (result == Parse::kNotAWorkbook) {
    // Whatever is there may be the only copy of earlier results: keep it under another name.
    std::string damaged;
    if (store->MoveAside(&damaged, why) != workbook_store::Status::kDone) damaged.clear();
    NoteMovedAside(damaged);
    if (damaged.empty()) {
      *why = "it is not a workbook and cannot be moved aside";
      return false;
    }
  }
  return true;
}

void IMStatisticsWorkbook::NoteMovedAside(const std::string& aside) {
  if (!aside.empty()) movedAsidePath_ = platform::FromUtf8(aside);
}

IMStatisticsWorkbook::Sheet IMStatisticsWorkbook::SelectWorksheet(DOMDocument* document, const std::wstring& pupil) {
  DOMElement* root = document->getDocumentElement();
  const std::u16string fullName = ToPupilName(pupil);
  const sheet_owners::Owners owners = sheet_owners::Read(document);
  std::map<std::u16string, DOMElement*> sheets;
  dom_walk::EachElementBelow(root, u"Worksheet", [&sheets](DOMElement* sheet) {
    sheets.emplace(sheet->getAttribute(u"ss:Name"), sheet);
    return true;
  });
  // A sheet recorded as this pupil's; else, unless recorded as another pupil's (which is how
  // workbooks without records are read, as before), the sheet named as earlier versions named
  // it: the typed name uncut, then cleaned.
  for (const auto& [sheet, owner] : owners) {
    if (owner == fullName && sheets.count(sheet)) return {sheets[sheet], sheet};
  }
  Sheet found{};
  for (const std::u16string& earlier : {ToDomText(pupil), CleanedSheetName(pupil)}) {
    if (auto named = sheets.find(earlier); named != sheets.end() && !owners.count(earlier)) {
      found = {named->second, earlier};
      break;
    }
  }
  if (found.worksheet == nullptr) {
    std::set<std::u16string> taken;
    for (const auto& entry : sheets) taken.insert(FoldCase(entry.first));
    for (const auto& entry : owners) taken.insert(FoldCase(entry.first));
    found.name = DistinctSheetName(ToSheetName(pupil), taken);
    found.worksheet = AppendElement(document, root, u"Worksheet");
    found.worksheet->setAttribute(u"ss:Name", found.name.c_str());
    DOMElement* table = AppendElement(document, found.worksheet, u"Table");
    AppendColumn(document, table, u"240");
    AppendColumn(document, table, u"96");
  }
  if (found.name != fullName) sheet_owners::Record(document, found.name, fullName);
  return found;
}

void IMStatisticsWorkbook::AppendRow(DOMDocument* document, DOMElement* worksheet, const Row& row) {
  DOMElement* table = dom_walk::FirstElementBelow(worksheet, u"Table");
  if (table == nullptr) table = AppendElement(document, worksheet, u"Table");
  DOMElement* element = AppendElement(document, table, u"Row");
  if (row.empty) return;
  AppendCell(document, element, u"String", row.caption);
  AppendCell(document, element, row.type.c_str(), row.value);
}

void IMStatisticsWorkbook::AddRow(const std::wstring& caption, const std::wstring& value,
                                  const std::wstring& type) {
  if (worksheet_ == nullptr) return;
  pending_.push_back({false, ToDomText(caption), ToDomText(value), ToDomText(type)});
  AppendRow(document_, worksheet_, pending_.back());
}

void IMStatisticsWorkbook::AddEmptyRow() {
  if (worksheet_ == nullptr) return;
  pending_.push_back({true, {}, {}, {}});
  AppendRow(document_, worksheet_, pending_.back());
}

bool IMStatisticsWorkbook::Save(const std::wstring& path) {
  if (document_ == nullptr || implementation_ == nullptr) return false;
  const std::string own = platform::ToUtf8(path_);
  const std::string target = path.empty() ? own : platform::ToUtf8(path);
  if (target == own || workbook_file::SameFile(target, own)) return SaveOwn();
  std::string bytes;
  return Serialize(implementation_, document_, &bytes) && workbook_file::ReplaceFile(target, bytes);
}

bool IMStatisticsWorkbook::SaveOwn() {
  // What other sessions saved since this one read the file is kept: the file is read again
  // under the store's lock and this session's rows are added to it once more.
  const auto store = workbook_store::ForPath(platform::ToUtf8(path_), lockMilliseconds_);
  DOMDocument* fresh = nullptr;
  if (!ReadDocument(store.get(), &fresh, &saveFailure_)) {
    store->End();
    return false;
  }
  std::unique_ptr<DOMDocument, ReleaseXerces> merged(fresh != nullptr ? fresh : ParseTemplate());
  const Sheet sheet = SelectWorksheet(merged.get(), pupil_);
  for (const Row& row : pending_) AppendRow(merged.get(), sheet.worksheet, row);
  std::string bytes;
  if (!Serialize(implementation_, merged.get(), &bytes)) {
    store->End();
    saveFailure_ = "the workbook cannot be written out";
    return false;
  }
  if (store->Commit(bytes, &saveFailure_) != workbook_store::Status::kDone) return false;
  // A second save adds nothing twice.
  document_->release();
  document_ = merged.release();
  worksheet_ = sheet.worksheet;
  sheetName_ = sheet.name;
  pending_.clear();
  saveFailure_.clear();
  return true;
}

bool IMStatisticsWorkbook::SaveToNewFile(const std::wstring& path) {
  std::string bytes;
  return document_ != nullptr && Serialize(implementation_, document_, &bytes) &&
         workbook_file::CreateNewFile(platform::ToUtf8(path), bytes);
}

std::wstring IMStatisticsWorkbook::GetSheetName() const { return platform::FromUtf16(sheetName_); }
