#include "framework/platform/fonts.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using platform::ABC;
using platform::GlyphOutline;
using platform::TEXTMETRICW;

struct FontDeleter {
  void operator()(platform::FontObject* f) const { platform::DeleteFont(f); }
};
using Font = std::unique_ptr<platform::FontObject, FontDeleter>;

Font Arial(int height, bool bold = false, bool italic = false) {
  return Font(platform::CreateFontW(L"Arial", height, bold ? platform::FW_BOLD : platform::FW_NORMAL,
                                    italic, false));
}

int Advance(const Font& font, wchar_t ch) {
  ABC abc;
  EXPECT_TRUE(platform::GetCharABCWidthsW(font.get(), ch, &abc));
  return abc.abcA + static_cast<int>(abc.abcB) + abc.abcC;
}

double ToDouble(platform::FIXED f) { return platform::FromFixed(f) / 65536.0; }

TEST(FontsTest, ArialResolvesToTheMetricCompatibleFaces) {
  EXPECT_NE(platform::FontFilePath(Arial(16).get()).find("LiberationSans-Regular"),
            std::string::npos);
  EXPECT_NE(platform::FontFilePath(Arial(16, true).get()).find("LiberationSans-Bold"),
            std::string::npos);
  EXPECT_NE(platform::FontFilePath(Arial(16, false, true).get()).find("LiberationSans-Italic"),
            std::string::npos);
}

TEST(FontsTest, CellHeightIsSplitIntoAscentAndDescent) {
  Font font = Arial(16);
  TEXTMETRICW tm;
  ASSERT_TRUE(platform::GetTextMetricsW(font.get(), &tm));
  EXPECT_EQ(tm.tmHeight, 16);
  EXPECT_EQ(tm.tmAscent, 13);
  EXPECT_EQ(tm.tmDescent, 3);
  EXPECT_EQ(tm.tmInternalLeading, 2);  // the em is 14 pixels
  EXPECT_EQ(tm.tmExternalLeading, 0);
  EXPECT_EQ(tm.tmWeight, platform::FW_NORMAL);
  EXPECT_EQ(tm.tmCharSet, platform::RUSSIAN_CHARSET);
  EXPECT_GT(tm.tmAveCharWidth, 0);

  struct Row {
    int height, ascent, descent;
  };
  for (Row row : {Row{14, 11, 3}, Row{18, 15, 3}, Row{20, 16, 4}, Row{24, 19, 5}, Row{25, 20, 5}}) {
    for (bool bold : {false, true}) {
      SCOPED_TRACE(testing::Message() << "height " << row.height << " bold " << bold);
      ASSERT_TRUE(platform::GetTextMetricsW(Arial(row.height, bold).get(), &tm));
      EXPECT_EQ(tm.tmHeight, row.height);
      EXPECT_EQ(tm.tmAscent, row.ascent);
      EXPECT_EQ(tm.tmDescent, row.descent);
      EXPECT_EQ(tm.tmWeight, bold ? platform::FW_BOLD : platform::FW_NORMAL);
    }
  }
}

TEST(FontsTest, AdvancesAreWholeHintedPixels) {
  Font font = Arial(16);
  EXPECT_EQ(Advance(font, L'A'), 9);
  EXPECT_EQ(Advance(font, L' '), 4);
  EXPECT_EQ(Advance(font, L'Ж'), 13);

  ABC blank;
  ASSERT_TRUE(platform::GetCharABCWidthsW(font.get(), L' ', &blank));
  EXPECT_EQ(blank.abcB, 0u);

  // A character the font lacks measures as the font's default glyph, so it keeps a cell.
  EXPECT_GT(Advance(font, L'\u4E00'), 0);
}

TEST(FontsTest, OutlineIsRelativeToThePenOnTheBaselineWithYUp) {
  Font font = Arial(16);
  GlyphOutline outline;
  ASSERT_TRUE(platform::GetGlyphOutlineW(font.get(), L'Т', &outline));
  ASSERT_FALSE(outline.contours.empty());
  double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
  int points = 0;
  for (const auto& contour : outline.contours) {
    for (const auto& curve : contour.curves) {
      EXPECT_TRUE(curve.type == platform::TT_PRIM_LINE || curve.type == platform::TT_PRIM_QSPLINE);
      for (const auto& p : curve.points) {
        minX = std::min(minX, ToDouble(p.x));
        maxX = std::max(maxX, ToDouble(p.x));
        minY = std::min(minY, ToDouble(p.y));
        maxY = std::max(maxY, ToDouble(p.y));
        ++points;
      }
    }
  }
  EXPECT_GT(points, 4);
  // A capital stands on the baseline and reaches the cap height, whole pixels when hinted.
  EXPECT_EQ(minY, 0.0);
  EXPECT_EQ(maxY, 10.0);
  EXPECT_GE(minX, 0.0);
  EXPECT_LE(maxX, 9.0);
  EXPECT_EQ(outline.metrics.gmCellIncX, Advance(font, L'Т'));
  EXPECT_EQ(outline.metrics.gmptGlyphOrigin.y, 10);
  EXPECT_EQ(outline.metrics.gmBlackBoxY, 10u);
}

TEST(FontsTest, MissingGlyphsAndMissingFontsFailCleanly) {
  Font font = Arial(16);
  GlyphOutline outline;
  outline.contours.resize(3);
  EXPECT_FALSE(platform::GetGlyphOutlineW(font.get(), L'\u4E00', &outline));
  EXPECT_TRUE(outline.contours.empty());

  // A blank has an outline: an empty one.
  EXPECT_TRUE(platform::GetGlyphOutlineW(font.get(), L' ', &outline));
  EXPECT_TRUE(outline.contours.empty());

  TEXTMETRICW tm;
  ABC abc;
  EXPECT_FALSE(platform::GetTextMetricsW(nullptr, &tm));
  EXPECT_FALSE(platform::GetCharABCWidthsW(nullptr, L'A', &abc));
  EXPECT_FALSE(platform::GetGlyphOutlineW(nullptr, L'A', &outline));
  platform::DeleteFont(nullptr);
}

TEST(FontsTest, HugeSizesGiveWholeOutlines) {
  Font font = Arial(4000);
  TEXTMETRICW tm;
  ASSERT_TRUE(platform::GetTextMetricsW(font.get(), &tm));
  EXPECT_EQ(tm.tmHeight, 4000);
  GlyphOutline outline;
  ASSERT_TRUE(platform::GetGlyphOutlineW(font.get(), L'Ж', &outline));
  EXPECT_GT(outline.metrics.gmBlackBoxX, 3000u);

  // Beyond what the fixed-point format can hold the height is capped, not wrapped.
  Font tooLarge = Arial(1'000'000);
  ASSERT_TRUE(platform::GetTextMetricsW(tooLarge.get(), &tm));
  EXPECT_EQ(tm.tmHeight, 16384);
  EXPECT_TRUE(platform::GetGlyphOutlineW(tooLarge.get(), L'W', &outline));
  for (const auto& contour : outline.contours) {
    for (const auto& curve : contour.curves) {
      for (const auto& p : curve.points) {
        EXPECT_GE(ToDouble(p.x), 0.0);
        EXPECT_LT(ToDouble(p.x), 32768.0);
      }
    }
  }
}

}  // namespace
