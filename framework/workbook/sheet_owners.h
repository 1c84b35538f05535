#pragma once
// Which pupil a worksheet belongs to, where the sheet's name cannot say it: a name cleaned of the
// characters spreadsheet programs refuse, cut to their 31-character limit, or made distinct from
// another pupil's sheet. Kept as custom document properties of the workbook (property name: the
// sheet, value: the pupil's full name), which spreadsheet programs carry along, so a later run
// in another process finds each pupil's own sheet again.

#include <xercesc/util/XercesDefs.hpp>

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>

XERCES_CPP_NAMESPACE_BEGIN
class DOMDocument;
XERCES_CPP_NAMESPACE_END

namespace sheet_owners {

// Sheet name -> the full name of the pupil it belongs to.
using Owners = std::map<std::u16string, std::u16string>;

// `charge` is told the length of each name and text before it is copied, and may throw.
Owners Read(const XERCES_CPP_NAMESPACE::DOMDocument* document, const std::function<void(size_t)>& charge);
void Record(XERCES_CPP_NAMESPACE::DOMDocument* document, const std::u16string& sheet, const std::u16string& pupil);

// Property names are XML element names: what not every XML 1.0 reader takes in a name is written
// as _xHHHH_, the way spreadsheet programs write them.
std::u16string EncodeName(std::u16string_view name);
std::u16string DecodeName(std::u16string_view name);

}  // namespace sheet_owners
