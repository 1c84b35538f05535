#include "framework/views/text_layout.h"

#include <algorithm>

namespace {

bool IsBlank(wchar_t ch) { return ch == L' '; }
bool IsLineBreak(wchar_t ch) { return ch == L'\n' || ch == L'\r'; }

TextContentSize LayoutOneLine(std::vector<LayoutGlyph>& glyphs, int position) {
  TextContentSize content;
  int x = 0;
  for (int i = 0; i < static_cast<int>(glyphs.size()); ++i) {
    LayoutGlyph& g = glyphs[static_cast<std::size_t>(i)];
    if (i >= position) {
      g.rect = RECT{x, 0, x + g.width, g.height};
    }
    x = g.rect.right;
    content.width = std::max(content.width, g.rect.right);
    content.height = std::max(content.height, g.rect.bottom);
  }
  return content;
}

// The state of the line being filled.
struct Line {
  int first = 0;      // index of its first glyph
  int x = 0;
  int y = 0;
  int height = 0;
  int lastBlank = -1;  // on this line; -1 for none
};

TextContentSize LayoutWrapped(std::vector<LayoutGlyph>& glyphs, std::vector<int>& lineStarts,
                              int position, const TextLayoutParams& params) {
  const int count = static_cast<int>(glyphs.size());
  const int minHeight = params.minLineHeight;
  TextContentSize content;
  Line line;
  line.height = minHeight;
  auto at = [&](int i) -> LayoutGlyph& { return glyphs[static_cast<std::size_t>(i)]; };
  auto startLine = [&](int first, int y) {
    line = Line{first, 0, y, minHeight, -1};
  };
  auto place = [&](int i) {
    LayoutGlyph& g = at(i);
    g.rect = RECT{line.x, line.y, line.x + g.width, line.y + g.height};
  };
  auto account = [&](int i) {
    const LayoutGlyph& g = at(i);
    line.x = g.rect.right;
    line.height = std::max(line.height, g.height);
  };

  for (int i = 0; i < count; ++i) {
    LayoutGlyph& g = at(i);
    if (i < position) {
      // Taken over from the stored rectangle; a wrap shows as a change of top.
      if (i > line.first && g.rect.top != line.y) startLine(i, g.rect.top);
    } else {
      if (IsBlank(g.ch)) line.lastBlank = i;
      // The word moves to the next line with this glyph; with no blank before it on this
      // line, the glyph alone starts the next line. The moved part always fits (it fitted
      // after the blank); when the glyph still does not, it starts yet another line, as it
      // would when laid out from its own position.
      while (line.x + g.width > params.viewWidth && line.x > 0) {
        int from = line.lastBlank >= line.first && line.lastBlank < i ? line.lastBlank + 1 : i;
        int closedHeight = minHeight;
        for (int k = line.first; k < from; ++k) closedHeight = std::max(closedHeight, at(k).height);
        startLine(from, line.y + closedHeight);
        lineStarts.push_back(from);
        for (int k = from; k < i; ++k) {
          place(k);
          account(k);
        }
      }
      place(i);
    }
    if (IsBlank(g.ch)) line.lastBlank = i;
    account(i);
    if (IsLineBreak(g.ch)) {
      startLine(i + 1, line.y + line.height);
      if (i + 1 >= position) lineStarts.push_back(i + 1);
    }
  }
  // Measured once all is placed: a word that moved to the next line no longer counts where
  // it was first put.
  for (const LayoutGlyph& g : glyphs) content.width = std::max(content.width, g.rect.right + g.width);
  content.height = count > 0 ? line.y + line.height : 0;
  return content;
}

}  // namespace

TextContentSize LayoutText(std::vector<LayoutGlyph>& glyphs, std::vector<int>& lineStarts,
                           int position, const TextLayoutParams& params) {
  position = std::clamp(position, 0, static_cast<int>(glyphs.size()));
  if (position == 0) {
    lineStarts.assign(1, 0);
  } else {
    std::erase_if(lineStarts, [position](int start) { return start >= position; });
  }
  if (!params.wrap) return LayoutOneLine(glyphs, position);
  return LayoutWrapped(glyphs, lineStarts, position, params);
}
