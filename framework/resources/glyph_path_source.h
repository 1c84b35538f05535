#pragma once
// A glyph's outline as a path the scanline rasteriser reads vertex by vertex: moves, lines,
// quadratic and cubic curve points, closed polygons. The arrays grow with the outline.

#include <cstdint>
#include <vector>

#include "framework/platform/fonts.h"

class IMFont;

class GlyphPathSource {
 public:
  // Commands, with the rasteriser's numbers.
  static constexpr unsigned kStop = 0;
  static constexpr unsigned kMoveTo = 1;
  static constexpr unsigned kLineTo = 2;
  static constexpr unsigned kCurve3 = 3;  // two in a row: control point, end point
  static constexpr unsigned kCurve4 = 4;  // three in a row: two control points, end point
  static constexpr unsigned kEndPoly = 0x5F;  // end of polygon, closed, counter-clockwise

  GlyphPathSource();

  void Reset();
  void Add(unsigned command, double x, double y);

  // The vertex source interface: rewind, then read until kStop.
  void rewind(unsigned pathId);
  unsigned vertex(double* x, double* y);

  std::size_t size() const { return commands_.size(); }
  std::size_t capacity() const { return commands_.capacity(); }
  unsigned command(std::size_t i) const { return commands_[i]; }
  double x(std::size_t i) const { return vertices_[2 * i]; }
  double y(std::size_t i) const { return vertices_[2 * i + 1]; }

  POINT origin;
  UINT blackBoxX = 0;
  UINT blackBoxY = 0;
  int cellIncX = 0;
  int cellIncY = 0;
  int cellWidth = 0;
  int cellHeight = 0;

 private:
  std::vector<std::uint8_t> commands_;
  std::vector<double> vertices_;
  std::size_t next_ = 0;
};

double FixedToDouble(platform::FIXED f);

// Appends the outline's contours, each a closed polygon, with y shifted up by `baseline`.
void AppendGlyphOutline(GlyphPathSource* path, const platform::GlyphOutline& outline,
                        double baseline);

// Fills the path with the character's outline in cell coordinates: x from the pen position,
// y up from the cell's bottom (the baseline lies tmDescent above it), plus the underline band
// when asked. The cell is A + B + C wide and tmHeight high. False, with an empty path but
// the cell's size set, when the font has no outline for the character.
bool DecodeGlyphOutline(GlyphPathSource* path, IMFont& font, bool underline, wchar_t ch);
