#include "framework/resources/glyph_key.h"

namespace {

// Signed decimal; std::to_wstring goes through the wide printf, which dominates laying out
// a long text whose glyphs are all registered already.
void AppendDecimal(std::wstring& out, std::int64_t value) {
  wchar_t digits[24];
  int n = 0;
  std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  do {
    digits[n++] = static_cast<wchar_t>(L'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) out += L'-';
  while (n > 0) out += digits[--n];
}

}  // namespace

std::wstring MakeGlyphKey(const std::wstring& face, wchar_t ch, int size, std::uint32_t colour,
                          bool bold, bool underline, bool italic, std::uint32_t backColour,
                          std::uint8_t whitespaceFlag) {
  // Colours print as signed 32-bit values: opaque white is -1. The key is never cut short,
  // so two long face names cannot end up sharing one texture.
  std::wstring key;
  key.reserve(face.size() + 40);
  key = face;
  key += ch;
  AppendDecimal(key, size);
  AppendDecimal(key, static_cast<std::int32_t>(colour));
  key += bold ? L'1' : L'0';
  key += underline ? L'1' : L'0';
  key += italic ? L'1' : L'0';
  AppendDecimal(key, static_cast<std::int32_t>(backColour));
  AppendDecimal(key, whitespaceFlag);
  return key;
}
