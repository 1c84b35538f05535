#pragma once
// The hangar on one dialog: a crane on a rail, a magnet on its rope, six plates and a wagon
// behind a wall. Each dialog gets a scene object of its own, a hidden child that the dialog
// deletes with itself, so a demonstration can never disturb the exercise's crane.

#include <cstdint>
#include <vector>

#include "framework/controls/dialog.h"
#include "framework/controls/picture.h"
#include "framework/views/texture_view.h"

class App;
using IMPicture = IMStaticPictureBase<IMTextureView>;

class HangarScene : public IMViewControl<IMEmptyView> {
 public:
  static constexpr int kCraneMinX = 62;
  static constexpr int kCraneMaxX = 614;
  static constexpr int kMagnetTopAtRest = 135;
  static constexpr int kPickUpSlack = 5;
  static constexpr int kPickUpMaxOffset = 16;
  static constexpr RECT kWagonZone{480, 359, 698, 390};

  // Builds the scene on the dialog and resets the crane. Only the exercise listens to the
  // mouse and starts timing deliveries.
  HangarScene(App* app, IMDialog* dialog, bool instructionMode);
  ~HangarScene() override;

  long OnSceneClose(const IMEvent& e);
  long OnMouseEvent(const IMMouseEvent& e);
  void MoveVertical(bool up);
  void MoveHorizontal(bool right);
  void PlaceCrane(int x, int y);
  bool IsPositionFree(int x, int y) const;
  void TryPickUpPlate();
  void TryDropPlate();
  void OnPlateDelivered();

  bool verticalMode = true;
  int craneX = 135;
  int ropeY = 0;
  int step = 10;
  int carriedPlate = -1;
  int carriedOffset = 0;
  std::uint32_t maskTexture = 0;
  IMPicture* trolley = nullptr;
  IMPicture* magnet = nullptr;
  IMPicture* rope = nullptr;
  std::vector<IMPicture*> plates;
  IMPicture* arrows = nullptr;
  int clicks = 0;
  std::vector<std::uint32_t> deliveryTimes;

 private:
  // Whether any opaque texel of the picture, placed at (left, top), lies on a blocking
  // texel of the mask. Texels outside the mask block.
  bool HitsMask(const IMPicture* picture, int left, int top) const;

  App* app_;
  bool instructionMode_;
  bool maskHeld_ = false;
};
