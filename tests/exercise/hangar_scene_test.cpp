#include "exercise/hangar_scene.h"

#include <gtest/gtest.h>

#include "framework/platform/headless/headless.h"
#include "framework/resources/resource_manager.h"

namespace {

// A scene on a full-screen dialog over the software device with the program's pictures.
class HangarSceneTest : public ::testing::Test {
 protected:
  HangarSceneTest() {
    platform::headless::Reset();
    IMResourceManager::Create(false);
    root = std::make_unique<IMDialog>(nullptr, nullptr, 0);
    dialog = new IMDialog(root.get(), nullptr, 0);
    scene = new HangarScene(nullptr, dialog, false);
  }
  ~HangarSceneTest() override {
    root->OnClose(IMEvent(root.get(), IM_EVENT_CLOSE));
    root.reset();
    IMResourceManager::Destroy();
  }

  void Event(UINT message, WPARAM wParam = 0) { dialog->OnMouseButton(IMMouseEvent(root.get(), message, wParam, 400, 300)); }
  void Wheel(int delta) { Event(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta))); }
  void Horizontal() {
    if (scene->verticalMode) Event(WM_MBUTTONDOWN, MK_MBUTTON);
  }
  void Vertical() {
    if (!scene->verticalMode) Event(WM_MBUTTONDOWN, MK_MBUTTON);
  }
  // Lowers the magnet until something stops it; returns the resting rope position.
  int LowerFully() {
    Vertical();
    for (int i = 0; i < 60; ++i) {
      int before = scene->ropeY;
      Wheel(120);
      if (scene->ropeY == before) break;
    }
    return scene->ropeY;
  }
  void Place(int x, int y) {
    scene->craneX = x;
    scene->ropeY = y;
    scene->PlaceCrane(x, y);
  }

  std::unique_ptr<IMDialog> root;
  IMDialog* dialog;
  HangarScene* scene;
};

TEST_F(HangarSceneTest, WheelTowardTheUserRaisesOrMovesRightAndAZeroDeltaCountsAsAway) {
  Wheel(-120);
  EXPECT_EQ(scene->ropeY, 0);  // already at the top
  Wheel(120);
  EXPECT_EQ(scene->ropeY, 10);
  Wheel(0);
  EXPECT_EQ(scene->ropeY, 20);
  Wheel(-120);
  EXPECT_EQ(scene->ropeY, 10);
  EXPECT_TRUE(EqualRect(scene->magnet->GetRect(), RECT{135, 145, 251, 242}));
  EXPECT_TRUE(EqualRect(scene->rope->GetRect(), RECT{170, 134, 216, 145}));

  Horizontal();
  Wheel(-120);
  EXPECT_EQ(scene->craneX, 145);
  Wheel(120);
  Wheel(0);
  EXPECT_EQ(scene->craneX, 125);
  EXPECT_TRUE(EqualRect(scene->trolley->GetRect(), RECT{129, 21, 239, 142}));
  EXPECT_EQ(scene->ropeY, 10);
}

TEST_F(HangarSceneTest, WheelPressTurnsTheArrowsAndIsNoClick) {
  Event(WM_MBUTTONDOWN, MK_MBUTTON);
  EXPECT_FALSE(scene->verticalMode);
  EXPECT_FLOAT_EQ(scene->arrows->angle, 1.5707964f);
  Event(WM_MBUTTONUP);
  // The second press of a quick pair arrives as a double click, which changes nothing.
  Event(WM_MBUTTONDBLCLK, MK_MBUTTON);
  EXPECT_FALSE(scene->verticalMode);
  Event(WM_MBUTTONDOWN, MK_MBUTTON);
  EXPECT_TRUE(scene->verticalMode);
  EXPECT_EQ(scene->arrows->angle, 0.0f);
  EXPECT_EQ(scene->clicks, 0);
  EXPECT_EQ(scene->craneX, 135);
  EXPECT_EQ(scene->ropeY, 0);

  Event(WM_LBUTTONDOWN, MK_LBUTTON);
  Event(WM_LBUTTONDBLCLK, MK_LBUTTON);
  Event(WM_RBUTTONDOWN, MK_RBUTTON);
  EXPECT_EQ(scene->clicks, 2);
}

TEST_F(HangarSceneTest, CraneStaysBetweenItsLimitsAfterTheCollisionTest) {
  Horizontal();
  for (int i = 0; i < 20; ++i) Wheel(120);
  EXPECT_EQ(scene->craneX, HangarScene::kCraneMinX);  // the wall allowed 61
  for (int i = 0; i < 80; ++i) Wheel(-120);
  EXPECT_EQ(scene->craneX, HangarScene::kCraneMaxX);  // the wall allowed more
}

TEST_F(HangarSceneTest, MagnetStopsOnTheTopPlateAndPicksItUp) {
  // Plate 5 lies at (148, 413); the magnet's left edge at 135 is 13 pixels from it.
  const int rest = LowerFully();
  EXPECT_EQ(scene->magnet->GetRect().bottom, 413);
  EXPECT_EQ(rest, 413 - 97 - 135);
  EXPECT_EQ(scene->carriedPlate, 5);
  EXPECT_EQ(scene->carriedOffset, 13);
  Wheel(-120);
  EXPECT_TRUE(EqualRect(scene->plates[5]->GetRect(), RECT{148, 403, 272, 435}));
}

