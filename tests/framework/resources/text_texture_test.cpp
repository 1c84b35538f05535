// Glyph textures made by the resource manager: registered under their key, shared by reference
// count, filled exactly as the rasteriser fills a plain pixel block.

#include <gtest/gtest.h>

#include "framework/platform/headless/headless.h"
#include "framework/platform/software_device.h"
#include "framework/resources/font_cache.h"
#include "framework/resources/glyph_key.h"
#include "framework/resources/glyph_rasteriser.h"
#include "framework/resources/test_support.h"

namespace {

constexpr DWORD kWhite = 0xFFFFFFFF;
constexpr DWORD kGrey = 0x00AFAFAF;
constexpr DWORD kDarkBlue = 0xFF072134;

class TextTextureTest : public test_support::ManagerTest {
 protected:
  std::uint32_t Glyph(wchar_t ch, int size = 16, DWORD colour = kWhite, bool bold = false, bool underline = false,
                      DWORD back = kGrey, const RECT* rect = nullptr) {
    return rm->CreateTextTexture(MakeGlyphKey(L"Arial", ch, size, colour, bold, underline, false, back, 0),
                                 std::wstring(1, ch), rect, colour, size, L"Arial", false, bold, underline, back);
  }
  int RefCount(std::uint32_t id) {
    const IMTextureRecord* record = rm->GetTextureRecord(id);
    return record ? record->refCount : 0;
  }
  RECT ImageRect(std::uint32_t id) { return rm->GetTextureRecord(id)->imageRect; }
  // Every texel of the image equals what the rasteriser gives for the same request.
  void ExpectSameAsRendered(std::uint32_t id, const GlyphRequest& request) {
    IMFontCache fonts;
    const GlyphImage image = RenderGlyph(fonts, request);
    const RECT r = ImageRect(id);
    ASSERT_EQ(r.right, image.width);
    ASSERT_EQ(r.bottom, image.height);
    for (int y = 0; y < image.height; ++y) {
      for (int x = 0; x < image.width; ++x) {
        ASSERT_EQ(rm->GetTexel(id, x, y), image.at(x, y)) << x << "," << y;
      }
    }
  }
  std::size_t VideoMemoryUsed() {
    return static_cast<platform::SoftwareDevice*>(rm->GetDevice())->VideoMemoryUsed();
  }
};

TEST_F(TextTextureTest, TheGlyphIsRegisteredUnderItsKeyAndSharedByReference) {
  const std::uint32_t a = Glyph(L'A');
  ASSERT_NE(rm->GetTextureRecord(a), nullptr);
  EXPECT_EQ(rm->FindTexture(L"ArialA16-1000115137750"), a);
  EXPECT_EQ(RefCount(a), 1);
  // The cell: A + B + C wide, tmHeight high, in a power-of-two texture.
  EXPECT_EQ(ImageRect(a).right, 9);
  EXPECT_EQ(ImageRect(a).bottom, 16);
  EXPECT_EQ(rm->GetTextureRecord(a)->textureWidth, 16u);
  EXPECT_EQ(rm->GetTextureRecord(a)->textureHeight, 16u);

  // The same key again only adds a reference; the text is not even looked at.
  const std::uint32_t count = rm->GetIdCount();
  EXPECT_EQ(rm->CreateTextTexture(L"ArialA16-1000115137750", L"Z", nullptr, kDarkBlue, 25, L"Arial", true, true, true,
                                  0xFF000000),
            a);
  EXPECT_EQ(RefCount(a), 2);
  EXPECT_EQ(rm->GetIdCount(), count);
  GlyphRequest request;
  request.ch = L'A';
  ExpectSameAsRendered(a, request);
  rm->ReleaseTexture(a);
  rm->ReleaseTexture(a);
  EXPECT_EQ(rm->FindTexture(L"ArialA16-1000115137750"), kNoTexture);
}

TEST_F(TextTextureTest, GlyphPixelsAreTheRasterisersWrittenIntoTheLockedRows) {
  // Wider than its texture's half, bold, coloured and underlined: the rows follow the
  // texture's pitch, not the image width.
  GlyphRequest request;
  request.ch = L'Ж';
  request.size = 25;
  request.colour = kDarkBlue;
  request.bold = true;
  request.underline = true;
  request.backColour = 0x80FFFFFF;
  const std::uint32_t id = Glyph(L'Ж', 25, kDarkBlue, true, true, 0x80FFFFFF);
  EXPECT_GT(ImageRect(id).right, 16);
  ExpectSameAsRendered(id, request);
  EXPECT_EQ(rm->GetTexel(id, 0, 0), 0x80FFFFFFu) << "the back colour's alpha is written too";

  // Outlines far larger than any screen uses are filled whole.
  const std::uint32_t big = Glyph(L'Ж', 600);
  ASSERT_EQ(ImageRect(big).bottom, 600);
  EXPECT_EQ(rm->GetTexel(big, ImageRect(big).right / 2, 300), kWhite);
  EXPECT_EQ(rm->GetTexel(big, 0, 0), kGrey);

  // And the device copy holds the same after a drop and re-creation.
  rm->DropDeviceTexture(id);
  rm->EnsureTexture(id);
  ExpectSameAsRendered(id, request);
}

TEST_F(TextTextureTest, FontMetricsAreThoseTheCellsAreMadeOf) {
  IMFont& font = rm->Font(rm->GetFont(L"Arial", 16, false, false, false));
  EXPECT_EQ(font.metrics().tmHeight, 16);
  EXPECT_EQ(font.metrics().tmAscent, 13);
  EXPECT_EQ(font.metrics().tmDescent, 3);
  const platform::ABC abc = font.GetCharAdvance(L'A');
  EXPECT_EQ(abc.abcA + static_cast<int>(abc.abcB) + abc.abcC, 9);
  // Underline is drawn, not a font of its own.
  EXPECT_EQ(rm->GetFont(L"Arial", 16, false, false, true), rm->GetFont(L"Arial", 16, false, false, false));
  EXPECT_EQ(rm->Font(rm->GetFont(L"Arial", 16, true, false, false)).metrics().tmWeight, 700);

  const std::uint32_t blank = Glyph(L' ');
  EXPECT_EQ(ImageRect(blank).right, 4);
  EXPECT_EQ(ImageRect(blank).bottom, 16);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 4; ++x) EXPECT_EQ(rm->GetTexel(blank, x, y), kGrey);
  }
}

