#pragma once
// One platform font of the glyph cache, with the widths and outlines of the characters asked
// of it so far: each is fetched from the platform once.

#include <map>
#include <string>

#include "framework/platform/fonts.h"

class IMFont {
 public:
  IMFont(const std::wstring& face, int height, bool bold, bool italic, bool underline);
  IMFont(const IMFont&) = delete;
  IMFont& operator=(const IMFont&) = delete;
  ~IMFont();

  const std::wstring& face() const { return face_; }
  int height() const { return height_; }
  bool bold() const { return bold_; }
  bool italic() const { return italic_; }
  bool underline() const { return underline_; }
  // All zero when the platform could not give a font.
  const platform::TEXTMETRICW& metrics() const { return metrics_; }
  bool valid() const { return handle_ != nullptr; }

  // What the platform gave for one character's outline.
  struct GlyphEntry {
    bool ok = false;  // false: no outline (missing glyph, error)
    platform::GlyphOutline outline;
  };

  // All zero when the platform cannot measure the character.
  platform::ABC GetCharAdvance(wchar_t ch);
  platform::GLYPHMETRICS FindGlyph(wchar_t ch);
  // Null when the platform has no outline for the character.
  const platform::GlyphOutline* GetGlyph(wchar_t ch);
  // The character's outline and whether there is one; asked of the platform once.
  const GlyphEntry& GetGlyphEntry(wchar_t ch);

 private:
  const GlyphEntry& BuildGlyphOutline(wchar_t ch);

  std::wstring face_;
  int height_;
  bool bold_;
  bool italic_;
  bool underline_;
  platform::TEXTMETRICW metrics_;
  std::map<wchar_t, platform::ABC> widths_;
  std::map<wchar_t, GlyphEntry> glyphs_;
  platform::HFONT handle_ = nullptr;
};
