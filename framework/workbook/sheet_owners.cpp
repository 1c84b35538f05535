#include "framework/workbook/sheet_owners.h"

#include <xercesc/dom/DOM.hpp>
#include <xercesc/util/XMLString.hpp>

#include <cstdio>

using namespace XERCES_CPP_NAMESPACE;

namespace sheet_owners {
namespace {

constexpr XMLCh kPropertiesTag[] = u"CustomDocumentProperties";
constexpr XMLCh kOfficeNamespace[] = u"urn:schemas-microsoft-com:office:office";
constexpr XMLCh kDataTypeNamespace[] = u"uuid:C2F41010-65B3-11d1-A29F-00AA00C14882";

// The direct child of the root with the tag name, or null.
DOMElement* TopLevel(const DOMDocument* document, const XMLCh* tag) {
  const DOMElement* root = document->getDocumentElement();
  for (DOMElement* e = root ? root->getFirstElementChild() : nullptr; e; e = e->getNextElementSibling()) {
    if (XMLString::equals(e->getTagName(), tag)) return e;
  }
  return nullptr;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

bool StartsWithXml(std::u16string_view name) {
  if (name.size() < 3) return false;
  auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
  return lower(name[0]) == u'x' && lower(name[1]) == u'm' && lower(name[2]) == u'l';
}

// Name characters every XML 1.0 reader takes: the later editions allow far more (U+2116 "№",
// U+20AC "€"), which readers following the first editions refuse, and the whole file with them.
// The Cyrillic letters are those of the first editions' list, which lacks U+0400, U+040D,
// U+0450 and U+045D.
bool IsNameLetter(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') ||
         (c >= 0x0401 && c <= 0x045F && c != 0x040D && c != 0x0450 && c != 0x045D) || c == 0x0490 ||
         c == 0x0491;
}

bool IsNameChar(char16_t c) { return IsNameLetter(c) || (c >= u'0' && c <= u'9') || c == u'-' || c == u'.'; }

}  // namespace

std::u16string EncodeName(std::u16string_view name) {
  std::u16string out;
  for (size_t i = 0; i < name.size(); ++i) {
    const char16_t c = name[i];
    // Names starting with "xml" are reserved; '_' is escaped so that decoding is unambiguous.
    // Names written before hold more characters plain; DecodeName reads both.
    const bool plain = !(i == 0 && StartsWithXml(name)) && (i == 0 ? IsNameLetter(c) : IsNameChar(c));
    if (plain) {
      out += c;
      continue;
    }
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "_x%04X_", static_cast<unsigned>(c));
    out.append(escaped, escaped + 7);
  }
  return out;
}

std::u16string DecodeName(std::u16string_view name) {
  std::u16string out;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == u'_' && i + 6 < name.size() && name[i + 1] == u'x' && name[i + 6] == u'_') {
      int value = 0;
      bool hex = true;
      for (size_t k = i + 2; k < i + 6; ++k) {
        const int digit = HexDigit(name[k]);
        hex = hex && digit >= 0;
        value = value * 16 + digit;
      }
      if (hex) {
        out += static_cast<char16_t>(value);
        i += 6;
        continue;
      }
    }
    out += name[i];
  }
  return out;
}

Owners Read(const DOMDocument* document, const std::function<void(size_t)>& charge) {
  Owners owners;
  const DOMElement* properties = TopLevel(document, kPropertiesTag);
  for (const DOMElement* p = properties ? properties->getFirstElementChild() : nullptr; p;
       p = p->getNextElementSibling()) {
    const XMLCh* text = p->getTextContent();
    const std::u16string_view value(text ? text : u"");
    charge(XMLString::stringLen(p->getTagName()) + value.size());
    owners.emplace(DecodeName(p->getTagName()), value);
  }
  return owners;
}

void Record(DOMDocument* document, const std::u16string& sheet, const std::u16string& pupil) {
  DOMElement* root = document->getDocumentElement();
  DOMElement* properties = TopLevel(document, kPropertiesTag);
  if (properties == nullptr) {
    properties = document->createElement(kPropertiesTag);
    properties->setAttribute(u"xmlns", kOfficeNamespace);
    properties->setAttribute(u"xmlns:dt", kDataTypeNamespace);
    // Where spreadsheet programs put them: right after the document's own properties.
    DOMElement* before = TopLevel(document, u"DocumentProperties");
    root->insertBefore(properties, before ? before->getNextSibling() : root->getFirstChild());
  }
  DOMElement* property = document->createElement(EncodeName(sheet).c_str());
  property->setAttribute(u"dt:dt", u"string");
  property->appendChild(document->createTextNode(pupil.c_str()));
  properties->appendChild(property);
}

}  // namespace sheet_owners
