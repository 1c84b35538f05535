#pragma once
// Turns one character in one format into the pixels of its glyph texture: the cell cleared to
// the back colour, the outline filled with anti-aliasing in the text colour. Pixels are
// non-premultiplied 32-bit BGRA (0xAARRGGBB words), as the texture store keeps them.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "framework/platform/win_types.h"

class GlyphPathSource;
class IMFontCache;

struct GlyphRequest {
  wchar_t ch = L' ';
  std::wstring face = L"Arial";
  int size = 16;
  std::uint32_t colour = 0xFFFFFFFF;  // ARGB
  bool bold = false;
  bool italic = false;
  bool underline = false;
  std::uint32_t backColour = 0x00AFAFAF;  // ARGB; its alpha is written too
  std::optional<RECT> rect;  // the image size, when not the glyph's cell
};

// Top row first, width pixels a row.
struct GlyphImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  std::uint32_t at(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};

// The given rectangle's size, else the cell's; a zero side becomes 1.
void GlyphImageSize(const GlyphPathSource& path, const std::optional<RECT>& rect, int* width,
                    int* height);

// Clears width x height pixels at `bits` (top row first, `pitch` bytes a row, as a locked
// texture gives them) to the back colour and fills the path, whose y grows upwards from the
// image's bottom row. Parts of the path outside the image are clipped.
void FillGlyph(GlyphPathSource& path, std::uint8_t* bits, int pitch, int width, int height,
               std::uint32_t colour, std::uint32_t backColour);

// The request's font from the cache, its first character decoded, sized and filled: what a
// glyph texture holds. A character without an outline gives the back colour alone.
GlyphImage RenderGlyph(IMFontCache& fonts, const GlyphRequest& request);
