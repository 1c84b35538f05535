#pragma once
// How a pupil's name becomes the name of a sheet: as spreadsheet programs take sheet names (no
// refused characters, no leading or trailing apostrophe, 31 characters, distinct regardless of
// case) and as earlier versions named sheets; and text as the workbook stores it.

#include <set>
#include <string>
#include <string_view>

namespace sheet_names {

// Text as the workbook stores it: characters XML forbids dropped, those of the Basic
// Multilingual Plane limited to the Russian code page (as sheets written before hold them), and
// those above it kept whole.
std::u16string ToDomText(std::wstring_view text);

// Text exactly as given, as far as XML can hold it: the pupil's name as typed (what tells two
// pupils apart), and cells read from a file (a lone half of a character dropped), so that they
// can be written again.
std::u16string ToXmlText(std::wstring_view text);
std::u16string ToXmlText(std::u16string_view text);

// The sheet name earlier versions gave a pupil.
std::u16string CleanedSheetName(std::wstring_view name);

// The sheet name for a new sheet, before it is made distinct.
std::u16string ToSheetName(std::wstring_view name);

// The name as spreadsheet programs compare sheet names, regardless of case.
std::u16string FoldCase(std::u16string name);

// `base`, or `base` cut and numbered " (2)", " (3)", ... so that no sheet has the name yet in
// any case, nor is it one no spreadsheet program takes. `taken` holds the names case-folded.
std::u16string DistinctSheetName(const std::u16string& base, const std::set<std::u16string>& taken);

}  // namespace sheet_names
