#include "framework/views/texture_view.h"

#include <gtest/gtest.h>

#include <numbers>

#include "framework/platform/headless/headless.h"
#include "framework/resources/test_support.h"

namespace {

using test_support::MakeTexture;

class TextureViewTest : public test_support::ManagerTest {
 protected:
  int RefCount(std::uint32_t id) {
    const IMTextureRecord* record = rm->GetTextureRecord(id);
    return record ? record->refCount : 0;
  }
  static std::uint32_t Opaque(int, int) { return 0xFF102030u; }
};

TEST_F(TextureViewTest, ShowingTheSameNameTwiceKeepsOneReference) {
  const std::uint32_t a = MakeTexture(L"A", 50, 30, Opaque);
  IMTextureView view;
  view.SetTexture(L"A");
  EXPECT_EQ(RefCount(a), 2);
  view.SetChanged(false);
  view.SetTexture(L"A");
  EXPECT_EQ(RefCount(a), 2);
  EXPECT_FALSE(view.IsChanged());
  EXPECT_EQ(view.GetTextureId(), a);
  const RECT source = view.GetSourceRect();
  EXPECT_EQ(source.right, 50) << "the picture's size, not the texture's";
  EXPECT_EQ(source.bottom, 30);
}

TEST_F(TextureViewTest, SwitchingPicturesMovesTheReference) {
  const std::uint32_t a = MakeTexture(L"A", 8, 8, Opaque);
  const std::uint32_t b = MakeTexture(L"B", 16, 4, Opaque);
  {
    IMTextureView view;
    view.SetTexture(L"A");
    rm->ReleaseTexture(a);  // the view now holds A's last reference
    view.SetTexture(L"B");
    EXPECT_EQ(rm->GetTextureRecord(a), nullptr) << "A went with its last reference";
    EXPECT_EQ(RefCount(b), 2);
    EXPECT_TRUE(view.IsChanged());
    EXPECT_EQ(view.GetSourceRect().right, 16);
    view.SetTextureId(b);
    EXPECT_EQ(RefCount(b), 2);
  }
  EXPECT_EQ(RefCount(b), 1) << "the view's destructor gives its reference back";
}

TEST_F(TextureViewTest, AFailedLoadKeepsThePictureAndHoldsNoFutureId) {
  const std::uint32_t a = MakeTexture(L"A", 8, 8, Opaque);
  IMTextureView shown;
  shown.SetTexture(L"A");
  shown.SetTexture(L"no such picture.png");
  EXPECT_EQ(shown.GetTextureId(), a);
  EXPECT_EQ(RefCount(a), 2);

  const std::uint32_t next = rm->GetIdCount();
  {
    IMTextureView fresh;
    fresh.SetTexture(L"no such picture.png");
    EXPECT_FALSE(fresh.HasTexture());
    fresh.SetTextureId(next);  // not a texture (yet)
    EXPECT_FALSE(fresh.HasTexture());
    const std::uint32_t later = MakeTexture(L"Later", 4, 4, Opaque);
    ASSERT_EQ(later, next);
    EXPECT_FALSE(fresh.HitTest(POINT{0, 0}));
  }
  EXPECT_EQ(RefCount(next), 1) << "the view released nothing it had not taken";
}

TEST_F(TextureViewTest, DrawShowsTheTextureTintedAndTurned) {
  MakeTexture(L"A", 20, 10, [](int x, int) { return x < 10 ? 0xFFFF0000u : 0xFF0000FFu; });
  IMTextureView view;
  view.SetTexture(L"A");
  view.SetRect(RECT{10, 10, 30, 20});
  view.tint = 0xFF00FFFF;
  view.angle = std::numbers::pi_v<float>;
  platform::Device* d = rm->GetDevice();
  d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  d->BeginScene();
  view.Draw();
  d->EndScene();
  d->Present();
  const auto& f = platform::headless::PresentedFrame();
  EXPECT_EQ(f.At(12, 15), 0xFF0000FFu) << "turned half way: blue on the left";
  EXPECT_EQ(f.At(27, 15), 0xFF000000u) << "the red half is tinted away";
  EXPECT_FALSE(view.IsChanged());
}

class HitTest : public TextureViewTest {
 protected:
  void SetUp() override {
    TextureViewTest::SetUp();
    // Alpha by column: 255 everywhere but column 10 (254) and the last column (0).
    MakeTexture(L"Mask", 50, 50, [](int x, int) {
      return (x == 10 ? 254u : x == 49 ? 0u : 255u) << 24 | 0x00FFFFFFu;
    });
    view.SetTexture(L"Mask");
    view.SetRect(RECT{0, 0, 100, 100});
  }
  IMTextureView view;
};

TEST_F(HitTest, PointsScaleIntoThePicture) {
  EXPECT_TRUE(view.HitTest(POINT{0, 0}));
  EXPECT_TRUE(view.HitTest(POINT{97, 99}));   // texel 48
  EXPECT_FALSE(view.HitTest(POINT{99, 99}));  // texel (49, 49): transparent
  EXPECT_FALSE(view.HitTest(POINT{100, 50}));
  EXPECT_FALSE(view.HitTest(POINT{-1, 50}));
}

TEST_F(HitTest, TheThresholdComparesTintTimesTexelAlpha) {
  EXPECT_FALSE(view.HitTest(POINT{21, 5})) << "254 is no hit at 255";
  view.alphaThreshold = 128;
  view.tint = 0x80FFFFFF;
  EXPECT_TRUE(view.HitTest(POINT{0, 5})) << "128 * 255 / 255 = 128";
  EXPECT_FALSE(view.HitTest(POINT{21, 5})) << "128 * 254 / 255 = 127";
}

TEST_F(HitTest, TheSourceOffsetIsNotAdded) {
  view.SetSourceRect(RECT{10, 0, 50, 50});
  // (24, 50) scales to texel (9, 25), which lies outside the source rectangle.
  EXPECT_FALSE(view.HitTest(POINT{24, 50}));
  // (30, 50) scales to (12, 25): inside, opaque.
  EXPECT_TRUE(view.HitTest(POINT{30, 50}));
}

TEST_F(HitTest, ATurnedPictureIsHitWhereItLiesNow) {
  MakeTexture(L"Bar", 100, 40, Opaque);
  view.SetTexture(L"Bar");
  view.SetRect(RECT{0, 0, 100, 40});
  view.angle = std::numbers::pi_v<float> / 2;
  EXPECT_TRUE(view.HitTest(POINT{50, 60})) << "below the rectangle, inside the turned bar";
  EXPECT_FALSE(view.HitTest(POINT{10, 20})) << "inside the rectangle, outside the turned bar";
}

TEST_F(HitTest, WorksWhileTheDeviceIsLost) {
  rm->Restore();  // every device copy dropped
  platform::headless::SetDeviceLost(true);
  rm->IsDeviceLost();
  EXPECT_TRUE(view.HitTest(POINT{0, 0}));
  EXPECT_FALSE(view.HitTest(POINT{99, 0}));
}

}  // namespace
