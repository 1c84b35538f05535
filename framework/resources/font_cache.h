#pragma once
// The fonts of the glyph textures, one per face, height, bold and italic. Underline is not
// part of a font's identity: outlines carry none, the rasteriser draws it.

#include <memory>
#include <string>
#include <vector>

#include "framework/resources/font.h"

class IMFontCache {
 public:
  // The index of the first cached font with this face (exact), height, bold and italic;
  // a new font is created and appended when there is none.
  int GetFont(const std::wstring& face, int height, bool bold, bool italic, bool underline);
  IMFont& Font(int index) { return *fonts_.at(static_cast<std::size_t>(index)); }
  std::size_t size() const { return fonts_.size(); }
  void ReleaseFonts() { fonts_.clear(); }

 private:
  std::vector<std::unique_ptr<IMFont>> fonts_;
};

// The format of one rendering, with its font resolved in the cache.
struct IMTextStyle {
  IMTextStyle(IMFontCache& fonts, const std::wstring& face, int height, bool bold, bool italic,
              bool underline)
      : font(fonts.GetFont(face, height, bold, italic, underline)),
        face(face),
        height(height),
        bold(bold),
        italic(italic),
        underline(underline) {}

  int font;
  std::wstring face;
  int height;
  bool bold;
  bool italic;
  bool underline;
};
