#include "framework/views/mouse_hint.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "framework/platform/headless/headless.h"
#include "framework/platform/platform.h"
#include "framework/resources/resource_manager.h"

namespace {

using platform::headless::SoundsHeard;

// A screen that lets the test find the hint's two controls by their layers.
class Screen : public IMDialog {
 public:
  Screen() : IMDialog(nullptr, nullptr, 0) {}
  IMControl* OnLayer(int layer) const {
    const auto it = layers_.find(layer);
    return it == layers_.end() || it->second.empty() ? nullptr : it->second.back();
  }
  IMAnimationBase<IMSequenceView>* Hint() const {
    return dynamic_cast<IMAnimationBase<IMSequenceView>*>(OnLayer(21));
  }
};

class MouseHintTest : public ::testing::Test {
 protected:
  MouseHintTest() {
    platform::headless::Reset();
    platform::headless::ClearSoundsHeard();
    // Sound workers write their lines from their own threads.
    platform::SetDebugSink([this](const std::wstring& text) {
      std::lock_guard lock(debugMutex);
      debug += text;
    });
    IMResourceManager::Create(false);
    rm = IMResourceManager::Instance();
    screen = std::make_unique<Screen>();
  }
  ~MouseHintTest() override {
    screen->OnClose(IMEvent(screen.get(), IM_EVENT_CLOSE));
    screen.reset();
    IMResourceManager::Destroy();
    platform::SetDebugSink(nullptr);
    platform::headless::Reset();
  }

  // The name of the picture the hint shows after an idle pass at `ms`; empty once it is gone.
  std::wstring ShownAt(std::uint64_t ms) {
    platform::headless::SetTimeMs(ms);
    platform::headless::StepSoundWorkers();
    screen->Update(IMEvent(screen.get(), IM_EVENT_UPDATE));
    IMAnimationBase<IMSequenceView>* hint = screen->Hint();
    return hint ? rm->GetTextureRecord(hint->GetTextureId())->name : L"";
  }
  // One pass in the middle of each third of a second, the hint's frame period.
  std::vector<std::wstring> Frames() {
    std::vector<std::wstring> shown;
    for (int third = 0; third < 30; ++third) {
      const std::wstring name = ShownAt(static_cast<std::uint64_t>(third) * 1000 / 3 + 150);
      if (name.empty()) break;
      shown.push_back(name);
    }
    return shown;
  }
  // Times a sound was started.
  int Started() {
    std::lock_guard lock(debugMutex);
    int count = 0;
    for (std::size_t at = debug.find(L" звук играет\n"); at != std::wstring::npos;
         at = debug.find(L" звук играет\n", at + 1)) {
      ++count;
    }
    return count;
  }
  bool Registered(const wchar_t* name) const { return rm->FindTexture(name) != kNoTexture; }