TEST_F(HangarSceneTest, PickUpNeedsTheLeftEdgesWithinSixteenPixels) {
  // 17 pixels off: the magnet rests on the plate without taking it, and no plate further on
  // in the order is tried.
  Place(131, 0);
  LowerFully();
  EXPECT_EQ(scene->magnet->GetRect().bottom, 413);
  EXPECT_EQ(scene->carriedPlate, -1);
  Place(132, 0);
  LowerFully();
  EXPECT_EQ(scene->carriedPlate, 5);
  EXPECT_EQ(scene->carriedOffset, 16);
}

TEST_F(HangarSceneTest, PickUpReachesAFewPixelsAbove) {
  // The plate's rectangle, raised by five, must overlap the magnet's: a gap of four takes it.
  Place(135, 413 - 97 - 135 - 4);
  scene->TryPickUpPlate();
  EXPECT_EQ(scene->carriedPlate, 5);
  scene->carriedPlate = -1;
  Place(135, 413 - 97 - 135 - 5);
  scene->TryPickUpPlate();
  EXPECT_EQ(scene->carriedPlate, -1);
}

TEST_F(HangarSceneTest, PlatesBlockByTheirWholeRectanglesAndHiddenOnesNotAtAll) {
  // Plate 5's top edge is row 413: the magnet may touch it, not overlap it by a pixel.
  EXPECT_TRUE(scene->IsPositionFree(135, 413 - 97 - 135));
  EXPECT_FALSE(scene->IsPositionFree(135, 413 - 97 - 135 + 1));
  // A carried plate blocks against the others the same way.
  scene->carriedPlate = 0;
  scene->carriedOffset = 0;
  EXPECT_FALSE(scene->IsPositionFree(300 - 124, 413 - 97 - 135 - 32 + 1));
  scene->carriedPlate = -1;
  scene->plates[5]->Hide();
  scene->plates[4]->Hide();
  Place(165, 0);
  LowerFully();
  EXPECT_EQ(scene->magnet->GetRect().bottom, 477);  // straight through to the row below
}

TEST_F(HangarSceneTest, DropNeedsTheWholePlateOverTheWagon) {
  scene->carriedPlate = 5;
  scene->carriedOffset = 0;
  // One pixel past the band's right edge: not delivered however low it hangs.
  Place(698 - 124 + 1, 120);
  scene->TryDropPlate();
  EXPECT_FALSE(scene->plates[5]->IsHidden());
  Place(698 - 124, 120);
  scene->TryDropPlate();
  EXPECT_TRUE(scene->plates[5]->IsHidden());
  EXPECT_EQ(scene->carriedPlate, -1);
  // The delivered plate is out of play: not picked up again, not counted twice.
  scene->TryPickUpPlate();
  EXPECT_EQ(scene->carriedPlate, -1);
  EXPECT_EQ(scene->deliveryTimes.size(), 2u);
}

TEST_F(HangarSceneTest, BackOffNeverPassesTheCurrentPosition) {
  // Standing where it is not free (the magnet inside the top plate), a blocked move ends
  // where the crane is instead of searching on past it.
  Place(135, 190);
  ASSERT_FALSE(scene->IsPositionFree(135, 190));
  Wheel(120);
  EXPECT_EQ(scene->ropeY, 190);
  Horizontal();
  Wheel(120);
  Wheel(-120);
  EXPECT_EQ(scene->craneX, 135);
  // Against the wall the search reads only texels inside the mask.
  Place(62, 0);
  EXPECT_FALSE(scene->IsPositionFree(-200, 0));
  EXPECT_FALSE(scene->IsPositionFree(62, -400));
}

TEST_F(HangarSceneTest, ADemonstrationsDeliveryIsNotTimed) {
  auto* demoDialog = new IMDialog(root.get(), nullptr, 0);
  auto* demo = new HangarScene(nullptr, demoDialog, true);
  ASSERT_TRUE(demo->deliveryTimes.empty());
  demo->carriedPlate = 5;
  demo->carriedOffset = 0;
  demo->craneX = 500;
  demo->ropeY = 120;
  demo->PlaceCrane(500, 120);
  demo->TryDropPlate();
  EXPECT_TRUE(demo->plates[5]->IsHidden());
  EXPECT_TRUE(demo->deliveryTimes.empty());
}

TEST_F(HangarSceneTest, ADemonstrationSceneLeavesTheExercisesSceneAlone) {
  Wheel(120);
  scene->clicks = 3;
  auto* demoDialog = new IMDialog(root.get(), nullptr, 0);
  auto* demo = new HangarScene(nullptr, demoDialog, true);
  demo->MoveVertical(false);
  demoDialog->Close();
  root->Update(IMEvent(root.get(), IM_EVENT_UPDATE));
  EXPECT_EQ(scene->ropeY, 10);
  EXPECT_EQ(scene->clicks, 3);
  Wheel(120);
  EXPECT_EQ(scene->ropeY, 20);
  EXPECT_TRUE(EqualRect(scene->magnet->GetRect(), RECT{135, 155, 251, 252}));
}

}  // namespace
