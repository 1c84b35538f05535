#include "framework/workbook/sheet_names.h"

#include <cstdint>

#include "framework/platform/utf.h"
#include "framework/resources/text_conversion.h"

namespace sheet_names {

namespace {

constexpr size_t kMaxSheetNameLength = 31;

// What XML 1.0 allows in a document; anything else would make the file unwritable or unreadable.
bool IsXmlChar(wchar_t c) {
  const auto code = static_cast<std::uint32_t>(c);
  return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
         (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
}

}  // namespace

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

namespace {

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

}  // namespace

std::u16string CleanedSheetName(std::wstring_view name) {
  std::u16string out = ReplaceRefused(ToDomText(name));
  CutTo(&out, kMaxSheetNameLength);
  return out;
}

namespace {

// Excel also refuses a name that begins or ends with an apostrophe (which a typed double quote
// becomes).
void TrimApostrophes(std::u16string* name) {
  name->erase(0, name->find_first_not_of(u'\''));
  name->erase(name->find_last_not_of(u'\'') + 1);
}

}  // namespace

std::u16string ToSheetName(std::wstring_view name) {
  std::u16string out = ReplaceRefused(ToDomText(name));
  TrimApostrophes(&out);
  CutTo(&out, kMaxSheetNameLength);
  TrimApostrophes(&out);
  return out;
}

std::u16string ToXmlText(std::wstring_view text) {
  std::u16string out;
  for (wchar_t c : text) {
    if (IsXmlChar(c)) platform::AppendUtf16(out, c);
  }
  return out;
}

std::u16string ToXmlText(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (platform::IsHighSurrogate(c)) {
      if (i + 1 < text.size() && platform::IsLowSurrogate(text[i + 1])) {
        out += c;
        out += text[++i];
      }
    } else if (!platform::IsLowSurrogate(c) && IsXmlChar(c)) {
      out += c;
    }
  }
  return out;
}

std::u16string FoldCase(std::u16string name) {
  for (char16_t& c : name) {
    if (c >= u'A' && c <= u'Z') c += 0x20;
    else if (c >= 0x0410 && c <= 0x042F) c += 0x20;
    else if (c >= 0x0400 && c <= 0x040F) c += 0x50;
    else if (c == 0x0490) c = 0x0491;
  }
  return name;
}

namespace {

bool IsBlank(const std::u16string& name) { return name.find_first_not_of(u" \t\r\n") == std::u16string::npos; }

// Names no spreadsheet program takes for a sheet, whatever the other sheets are.
bool IsReservedSheetName(const std::u16string& name) { return IsBlank(name) || FoldCase(name) == u"history"; }

}  // namespace

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

}  // namespace sheet_names
