#include "framework/resources/glyph_rasteriser.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "framework/resources/font_cache.h"
#include "framework/resources/glyph_key.h"
#include "framework/resources/glyph_path_source.h"
#include "support/png_file.h"

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kGrey = 0x00AFAFAF;  // the text view's default back colour
constexpr std::uint32_t kDarkBlue = 0xFF072134;  // the screens' text colour

std::uint32_t Alpha(std::uint32_t p) { return p >> 24; }
std::uint32_t Red(std::uint32_t p) { return (p >> 16) & 0xFF; }

GlyphRequest Request(wchar_t ch, int size = 16) {
  GlyphRequest r;
  r.ch = ch;
  r.size = size;
  return r;
}

bool AllPixels(const GlyphImage& image, std::uint32_t value) {
  for (std::uint32_t p : image.pixels) {
    if (p != value) return false;
  }
  return true;
}

platform::POINTFX Fx(double x, double y) {
  return platform::POINTFX{platform::ToFixed(static_cast<std::int32_t>(x * 65536)),
                           platform::ToFixed(static_cast<std::int32_t>(y * 65536))};
}

TEST(GlyphKeyTest, PrintsEveryFieldAsSignedDecimalInOrder) {
  EXPECT_EQ(MakeGlyphKey(L"Arial", L'A', 16, kWhite, false, false, false, kGrey, 0),
            L"ArialA16-1000115137750");
  // bold, underline, italic, then the back colour and the whitespace flag
  EXPECT_EQ(MakeGlyphKey(L"Arial", L'Я', 25, kDarkBlue, true, false, true, 0xFF000000, 1),
            L"ArialЯ25-16309964101-167772161");
  // The extremes of a signed colour, and a zero.
  EXPECT_EQ(MakeGlyphKey(L"F", L'0', 0, 0x80000000, false, false, false, 0x7FFFFFFF, 0),
            L"F00-21474836480002147483647" L"0");
  EXPECT_NE(MakeGlyphKey(L"Arial", L'A', 16, kWhite, true, false, false, kGrey, 0),
            MakeGlyphKey(L"Arial", L'A', 16, kWhite, false, true, false, kGrey, 0));

  // Long face names are kept whole, so different faces never share a key.
  std::wstring longFace(300, L'x');
  EXPECT_NE(MakeGlyphKey(longFace + L"1", L'A', 16, kWhite, false, false, false, kGrey, 0),
            MakeGlyphKey(longFace + L"2", L'A', 16, kWhite, false, false, false, kGrey, 0));
}

TEST(FontCacheTest, FontsAreSharedByFaceHeightBoldAndItalic) {
  IMFontCache cache;
  int plain = cache.GetFont(L"Arial", 16, false, false, false);
  EXPECT_EQ(cache.GetFont(L"Arial", 16, false, false, true), plain);  // underline is drawn
  int bold = cache.GetFont(L"Arial", 16, true, false, false);
  EXPECT_NE(bold, plain);
  EXPECT_NE(cache.GetFont(L"Arial", 16, false, true, false), plain);
  EXPECT_NE(cache.GetFont(L"Arial", 14, false, false, false), plain);
  EXPECT_NE(cache.GetFont(L"arial", 16, false, false, false), plain);  // faces match exactly
  EXPECT_EQ(cache.size(), 5u);
  EXPECT_EQ(cache.Font(plain).metrics().tmWeight, 400);
  EXPECT_EQ(cache.Font(bold).metrics().tmWeight, 700);

  // Widths and outlines are asked once and then kept.
  IMFont& font = cache.Font(plain);
  EXPECT_EQ(font.GetCharAdvance(L'A').abcB, font.GetCharAdvance(L'A').abcB);
  const IMFont::GlyphEntry& a = font.GetGlyphEntry(L'A');
  EXPECT_TRUE(a.ok);
  EXPECT_EQ(&font.GetGlyphEntry(L'A'), &a);
  EXPECT_EQ(font.GetGlyph(L'A'), &a.outline);
  EXPECT_FALSE(font.GetGlyphEntry(L'\u4E00').ok);
  EXPECT_EQ(font.GetGlyph(L'\u4E00'), nullptr);

  IMTextStyle style(cache, L"Arial", 16, true, false, true);
  EXPECT_EQ(style.font, bold);
  cache.ReleaseFonts();
  EXPECT_EQ(cache.size(), 0u);
}

