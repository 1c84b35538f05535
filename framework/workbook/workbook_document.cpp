#include "framework/workbook/workbook_document.h"

#include <malloc.h>
#include <xercesc/dom/DOM.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/framework/XMLFormatter.hpp>
#include <xercesc/internal/XMLScanner.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/XMLString.hpp>

#include <algorithm>
#include <map>
#include <new>
#include <set>
#include <unordered_set>

#include "framework/workbook/capped_memory.h"
#include "framework/workbook/dom_walk.h"
#include "framework/workbook/sheet_names.h"
#include "framework/workbook/sheet_owners.h"

using namespace XERCES_CPP_NAMESPACE;
using workbook_document::Outcome;

namespace {

using Row = IMStatisticsWorkbook::Row;
using Cell = IMStatisticsWorkbook::Cell;

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

// What a copy of the text, held in a node of a container, costs.
size_t CopyCost(size_t units) { return units * sizeof(char16_t) + 64; }

struct ReleaseXerces {
  template <typename T>
  void operator()(T* object) const { object->release(); }
};

// A bound passed while parsing or writing: the file is not one of ours.
struct NotOurs {};
// The output passed its limit.
struct TooLarge {};

// A DOM parser that takes no document type (this program and spreadsheet programs write none,
// so it can only bring entities, read-only nodes and expansion) and stops at the bounds.
class WorkbookParser : public XercesDOMParser {
 public:
  explicit WorkbookParser(MemoryManager* memory) : XercesDOMParser(nullptr, memory) {
    getScanner()->setDisallowDTD(true);
    setLoadExternalDTD(false);
  }

  void startElement(const XMLElementDecl& decl, const unsigned int uri, const XMLCh* const prefix,
                    const RefVectorOf<XMLAttr>& attributes, const XMLSize_t count, const bool isEmpty,
                    const bool isRoot) override {
    if (depth_ + 1 > workbook_document::kMaxNesting || count > workbook_document::kMaxAttributes) Refuse();
    if (!isEmpty) ++depth_;
    // The base may end an empty element itself; that end is not a level left.
    insideEmpty_ = isEmpty;
    XercesDOMParser::startElement(decl, uri, prefix, attributes, count, isEmpty, isRoot);
    insideEmpty_ = false;
    // The names as the document pools them, which stay while it does.
    const DOMNode* node = getCurrentNode();
    if (node == nullptr || node->getNodeType() != DOMNode::ELEMENT_NODE) return;
    const auto* element = static_cast<const DOMElement*>(node);
    Count(element->getTagName());
    const DOMNamedNodeMap* attributeNodes = element->getAttributes();
    for (XMLSize_t i = 0; attributeNodes != nullptr && i < attributeNodes->getLength(); ++i) {
      Count(attributeNodes->item(i)->getNodeName());
    }
  }

  void endElement(const XMLElementDecl& decl, const unsigned int uri, const bool isRoot,
                  const XMLCh* const prefix) override {
    if (!insideEmpty_) --depth_;
    XercesDOMParser::endElement(decl, uri, isRoot, prefix);
  }

  // Also when the library should have caught the stop itself.
  bool Refused() const { return refused_; }

 private:
  [[noreturn]] void Refuse() {
    refused_ = true;
    throw NotOurs{};
  }

  void Count(const XMLCh* name) {
    if (names_.insert(std::u16string_view(name)).second && names_.size() > workbook_document::kMaxDistinctNames) {
      Refuse();
    }
  }

  std::unordered_set<std::u16string_view> names_;
  int depth_ = 0;
  bool refused_ = false;
  bool insideEmpty_ = false;
};

// The serializer's output straight into a string, so that the bytes exist once, its growth
// charged to the memory, stopped once it passes the limit.
class StringTarget : public XMLFormatTarget {
 public:
  StringTarget(std::string* out, size_t limit, CappedMemory* memory) : out_(out), limit_(limit), memory_(memory) {}
  void writeChars(const XMLByte* const bytes, const XMLSize_t count, XMLFormatter* const) override {
    if (count > limit_ - out_->size()) throw TooLarge{};
    if (out_->size() + count > out_->capacity()) Reserve(std::max(out_->capacity() * 2, out_->size() + count));
    out_->append(reinterpret_cast<const char*>(bytes), count);
  }
  void flush() override {}

