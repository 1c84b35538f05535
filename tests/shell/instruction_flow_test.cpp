// The instruction around the exercise: Esc and Space close it, F1 repeats it and counts.

#include <gtest/gtest.h>

#include "exercise/app.h"
#include "framework/platform/headless/headless.h"
#include "framework/platform/platform.h"
#include "shell/instruction_ending.h"

namespace {

namespace headless = platform::headless;

// The shell's own instruction screen, as an exercise without a voiced instruction has it.
class PlainApp : public IMApp<PlainApp> {
 public:
  void Init() override {
    AddState(L"Dialog1", [this](IMDialog* dialog) { exercise = dialog; });
  }
  IMDialog* exercise = nullptr;
};

class InstructionFlowTest : public ::testing::Test {
 protected:
  InstructionFlowTest() {
    headless::Reset();
    headless::SetCursorPos(400, 300);
    app = PlainApp::Instance(L"04517 Игра «Тиморвал»", false);
  }
  ~InstructionFlowTest() override {
    app->window->OnClose(IMEvent(app->window, IM_EVENT_CLOSE));
    PlainApp::Release();
    headless::Reset();
  }
  void Pump() {
    headless::SetIdleHook([] { platform::PostQuitMessage(0); });
    IMWindow::Run(app->window);
  }
  void Key(WPARAM vk) {
    platform::PostMessage(IMWindow::Handle(), WM_KEYDOWN, vk, 0);
    platform::PostMessage(IMWindow::Handle(), WM_KEYUP, vk, 0);
    Pump();
  }

  PlainApp* app;
};

TEST_F(InstructionFlowTest, EscClosesTheFirstInstructionAndTheExerciseStarts) {
  const std::size_t timers = app->window->TimerCount();
  app->StartExercise();
  Pump();
  EXPECT_TRUE(app->instructionOpen);
  Key(VK_F1);  // ignored while an instruction is open
  EXPECT_EQ(app->exercise, nullptr);
  Key(VK_ESCAPE);
  EXPECT_FALSE(app->instructionOpen);
  ASSERT_NE(app->exercise, nullptr);
  EXPECT_EQ(app->extraInstructionCount, 0);
  EXPECT_EQ(app->window->TimerCount(), timers) << "the five-second timer goes with the screen";
}

TEST_F(InstructionFlowTest, PlainInstructionClosesItselfAfterFiveSecondsAndF1ShowsItAgain) {
  const std::size_t timers = app->window->TimerCount();
  app->StartExercise();
  Pump();
  headless::AdvanceMs(4999);
  Pump();
  EXPECT_EQ(app->exercise, nullptr);
  headless::AdvanceMs(1);
  Pump();
  EXPECT_NE(app->exercise, nullptr);
  EXPECT_EQ(app->window->TimerCount(), timers);
  EXPECT_FALSE(app->instructionOpen) << "the instruction has ended";
  Key(VK_F1);
  EXPECT_TRUE(app->instructionOpen);
  EXPECT_EQ(app->extraInstructionCount, 1);
  headless::AdvanceMs(5000);
  Pump();
  EXPECT_FALSE(app->instructionOpen);
  EXPECT_EQ(app->window->TimerCount(), timers) << "the repeated one's timer went with it too";
  Key(VK_F1);
  EXPECT_EQ(app->extraInstructionCount, 2);
}

TEST_F(InstructionFlowTest, F1DuringTheExerciseRepeatsItAndTheNextKeyClosesIt) {
  app->StartExercise();
  Key(VK_ESCAPE);
  ASSERT_NE(app->exercise, nullptr);
  Key(VK_F1);
  EXPECT_TRUE(app->instructionOpen);  // the F1 itself did not close it
  EXPECT_EQ(app->extraInstructionCount, 1);
  Key('Q');
  EXPECT_FALSE(app->instructionOpen);
  Key(VK_F1);
  Key(VK_SPACE);
  EXPECT_EQ(app->extraInstructionCount, 2);
  EXPECT_FALSE(app->instructionOpen);
}

TEST_F(InstructionFlowTest, EndingBlinksTheSpaceKeyAndSpaceEndsTheInstruction) {
  app->instructionOpen = true;
  const std::size_t timers = app->window->TimerCount();
  auto* dialog = new IMDialog(app->window, nullptr, 0);
  bool closed = false;
  dialog->ConnectOnClose([&](const IMEvent&) { closed = true; return 0L; });
  ShowInstructionEnding(app, dialog);
  Pump();
  IMControl* space = nullptr;
  // The Space key picture is the last one added, at (237, 502).
  dialog->OnMouseMove(IMMouseEvent(app->window, WM_MOUSEMOVE, 0, 240, 505));
  space = dialog->GetHoveredChild();
  ASSERT_NE(space, nullptr);
  EXPECT_FALSE(space->IsHidden());
  headless::AdvanceMs(500);
  Pump();
  EXPECT_TRUE(space->IsHidden());
  headless::AdvanceMs(500);
  Pump();
  EXPECT_FALSE(space->IsHidden());

  Key(VK_SPACE);
  EXPECT_TRUE(closed);
  EXPECT_FALSE(app->instructionOpen);
  EXPECT_EQ(app->window->TimerCount(), timers) << "the blinking's timer goes with the dialog";
}

TEST_F(InstructionFlowTest, ABlinkingTimerGoesWithTheControlOrTheStopperHoweverEitherGoes) {
  const std::size_t timers = app->window->TimerCount();
  auto* stopper = new IMDialog(app->window, nullptr, 0);
  IMControl* target = stopper->AddPicture(0, 0, L"EscButton", 0, 0xFFFFFFFF);
  StartBlinking(target, stopper);
  headless::AdvanceMs(500);
  Pump();
  EXPECT_TRUE(target->IsHidden());
  target->Close();  // the control on its own: at once
  EXPECT_EQ(app->window->TimerCount(), timers);

  // A stopper closed as part of its parent fires no close of its own; once it is deleted, the
  // next firing finds the blinking cut and takes the timer away.
  stopper->Close();
  auto* parent = new IMDialog(app->window, nullptr, 0);
  auto* inner = new IMDialog(parent, nullptr, 0);
  StartBlinking(inner->AddPicture(0, 0, L"EscButton", 0, 0xFFFFFFFF), inner);
  parent->Close();
  Pump();
  headless::AdvanceMs(500);
  Pump();
  EXPECT_EQ(app->window->TimerCount(), timers);
}

}  // namespace
