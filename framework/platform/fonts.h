#pragma once
// Fonts as the framework knows them from the system's text services: a font is created from a
// face name and a cell height, and then answers its text metrics, the advance widths of a
// character and the character's outline. Outlines are hinted at the font's pixel size.

#include <cstdint>
#include <string>
#include <vector>

#include "framework/platform/win_types.h"

namespace platform {

constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;
constexpr std::uint8_t RUSSIAN_CHARSET = 204;

// Whole pixels; tmAscent + tmDescent == tmHeight, the cell height the font was created with.
struct TEXTMETRICW {
  std::int32_t tmHeight = 0;
  std::int32_t tmAscent = 0;
  std::int32_t tmDescent = 0;
  std::int32_t tmInternalLeading = 0;
  std::int32_t tmExternalLeading = 0;
  std::int32_t tmAveCharWidth = 0;
  std::int32_t tmMaxCharWidth = 0;
  std::int32_t tmWeight = 0;
  std::uint8_t tmItalic = 0;
  std::uint8_t tmUnderlined = 0;
  std::uint8_t tmCharSet = 0;
};

// A: space before the black box, B: its width, C: space after it. A + B + C is the advance.
struct ABC {
  std::int32_t abcA = 0;
  UINT abcB = 0;
  std::int32_t abcC = 0;
};

// 16.16 fixed point: value is the signed integer part, fract the unsigned fraction.
struct FIXED {
  WORD fract = 0;
  std::int16_t value = 0;
};

struct POINTFX {
  FIXED x;
  FIXED y;
};

struct GLYPHMETRICS {
  UINT gmBlackBoxX = 0;
  UINT gmBlackBoxY = 0;
  POINT gmptGlyphOrigin;  // top-left of the black box, y up from the baseline
  std::int16_t gmCellIncX = 0;
  std::int16_t gmCellIncY = 0;
};

// Segment kinds of a contour, with the system's numbers.
constexpr WORD TT_PRIM_LINE = 1;     // a line to each point
constexpr WORD TT_PRIM_QSPLINE = 2;  // a quadratic B-spline: off-curve points, the last on-curve
constexpr WORD TT_PRIM_CSPLINE = 3;  // cubic Béziers: two control points, then the end point

struct GlyphCurve {
  WORD type = TT_PRIM_LINE;
  std::vector<POINTFX> points;
};

// A closed contour: it starts at `start`, and its last point joins back to it.
struct GlyphContour {
  POINTFX start;
  std::vector<GlyphCurve> curves;
};

// Points are relative to the pen on the baseline, y up.
struct GlyphOutline {
  GLYPHMETRICS metrics;
  std::vector<GlyphContour> contours;
};

struct FontObject;
using HFONT = FontObject*;

// The face is matched by the system's font configuration ("Arial" gives a metric-compatible
// face where Arial itself is missing). Weight FW_BOLD and above selects the bold face, italic
// the italic one; a face that lacks the style has it synthesised. Null when no font at all
// can be opened.
// Starts reading the system's font configuration on a worker, so that the first CreateFontW
// finds it read: a window takes a while to open, and the first screen needs its fonts at once.
// Later calls do nothing.
void PrepareFonts();

HFONT CreateFontW(const std::wstring& face, int cellHeight, int weight, bool italic,
                  bool underline);
void DeleteFont(HFONT font);

bool GetTextMetricsW(HFONT font, TEXTMETRICW* out);
// The widths of a character the font lacks are those of its default glyph.
bool GetCharABCWidthsW(HFONT font, wchar_t ch, ABC* out);
// False, with the outline emptied, for a character the font lacks and on any failure.
bool GetGlyphOutlineW(HFONT font, wchar_t ch, GlyphOutline* out);

// The file and face index the font was opened from: for diagnostics and tests.
std::string FontFilePath(HFONT font);

inline FIXED ToFixed(std::int32_t fixed16) {
  return FIXED{static_cast<WORD>(fixed16 & 0xFFFF), static_cast<std::int16_t>(fixed16 >> 16)};
}
inline std::int32_t FromFixed(FIXED f) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint16_t>(f.value))
                                       << 16 |
                                   f.fract);
}

}  // namespace platform
