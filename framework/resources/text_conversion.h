#pragma once
// The program's narrow text is the Russian code page (Windows-1251). Workbook texts and image
// paths pass through it, so whatever those see is limited to what that code page can hold.

#include <string>
#include <string_view>

// One wide character as one Windows-1251 byte: the double quote becomes the apostrophe,
// anything the code page lacks becomes '?'.
char NarrowChar(wchar_t c);
// Character by character: the result has the same length as the input.
std::string NarrowString(std::wstring_view text);

// One Windows-1251 byte as the wide character it stands for.
wchar_t WidenChar(char c);
std::wstring WidenString(std::string_view text);

// The text as it reads after a round trip through the code page (NarrowChar, then WidenChar),
// without building the narrow string.
std::wstring RestrictToCodePage(std::wstring_view text);
