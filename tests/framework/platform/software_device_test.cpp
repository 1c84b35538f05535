#include "framework/platform/software_device.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "framework/platform/headless/headless.h"

namespace {

using platform::QuadVertex;

class SoftwareDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::headless::Reset();
    device.CreateVertexBuffer(sizeof(QuadVertex) * 6, 0, platform::kQuadVertexFvf, D3DPOOL_SYSTEMMEM, &buffer);
    device.SetFVF(platform::kQuadVertexFvf);
    device.SetStreamSource(0, buffer, 0, sizeof(QuadVertex));
    device.Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  }
  void TearDown() override {
    buffer->Release();
    platform::headless::Reset();
  }

  HRESULT Draw(D3DPRIMITIVETYPE type, std::initializer_list<QuadVertex> vertices, UINT primitives) {
    void* bits = nullptr;
    buffer->Lock(0, 0, &bits, 0);
    std::memcpy(bits, vertices.begin(), vertices.size() * sizeof(QuadVertex));
    buffer->Unlock();
    return device.DrawPrimitive(type, 0, primitives);
  }
  // An untextured quad of the diffuse colour over [x0, x1) x [y0, y1) in vertex coordinates.
  HRESULT Quad(float x0, float y0, float x1, float y1, DWORD color) {
    return Draw(D3DPT_TRIANGLEFAN,
                {{x0, y0, 0, 1, color, 0, 0}, {x1, y0, 0, 1, color, 1, 0}, {x1, y1, 0, 1, color, 1, 1},
                 {x0, y1, 0, 1, color, 0, 1}},
                2);
  }
  platform::Texture* MakeTexture(UINT w, UINT h, D3DFORMAT format, std::uint32_t (*texel)(int, int)) {
    platform::Texture* t = nullptr;
    EXPECT_EQ(device.CreateTexture(w, h, 1, D3DUSAGE_DYNAMIC, format, D3DPOOL_DEFAULT, &t), D3D_OK);
    platform::LockedRect locked;
    t->LockRect(0, &locked, nullptr, 0);
    for (UINT y = 0; y < h; ++y) {
      for (UINT x = 0; x < w; ++x) {
        static_cast<std::uint32_t*>(locked.pBits)[y * locked.Pitch / 4 + x] = texel(static_cast<int>(x), static_cast<int>(y));
      }
    }
    t->UnlockRect(0);
    return t;
  }
  std::uint32_t At(int x, int y) const { return device.BackBuffer()[y * device.Width() + x]; }
  int Count(std::uint32_t value) const {
    int n = 0;
    for (int i = 0; i < device.Width() * device.Height(); ++i) n += device.BackBuffer()[i] == value;
    return n;
  }

  platform::SoftwareDevice device{64, 48};
  platform::VertexBuffer* buffer = nullptr;
};

TEST_F(SoftwareDeviceTest, PixelCentresOnTopAndLeftEdgesAreInsideOnBottomAndRightOutside) {
  device.BeginScene();
  ASSERT_EQ(Quad(10.0f, 5.0f, 20.0f, 9.0f, 0xFFFFFFFF), D3D_OK);
  EXPECT_EQ(At(10, 5), 0xFFFFFFFFu);
  EXPECT_EQ(At(19, 8), 0xFFFFFFFFu);
  EXPECT_EQ(At(20, 5), 0xFF000000u);
  EXPECT_EQ(At(10, 9), 0xFF000000u);
  EXPECT_EQ(Count(0xFFFFFFFFu), 10 * 4);
  // The same rule in the general rasteriser: a triangle whose left edge runs through centres.
  device.Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  ASSERT_EQ(Draw(D3DPT_TRIANGLELIST,
                 {{30, 10, 0, 1, 0xFFFFFFFF, 0, 0}, {40, 20, 0, 1, 0xFFFFFFFF, 0, 0}, {30, 20, 0, 1, 0xFFFFFFFF, 0, 0}},
                 1),
            D3D_OK);
  EXPECT_EQ(At(30, 11), 0xFFFFFFFFu) << "on the left edge";
  EXPECT_EQ(At(30, 19), 0xFFFFFFFFu);
  EXPECT_EQ(At(30, 10), 0xFF000000u) << "the apex lies on the right edge too";
  EXPECT_EQ(At(30, 20), 0xFF000000u) << "bottom edge";
  EXPECT_EQ(At(35, 15), 0xFF000000u) << "the slanted edge is a right edge";
  EXPECT_EQ(At(34, 15), 0xFFFFFFFFu);
  device.EndScene();
}