  void Reserve(size_t capacity) {
    capacity = std::min(capacity, limit_);
    if (capacity <= out_->capacity()) return;
    memory_->Charge(capacity - out_->capacity());
    out_->reserve(capacity);
  }

 private:
  std::string* out_;
  size_t limit_;
  CappedMemory* memory_;
};

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
  for (const Cell& cell : row) {
    DOMElement* data = AppendElement(document, AppendElement(document, element, u"Cell"), u"Data");
    data->setAttribute(u"ss:Type", cell.type.c_str());
    data->appendChild(document->createTextNode(cell.text.c_str()));
  }
}

}  // namespace

size_t workbook_document::TemplateSize() { return sizeof kTemplate - 1; }

IMStatisticsWorkbook::Document::Document(size_t ceiling)
    : ceiling_(ceiling), memory_(std::make_unique<CappedMemory>(ceiling)) {}

IMStatisticsWorkbook::Document::~Document() { Release(); }

// Runs a step over the document: whatever goes wrong says either that the file is not one of
// this program's workbooks, or that the machine ran out of memory, which says nothing about the
// file. The document is let go either way.
template <typename Work>
Outcome IMStatisticsWorkbook::Document::Guarded(Work step) {
  Release();
  Outcome outcome = Outcome::kNotOurs;
  try {
    if (step()) return Outcome::kDone;
  } catch (const OutOfMemoryException&) {
    if (!memory_->CeilingReached()) outcome = Outcome::kOutOfMemory;
  } catch (const std::bad_alloc&) {
    outcome = Outcome::kOutOfMemory;
  } catch (...) {
    // Xerces's own exception types (a DOM operation the document refuses, say), a bound passed:
    // the file is not one of ours.
  }
  Release();
  return outcome;
}

Outcome IMStatisticsWorkbook::Document::Load(std::string bytes, const char* systemId, const std::wstring& pupil,
                                             const std::vector<Row>& rows) {
  return Guarded([&] {
    // The file's bytes and the document they become are there together.
    const size_t held = bytes.capacity();
    memory_->Charge(held);
    const bool parsed = Parse(bytes, systemId);
    std::string().swap(bytes);
    memory_->Refund(held);
    if (!parsed) return false;
    Select(pupil);
    for (const Row& row : rows) AppendRow(document_, sheet_, row);
    ReadSheet();
    return true;
  });
}

Outcome IMStatisticsWorkbook::Document::LoadTemplate(const std::wstring& pupil, const std::vector<Row>& rows,
                                                     const std::u16string* name) {
  return Guarded([&] {
    if (!Parse(std::string_view(kTemplate, sizeof kTemplate - 1), "EmptyXML")) return false;
    if (name == nullptr) {
      Select(pupil);
    } else {
      sheet_ = AppendSheet(document_, *name);
      sheetName_ = *name;
      const std::u16string fullName = sheet_names::ToXmlText(pupil);
      if (*name != fullName) sheet_owners::Record(document_, *name, fullName);
    }
    for (const Row& row : rows) AppendRow(document_, sheet_, row);
    ReadSheet();
    return true;
  });
}

Outcome IMStatisticsWorkbook::Document::Write(std::string* bytes, size_t expected, size_t limit) {
  std::string().swap(*bytes);
  if (document_ == nullptr) return Outcome::kNotOurs;
  Outcome outcome = Outcome::kNotOurs;
  try {
    DOMImplementation* implementation = DOMImplementationRegistry::getDOMImplementation(u"LS");
    std::unique_ptr<DOMLSSerializer, ReleaseXerces> serializer(implementation->createLSSerializer(memory_.get()));
    std::unique_ptr<DOMLSOutput, ReleaseXerces> output(implementation->createLSOutput(memory_.get()));
    StringTarget target(bytes, limit, memory_.get());
    target.Reserve(expected);
    output->setByteStream(&target);
    output->setEncoding(u"UTF-8");
    // Refused only for what the document holds: Xerces reads some documents it cannot write
    // (its UTF-7 decoder lets a lone surrogate through, which the writer refuses).
    if (serializer->write(document_, output.get())) return Outcome::kDone;
  } catch (const TooLarge&) {
    outcome = Outcome::kTooLarge;
  } catch (const OutOfMemoryException&) {
    if (!memory_->CeilingReached()) outcome = Outcome::kOutOfMemory;
  } catch (const std::bad_alloc&) {
    outcome = Outcome::kOutOfMemory;
  } catch (...) {
    // Xerces's own exception types, none derived from std::exception.
  }
  std::string().swap(*bytes);
  return outcome;
}

