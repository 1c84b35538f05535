#include "framework/resources/image_loading.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <string>

#include "framework/platform/headless/headless.h"
#include "framework/platform/software_device.h"
#include "test_support.h"

namespace {

using test_support::DataPath;
using test_support::ReadData;

class ImageLoadingTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::headless::Reset(); }
  void TearDown() override {
    if (texture) texture->Release();
    platform::headless::Reset();
  }

  bool LoadPng(const std::vector<unsigned char>& data) {
    return LoadPngFromMemory(&device, data.data(), static_cast<unsigned>(data.size()), texture, width, height);
  }
  bool LoadJpeg(const std::vector<unsigned char>& data) {
    return LoadJpegFromMemory(&device, data.data(), static_cast<unsigned>(data.size()), texture, width, height);
  }
  std::uint32_t Texel(int x, int y) {
    platform::LockedRect locked;
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    std::uint32_t value;
    std::memcpy(&value, static_cast<unsigned char*>(locked.pBits) + y * locked.Pitch + 4 * x, 4);
    texture->UnlockRect(0);
    return value;
  }
  platform::SurfaceDesc Desc() {
    platform::SurfaceDesc desc;
    texture->GetLevelDesc(0, &desc);
    return desc;
  }

  platform::SoftwareDevice device{64, 64};
  platform::Texture* texture = nullptr;
  int width = 0;
  int height = 0;
};

TEST_F(ImageLoadingTest, TextureSidesAreRaisedToPowersOfTwo) {
  const struct {
    int w, h;
    UINT tw, th;
  } cases[] = {{1, 1, 1, 1}, {800, 600, 1024, 1024}, {124, 32, 128, 32}, {46, 1, 64, 1}, {0, -3, 1, 1}};
  for (const auto& c : cases) {
    platform::Texture* t = nullptr;
    ASSERT_TRUE(CreateTexturePow2(&device, t, c.w, c.h, D3DFMT_A8R8G8B8));
    platform::SurfaceDesc desc;
    t->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, c.tw) << c.w << "x" << c.h;
    EXPECT_EQ(desc.Height, c.th) << c.w << "x" << c.h;
    t->Release();
  }
}

TEST_F(ImageLoadingTest, OutOfVideoMemoryThrowsBadAlloc) {
  platform::headless::SetVideoMemoryBudget(512);
  platform::Texture* t = nullptr;
  EXPECT_THROW(CreateTexturePow2(&device, t, 32, 32, D3DFMT_A8R8G8B8), std::bad_alloc);
  EXPECT_EQ(t, nullptr);
  // A decoder gives its own structures back before passing the exception on.
  EXPECT_THROW(LoadPng(ReadData("interlaced.png")), std::bad_alloc);
  EXPECT_EQ(device.VideoMemoryUsed(), 0u);
}

