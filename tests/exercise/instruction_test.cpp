// The voiced instruction as the pupil meets it after Start: the voice plays, its labels drive
// the demonstration on the instruction's own hangar, and Space ends it once the ending shows.

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "exercise/hangar_scene.h"
#include "framework/controls/animation.h"
#include "framework/resources/resource_manager.h"
#include "support/course.h"

namespace {

namespace headless = platform::headless;

class VoicedInstructionTest : public ::testing::Test {
 protected:
  // Start from the information screen: the instruction's dialog is the screen on top.
  void Start() {
    app->ShowInfoScreen();
    course.Pump();
    course.Type(L"Маша");
    course.Key(VK_RETURN);
    ASSERT_TRUE(app->instructionOpen);
    playStart = headless::NowMs();
    instruction = course.ScreenAt(400, 300);
    ASSERT_NE(instruction, nullptr);
    for (IMControl* child : instruction->GetChildren()) {
      if (auto* found = dynamic_cast<HangarScene*>(child)) scene = found;
    }
    ASSERT_NE(scene, nullptr);
    ASSERT_NE(scene, app->GetExerciseScene());
  }
  // The voice's playing time reaches `ms`: its due labels fire in the idle pass.
  void At(unsigned long ms) {
    headless::SetTimeMs(playStart + ms);
    course.Pump();
  }
  bool Registered(const wchar_t* texture) const {
    const IMResourceManager* rm = IMResourceManager::Instance();
    return rm->FindTexture(texture) != kNoTexture;
  }
  std::vector<IMControl*> InLayer(int layer) const {
    std::vector<IMControl*> found;
    for (IMControl* child : instruction->GetChildren()) {
      if (instruction->GetChildLayer(child) == layer) found.push_back(child);
    }
    return found;
  }
  // The mouse hints playing, oldest first: each one's end frame (7 for a wheel turn, 2 for one
  // wheel press) and the frame it shows.
  std::vector<std::pair<int, int>> Hints() const {
    std::vector<std::pair<int, int>> hints;
    for (IMControl* child : InLayer(21)) {
      if (auto* hint = dynamic_cast<IMAnimationBase<IMSequenceView>*>(child)) {
        hints.emplace_back(hint->GetEndFrame(), hint->GetFrame());
      }
    }
    return hints;
  }