TEST(GlyphPathTest, FixedPointAndSplinesDecodeAsTheOutlineFormatDefines) {
  EXPECT_DOUBLE_EQ(FixedToDouble(platform::FIXED{0x8000, -1}), -0.5);
  EXPECT_DOUBLE_EQ(FixedToDouble(platform::FIXED{0x4000, 2}), 2.25);

  platform::GlyphOutline outline;
  platform::GlyphContour contour{Fx(0, 0), {}};
  contour.curves.push_back({platform::TT_PRIM_LINE, {Fx(4, 0)}});
  // Three off-curve points and the end: implied on-curve points between each pair.
  contour.curves.push_back({platform::TT_PRIM_QSPLINE, {Fx(5, 1), Fx(5, 3), Fx(3, 4), Fx(0, 4)}});
  platform::GlyphCurve odd{platform::TT_PRIM_QSPLINE, {}};
  // (-1/65536 + 0) / 2 rounds towards zero, to 0.
  odd.points = {platform::POINTFX{platform::FIXED{0xFFFF, -1}, Fx(0, 4).y}, Fx(0, 2), Fx(0, 0)};
  contour.curves.push_back(odd);
  outline.contours.push_back(contour);

  GlyphPathSource path;
  AppendGlyphOutline(&path, outline, 3.0);
  struct V {
    unsigned cmd;
    double x, y;
  };
  const V expected[] = {{1, 0, 3},   {2, 4, 3},   {3, 5, 4},    {3, 5, 5},    {3, 5, 6},
                        {3, 4, 6.5}, {3, 3, 7},   {3, 0, 7},    {3, -1.0 / 65536, 7},
                        {3, 0, 6},   {3, 0, 5},   {3, 0, 3},    {0x5F, 0, 0}};
  ASSERT_EQ(path.size(), std::size(expected));
  path.rewind(0);
  for (const V& v : expected) {
    double x, y;
    EXPECT_EQ(path.vertex(&x, &y), v.cmd);
    EXPECT_DOUBLE_EQ(x, v.x);
    EXPECT_DOUBLE_EQ(y, v.y);
  }
  double x, y;
  EXPECT_EQ(path.vertex(&x, &y), GlyphPathSource::kStop);
}

TEST(GlyphPathTest, PathsGrowPastTheirFirstCapacity) {
  // A contour of thousands of points: far more than the arrays hold at first.
  platform::GlyphOutline outline;
  platform::GlyphContour contour{Fx(0, 0), {}};
  platform::GlyphCurve zigzag{platform::TT_PRIM_LINE, {}};
  constexpr int kTeeth = 5000;
  for (int i = 1; i <= kTeeth; ++i) zigzag.points.push_back(Fx(i * 0.01, i % 2 ? 10 : 9));
  zigzag.points.push_back(Fx(kTeeth * 0.01, 0));
  contour.curves.push_back(zigzag);
  outline.contours.push_back(contour);

  GlyphPathSource path;
  const std::size_t initial = path.capacity();
  AppendGlyphOutline(&path, outline, 0.0);
  path.Add(GlyphPathSource::kStop, 0, 0);
  EXPECT_GT(path.size(), initial);
  EXPECT_EQ(path.size(), kTeeth + 4u);
  EXPECT_DOUBLE_EQ(path.x(kTeeth + 1), kTeeth * 0.01);

  // And the filled result covers the whole band.
  GlyphImage image;
  image.width = 50;
  image.height = 10;
  image.pixels.resize(500);
  FillGlyph(path, reinterpret_cast<std::uint8_t*>(image.pixels.data()), 200, 50, 10, kWhite, kGrey);
  EXPECT_EQ(image.at(25, 5), kWhite);
  EXPECT_EQ(image.at(49, 9), kWhite);
}

