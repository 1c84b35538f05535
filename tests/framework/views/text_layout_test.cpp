#include "framework/views/text_layout.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

// Every glyph 10 wide and 16 high unless the text says otherwise.
std::vector<LayoutGlyph> Glyphs(const std::wstring& text, int width = 10, int height = 16) {
  std::vector<LayoutGlyph> glyphs;
  for (wchar_t ch : text) glyphs.push_back(LayoutGlyph{ch, width, height, RECT{}});
  return glyphs;
}

TextLayoutParams Wrapped(int viewWidth) { return TextLayoutParams{true, viewWidth, 16}; }

void ExpectRect(const LayoutGlyph& g, int left, int top, int right, int bottom) {
  EXPECT_TRUE(EqualRect(g.rect, RECT{left, top, right, bottom}))
      << "glyph '" << static_cast<char>(g.ch) << "' at {" << g.rect.left << "," << g.rect.top
      << "," << g.rect.right << "," << g.rect.bottom << "}";
}

TEST(TextLayoutTest, WithoutWrappingEveryGlyphIsOnTheFirstLine) {
  auto glyphs = Glyphs(L"ab\ncd e\rf");
  glyphs[1].height = 20;
  std::vector<int> starts{0, 4};
  TextContentSize size = LayoutText(glyphs, starts, 0, TextLayoutParams{false, 30, 16});
  EXPECT_EQ(starts, std::vector<int>{0});
  for (int i = 0; i < static_cast<int>(glyphs.size()); ++i) {
    ExpectRect(glyphs[i], 10 * i, 0, 10 * i + 10, glyphs[i].height);
  }
  EXPECT_EQ(size.width, 90);
  EXPECT_EQ(size.height, 20);
}

TEST(TextLayoutTest, WrappingMovesTheOverflowingWordAfterTheLastBlank) {
  auto glyphs = Glyphs(L"aaaa bbbbbb cc");
  std::vector<int> starts;
  TextContentSize size = LayoutText(glyphs, starts, 0, Wrapped(100));
  EXPECT_EQ(starts, (std::vector<int>{0, 5}));
  ExpectRect(glyphs[4], 40, 0, 50, 16);  // the blank ends the first line
  for (int i = 5; i < 14; ++i) ExpectRect(glyphs[i], 10 * (i - 5), 16, 10 * (i - 4), 32);
  // One glyph wider than the widest right edge (90, the last c).
  EXPECT_EQ(size.width, 100);
  EXPECT_EQ(size.height, 32);

  // A glyph that just fits stays.
  glyphs = Glyphs(L"aaaaaaaaaa");
  LayoutText(glyphs, starts, 0, Wrapped(100));
  EXPECT_EQ(starts, std::vector<int>{0});
}

TEST(TextLayoutTest, ContentIsOneGlyphWiderThanTheText) {
  auto glyphs = Glyphs(L"ab");
  std::vector<int> starts;
  TextContentSize size = LayoutText(glyphs, starts, 0, Wrapped(100));
  EXPECT_EQ(size.width, 30);
  EXPECT_EQ(size.height, 16);
}

TEST(TextLayoutTest, LineBreaksStartTheNextLineAtTheLeftEdge) {
  auto glyphs = Glyphs(L"ab\ncd\r\nx");
  glyphs[1].height = 24;  // a tall glyph makes its line tall
  std::vector<int> starts;
  TextContentSize size = LayoutText(glyphs, starts, 0, Wrapped(100));
  EXPECT_EQ(starts, (std::vector<int>{0, 3, 6, 7}));
  ExpectRect(glyphs[3], 0, 24, 10, 40);
  ExpectRect(glyphs[6], 0, 40, 10, 56);  // the line feed after a carriage return is a line of its own
  ExpectRect(glyphs[7], 0, 56, 10, 72);
  EXPECT_EQ(size.height, 72);
}