  IMResourceManager* rm = nullptr;
  std::unique_ptr<Screen> screen;
  std::mutex debugMutex;
  std::wstring debug;
};

TEST_F(MouseHintTest, WheelTurnShowsTheTurningWheelThreeTimesSilentlyAndRemovesItself) {
  ShowMouseHint(screen.get(), kMouseHintWheelTurn, 0, 0);
  IMAnimationBase<IMSequenceView>* hint = screen->Hint();
  ASSERT_NE(hint, nullptr);
  EXPECT_EQ(hint->period, 20000) << "3 frames a second";
  EXPECT_EQ(hint->GetEndFrame(), 7);
  EXPECT_TRUE(EqualRect(hint->GetRect(), RECT{554, 354, 800, 600}));
  IMControl* plain = screen->OnLayer(20);
  ASSERT_NE(plain, nullptr);
  EXPECT_TRUE(EqualRect(plain->GetRect(), RECT{554, 354, 800, 600})) << "the 246 x 246 mouse underneath";

  EXPECT_EQ(Frames(), (std::vector<std::wstring>{L"MOUSE", L"MOUSE_B", L"MOUSE_B_ROT1", L"MOUSE_B_ROT2",
                                                 L"MOUSE_B_ROT1", L"MOUSE_B_ROT2", L"MOUSE_B_ROT1", L"MOUSE_B_ROT2"}));
  EXPECT_EQ(g_MouseHintFrameCounter, 8);
  EXPECT_EQ(platform::headless::NowMs(), 8u * 1000 / 3 + 150) << "gone at the first pass after eight periods";
  EXPECT_EQ(screen->OnLayer(20), nullptr);
  for (const wchar_t* name : {L"MOUSE", L"MOUSE_B", L"MOUSE_B_ROT1", L"MOUSE_B_ROT2"}) {
    EXPECT_FALSE(Registered(name)) << "every picture given back";
  }
  const auto heard = SoundsHeard();
  ASSERT_EQ(heard.size(), 1u) << "the click is registered all the same";
  EXPECT_TRUE(heard[0].samples.empty());
}

TEST_F(MouseHintTest, WheelPressClicksWhenTheWheelGoesDown) {
  ShowMouseHint(screen.get(), kMouseHintWheelClick, 1, 0);
  EXPECT_EQ(screen->Hint()->GetEndFrame(), 2);
  EXPECT_EQ(ShownAt(150), L"MOUSE");
  EXPECT_EQ(Started(), 0);
  EXPECT_EQ(ShownAt(480), L"MOUSE_B");
  EXPECT_EQ(Started(), 1) << "the click starts with the wheel frame";
  EXPECT_EQ(ShownAt(820), L"MOUSE_B_CL");
  EXPECT_TRUE(SoundsHeard()[0].playing);
  EXPECT_EQ(ShownAt(1150), L"");
  EXPECT_FALSE(Registered(L"MOUSE_B_CL"));
  const auto samples = SoundsHeard()[0].samples;
  EXPECT_TRUE(std::any_of(samples.begin(), samples.end(), [](std::int16_t s) { return s > 1000 || s < -1000; }))
      << "and is heard";
}

TEST_F(MouseHintTest, AClickStillSoundingStartsAgain) {
  ShowMouseHint(screen.get(), kMouseHintWheelClick, 2, 0);
  EXPECT_EQ(Frames(), (std::vector<std::wstring>{L"MOUSE", L"MOUSE_B", L"MOUSE_B_CL", L"MOUSE_B", L"MOUSE_B_CL"}));
  EXPECT_EQ(Started(), 2);
  // Clicks at frames 1 and 3; the first still plays at the second.
  std::lock_guard lock(debugMutex);
  EXPECT_EQ(debug.find(L" звук стой\n"), debug.rfind(L" звук стой\n"));
  EXPECT_NE(debug.find(L" звук стой\n"), std::wstring::npos);
}

TEST_F(MouseHintTest, AHintWhoseDialogClosesFirstGivesItsPicturesBackWithIt) {
  // Esc in the middle of the instruction: its dialog goes with the hint still running.
  auto* instruction = new IMDialog(screen.get(), nullptr, 0);
  ShowMouseHint(instruction, kMouseHintWheelTurn, 0, 0);
  ShownAt(150);
  ShownAt(480);
  ShownAt(820);
  instruction->Close();
  ShownAt(900);  // the screen's next pass deletes the dialog and the hint with it
  ASSERT_FALSE(screen->HasChild(instruction));
  for (const wchar_t* name : {L"MOUSE", L"MOUSE_B", L"MOUSE_B_ROT1", L"MOUSE_B_ROT2"}) {
    EXPECT_FALSE(Registered(name)) << name;
  }

  // A kind the hint does not know never finishes; its plain mouse goes with the dialog too.
  auto* other = new IMDialog(screen.get(), nullptr, 0);
  ShowMouseHint(other, 9, 0, 0);
  EXPECT_TRUE(Registered(L"MOUSE"));
  other->Close();
  ShownAt(2000);
  EXPECT_FALSE(Registered(L"MOUSE"));
}

}  // namespace
