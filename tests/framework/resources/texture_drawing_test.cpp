#include "framework/resources/texture_drawing.h"

#include <gtest/gtest.h>

#include <numbers>

#include "framework/platform/headless/headless.h"
#include "golden_image.h"
#include "test_support.h"

namespace {

using platform::headless::Frame;
using platform::headless::PresentedFrame;
using test_support::CompareWithGolden;
using test_support::MakeTexture;

TEST(QuadVerticesTest, AxisAlignedQuadCoversItsPixelsWithHalfPixelOffsets) {
  const auto v = ComputeQuadVertices(RECT{10, 20, 110, 70}, RECT{0, 0, 50, 30}, 64, 32, 0x80FF0000, 0.0f, 0, 0);
  const float xs[4] = {9.5f, 109.5f, 109.5f, 9.5f}, ys[4] = {19.5f, 19.5f, 69.5f, 69.5f};
  const float us[4] = {0.0f, 50.0f / 64, 50.0f / 64, 0.0f}, vs[4] = {0.0f, 0.0f, 30.0f / 32, 30.0f / 32};
  for (int k = 0; k < 4; ++k) {
    EXPECT_FLOAT_EQ(v[k].x, xs[k]) << k;
    EXPECT_FLOAT_EQ(v[k].y, ys[k]) << k;
    EXPECT_FLOAT_EQ(v[k].u, us[k]) << k;
    EXPECT_FLOAT_EQ(v[k].v, vs[k]) << k;
    EXPECT_EQ(v[k].z, 0.0f);
    EXPECT_EQ(v[k].rhw, 1.0f);
    EXPECT_EQ(v[k].diffuse, 0x80FF0000u);
  }
}

TEST(QuadVerticesTest, TheDrawingOriginMovesPositionsOnly) {
  const auto plain = ComputeQuadVertices(RECT{10, 20, 110, 70}, RECT{0, 0, 50, 30}, 64, 32, ~0u, 0.0f, 0, 0);
  const auto moved = ComputeQuadVertices(RECT{10, 20, 110, 70}, RECT{0, 0, 50, 30}, 64, 32, ~0u, 0.0f, 100, 50);
  for (int k = 0; k < 4; ++k) {
    EXPECT_FLOAT_EQ(moved[k].x, plain[k].x + 100);
    EXPECT_FLOAT_EQ(moved[k].y, plain[k].y + 50);
    EXPECT_EQ(moved[k].u, plain[k].u);
    EXPECT_EQ(moved[k].v, plain[k].v);
  }
}

TEST(QuadVerticesTest, SourceOffsetsAreNormalisedByTheTextureSize) {
  const auto v = ComputeQuadVertices(RECT{0, 0, 16, 16}, RECT{16, 0, 32, 16}, 64, 16, ~0u, 0.0f, 0, 0);
  EXPECT_FLOAT_EQ(v[0].u, 0.25f);
  EXPECT_FLOAT_EQ(v[1].u, 0.5f);
  EXPECT_FLOAT_EQ(v[2].v, 1.0f);
}

TEST(QuadVerticesTest, AQuarterTurnTurnsTheCornersClockwiseAndKeepsTheMapping) {
  const auto v = ComputeQuadVertices(RECT{0, 0, 100, 50}, RECT{0, 0, 100, 50}, 128, 64, ~0u,
                                     std::numbers::pi_v<float> / 2, 0, 0);
  const float xs[4] = {75, 75, 25, 25}, ys[4] = {-25, 75, 75, -25};
  const float us[4] = {0, 100.0f / 128, 100.0f / 128, 0}, vs[4] = {0, 0, 50.0f / 64, 50.0f / 64};
  for (int k = 0; k < 4; ++k) {
    EXPECT_NEAR(v[k].x, xs[k] - 0.5f, 1e-4) << k;
    EXPECT_NEAR(v[k].y, ys[k] - 0.5f, 1e-4) << k;
    EXPECT_NEAR(v[k].u, us[k], 1e-5) << k;
    EXPECT_NEAR(v[k].v, vs[k], 1e-5) << k;
  }
}

TEST(QuadVerticesTest, ATurnedQuadMapsTheSourceSizeFromTheTopLeftTexel) {
  const auto v = ComputeQuadVertices(RECT{0, 0, 20, 20}, RECT{8, 8, 16, 16}, 32, 32, ~0u, 0.3f, 0, 0);
  EXPECT_NEAR(v[0].u, 0.0f, 1e-5);
  EXPECT_NEAR(v[2].u, 8.0f / 32, 1e-5);
  EXPECT_NEAR(v[2].v, 8.0f / 32, 1e-5);
}

// Pictures drawn into a small windowed back buffer.
class DrawingTest : public test_support::ManagerTest {
 protected:
  DrawingTest() : ManagerTest(128, 96) {}