TEST(GlyphRasteriserTest, GlyphIsFilledIntoItsCellOverTheBackColour) {
  IMFontCache fonts;
  GlyphImage image = RenderGlyph(fonts, Request(L'A'));
  ASSERT_EQ(image.width, 9);
  ASSERT_EQ(image.height, 16);

  int solid = 0, edge = 0;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      std::uint32_t p = image.at(x, y);
      if (p == kWhite) ++solid;
      if (Alpha(p) == 0) {
        EXPECT_EQ(p, kGrey);
      } else if (Alpha(p) < 255) {
        // Non-premultiplied: the colour lies between the grey and white as far as the alpha.
        ++edge;
        std::uint32_t expected = 0xAF + ((0xFF - 0xAF) * Alpha(p) + 127) / 255;
        EXPECT_NEAR(Red(p), expected, 1.0);
        EXPECT_EQ(Red(p), (p >> 8) & 0xFF);
        EXPECT_EQ(Red(p), p & 0xFF);
      }
    }
  }
  EXPECT_GT(solid, 5);
  EXPECT_GT(edge, 5);
  // The baseline lies tmDescent (3) above the bottom: nothing of the capital below it, and
  // it reaches the cap height of 10 pixels above it.
  for (int y = 13; y < 16; ++y) {
    for (int x = 0; x < image.width; ++x) EXPECT_EQ(image.at(x, y), kGrey) << x << "," << y;
  }
  int topRow = 0;
  while (topRow < 16 && Alpha(image.at(image.width / 2, topRow)) == 0) ++topRow;
  EXPECT_EQ(topRow, 3);

  // Hinted stems fall on whole pixels: the stems of an Н are solid from top to baseline.
  GlyphImage stems = RenderGlyph(fonts, Request(L'Н'));
  int solidColumns = 0;
  for (int x = 0; x < stems.width; ++x) {
    bool solidColumn = true;
    for (int y = 3; y < 13; ++y) solidColumn = solidColumn && stems.at(x, y) == kWhite;
    solidColumns += solidColumn;
  }
  EXPECT_EQ(solidColumns, 2);
}

TEST(GlyphRasteriserTest, BlanksAndMissingGlyphsAreTheBackColourAtTheCellSize) {
  IMFontCache fonts;
  GlyphImage blank = RenderGlyph(fonts, Request(L' '));
  EXPECT_EQ(blank.width, 4);
  EXPECT_EQ(blank.height, 16);
  EXPECT_TRUE(AllPixels(blank, kGrey));

  GlyphRequest missing = Request(L'\u4E00', 20);
  missing.underline = true;
  missing.backColour = 0x80102030;
  GlyphImage image = RenderGlyph(fonts, missing);
  EXPECT_GT(image.width, 1);
  EXPECT_EQ(image.height, 20);
  EXPECT_TRUE(AllPixels(image, 0x80102030));

  // A face no font answers to still yields a block, never a crash.
  GlyphImage unknownFace = RenderGlyph(fonts, [] {
    GlyphRequest r = Request(L'Ы');
    r.face = L"No Such Face At All";
    return r;
  }());
  EXPECT_EQ(unknownFace.height, 16);
  EXPECT_GT(unknownFace.width, 0);
}

TEST(GlyphRasteriserTest, GivenRectangleSetsTheImageSize) {
  IMFontCache fonts;
  GlyphRequest r = Request(L'Б');
  r.rect = RECT{10, 10, 40, 30};
  GlyphImage image = RenderGlyph(fonts, r);
  EXPECT_EQ(image.width, 30);
  EXPECT_EQ(image.height, 20);

  r.rect = RECT{5, 5, 5, 5};
  image = RenderGlyph(fonts, r);
  EXPECT_EQ(image.width, 1);
  EXPECT_EQ(image.height, 1);
}

