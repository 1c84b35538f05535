#pragma once
// The name a glyph texture is registered under: equal characters in equal format share it.

#include <cstdint>
#include <string>

// Face, character, size, colour, bold, underline, italic, back colour and whitespace flag in
// that order, numbers as signed decimals with no separators: 'A' in "Arial" at 16, white,
// no styles, back colour 0x00AFAFAF gives "ArialA16-1000115137750".
std::wstring MakeGlyphKey(const std::wstring& face, wchar_t ch, int size, std::uint32_t colour,
                          bool bold, bool underline, bool italic, std::uint32_t backColour,
                          std::uint8_t whitespaceFlag);