  void Begin(DWORD clear = 0xFF000000) {
    platform::Device* d = rm->GetDevice();
    d->Clear(0, nullptr, D3DCLEAR_TARGET, clear, 1.0f, 0);
    d->BeginScene();
  }
  const Frame& End() {
    rm->GetDevice()->EndScene();
    rm->GetDevice()->Present();
    return PresentedFrame();
  }
  void Draw(std::uint32_t id, RECT dest, const RECT* source = nullptr, DWORD argb = 0xFFFFFFFF, float angle = 0) {
    rm->DrawTexture(id, &dest, source, argb, angle);
  }
  // Opaque, every texel of a picture up to 25x17 different.
  static std::uint32_t Pattern(int x, int y) {
    return 0xFF000000u | static_cast<std::uint32_t>(x * 10) << 16 | static_cast<std::uint32_t>(y * 15) << 8 |
           static_cast<std::uint32_t>((x + y) * 5);
  }
  std::uint32_t PatternTexture(int w = 24, int h = 16) { return MakeTexture(L"Pattern", w, h, Pattern); }
  // A picture with alpha: opaque disc on transparent, soft rim.
  std::uint32_t DiscTexture() {
    return MakeTexture(L"Disc", 32, 32, [](int x, int y) {
      const int d2 = (x - 16) * (x - 16) + (y - 16) * (y - 16);
      const std::uint32_t a = d2 < 144 ? 255u : d2 < 225 ? static_cast<std::uint32_t>(255 - (d2 - 144) * 3) : 0u;
      return a << 24 | 0x00FFC020u;
    });
  }
};

TEST_F(DrawingTest, OneToOneCopiesEveryTexelExactlyIntoTheDestination) {
  const std::uint32_t id = PatternTexture();
  Begin();
  Draw(id, RECT{10, 12, 34, 28});
  const RECT part{4, 2, 14, 10};
  Draw(id, RECT{60, 40, 70, 48}, &part);
  const Frame& f = End();
  for (int y = 0; y < 96; ++y) {
    for (int x = 0; x < 128; ++x) {
      std::uint32_t expected = 0xFF000000u;
      if (x >= 10 && x < 34 && y >= 12 && y < 28) expected = Pattern(x - 10, y - 12);
      if (x >= 60 && x < 70 && y >= 40 && y < 48) expected = Pattern(x - 60 + 4, y - 40 + 2);
      ASSERT_EQ(f.At(x, y), expected) << x << "," << y;
    }
  }
  EXPECT_EQ(CompareWithGolden(f, "copy_one_to_one"), "");
}

TEST_F(DrawingTest, EmptyOrInvertedDestinationsAndFreedIdsDrawNothing) {
  const std::uint32_t id = PatternTexture();
  Begin();
  Draw(id, RECT{10, 20, 10, 70});
  Draw(id, RECT{40, 20, 30, 70});
  Draw(id, RECT{10, 50, 40, 40});
  Draw(kNoTexture, RECT{0, 0, 50, 50});
  Draw(rm->GetIdCount(), RECT{0, 0, 50, 50});  // an id no texture has yet
  const Frame& f = End();
  for (std::uint32_t p : f.pixels) ASSERT_EQ(p, 0xFF000000u);
}

TEST_F(DrawingTest, TintsModulateColourAndAlpha) {
  const std::uint32_t white = MakeTexture(L"White", 8, 8, [](int, int) { return 0xFFFFFFFFu; });
  const std::uint32_t id = PatternTexture();
  Begin();
  Draw(white, RECT{0, 0, 8, 8}, nullptr, 0x80FFFFFF);    // white at alpha 128 over black
  Draw(id, RECT{10, 0, 34, 16}, nullptr, 0xFFFF0000);    // opaque red: only the red channel stays
  Draw(white, RECT{40, 0, 48, 8}, nullptr, 0x00FFFFFF);  // fully transparent
  const Frame& f = End();
  EXPECT_EQ(f.At(3, 3), 0xBF808080u);  // alpha too: (128 * 128 + 255 * 127) / 255
  EXPECT_EQ(f.At(10 + 7, 5), 0xFF000000u | (Pattern(7, 5) & 0x00FF0000u));
  EXPECT_EQ(f.At(44, 4), 0xFF000000u);
}

TEST_F(DrawingTest, TintedTranslucentQuadsGolden) {
  const std::uint32_t id = PatternTexture();
  const std::uint32_t disc = DiscTexture();
  Begin(0xFF204060);
  Draw(id, RECT{0, 0, 24, 16});
  Draw(id, RECT{8, 4, 32, 20}, nullptr, 0x80FFFFFF);
  Draw(disc, RECT{40, 10, 72, 42});
  Draw(disc, RECT{60, 30, 92, 62}, nullptr, 0xA000FF80);
  Draw(disc, RECT{90, 50, 122, 82}, nullptr, 0xFFFF4040);
  EXPECT_EQ(CompareWithGolden(End(), "tinted_translucent"), "");
}

TEST_F(DrawingTest, AdjacentTranslucentQuadsNeitherOverlapNorLeaveGaps) {
  const std::uint32_t white = MakeTexture(L"White", 8, 8, [](int, int) { return 0xFFFFFFFFu; });
  Begin();
  Draw(white, RECT{10, 10, 20, 20}, nullptr, 0x80FFFFFF);
  Draw(white, RECT{20, 10, 30, 20}, nullptr, 0x80FFFFFF);
  Draw(white, RECT{10, 20, 30, 30}, nullptr, 0x80FFFFFF);
  // A turned quad is two triangles sharing a diagonal: blended once along it too.
  Draw(white, RECT{50, 10, 80, 40}, nullptr, 0x80FFFFFF, 0.5f);
  const Frame& f = End();
  for (int y = 10; y < 30; ++y) {
    for (int x = 10; x < 30; ++x) ASSERT_EQ(f.At(x, y), 0xBF808080u) << x << "," << y;
  }
  EXPECT_EQ(f.At(9, 15), 0xFF000000u);
  EXPECT_EQ(f.At(30, 15), 0xFF000000u);
  for (std::uint32_t p : f.pixels) ASSERT_TRUE(p == 0xFF000000u || p == 0xBF808080u) << std::hex << p;
}

TEST_F(DrawingTest, EnlargedQuadsTakeTheNearestTexel) {
  auto bright = [](int x, int y) { return Pattern(x * 6, y * 5); };
  const std::uint32_t id = MakeTexture(L"Small", 4, 3, bright);
  Begin();
  Draw(id, RECT{8, 8, 40, 32});  // 8x each way
  const Frame& f = End();
  for (int y = 8; y < 32; ++y) {
    for (int x = 8; x < 40; ++x) ASSERT_EQ(f.At(x, y), bright((x - 8) / 8, (y - 8) / 8)) << x << "," << y;
  }
  EXPECT_EQ(CompareWithGolden(f, "enlarged"), "");
}

TEST_F(DrawingTest, ShrunkQuadsAreFilteredBilinearly) {
  // Stripes one texel wide shrink by two into the average of neighbours.
  const std::uint32_t id = MakeTexture(L"Stripes", 32, 32, [](int x, int) {
    return x % 2 ? 0xFFFFFFFFu : 0xFF000000u;
  });
  const std::uint32_t disc = DiscTexture();
  Begin();
  Draw(id, RECT{0, 0, 16, 16});
  Draw(disc, RECT{20, 0, 36, 16});
  Draw(disc, RECT{40, 0, 52, 12});
  const Frame& f = End();
  for (int x = 0; x < 16; ++x) {
    const std::uint32_t grey = f.At(x, 8) & 0xFF;
    EXPECT_NEAR(static_cast<int>(grey), 128, 1) << x;
  }
  EXPECT_EQ(CompareWithGolden(f, "shrunk"), "");
}

TEST_F(DrawingTest, TurnedQuadsTurnClockwiseAboutTheirCentre) {
  const std::uint32_t id = MakeTexture(L"Bar", 40, 20, [](int x, int y) {
    return x < 4 && y < 4 ? 0xFFFF0000u : 0xFF00FF00u;  // red top-left corner
  });
  Begin();
  Draw(id, RECT{20, 20, 60, 40}, nullptr, 0xFFFFFFFF, std::numbers::pi_v<float> / 2);
  const Frame& f = End();
  int covered = 0;
  for (int y = 0; y < 96; ++y) {
    for (int x = 0; x < 128; ++x) {
      if (f.At(x, y) != 0xFF000000u) {
        ++covered;
        EXPECT_TRUE(x >= 30 && x < 50 && y >= 10 && y < 50) << x << "," << y;
      }
    }
  }
  EXPECT_EQ(covered, 20 * 40);
  EXPECT_EQ(f.At(49, 10), 0xFFFF0000u) << "the top-left corner went to the top right";
  EXPECT_EQ(f.At(30, 10), 0xFF00FF00u);
}

TEST_F(DrawingTest, TurnedQuadsGolden) {
  const std::uint32_t id = PatternTexture();
  const std::uint32_t disc = DiscTexture();
  Begin();
  Draw(id, RECT{10, 10, 34, 26}, nullptr, 0xFFFFFFFF, std::numbers::pi_v<float> / 2);
  Draw(id, RECT{50, 20, 98, 52}, nullptr, 0xFFFFFFFF, 0.5f);
  Draw(disc, RECT{80, 50, 112, 82}, nullptr, 0xC0FFFFFF, -0.8f);
  EXPECT_EQ(CompareWithGolden(End(), "turned"), "");
}

TEST_F(DrawingTest, TheViewportClipsAndOffScreenPartsAreCut) {
  const std::uint32_t id = PatternTexture();
  platform::Device* d = rm->GetDevice();
  Begin(0xFF303030);
  d->SetViewport(platform::Viewport{20, 20, 40, 30, 0.0f, 1.0f});
  Draw(id, RECT{10, 10, 34, 26});
  Draw(id, RECT{50, 40, 74, 56}, nullptr, 0xFFFFFFFF, 0.4f);
  d->SetViewport(platform::Viewport{0, 0, 128, 96, 0.0f, 1.0f});
  Draw(id, RECT{-8, 80, 16, 96});
  Draw(id, RECT{116, -6, 140, 10});
  const Frame& f = End();
  EXPECT_EQ(f.At(19, 20), 0xFF303030u);
  EXPECT_EQ(f.At(20, 19), 0xFF303030u);
  EXPECT_EQ(f.At(20, 20), Pattern(10, 10));
  EXPECT_EQ(f.At(0, 80), Pattern(8, 0));
  EXPECT_EQ(f.At(127, 0), Pattern(11, 6));
  for (int y = 0; y < 96; ++y) {
    for (int x = 0; x < 128; ++x) {
      const bool inside = x >= 20 && x < 60 && y >= 20 && y < 50;
      const bool edge = y >= 80 || x >= 116;
      if (!inside && !edge) {
        ASSERT_EQ(f.At(x, y), 0xFF303030u) << x << "," << y;
      }
    }
  }
  EXPECT_EQ(CompareWithGolden(f, "viewport_clip"), "");
}

TEST_F(DrawingTest, TheDrawingOriginMovesEveryPicture) {
  const std::uint32_t id = PatternTexture();
  Begin();
  rm->drawOriginX = 30;
  rm->drawOriginY = 20;
  Draw(id, RECT{0, 0, 24, 16});
  rm->drawOriginX = rm->drawOriginY = 0;
  const Frame& f = End();
  EXPECT_EQ(f.At(30, 20), Pattern(0, 0));
  EXPECT_EQ(f.At(53, 35), Pattern(23, 15));
  EXPECT_EQ(f.At(29, 20), 0xFF000000u);
}

TEST_F(DrawingTest, VideoTexturesAreOpaqueAlsoAfterComingBack) {
  // The video decoder writes B, G, R and a zero fourth byte.
  const std::uint32_t id = MakeTexture(L"Video", 8, 8, [](int, int) { return 0x00336699u; }, D3DFMT_X8R8G8B8);
  rm->DropDeviceTexture(id);
  Begin();
  Draw(id, RECT{0, 0, 8, 8});
  const Frame& f = End();
  EXPECT_EQ(f.At(4, 4), 0xFF336699u);
}

}  // namespace
