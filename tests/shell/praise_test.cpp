// The praise after the last plate: the cloud with one of five voiced clips, chosen by the
// random generator, and the end of the clip closing the praise and then the exercise.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/controls/animation.h"
#include "framework/resources/resource_manager.h"
#include "framework/views/theora_view.h"
#include "support/course.h"

namespace {

namespace headless = platform::headless;

const wchar_t* const kVoices[] = {L"bravo_sound", L"gotovo_sound", L"molodec_sound", L"otlichno_sound",
                                  L"ura_sound"};

class PraiseTest : public ::testing::Test {
 protected:
  // The voice now playing, by its pair number, or -1.
  int PlayingVoice() {
    IMResourceManager* rm = IMResourceManager::Instance();
    int playing = -1;
    for (int i = 0; i < 5; ++i) {
      const unsigned id = rm->FindSound(kVoices[i]);
      if (id && rm->IsPlaying(id)) playing = playing == -1 ? i : -2;
    }
    return playing;
  }
  void StopVoices() {
    IMResourceManager* rm = IMResourceManager::Instance();
    for (const wchar_t* voice : kVoices) rm->Stop(rm->FindSound(voice));
  }
  // The clip plays at 12 frames a second: a tenth of a second at a time until `done`.
  template <class Done>
  void PlayUntil(Done done) {
    for (int i = 0; i < 100 && !done(); ++i) {
      headless::AdvanceMs(100);
      course.Pump();
    }
  }

  course::DataFolder data;
  course::Driver<> course;
  App* app = course.app;
};

TEST_F(PraiseTest, TheCloudFramesTheClipAndItsEndClosesThePraiseThenTheExercise) {
  course.ToTheHangar();
  IMDialog* exercise = app->stateDialog;
  platform::SeedRand(1);  // the generator's first value, 41, picks pair 0
  app->ShowPraise(137, 100);
  course.Pump();
  IMDialog* praise = course.ScreenAt(400, 300);
  ASSERT_NE(praise, exercise) << "the praise lies over the exercise and takes its input";
  const std::vector<IMControl*> parts = praise->GetChildren();
  ASSERT_EQ(parts.size(), 2u);
  auto* clip = dynamic_cast<IMAnimationBase<IMTheoraView>*>(parts[0]);
  ASSERT_NE(clip, nullptr) << "the clip first, so the cloud is drawn over it";
  const RECT clipRect = clip->GetRect();
  const RECT cloudRect = parts[1]->GetRect();
  EXPECT_TRUE(EqualRect(clipRect, RECT{230, 176, 550, 376}));
  EXPECT_TRUE(EqualRect(cloudRect, RECT{137, 100, 643, 450}));
  EXPECT_EQ(PlayingVoice(), 0);
  EXPECT_EQ(course::Golden(__FILE__, "praise_first_frame"), "") << "the clip's first frame at once";

  std::vector<std::string> closed;
  praise->ConnectOnClose([&](const IMEvent&) { closed.push_back("praise"); return 0L; });
  exercise->ConnectOnClose([&](const IMEvent&) { closed.push_back("exercise"); return 0L; });
  PlayUntil([&] { return !closed.empty(); });
  EXPECT_EQ(closed, (std::vector<std::string>{"praise", "exercise"}));
  EXPECT_EQ(app->stateDialog, nullptr);
  EXPECT_FALSE(app->window->HasChild(praise));
  EXPECT_EQ(app->stateName, L"Dialog1") << "the results screen follows";
}

TEST_F(PraiseTest, EachPraisePicksItsPairFromTheNextRandomValue) {
  course.ToTheHangar();
  // srand(1) gives 41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464: the
  // pair is the integer part of r * 5 / 32768.
  const std::vector<int> expected = {0, 2, 0, 4, 2, 2, 1, 4, 4, 3};
  platform::SeedRand(1);
  std::vector<int> picked;
  for (size_t i = 0; i < expected.size(); ++i) {
    StopVoices();
    course.Pump();
    app->ShowPraise(137, 100);
    course.Pump();
    picked.push_back(PlayingVoice());
    IMDialog* praise = course.ScreenAt(400, 300);
    PlayUntil([&] { return !app->window->HasChild(praise); });
  }
  EXPECT_EQ(picked, expected);
}

}  // namespace