TEST_F(ImageLoadingTest, RgbPngIsOpaqueBgra) {
  ASSERT_TRUE(LoadPng(ReadData("rgb8.png")));
  EXPECT_EQ(width, 4);
  EXPECT_EQ(height, 2);
  EXPECT_EQ(Desc().Width, 4u);
  EXPECT_EQ(Desc().Height, 2u);
  EXPECT_EQ(Texel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(Texel(1, 0), 0xFF00FF00u);
  EXPECT_EQ(Texel(2, 0), 0xFF0000FFu);
  EXPECT_EQ(Texel(3, 0), 0xFF0A141Eu);
  EXPECT_EQ(Texel(2, 1), 0xFF804020u);
}

TEST_F(ImageLoadingTest, RgbaPngKeepsItsAlpha) {
  ASSERT_TRUE(LoadPng(ReadData("rgba8.png")));
  EXPECT_EQ(Texel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(Texel(1, 0), 0x8000FF00u);
  EXPECT_EQ(Texel(2, 0), 0x000000FFu);
  EXPECT_EQ(Texel(0, 1), 0x01FFFFFFu);
  EXPECT_EQ(Texel(1, 1), 0xFE000000u);
}

TEST_F(ImageLoadingTest, SixteenBitPngIsStrippedToEightBits) {
  ASSERT_TRUE(LoadPng(ReadData("rgb16.png")));
  EXPECT_EQ(Texel(0, 0), 0xFF12ABFFu);
  EXPECT_EQ(Texel(1, 0), 0xFF00807Fu);
}

TEST_F(ImageLoadingTest, PalettePngsExpandWithTransparencyAndFillerOtherwise) {
  ASSERT_TRUE(LoadPng(ReadData("palette_trns.png")));
  EXPECT_EQ(Texel(0, 0), 0x00C80A14u);
  EXPECT_EQ(Texel(1, 0), 0x641EC828u);
  EXPECT_EQ(Texel(2, 0), 0xFF323CC8u);
  EXPECT_EQ(Texel(3, 0), 0xFF070809u);
  texture->Release();
  texture = nullptr;
  // Without tRNS (and packed 2 bits per pixel) every texel is still four bytes, opaque.
  ASSERT_TRUE(LoadPng(ReadData("palette.png")));
  EXPECT_EQ(Texel(0, 0), 0xFFC80A14u);
  EXPECT_EQ(Texel(1, 0), 0xFF1EC828u);
  EXPECT_EQ(Texel(3, 0), 0xFF070809u);
}

TEST_F(ImageLoadingTest, GreyPngsBecomeOpaqueGreyTexels) {
  ASSERT_TRUE(LoadPng(ReadData("grey8.png")));
  EXPECT_EQ(Texel(0, 0), 0xFF000000u);
  EXPECT_EQ(Texel(1, 0), 0xFF4D4D4Du);
  EXPECT_EQ(Texel(2, 0), 0xFFFFFFFFu);
  texture->Release();
  texture = nullptr;
  ASSERT_TRUE(LoadPng(ReadData("grey4.png")));  // 4 bits scale up: 5 -> 0x55
  EXPECT_EQ(Texel(1, 0), 0xFF555555u);
  EXPECT_EQ(Texel(2, 0), 0xFFFFFFFFu);
  texture->Release();
  texture = nullptr;
  ASSERT_TRUE(LoadPng(ReadData("grey_alpha.png")));
  EXPECT_EQ(Texel(0, 0), 0xFF5A5A5Au);
  EXPECT_EQ(Texel(1, 0), 0x3CC8C8C8u);
}

TEST_F(ImageLoadingTest, InterlacedPngIsDeinterlaced) {
  ASSERT_TRUE(LoadPng(ReadData("interlaced.png")));
  ASSERT_EQ(width, 9);
  EXPECT_EQ(Desc().Width, 16u);
  for (int y = 0; y < 9; ++y) {
    for (int x = 0; x < 9; ++x) {
      const std::uint32_t expected = 0xFF000000u | ((x * 29) % 256) << 16 | ((y * 31) % 256) << 8 | ((x * y * 7) % 256);
      ASSERT_EQ(Texel(x, y), expected) << x << "," << y;
    }
  }
}

TEST_F(ImageLoadingTest, GammaChunkCorrectsForScreenGamma) {
  // File gamma 1.0 on a 2.2 screen: out = 255 * (in / 255) ^ (1 / 2.2).
  ASSERT_TRUE(LoadPng(ReadData("gamma.png")));
  auto corrected = [](int v) { return static_cast<int>(std::lround(255.0 * std::pow(v / 255.0, 1 / 2.2))); };
  const std::uint32_t t = Texel(0, 0);
  EXPECT_NEAR(static_cast<int>((t >> 16) & 0xFF), corrected(128), 1);
  EXPECT_NEAR(static_cast<int>((t >> 8) & 0xFF), corrected(64), 1);
  EXPECT_EQ(t & 0xFF, 255u);
  EXPECT_EQ(t >> 24, 255u);
}

TEST_F(ImageLoadingTest, BackgroundChunkNeitherRemovesAlphaNorShears) {
  ASSERT_TRUE(LoadPng(ReadData("rgba_bkgd.png")));
  EXPECT_EQ(Texel(1, 0), 0x8000FF00u);
  EXPECT_EQ(Texel(2, 0), 0x000000FFu);
  EXPECT_EQ(Texel(2, 1), 0xFF804020u);
  texture->Release();
  texture = nullptr;
  ASSERT_TRUE(LoadPng(ReadData("rgb_bkgd.png")));
  EXPECT_EQ(Texel(1, 0), 0xFF00FF00u);
  EXPECT_EQ(Texel(2, 1), 0xFF804020u);
}

TEST_F(ImageLoadingTest, BrokenPngsFailWithoutReadingPastTheirData) {
  const auto good = ReadData("interlaced.png");
  // Truncated anywhere: header, middle of the image data, before the end chunk.
  for (std::size_t size : {9ul, 20ul, good.size() / 2, good.size() - 12}) {
    std::vector<unsigned char> cut(good.begin(), good.begin() + static_cast<long>(size));
    EXPECT_FALSE(LoadPng(cut)) << size;
    EXPECT_EQ(texture, nullptr);
  }
  // Corrupt compressed data fails after the texture was made: it is given back unlocked.
  auto corrupt = good;
  for (std::size_t i = 60; i < corrupt.size() - 20; ++i) corrupt[i] ^= 0x5A;
  EXPECT_FALSE(LoadPng(corrupt));
  EXPECT_EQ(device.VideoMemoryUsed(), 0u);
  // Not a PNG at all: refused at the signature.
  EXPECT_FALSE(LoadPng(std::vector<unsigned char>{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}));
  EXPECT_FALSE(LoadPng({}));
}

TEST_F(ImageLoadingTest, RgbJpegFillsTheTopLeftOfItsTexture) {
  ASSERT_TRUE(LoadJpeg(ReadData("rgb.jpg")));
  EXPECT_EQ(width, 10);
  EXPECT_EQ(height, 10);
  EXPECT_EQ(Desc().Width, 16u);
  auto near = [](std::uint32_t t, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    auto close = [](std::uint32_t a, std::uint32_t e) { return a + 3 >= e && a <= e + 3; };
    return (t >> 24) == 0xFF && close((t >> 16) & 0xFF, r) && close((t >> 8) & 0xFF, g) && close(t & 0xFF, b);
  };
  EXPECT_TRUE(near(Texel(2, 2), 200, 30, 30)) << std::hex << Texel(2, 2);
  EXPECT_TRUE(near(Texel(7, 2), 30, 200, 30)) << std::hex << Texel(7, 2);
  EXPECT_TRUE(near(Texel(2, 7), 30, 30, 200)) << std::hex << Texel(2, 7);
  EXPECT_TRUE(near(Texel(9, 9), 220, 220, 220)) << std::hex << Texel(9, 9);
  EXPECT_EQ(Texel(10, 0), 0u);
  EXPECT_EQ(Texel(0, 10), 0u);
  EXPECT_EQ(Texel(15, 15), 0u);
}

TEST_F(ImageLoadingTest, GreyJpegIsDecodedAsRgb) {
  ASSERT_TRUE(LoadJpeg(ReadData("grey.jpg")));
  const std::uint32_t dark = Texel(1, 1), light = Texel(8, 8);
  EXPECT_EQ(dark >> 24, 0xFFu);
  EXPECT_NEAR(static_cast<int>(dark & 0xFF), 40, 3);
  EXPECT_EQ((dark >> 16) & 0xFF, dark & 0xFF);
  EXPECT_NEAR(static_cast<int>((light >> 8) & 0xFF), 210, 3);
}

TEST_F(ImageLoadingTest, BrokenJpegsFailAndTheProgramGoesOn) {
  const auto good = ReadData("rgb.jpg");
  // Cut before the picture's scan: nothing to decode.
  for (std::size_t size : {2ul, 100ul, good.size() / 2}) {
    std::vector<unsigned char> cut(good.begin(), good.begin() + static_cast<long>(size));
    EXPECT_FALSE(LoadJpeg(cut)) << size;
    EXPECT_EQ(texture, nullptr);
  }
  EXPECT_EQ(device.VideoMemoryUsed(), 0u);
  // A marker whose length runs far past the end of the data.
  std::vector<unsigned char> marker{0xFF, 0xD8, 0xFF, 0xE1, 0xFF, 0xF0, 1, 2, 3};
  EXPECT_FALSE(LoadJpeg(marker));
  EXPECT_FALSE(LoadJpeg(std::vector<unsigned char>(64, 'x')));
  EXPECT_FALSE(LoadJpeg({}));
}

// Corrupt data that libjpeg decodes around only warns: such pictures load as the library
// decodes them.
TEST_F(ImageLoadingTest, JpegsWithWarningsLoad) {
  const auto good = ReadData("rgb.jpg");
  ASSERT_TRUE(LoadJpeg(good));
  const std::uint32_t expected[] = {Texel(2, 2), Texel(7, 2), Texel(2, 7), Texel(9, 9)};
  texture->Release();
  texture = nullptr;
  auto same = [&] {
    return width == 10 && height == 10 && Texel(2, 2) == expected[0] && Texel(7, 2) == expected[1] &&
           Texel(2, 7) == expected[2] && Texel(9, 9) == expected[3];
  };

  // Two stray bytes before the start-of-scan marker.
  const unsigned char kSos[] = {0xFF, 0xDA};
  const auto sos = std::search(good.begin(), good.end(), std::begin(kSos), std::end(kSos));
  ASSERT_NE(sos, good.end());
  std::vector<unsigned char> stray(good.begin(), sos);
  stray.insert(stray.end(), {0x12, 0x34});
  stray.insert(stray.end(), sos, good.end());
  ASSERT_TRUE(LoadJpeg(stray));
  EXPECT_TRUE(same());
  texture->Release();
  texture = nullptr;

  // A JFIF marker of a later revision (2.01) than the library knows.
  std::vector<unsigned char> revision = good;
  ASSERT_EQ(std::string(revision.begin() + 6, revision.begin() + 11), std::string("JFIF\0", 5));
  revision[11] = 2;
  revision[12] = 1;
  ASSERT_TRUE(LoadJpeg(revision));
  EXPECT_TRUE(same());
  texture->Release();
  texture = nullptr;

  // Cut short inside the scan (here: the end-of-image marker lost): what was decoded shows.
  ASSERT_TRUE(LoadJpeg(std::vector<unsigned char>(good.begin(), good.end() - 2)));
  EXPECT_TRUE(same());
}

// Each scan of a progressive picture is a pass over the whole picture, and scans the library
// finds out of order only warn: a picture of more scans than any encoder writes is refused.
TEST_F(ImageLoadingTest, ProgressiveJpegsOfEndlessScansAreRefused) {
  const auto good = ReadData("progressive.jpg");
  ASSERT_TRUE(LoadJpeg(good));
  texture->Release();
  texture = nullptr;
  // The last scan, from its marker to the end-of-image marker, a thousand times more.
  const unsigned char kSos[] = {0xFF, 0xDA};
  const auto last = std::find_end(good.begin(), good.end(), std::begin(kSos), std::end(kSos));
  std::vector<unsigned char> endless(good.begin(), good.end() - 2);
  for (int i = 0; i < 1000; ++i) endless.insert(endless.end(), last, good.end() - 2);
  endless.insert(endless.end(), {0xFF, 0xD9});
  EXPECT_FALSE(LoadJpeg(endless));
  EXPECT_EQ(texture, nullptr);
}

TEST_F(ImageLoadingTest, FilesLoadPngThenJpegAndMissingOrEmptyFilesFail) {
  ASSERT_TRUE(LoadImageFile(&device, DataPath("rgb8.png").wstring(), texture, width, height));
  EXPECT_EQ(width, 4);
  texture->Release();
  texture = nullptr;
  ASSERT_TRUE(LoadImageFile(&device, DataPath("rgb.jpg").wstring(), texture, width, height));
  EXPECT_EQ(width, 10);
  texture->Release();
  texture = nullptr;
  EXPECT_FALSE(LoadImageFile(&device, DataPath("no such picture.png").wstring(), texture, width, height));

  const auto dir = std::filesystem::temp_directory_path();
  const auto empty = dir / "im_empty_picture.png";
  std::ofstream(empty).close();
  EXPECT_FALSE(LoadImageFile(&device, empty.wstring(), texture, width, height));
  // A PNG file cut short: the stream reader reports the short read instead of inventing bytes.
  const auto good = ReadData("rgb8.png");
  const auto cut = dir / "im_cut_picture.png";
  std::ofstream(cut, std::ios::binary).write(reinterpret_cast<const char*>(good.data()), 40);
  EXPECT_FALSE(LoadPngFromFile(&device, cut.wstring(), texture, width, height));
  EXPECT_EQ(texture, nullptr);
  std::filesystem::remove(empty);
  std::filesystem::remove(cut);
}

TEST_F(ImageLoadingTest, WithoutADeviceThePictureIsDecodedIntoSystemMemory) {
  ASSERT_TRUE(LoadPngFromMemory(nullptr, ReadData("rgb8.png").data(), 85, texture, width, height));
  EXPECT_EQ(Desc().Pool, D3DPOOL_SYSTEMMEM);
  EXPECT_EQ(Texel(0, 0), 0xFFFF0000u);
}

}  // namespace