TEST_F(SoftwareDeviceTest, CounterClockwiseTrianglesAreCulledByDefault) {
  device.BeginScene();
  // Clockwise on the screen is drawn, the mirror image is not.
  Draw(D3DPT_TRIANGLELIST,
       {{0, 0, 0, 1, 0xFFFF0000, 0, 0}, {10, 0, 0, 1, 0xFFFF0000, 0, 0}, {0, 10, 0, 1, 0xFFFF0000, 0, 0}}, 1);
  Draw(D3DPT_TRIANGLELIST,
       {{20, 0, 0, 1, 0xFF00FF00, 0, 0}, {20, 10, 0, 1, 0xFF00FF00, 0, 0}, {30, 0, 0, 1, 0xFF00FF00, 0, 0}}, 1);
  EXPECT_EQ(At(2, 2), 0xFFFF0000u);
  EXPECT_EQ(At(22, 2), 0xFF000000u);
  device.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  Draw(D3DPT_TRIANGLELIST,
       {{20, 0, 0, 1, 0xFF00FF00, 0, 0}, {20, 10, 0, 1, 0xFF00FF00, 0, 0}, {30, 0, 0, 1, 0xFF00FF00, 0, 0}}, 1);
  EXPECT_EQ(At(22, 2), 0xFF00FF00u);
  device.EndScene();
}

TEST_F(SoftwareDeviceTest, TexturesWrapAndOpaqueFormatsIgnoreTheirAlphaByte) {
  platform::Texture* t = MakeTexture(4, 1, D3DFMT_X8R8G8B8, [](int x, int) { return 0x00000010u * (x + 1); });
  device.SetTexture(0, t);
  device.SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
  device.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device.SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  device.BeginScene();
  // u from 0.5 to 1.5 over 4 pixels: texels 2, 3, 0, 1.
  const DWORD white = 0xFFFFFFFF;
  Draw(D3DPT_TRIANGLEFAN,
       {{-0.5f, -0.5f, 0, 1, white, 0.5f, 0}, {3.5f, -0.5f, 0, 1, white, 1.5f, 0}, {3.5f, 0.5f, 0, 1, white, 1.5f, 1},
        {-0.5f, 0.5f, 0, 1, white, 0.5f, 1}},
       2);
  EXPECT_EQ(At(0, 0), 0xFF000030u);
  EXPECT_EQ(At(1, 0), 0xFF000040u);
  EXPECT_EQ(At(2, 0), 0xFF000010u);
  EXPECT_EQ(At(3, 0), 0xFF000020u);
  device.EndScene();
  t->Release();
}

TEST_F(SoftwareDeviceTest, MinificationBlendsNeighboursAcrossTheWrap) {
  // Two texels, 0 and 200: shrunk to one pixel, the sample between them wraps to both.
  platform::Texture* t = MakeTexture(2, 1, D3DFMT_A8R8G8B8, [](int x, int) { return x ? 0xFF0000C8u : 0xFF000000u; });
  device.SetTexture(0, t);
  device.SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  device.SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  device.BeginScene();
  const DWORD white = 0xFFFFFFFF;
  Draw(D3DPT_TRIANGLEFAN,
       {{-0.5f, -0.5f, 0, 1, white, 0, 0}, {0.5f, -0.5f, 0, 1, white, 1, 0}, {0.5f, 0.5f, 0, 1, white, 1, 1},
        {-0.5f, 0.5f, 0, 1, white, 0, 1}},
       2);
  EXPECT_EQ(At(0, 0), 0xFF000064u);
  device.EndScene();
  t->Release();
}