TEST(TextLayoutTest, AGlyphWithNoBlankBeforeItStartsTheNextLineWithARectangle) {
  auto glyphs = Glyphs(L"aaaaaaaaaaaa");  // 120 pixels of one word in a view of 100
  std::vector<int> starts;
  LayoutText(glyphs, starts, 0, Wrapped(100));
  EXPECT_EQ(starts, (std::vector<int>{0, 10}));
  ExpectRect(glyphs[10], 0, 16, 10, 32);
  ExpectRect(glyphs[11], 10, 16, 20, 32);

  // A glyph wider than the view stays on its own line rather than opening empty ones.
  glyphs = Glyphs(L"W", 150);
  LayoutText(glyphs, starts, 0, Wrapped(100));
  EXPECT_EQ(starts, std::vector<int>{0});
  ExpectRect(glyphs[0], 0, 0, 150, 16);

  // When the glyph that moved its word still does not fit after it, it starts another line.
  glyphs = Glyphs(L"aa bbbbbbbbbbbb");
  glyphs[10].width = 40;
  LayoutText(glyphs, starts, 0, Wrapped(100));
  EXPECT_EQ(starts, (std::vector<int>{0, 3, 10}));
  ExpectRect(glyphs[9], 60, 16, 70, 32);
  ExpectRect(glyphs[10], 0, 32, 40, 48);

  // A blank on an earlier line does not pull a word back from there.
  glyphs = Glyphs(L"a b\ncccccccccccc");
  LayoutText(glyphs, starts, 0, Wrapped(100));
  EXPECT_EQ(starts, (std::vector<int>{0, 4, 14}));
  ExpectRect(glyphs[0], 0, 0, 10, 16);
}

TEST(TextLayoutTest, EmptyTextHasNoContent) {
  std::vector<LayoutGlyph> glyphs;
  std::vector<int> starts{0, 3};
  for (bool wrap : {false, true}) {
    TextContentSize size = LayoutText(glyphs, starts, 0, TextLayoutParams{wrap, 100, 16});
    EXPECT_EQ(starts, std::vector<int>{0});
    EXPECT_EQ(size.width, 0);
    EXPECT_EQ(size.height, 0);
  }
}

// Laying out from a position reuses the earlier rectangles; it must agree with a layout from 0
// for every position, also after the text changed there.
TEST(TextLayoutTest, LayoutFromAnyPositionAgreesWithAFullLayout) {
  std::mt19937 random(7);
  const std::wstring alphabet = L"aaaaabbbc   \n\r";
  for (int round = 0; round < 200; ++round) {
    std::wstring text;
    int length = 1 + static_cast<int>(random() % 40);
    for (int i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
    auto glyphs = Glyphs(text);
    for (auto& g : glyphs) {
      g.width = 4 + static_cast<int>(random() % 20);
      g.height = 12 + static_cast<int>(random() % 10);
    }
    for (bool wrap : {false, true}) {
      TextLayoutParams params{wrap, 60 + static_cast<int>(random() % 60), 16};
      std::vector<int> fullStarts;
      auto full = glyphs;
      TextContentSize fullSize = LayoutText(full, fullStarts, 0, params);
      for (int position = 0; position <= length; ++position) {
        SCOPED_TRACE(testing::Message() << "round " << round << " wrap " << wrap << " position "
                                        << position);
        auto partial = full;
        std::vector<int> starts = fullStarts;
        // Forget what lies from the position on, as an edit there leaves it.
        for (int i = position; i < length; ++i) partial[i].rect = RECT{-1, -1, -1, -1};
        TextContentSize size = LayoutText(partial, starts, position, params);
        ASSERT_EQ(starts, fullStarts);
        ASSERT_EQ(size.width, fullSize.width);
        ASSERT_EQ(size.height, fullSize.height);
        for (int i = 0; i < length; ++i) ASSERT_TRUE(EqualRect(partial[i].rect, full[i].rect)) << i;
      }
    }
  }
}

}  // namespace
