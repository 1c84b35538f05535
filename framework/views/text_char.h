#pragma once
// One character of a text view with its format and the glyph texture it is drawn with. The
// texture is registered under the key, so equal characters in equal format share one.

#include <cstdint>
#include <string>

#include "framework/platform/win_types.h"
#include "framework/resources/glyph_key.h"
#include "framework/resources/texture_id.h"

struct IMTextChar {
  IMTextChar(const RECT& rect, wchar_t character, DWORD colour, bool underline, bool bold, bool italic,
             int size, const std::wstring& face, DWORD backColour)
      : character(character),
        rect(rect),
        colour(colour),
        underline(underline),
        bold(bold),
        italic(italic),
        size(size),
        face(face),
        backColour(backColour) {
    MakeKey();
  }

  // Call after any change of the fields the key is made of.
  void MakeKey() {
    key = MakeGlyphKey(face, character, size, colour, bold, underline, italic, backColour, whitespaceFlag);
  }

  std::uint32_t textureId = kNoTexture;  // none until the view gives it its glyph
  wchar_t character;
  RECT rect;
  DWORD colour;
  bool underline;
  bool bold;
  bool italic;
  int size;
  std::wstring face;
  std::wstring key;
  DWORD backColour;
  std::uint8_t whitespaceFlag = 0;  // 1 once the character shows a whitespace symbol picture
};