TEST_F(TextTextureTest, WhatCannotBeOutlinedIsABlockOfTheBackColour) {
  // A character the font lacks: the cell of its default glyph, back colour only.
  const std::uint32_t missing = Glyph(L'\u4E00', 20, kWhite, false, false, 0xFF102030);
  ASSERT_NE(rm->GetTextureRecord(missing), nullptr);
  const RECT r = ImageRect(missing);
  EXPECT_GT(r.right, 1);
  EXPECT_EQ(r.bottom, 20);
  for (int y = 0; y < r.bottom; ++y) {
    for (int x = 0; x < r.right; ++x) ASSERT_EQ(rm->GetTexel(missing, x, y), 0xFF102030u);
  }

  // An empty text has no first character: one column of the cell's height.
  const std::uint32_t empty =
      rm->CreateTextTexture(L"empty", L"", nullptr, kWhite, 16, L"Arial", false, false, false, 0xFF00FF00);
  ASSERT_NE(rm->GetTextureRecord(empty), nullptr);
  EXPECT_EQ(ImageRect(empty).right, 1);
  EXPECT_EQ(ImageRect(empty).bottom, 16);
  EXPECT_EQ(rm->GetTexel(empty, 0, 15), 0xFF00FF00u);

  // A given rectangle sets the size; an empty one gives 1 x 1.
  const RECT box{10, 10, 40, 30};
  EXPECT_EQ(ImageRect(Glyph(L'Б', 16, kWhite, false, false, kGrey, &box)).right, 30);
  const RECT none{5, 5, 5, 5};
  const std::uint32_t dot = rm->CreateTextTexture(L"dot", L"Б", &none, kWhite, 16, L"Arial", false, false, false, kGrey);
  EXPECT_EQ(ImageRect(dot).right, 1);
  EXPECT_EQ(ImageRect(dot).bottom, 1);

  // A size no texture can hold makes nothing, and nothing is the harmless failure value.
  const std::uint32_t huge = Glyph(L'Ж', 20000);
  EXPECT_EQ(rm->GetTextureRecord(huge), nullptr);
  rm->ReleaseTexture(huge);
  EXPECT_EQ(rm->AddRef(huge), kNoTexture);
}

TEST_F(TextTextureTest, OutOfVideoMemoryEvictsAnotherTextureAndRenders) {
  const std::uint32_t victim = rm->CreateTexture(L"Victim", 64, 64, D3DFMT_A8R8G8B8);
  for (std::uint32_t id = 0; id < rm->GetIdCount(); ++id) {
    if (id != victim) rm->DropDeviceTexture(id);
  }
  platform::headless::SetVideoMemoryBudget(VideoMemoryUsed());
  const std::uint32_t id = Glyph(L'Щ', 20);
  ASSERT_NE(rm->GetTextureRecord(id), nullptr);
  EXPECT_NE(rm->GetTextureRecord(id)->texture, nullptr);
  EXPECT_EQ(rm->GetTextureRecord(victim)->texture, nullptr);
  GlyphRequest request;
  request.ch = L'Щ';
  request.size = 20;
  ExpectSameAsRendered(id, request);

  // With nothing left to drop the glyph fails, and leaves no name behind.
  rm->DropDeviceTexture(id);
  platform::headless::SetVideoMemoryBudget(VideoMemoryUsed() + 100);
  EXPECT_EQ(Glyph(L'Ы', 20), kNoTexture);
  EXPECT_EQ(rm->FindTexture(MakeGlyphKey(L"Arial", L'Ы', 20, kWhite, false, false, false, kGrey, 0)), kNoTexture);
}

TEST_F(TextTextureTest, GlyphsMadeWhileTheDeviceIsLostComeBackWithIt) {
  platform::headless::SetDeviceLost(true);
  ASSERT_TRUE(rm->IsDeviceLost());
  const std::uint32_t id = Glyph(L'Д');
  ASSERT_NE(rm->GetTextureRecord(id), nullptr);
  platform::headless::SetDeviceLost(false);
  ASSERT_TRUE(rm->Restore());
  GlyphRequest request;
  request.ch = L'Д';
  ExpectSameAsRendered(id, request);
}

}  // namespace
