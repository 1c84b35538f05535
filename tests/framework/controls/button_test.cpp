#include "framework/controls/button.h"

#include <gtest/gtest.h>

#include "framework/controls/dialog.h"
#include "framework/platform/headless/headless.h"
#include "framework/resources/resource_manager.h"
#include "framework/views/text_view.h"

namespace {

// Screens of skin pictures over the software device, driven by the events the window delivers.
class SkinTest : public ::testing::Test {
 protected:
  SkinTest() {
    platform::headless::Reset();
    IMResourceManager::Create(false);
    root = std::make_unique<IMDialog>(nullptr, nullptr, 0);
  }
  ~SkinTest() override {
    root->OnClose(IMEvent(root.get(), IM_EVENT_CLOSE));
    root.reset();
    IMResourceManager::Destroy();
  }

  void Mouse(UINT message, WPARAM keys, int x, int y) {
    IMMouseEvent e(root.get(), message, keys, x, y);
    if (message == WM_MOUSEMOVE) {
      root->OnMouseMove(e);
    } else {
      root->OnMouseButton(e);
    }
  }
  std::uint32_t Texture(const wchar_t* name) { return IMResourceManager::Instance()->FindTexture(name); }

  std::unique_ptr<IMDialog> root;
};

TEST_F(SkinTest, ButtonFollowsHoverPressAndRelease) {
  IMButton* print = root->AddButton(100, 50, L"PrintButton", L"PrintButton", L"PrintButtonNuv", L"PrintButtonKlick", 0);
  int clicks = 0;
  print->ConnectOnClick([&](const IMMouseEvent&) { ++clicks; return 0L; });
  ASSERT_TRUE(EqualRect(print->GetRect(), RECT{100, 50, 184, 97}));
  EXPECT_EQ(print->state, IMButton::kNormal);

  Mouse(WM_MOUSEMOVE, 0, 140, 70);
  EXPECT_EQ(print->state, IMButton::kHovered);
  EXPECT_EQ(print->GetTextureId(), Texture(L"PrintButtonNuv"));
  Mouse(WM_LBUTTONDOWN, MK_LBUTTON, 140, 70);
  EXPECT_EQ(print->state, IMButton::kPressed);
  EXPECT_EQ(print->GetTextureId(), Texture(L"PrintButtonKlick"));
  Mouse(WM_LBUTTONUP, 0, 140, 70);
  EXPECT_EQ(print->state, IMButton::kHovered);
  EXPECT_EQ(clicks, 1);
  Mouse(WM_MOUSEMOVE, 0, 400, 400);
  EXPECT_EQ(print->state, IMButton::kNormal);
  EXPECT_EQ(print->GetTextureId(), Texture(L"PrintButton"));
}

TEST_F(SkinTest, DisabledButtonKeepsItsStateAndGivesNoClick) {
  IMButton* retry = root->AddButton(0, 0, L"RetryButton", L"", L"RetryButtonNuv", L"RetryButtonKlick", 0);
  int clicks = 0;
  retry->ConnectOnClick([&](const IMMouseEvent&) { ++clicks; return 0L; });
  retry->Disable();
  EXPECT_EQ(retry->state, IMButton::kDisabled);
  Mouse(WM_MOUSEMOVE, 0, 50, 20);
  Mouse(WM_LBUTTONDOWN, MK_LBUTTON, 50, 20);
  Mouse(WM_LBUTTONUP, 0, 50, 20);
  EXPECT_EQ(retry->state, IMButton::kDisabled);
  EXPECT_EQ(clicks, 0);
  // Enabled with the pointer still over it: hovered at once.
  retry->Enable();
  EXPECT_EQ(retry->state, IMButton::kHovered);
}

TEST_F(SkinTest, ButtonWithoutHoverAndPressedPicturesShowsItsNormalOneThroughout) {
  IMButton* exit = root->AddButton(10, 10, L"ExitButton", L"", L"", L"", 0);
  EXPECT_TRUE(EqualRect(exit->GetRect(), RECT{10, 10, 31, 31}));
  Mouse(WM_MOUSEMOVE, 0, 20, 20);
  Mouse(WM_LBUTTONDOWN, MK_LBUTTON, 20, 20);
  EXPECT_EQ(exit->state, IMButton::kPressed);
  EXPECT_EQ(exit->GetTextureId(), Texture(L"ExitButton"));
}

TEST_F(SkinTest, ShownAgainTheButtonKeepsItsPictureUntilTheNextEvent) {
  IMButton* close = root->AddButton(0, 0, L"CloseButton", L"", L"CloseButtonNuv", L"CloseButtonKlick", 0);
  Mouse(WM_MOUSEMOVE, 0, 50, 20);
  ASSERT_EQ(close->state, IMButton::kHovered);
  close->Hide();
  EXPECT_EQ(close->state, IMButton::kHovered);
  EXPECT_FALSE(close->HitTest(50, 20));
  Mouse(WM_MOUSEMOVE, 0, 400, 400);
  close->Show();
  EXPECT_EQ(close->state, IMButton::kHovered);
  Mouse(WM_MOUSEMOVE, 0, 50, 20);
  Mouse(WM_MOUSEMOVE, 0, 400, 400);
  EXPECT_EQ(close->state, IMButton::kNormal);
}

TEST_F(SkinTest, BuildersPlaceChildrenAtTheirSize) {
  auto* picture = root->AddPicture(100, 50, L"ExitButton", 3, 0x80FFFFFF);
  EXPECT_TRUE(EqualRect(picture->GetRect(), RECT{100, 50, 121, 71}));
  EXPECT_EQ(picture->tint, 0x80FFFFFFu);
  EXPECT_EQ(root->GetChildLayer(picture), 3);
  IMDialog* panel = IMDialog::AddDialog(root.get(), 10, 20, 100, 50, 0);
  EXPECT_TRUE(EqualRect(panel->GetRect(), RECT{10, 20, 110, 70}));

  // A label takes the size of its laid-out text: Arial 16 is 16 pixels high.
  auto* label = root->AddText(30, 40, L"Начать", 2);
  const RECT text = label->GetRect();
  EXPECT_EQ(text.left, 30);
  EXPECT_EQ(text.top, 40);
  EXPECT_EQ(text.bottom - text.top, 16);
  EXPECT_GT(text.right - text.left, 30);
  EXPECT_TRUE(label->HitTest(31, 41));  // labels are hit anywhere in their rectangle

  // SetPicture on a placed picture brings it back to (0, 0) at the new size.
  picture->SetPicture(L"PrintButton");
  EXPECT_TRUE(EqualRect(picture->GetRect(), RECT{0, 0, 84, 47}));
}

TEST_F(SkinTest, PicturesAreHitOnlyWhereOpaque) {
  auto* button = root->AddPicture(0, 0, L"PrintButton", 0, 0xFFFFFFFF);
  EXPECT_TRUE(button->HitTest(42, 23));
  EXPECT_FALSE(button->HitTest(0, 0));  // a rounded corner
  button->Hide();
  EXPECT_FALSE(button->HitTest(42, 23));
}

}  // namespace
