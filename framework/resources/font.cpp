#include "framework/resources/font.h"

IMFont::IMFont(const std::wstring& face, int height, bool bold, bool italic, bool underline)
    : face_(face), height_(height), bold_(bold), italic_(italic), underline_(underline) {
  handle_ = platform::CreateFontW(face, height, bold ? platform::FW_BOLD : platform::FW_NORMAL,
                                  italic, underline);
  if (!platform::GetTextMetricsW(handle_, &metrics_)) metrics_ = platform::TEXTMETRICW{};
}

IMFont::~IMFont() { platform::DeleteFont(handle_); }

platform::ABC IMFont::GetCharAdvance(wchar_t ch) {
  auto it = widths_.find(ch);
  if (it != widths_.end()) return it->second;
  platform::ABC abc;
  if (!platform::GetCharABCWidthsW(handle_, ch, &abc)) abc = platform::ABC{};
  widths_.emplace(ch, abc);
  return abc;
}

const IMFont::GlyphEntry& IMFont::BuildGlyphOutline(wchar_t ch) {
  auto it = glyphs_.find(ch);
  if (it != glyphs_.end()) return it->second;
  GlyphEntry entry;
  entry.ok = platform::GetGlyphOutlineW(handle_, ch, &entry.outline);
  return glyphs_.emplace(ch, std::move(entry)).first->second;
}

const IMFont::GlyphEntry& IMFont::GetGlyphEntry(wchar_t ch) { return BuildGlyphOutline(ch); }

platform::GLYPHMETRICS IMFont::FindGlyph(wchar_t ch) { return GetGlyphEntry(ch).outline.metrics; }

const platform::GlyphOutline* IMFont::GetGlyph(wchar_t ch) {
  const GlyphEntry& entry = GetGlyphEntry(ch);
  return entry.ok ? &entry.outline : nullptr;
}