TEST_F(SoftwareDeviceTest, RectangleCopiesMatchTheGeneralRasteriser) {
  // Rows of transparent gaps, soft texels, and long and short opaque runs; any window of them,
  // white or tinted, must come out of the rectangle copy as out of the triangle rasteriser.
  static const char kAlpha[] = "...ppp..oooooooooo...oooopp.op.pooooooooooooooop....pppppoooo...";
  static_assert(sizeof kAlpha == 65);
  platform::Texture* t = MakeTexture(64, 4, D3DFMT_A8R8G8B8, [](int x, int y) {
    const std::uint32_t a = kAlpha[x] == '.' ? 0 : kAlpha[x] == 'o' ? 255 : 40 + 50 * ((x + y) % 4);
    return a << 24 | static_cast<std::uint32_t>(x * 4) << 16 | static_cast<std::uint32_t>(y * 60) << 8 | 0x90u;
  });
  device.SetTexture(0, t);
  device.SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
  device.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  device.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device.SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  auto frame = [&](D3DPRIMITIVETYPE type, int s0, int s1, DWORD tint) {
    device.Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF305070, 1.0f, 0);
    device.BeginScene();
    const float x0 = 1.5f, x1 = x0 + static_cast<float>(s1 - s0), y0 = 2.5f, y1 = y0 + 4;
    const float u0 = static_cast<float>(s0) / 64, u1 = static_cast<float>(s1) / 64;
    const QuadVertex tl{x0, y0, 0, 1, tint, u0, 0}, tr{x1, y0, 0, 1, tint, u1, 0}, br{x1, y1, 0, 1, tint, u1, 1},
        bl{x0, y1, 0, 1, tint, u0, 1};
    if (type == D3DPT_TRIANGLEFAN) {
      Draw(type, {tl, tr, br, bl}, 2);
    } else {
      Draw(type, {tl, tr, br, tl, br, bl}, 2);
    }
    device.EndScene();
    return std::vector<std::uint32_t>(device.BackBuffer(), device.BackBuffer() + device.Width() * device.Height());
  };
  for (DWORD tint : {0xFFFFFFFFu, 0xFF40C0FFu, 0x80FFFFFFu}) {
    for (auto [s0, s1] : {std::pair{0, 64}, {4, 30}, {10, 22}, {20, 24}, {24, 27}, {5, 6}, {30, 62}}) {
      EXPECT_EQ(frame(D3DPT_TRIANGLEFAN, s0, s1, tint), frame(D3DPT_TRIANGLELIST, s0, s1, tint))
          << "texels " << s0 << " to " << s1 << ", tint " << std::hex << tint;
    }
  }
  t->Release();
}

TEST_F(SoftwareDeviceTest, ClearAndDrawingStayInsideTheViewport) {
  device.SetViewport(platform::Viewport{8, 4, 10, 6, 0.0f, 1.0f});
  device.Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
  EXPECT_EQ(Count(0xFF0000FFu), 60);
  device.BeginScene();
  Quad(-100, -100, 100, 100, 0xFFFFFFFF);
  device.EndScene();
  EXPECT_EQ(Count(0xFFFFFFFFu), 60);
  EXPECT_EQ(At(8, 4), 0xFFFFFFFFu);
  EXPECT_EQ(At(18, 4), 0xFF000000u);
}

TEST_F(SoftwareDeviceTest, DrawingNeedsAScene) {
  EXPECT_EQ(Quad(0, 0, 10, 10, 0xFFFFFFFF), D3DERR_INVALIDCALL);
  EXPECT_EQ(Count(0xFFFFFFFFu), 0);
  EXPECT_EQ(device.EndScene(), D3DERR_INVALIDCALL);
}

TEST_F(SoftwareDeviceTest, AReleasedTextureIsNeverSampled) {
  platform::Texture* t = MakeTexture(1, 1, D3DFMT_A8R8G8B8, [](int, int) { return 0xFF00FF00u; });
  device.SetTexture(0, t);
  t->Release();
  device.BeginScene();
  EXPECT_EQ(Quad(0, 0, 4, 4, 0xFFFFFFFF), D3D_OK);
  device.EndScene();
  EXPECT_EQ(Count(0xFF00FF00u), 0);
}

TEST_F(SoftwareDeviceTest, VideoMemoryRunsOutAtTheBudgetAndComesBack) {
  platform::headless::SetVideoMemoryBudget(4096);
  platform::Texture* a = nullptr;
  platform::Texture* b = nullptr;
  EXPECT_EQ(device.CreateTexture(32, 32, 0, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &a), D3D_OK);
  EXPECT_EQ(device.CreateTexture(1, 1, 0, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &b),
            D3DERR_OUTOFVIDEOMEMORY);
  EXPECT_EQ(b, nullptr);
  a->Release();
  EXPECT_EQ(device.CreateTexture(1, 1, 0, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &b), D3D_OK);
  b->Release();
  EXPECT_EQ(device.VideoMemoryUsed(), 0u);
}

TEST_F(SoftwareDeviceTest, ALostDeviceSaysSoAndPresentsNothing) {
  device.BeginScene();
  device.EndScene();
  EXPECT_EQ(device.Present(), D3D_OK);
  EXPECT_EQ(platform::headless::PresentedFrame().presentCount, 1u);
  EXPECT_EQ(platform::headless::PresentedFrame().width, 64);
  platform::headless::SetDeviceLost(true);
  EXPECT_EQ(device.TestCooperativeLevel(), D3DERR_DEVICELOST);
  EXPECT_EQ(device.Present(), D3DERR_DEVICELOST);
  EXPECT_EQ(platform::headless::PresentedFrame().presentCount, 1u);
}

}  // namespace
