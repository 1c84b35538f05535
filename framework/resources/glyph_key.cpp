#include "framework/resources/glyph_key.h"

std::wstring MakeGlyphKey(const std::wstring& face, wchar_t ch, int size, std::uint32_t colour,
                          bool bold, bool underline, bool italic, std::uint32_t backColour,
                          std::uint8_t whitespaceFlag) {
  // Colours print as signed 32-bit values: opaque white is -1. The key is never cut short,
  // so two long face names cannot end up sharing one texture.
  std::wstring key = face;
  key += ch;
  key += std::to_wstring(size);
  key += std::to_wstring(static_cast<std::int32_t>(colour));
  key += bold ? L'1' : L'0';
  key += underline ? L'1' : L'0';
  key += italic ? L'1' : L'0';
  key += std::to_wstring(static_cast<std::int32_t>(backColour));
  key += std::to_wstring(whitespaceFlag);
  return key;
}