void IMStatisticsWorkbook::Document::Release() {
  if (document_ == nullptr && memory_->Peak() == 0) return;
  if (document_ != nullptr) document_->release();
  document_ = nullptr;
  sheet_ = nullptr;
  memory_ = std::make_unique<CappedMemory>(ceiling_);
  ::malloc_trim(0);
}

// True with a document whose root is a Workbook.
bool IMStatisticsWorkbook::Document::Parse(std::string_view bytes, const char* systemId) {
  WorkbookParser parser(memory_.get());
  MemBufInputSource source(reinterpret_cast<const XMLByte*>(bytes.data()), bytes.size(), systemId);
  parser.parse(source);
  if (parser.getErrorCount() != 0 || parser.Refused()) return false;
  // Adopted, so that the parser's destruction leaves the document alone.
  document_ = parser.adoptDocument();
  const DOMElement* root = document_ ? document_->getDocumentElement() : nullptr;
  return root != nullptr && XMLString::equals(root->getTagName(), u"Workbook");
}

void IMStatisticsWorkbook::Document::Select(const std::wstring& pupil) {
  DOMElement* root = document_->getDocumentElement();
  const std::u16string fullName = sheet_names::ToXmlText(pupil);
  const sheet_owners::Owners owners =
      sheet_owners::Read(document_, [this](size_t units) { memory_->Charge(CopyCost(units)); });
  // Names as the document holds them, which stay while it does.
  std::map<std::u16string_view, DOMElement*> sheets;
  dom_walk::EachElementBelow(root, u"Worksheet", [&](DOMElement* sheet) {
    memory_->Charge(CopyCost(0));
    sheets.emplace(sheet->getAttribute(u"ss:Name"), sheet);
    return true;
  });
  // A sheet recorded as this pupil's; else, unless recorded as another pupil's (which is how
  // workbooks without records are read, as before), the sheet named as earlier versions named
  // it: the typed name uncut, then cleaned.
  sheet_ = nullptr;
  for (const auto& [sheet, owner] : owners) {
    const auto found = owner == fullName ? sheets.find(sheet) : sheets.end();
    if (found != sheets.end()) {
      sheet_ = found->second;
      sheetName_ = sheet;
      break;
    }
  }
  for (const std::u16string& earlier : {sheet_names::ToDomText(pupil), sheet_names::CleanedSheetName(pupil)}) {
    if (sheet_ != nullptr) break;
    if (auto named = sheets.find(earlier); named != sheets.end() && !owners.count(earlier)) {
      sheet_ = named->second;
      sheetName_ = earlier;
    }
  }
  if (sheet_ == nullptr) {
    std::set<std::u16string> taken;
    for (const auto& entry : sheets) {
      memory_->Charge(CopyCost(entry.first.size()));
      taken.insert(sheet_names::FoldCase(std::u16string(entry.first)));
    }
    for (const auto& entry : owners) {
      memory_->Charge(CopyCost(entry.first.size()));
      taken.insert(sheet_names::FoldCase(entry.first));
    }
    sheetName_ = sheet_names::DistinctSheetName(sheet_names::ToSheetName(pupil), taken);
    sheet_ = AppendSheet(document_, sheetName_);
  }
  if (sheetName_ != fullName && !owners.count(sheetName_)) sheet_owners::Record(document_, sheetName_, fullName);
}

// The cells are copied within the step, each charged before it is made.
void IMStatisticsWorkbook::Document::ReadSheet() {
  rows_.clear();
  DOMElement* table = dom_walk::FirstElementBelow(sheet_, u"Table");
  hasTable_ = table != nullptr;
  if (table == nullptr) return;
  dom_walk::EachElementBelow(table, u"Row", [this](DOMElement* element) {
    memory_->Charge(CopyCost(0));
    Row& row = rows_.emplace_back();
    dom_walk::EachElementBelow(element, u"Data", [this, &row](DOMElement* data) {
      const XMLCh* type = data->getAttribute(u"ss:Type");
      const XMLCh* text = data->getTextContent();
      const std::u16string_view typeView(type ? type : u""), textView(text ? text : u"");
      memory_->Charge(CopyCost(typeView.size() + textView.size()) + sizeof(Cell));
      row.push_back({sheet_names::ToXmlText(typeView), sheet_names::ToXmlText(textView)});
      return true;
    });
    return true;
  });
}
