#pragma once
// Placing a text view's glyphs: one line, or lines wrapped at blanks inside the view's width.
// Works on glyph sizes alone, so it can be tested without fonts or a device.

#include <vector>

#include "framework/platform/win_types.h"

struct LayoutGlyph {
  wchar_t ch = 0;
  int width = 0;   // the glyph image's size
  int height = 0;
  RECT rect;       // its place relative to the view's top-left corner
};

struct TextLayoutParams {
  bool wrap = false;
  int viewWidth = 0;
  int minLineHeight = 16;
};

struct TextContentSize {
  int width = 0;
  int height = 0;
};

// Lays the glyphs out from `position` on; the glyphs before it keep their rectangles, and the
// line starts from the position on are rebuilt. Laying out from any position gives what a
// layout from 0 gives. With wrapping the content is one glyph wider than its widest line's
// right edge, which leaves the text edit room for its caret.
TextContentSize LayoutText(std::vector<LayoutGlyph>& glyphs, std::vector<int>& lineStarts,
                           int position, const TextLayoutParams& params);