TEST(GlyphRasteriserTest, UnderlineFillsTheBandBetweenAFifteenthAndHalfTheDescent) {
  IMFontCache fonts;
  GlyphRequest r = Request(L' ', 25);  // descent 5: the band runs from 1/3 to 2.5 pixels up
  r.underline = true;
  GlyphImage image = RenderGlyph(fonts, r);
  ASSERT_EQ(image.height, 25);
  ASSERT_EQ(image.width, 6);
  for (int x = 0; x < image.width; ++x) {
    EXPECT_NEAR(Alpha(image.at(x, 24)), 170, 2);  // two thirds covered
    EXPECT_EQ(Alpha(image.at(x, 23)), 255u);
    EXPECT_NEAR(Alpha(image.at(x, 22)), 128, 2);  // half covered
    for (int y = 0; y < 22; ++y) EXPECT_EQ(image.at(x, y), kGrey);
  }
}

TEST(GlyphRasteriserTest, HugeGlyphsRenderWhole) {
  IMFontCache fonts;
  GlyphImage image = RenderGlyph(fonts, Request(L'Ж', 1500));
  ASSERT_EQ(image.height, 1500);
  EXPECT_GT(image.width, 1000);
  // The middle of the vertical stem is solid, the corners are background.
  EXPECT_EQ(image.at(image.width / 2, 700), kWhite);
  EXPECT_EQ(image.at(0, 0), kGrey);
  EXPECT_EQ(image.at(image.width - 1, 1499), kGrey);
}

// The sentence at the sizes the screens use, regular and bold, glyph by glyph in rows: the
// pixel blocks exactly as the textures will hold them.
TEST(GlyphRasteriserTest, CyrillicSentenceMatchesTheGolden) {
  const std::wstring sentence = L"Перенеси все детали в вагонетку";
  const int sizes[] = {14, 16, 20, 25};
  IMFontCache fonts;

  struct Row {
    std::vector<GlyphImage> glyphs;
    int width = 0;
    int height = 0;
  };
  std::vector<Row> rows;
  int width = 0, height = 0;
  for (int size : sizes) {
    for (bool bold : {false, true}) {
      Row row;
      for (wchar_t ch : sentence) {
        GlyphRequest r = Request(ch, size);
        r.bold = bold;
        r.colour = kDarkBlue;
        row.glyphs.push_back(RenderGlyph(fonts, r));
        row.width += row.glyphs.back().width;
        row.height = std::max(row.height, row.glyphs.back().height);
      }
      width = std::max(width, row.width);
      height += row.height;
      rows.push_back(std::move(row));
    }
  }
  testing_support::PngImage actual;
  actual.width = width;
  actual.height = height;
  actual.pixels.assign(static_cast<std::size_t>(width) * height, kGrey);
  int top = 0;
  for (const Row& row : rows) {
    int left = 0;
    for (const GlyphImage& g : row.glyphs) {
      for (int y = 0; y < g.height; ++y) {
        for (int x = 0; x < g.width; ++x) {
          actual.pixels[static_cast<std::size_t>(top + y) * width + left + x] = g.at(x, y);
        }
      }
      left += g.width;
    }
    top += row.height;
  }

  const std::filesystem::path golden =
      std::filesystem::path(__FILE__).parent_path() / "golden/text/sentence.png";
  if (std::getenv("IM_UPDATE_GOLDEN")) {
    std::filesystem::create_directories(golden.parent_path());
    ASSERT_TRUE(testing_support::WritePng(golden.string(), actual));
  }
  testing_support::PngImage expected;
  ASSERT_TRUE(testing_support::ReadPng(golden.string(), &expected)) << golden;
  int difference = testing_support::MaxChannelDifference(actual, expected);
  if (difference < 0 || difference > 2) {
    testing_support::WritePng("sentence_actual.png", actual);
    FAIL() << "differs from " << golden << " by " << difference
           << "; the rendering is in sentence_actual.png";
  }
}

}  // namespace
