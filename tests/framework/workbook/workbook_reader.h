#pragma once
// Test helpers: read a written workbook back with a parser of its own, write to it as a later
// run would, and a scratch folder.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xercesc/dom/DOM.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/util/PlatformUtils.hpp>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "framework/platform/utf.h"
#include "framework/workbook/statistics_workbook.h"

namespace workbook_test {

struct Cell {
  std::wstring type;
  std::wstring text;
  bool operator==(const Cell&) const = default;
};

struct Sheet {
  std::wstring name;
  std::vector<std::wstring> columnWidths;
  std::vector<std::vector<Cell>> rows;
};

inline std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// UTF-16 from the library, a surrogate pair read as the one character it stands for.
inline std::wstring Wide(const XMLCh* text) {
  std::wstring out;
  for (; text != nullptr && *text != 0; ++text) {
    if (platform::IsHighSurrogate(text[0]) && platform::IsLowSurrogate(text[1])) {
      out += platform::CombineSurrogates(text[0], text[1]);
      ++text;
    } else {
      out += static_cast<wchar_t>(*text);
    }
  }
  return out;
}

struct ReadBack {
  bool wellFormed = false;  // parsed without error, with a Workbook root
  std::vector<Sheet> sheets;
};

// The worksheets of a workbook file. Holds the XML library for its own duration, so it works
// with or without a live workbook.
inline ReadBack ReadSheets(const std::filesystem::path& path) {
  using namespace XERCES_CPP_NAMESPACE;
  const std::string bytes = ReadBytes(path);
  XMLPlatformUtils::Initialize();
  ReadBack result;
  {
    XercesDOMParser parser;
    parser.setLoadExternalDTD(false);
    MemBufInputSource source(reinterpret_cast<const XMLByte*>(bytes.data()), bytes.size(), "test");
    parser.parse(source);
    DOMDocument* document = parser.getDocument();
    DOMElement* root = document ? document->getDocumentElement() : nullptr;
    if (parser.getErrorCount() == 0 && root != nullptr && Wide(root->getTagName()) == L"Workbook") {
      result.wellFormed = true;
      DOMNodeList* sheets = root->getElementsByTagName(u"Worksheet");
      for (XMLSize_t s = 0; s < sheets->getLength(); ++s) {
        auto* sheetElement = static_cast<DOMElement*>(sheets->item(s));
        Sheet sheet{Wide(sheetElement->getAttribute(u"ss:Name")), {}, {}};
        DOMNodeList* columns = sheetElement->getElementsByTagName(u"Column");
        for (XMLSize_t c = 0; c < columns->getLength(); ++c) {
          sheet.columnWidths.push_back(Wide(static_cast<DOMElement*>(columns->item(c))->getAttribute(u"ss:Width")));
        }
        DOMNodeList* rows = sheetElement->getElementsByTagName(u"Row");
        for (XMLSize_t r = 0; r < rows->getLength(); ++r) {
          std::vector<Cell> cells;
          DOMNodeList* data = static_cast<DOMElement*>(rows->item(r))->getElementsByTagName(u"Data");
          for (XMLSize_t d = 0; d < data->getLength(); ++d) {
            auto* element = static_cast<DOMElement*>(data->item(d));
            cells.push_back({Wide(element->getAttribute(u"ss:Type")), Wide(element->getTextContent())});
          }
          sheet.rows.push_back(std::move(cells));
        }
        result.sheets.push_back(std::move(sheet));
      }
    }
  }
  XMLPlatformUtils::Terminate();
  return result;
}

// Opens the workbook in a child process, as a later run of the program would, and adds a row.
inline void SaveRowInAnotherProcess(const std::wstring& path, const std::wstring& pupil, const std::wstring& caption) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    IMStatisticsWorkbook workbook;
    workbook.Open(path, pupil);
    workbook.AddRow(caption, L"1", L"Number");
    ::_exit(workbook.Save(L"") ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// A fresh folder under the system's temporary folder, removed with the object.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "workbook-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
  // The path as the program hands it over: wide text, UTF-8 on disk.
  std::wstring Wide(const std::string& name) const { return platform::FromUtf8((path_ / name).string()); }

 private:
  std::filesystem::path path_;
};

}  // namespace workbook_test
