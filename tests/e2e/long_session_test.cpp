// A whole school day at one computer: the instruction runs to its end and the exit menu's Retry
// starts again, over and over. Nothing may pile up: timers, controls, textures, sound workers.

#include <gtest/gtest.h>

#include <cstddef>
#include <ostream>

#include "exercise/app.h"
#include "framework/platform/headless/headless.h"
#include "framework/platform/platform.h"
#include "shell/instruction_ending.h"

namespace {

namespace headless = platform::headless;

// The voiced demonstration builds two hangar scenes a run, whose large textures dominate the
// time; the shell's own instruction is cheaper. Under a sanitizer, which looks for faults rather
// than growth, a fifth of the runs.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kShare = 5;
#else
constexpr int kShare = 1;
#endif
constexpr int kVoicedRuns = 200 / kShare;
constexpr int kPlainRuns = 2000 / kShare;

struct Counts {
  std::size_t timers = 0;
  std::size_t controls = 0;
  std::size_t textures = 0;
  int soundWorkers = 0;
  bool operator==(const Counts&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Counts& c) {
  return out << "{timers " << c.timers << ", controls " << c.controls << ", textures " << c.textures
             << ", sound workers " << c.soundWorkers << "}";
}

// An exercise with the shell's own instruction screen, ended the way a voiced one ends.
class PlainApp : public IMApp<PlainApp> {
 public:
  void Init() override {
    AddState(L"Dialog1", [](IMDialog*) {});
  }
  void ShowInstruction(IMDialog* dialog) override {
    IMApp::ShowInstruction(dialog);
    ShowInstructionEnding(this, dialog);
  }
};

template <class T>
class LongSession : public ::testing::Test {
 protected:
  LongSession() {
    headless::Reset();
    headless::SetCursorPos(400, 300);
    app = T::Instance(L"04517 Игра «Тиморвал»", false);
    app->ShowInfoScreen();
    Pump();
  }
  ~LongSession() override {
    app->window->OnClose(IMEvent(app->window, IM_EVENT_CLOSE));
    T::Release();
    headless::Reset();
  }

  void Pump() {
    headless::SetIdleHook([] { platform::PostQuitMessage(0); });
    IMWindow::Run(app->window);
  }
  void Post(UINT message, WPARAM wParam, LPARAM lParam = 0) {
    platform::PostMessage(IMWindow::Handle(), message, wParam, lParam);
  }
  void Send(UINT message, WPARAM wParam) {
    Post(message, wParam);
    Pump();
  }
  void Wait(std::uint64_t ms) {
    headless::AdvanceMs(ms);
    headless::StepSoundWorkers();
    Pump();
  }
  // During the exercise: F12, then a click on Retry in the exit menu, all taken in one go (each
  // idle pass draws a frame, and frames are what a long session costs); the information screen
  // again.
  void Retry() {
    ASSERT_NE(app->stateDialog, nullptr);
    Post(WM_KEYDOWN, VK_F12);
    Post(WM_MOUSEMOVE, 0, MAKELPARAM(400, 240));
    Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(400, 240));
    Post(WM_LBUTTONUP, 0, MAKELPARAM(400, 240));
    Pump();
    ASSERT_EQ(app->stateDialog, nullptr);
    Wait(1);  // the closed screens are deleted in the idle pass
  }

  // Each run: Enter on the information screen, `instruction` into the exercise, then Retry.
  // What the first run leaves must be all that any later run leaves.
  template <class Instruction>
  void Session(int runs, Instruction instruction) {
    Counts first;
    for (int run = 0; run < runs; ++run) {
      Send(WM_KEYDOWN, VK_RETURN);
      ASSERT_TRUE(app->instructionOpen) << run;
      instruction(run);
      Retry();
      if (HasFatalFailure()) return;
      if (run == 0) first = Now();
      ASSERT_EQ(Now(), first) << "after run " << run + 1;
    }
  }

  Counts Now() const {
    const IMResourceManager* rm = IMResourceManager::Instance();
    Counts c{app->window->TimerCount(), IMControl::LiveCount(), 0, headless::LiveSoundWorkers()};
    for (std::uint32_t id = 0; id < rm->GetIdCount(); ++id) c.textures += rm->GetTextureRecord(id) != nullptr;
    return c;
  }

  T* app;
};

using VoicedSession = LongSession<App>;
using PlainSession = LongSession<PlainApp>;

// The voiced demonstration to its end, with the Space key blinking; Space into the exercise.
TEST_F(VoicedSession, HundredsOfVoicedInstructionsAndRetriesLeaveNothingBehind) {
  Session(kVoicedRuns, [this](int) {
    Wait(29000);
    Wait(500);
    Send(WM_KEYDOWN, VK_SPACE);
    ASSERT_FALSE(app->instructionOpen);
  });
}

// Space ends the instruction, or it closes itself after five seconds, in turn.
TEST_F(PlainSession, ThousandsOfPlainInstructionsAndRetriesLeaveNothingBehind) {
  Session(kPlainRuns, [this](int run) {
    Wait(500);
    if (run % 2 == 0) {
      Send(WM_KEYDOWN, VK_SPACE);
    } else {
      Wait(4500);
    }
  });
}

}  // namespace