  course::DataFolder data;
  course::Driver<> course;
  App* app = course.app;
  std::uint64_t playStart = 0;
  IMDialog* instruction = nullptr;
  HangarScene* scene = nullptr;
};

TEST_F(VoicedInstructionTest, TheDemonstrationRunsOnTheVoicesLabelsAndSpaceEndsIt) {
  Start();
  EXPECT_FALSE(headless::IsCursorVisible());
  EXPECT_EQ(scene->ropeY, 110) << "the magnet hangs one step lower at once";
  EXPECT_TRUE(Registered(L"MOUSE_B_ROT1")) << "the wheel-turn hint";
  EXPECT_EQ(course::Golden(__FILE__, "instruction_magnet_lowered"), "");

  // Up and down again, one position each 100 ms; nothing moves between the labels.
  At(12317);
  EXPECT_EQ(scene->ropeY, 110);
  EXPECT_TRUE(Hints().empty()) << "the first hint has played out";
  using Hint = std::pair<int, int>;
  const int rope[] = {110, 85, 60, 35, 10, 35, 60, 85};
  for (int k = 0; k < 8; ++k) {
    At(12318 + 100 * k);
    EXPECT_EQ(scene->ropeY, rope[k]) << "step " << k;
    if (k == 0) {
      EXPECT_EQ(Hints(), std::vector<Hint>{Hint(7, 0)}) << "a wheel-turn hint with the first step";
    }
    At(12318 + 100 * k + 99);
    EXPECT_EQ(scene->ropeY, rope[k]) << "between steps " << k;
  }
  EXPECT_EQ(scene->craneX, 135);
  // Another wheel-turn hint, from its first frame, while the one before is at its fourth.
  At(13409);
  EXPECT_EQ(Hints(), std::vector<Hint>{Hint(7, 3)});
  At(13410);
  EXPECT_EQ(Hints(), (std::vector<Hint>{Hint(7, 3), Hint(7, 0)}));

  // The arrows turn with the first horizontal step; the crane goes right and back.
  At(14067);
  EXPECT_FLOAT_EQ(scene->arrows->angle, 0.0f);
  const int crane[] = {125, 150, 175, 200, 225, 200, 175, 150};
  for (int k = 0; k < 8; ++k) {
    At(14068 + 100 * k);
    EXPECT_EQ(scene->craneX, crane[k]) << "step " << k;
    EXPECT_FLOAT_EQ(scene->arrows->angle, 1.5707964f);
    if (k == 4) {
      EXPECT_EQ(course::Golden(__FILE__, "instruction_crane_moved"), "");
    }
  }
  EXPECT_TRUE(scene->verticalMode) << "the arrows show the other mode, the scene stays in its own";
  EXPECT_EQ(scene->ropeY, 85);

  // Space before the ending is not the instruction's to take.
  course.Key(VK_SPACE);
  EXPECT_TRUE(app->instructionOpen);

  At(19793);
  EXPECT_FALSE(Registered(L"MOUSE_B_CL"));
  At(19794);
  EXPECT_TRUE(Registered(L"MOUSE_B_CL")) << "the wheel-press hint";

  At(20999);
  EXPECT_TRUE(InLayer(30).empty());
  At(21000);
  EXPECT_TRUE(scene->arrows->IsHidden());
  ASSERT_EQ(InLayer(30).size(), 1u) << "the task card over the scene";

  At(28999);
  EXPECT_TRUE(InLayer(1000).empty());
  At(29000);
  const std::vector<IMControl*> ending = InLayer(1000);
  ASSERT_EQ(ending.size(), 3u) << "keyboard, mouse and the Space key";
  EXPECT_EQ(course::Golden(__FILE__, "instruction_ending"), "");
  // The Space key blinks every 500 ms.
  IMControl* space = ending[2];
  std::vector<bool> hidden;
  for (int n = 1; n <= 4; ++n) {
    At(29000 + 500 * n);
    hidden.push_back(space->IsHidden());
  }
  EXPECT_EQ(hidden, (std::vector<bool>{true, false, true, false}));

  // Space ends it: the exercise starts on its own scene, the cursor shows again.
  course.Key(VK_SPACE);
  EXPECT_FALSE(app->instructionOpen);
  ASSERT_NE(app->stateDialog, nullptr);
  EXPECT_NE(app->GetExerciseScene(), nullptr);
  EXPECT_EQ(course.ScreenAt(400, 300), app->stateDialog);
  EXPECT_TRUE(headless::IsCursorVisible());
  EXPECT_FALSE(app->window->HasChild(instruction)) << "the instruction is gone with its voice";
}

// Set before the application opens its sound output.
struct NoSoundDevice {
  NoSoundDevice() {
    headless::SetSoundDeviceAvailable(false);
    headless::ClearSoundsHeard();
  }
  ~NoSoundDevice() { headless::SetSoundDeviceAvailable(true); }
};
class SilentInstructionTest : public NoSoundDevice, public VoicedInstructionTest {};

// Without a sound device the voice plays unheard, and its labels still lead the
// demonstration to its ending on time.
TEST_F(SilentInstructionTest, TheDemonstrationRunsToItsEndingWithoutASoundDevice) {
  Start();
  At(12418);
  EXPECT_EQ(scene->ropeY, 85);
  At(14468);
  EXPECT_EQ(scene->craneX, 225);
  At(28999);
  EXPECT_TRUE(InLayer(1000).empty());
  At(29000);
  EXPECT_EQ(InLayer(1000).size(), 3u) << "keyboard, mouse and the Space key";
  course.Key(VK_SPACE);
  EXPECT_FALSE(app->instructionOpen);
  EXPECT_TRUE(headless::SoundsHeard().empty());
}

}  // namespace
