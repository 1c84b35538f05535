#include "framework/window/window.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/controls/animation.h"
#include "framework/platform/message_queue.h"
#include "framework/platform/headless/headless.h"
#include "framework/platform/system_window.h"
#include "media/embedded.h"
#include "support/tree_fixture.h"

namespace {

namespace headless = platform::headless;
using test::Box;

// A device that can be lost, and records the frame calls in order.
class FrameDevice : public test::RecordingDevice {
 public:
  HRESULT TestCooperativeLevel() override { return lost ? 1 : D3D_OK; }
  HRESULT Clear(DWORD, const RECT*, DWORD, DWORD color, float, DWORD) override {
    calls.push_back("clear " + std::to_string(color));
    return D3D_OK;
  }
  HRESULT BeginScene() override {
    calls.push_back("begin");
    return D3D_OK;
  }
  HRESULT EndScene() override {
    calls.push_back("end");
    return D3D_OK;
  }
  HRESULT Present(const RECT*) override {
    calls.push_back("present");
    return D3D_OK;
  }

  bool lost = false;
  std::vector<std::string> calls;
};

// The main window over a headless system window, with the window procedure wired as the
// program wires it, but a device the test controls.
class MainWindow : public IMWindow {
 public:
  MainWindow() {
    platform::RegisterClass(platform::WindowClass{kWindowClassName, &IMWindow::WindowProc, platform::CS_DBLCLKS});
    handle_ = platform::CreateWindow(platform::WindowSpec{kWindowClassName, L"test", false, 0, 0, 800, 600});
  }
  ~MainWindow() override {
    platform::DestroyWindow(handle_);
    platform::UnregisterClass(kWindowClassName);
    handle_ = nullptr;
  }
};

// The main window over the headless window and the software device, as the program has them.
class WindowTest : public ::testing::Test {
 protected:
  WindowTest() {
    headless::Reset();
    window = std::make_unique<MainWindow>();
    IMResourceManager::Create(false, IMWindow::Handle());
    box = new Box(window.get(), RECT{0, 0, 100, 100});
  }
  ~WindowTest() override {
    window->OnClose(IMEvent(window.get(), IM_EVENT_CLOSE));
    window.reset();
    IMResourceManager::Destroy();
    headless::Reset();
  }

  std::uint64_t Presented() const { return headless::PresentedFrame().presentCount; }
  std::uint32_t Frames() const { return IMResourceManager::Instance()->frameCount; }

  void Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    platform::PostMessage(IMWindow::Handle(), message, wParam, lParam);
  }
  // Runs the loop until the queue is drained and one idle pass has been made.
  void RunUntilIdle() {
    headless::SetIdleHook([] { platform::PostQuitMessage(0); });
    IMWindow::Run(window.get());
    headless::SetIdleHook(nullptr);
  }

  std::unique_ptr<MainWindow> window;
  Box* box;
};

// The frame's calls in order, on a device that records them.
class RenderFrameTest : public ::testing::Test {
 protected:
  RenderFrameTest() : manager(&device, 800, 600) {
    headless::Reset();
    window = std::make_unique<MainWindow>();
    box = new Box(window.get(), RECT{0, 0, 100, 100});
  }
  ~RenderFrameTest() override {
    window->OnClose(IMEvent(window.get(), IM_EVENT_CLOSE));
    window.reset();
  }

  FrameDevice device;
  IMResourceManager manager;
  std::unique_ptr<MainWindow> window;
  Box* box;
};

TEST_F(RenderFrameTest, ClearsDrawsCountsPresentsAndCleans) {
  std::vector<std::string>& calls = device.calls;
  box->DrawSignal.connect([&](const IMEvent&) {
    calls.push_back("draw frame=" + std::to_string(manager.frameCount));
    return 0L;
  });
  window->RenderFrame();
  EXPECT_EQ(calls, (std::vector<std::string>{"clear 4278190080", "begin", "draw frame=0", "end", "present"}));
  EXPECT_EQ(manager.frameCount, 1u);
  EXPECT_FALSE(window->IsChanged());

  // Nothing changed: counted, not drawn.
  calls.clear();
  window->RenderFrame();
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(manager.frameCount, 2u);
}

TEST_F(WindowTest, MinimisedOrMovingWindowDrawsAndCountsNothing) {
  RunUntilIdle();
  for (auto [message, wParam] : {std::pair{WM_SIZE, SIZE_MINIMIZED}, std::pair{WM_ENTERSIZEMOVE, WPARAM{0}},
                                 std::pair{WM_SHOWWINDOW, WPARAM{0}}}) {
    platform::SendMessage(IMWindow::Handle(), message, wParam, 0);
    box->SetRect(RECT{0, 0, 50 + static_cast<int>(message), 50});
    std::uint64_t presented = Presented();
    std::uint32_t frames = Frames();
    RunUntilIdle();
    EXPECT_EQ(Presented(), presented) << message;
    EXPECT_EQ(Frames(), frames) << message;
    platform::SendMessage(IMWindow::Handle(), message == WM_ENTERSIZEMOVE ? WM_EXITSIZEMOVE : message,
                          message == WM_SIZE ? SIZE_RESTORED : 1, 0);
  }
  std::uint64_t presented = Presented();
  RunUntilIdle();
  EXPECT_EQ(Presented(), presented + 1);
}

TEST_F(WindowTest, PaintForcesOneFullRedraw) {
  RunUntilIdle();
  std::uint64_t presented = Presented();
  Post(WM_PAINT);
  RunUntilIdle();
  RunUntilIdle();
  EXPECT_EQ(Presented(), presented + 1);
}

TEST_F(WindowTest, LostDeviceDropsMovesButNotButtonsWheelOrKeys) {
  std::vector<UINT> seen;
  box->MouseMoveSignal.connect([&](const IMMouseEvent& e) { seen.push_back(e.message); return 0L; });
  box->ConnectOnMouse([&](const IMMouseEvent& e) { seen.push_back(e.message); return 0L; });
  window->ConnectOnKey([&](const IMKeyboardEvent& e) { seen.push_back(e.message); return 0L; });
  Post(WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  RunUntilIdle();
  seen.clear();

  headless::SetDeviceLost(true);
  std::uint64_t presented = Presented();
  box->SetRect(RECT{0, 0, 90, 90});
  Post(WM_MOUSEMOVE, 0, MAKELPARAM(11, 11));
  Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(11, 11));
  Post(WM_MOUSEWHEEL, MAKEWPARAM(0, 120), MAKELPARAM(11, 11));
  Post(WM_KEYDOWN, VK_SPACE, 0);
  RunUntilIdle();
  EXPECT_EQ(seen, (std::vector<UINT>{WM_LBUTTONDOWN, WM_MOUSEWHEEL, WM_KEYDOWN}));
  EXPECT_EQ(Presented(), presented);  // no update, no drawing while lost

  // Still lost: the paint restores nothing and draws nothing.
  Post(WM_PAINT);
  RunUntilIdle();
  EXPECT_EQ(Presented(), presented);

  headless::SetDeviceLost(false);
  Post(WM_PAINT);
  RunUntilIdle();
  EXPECT_EQ(Presented(), presented + 1);
}

TEST_F(WindowTest, RightAndMiddleDoubleClicksReachNoControl) {
  std::vector<UINT> seen;
  box->ConnectOnMouse([&](const IMMouseEvent& e) { seen.push_back(e.message); return 0L; });
  Post(WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  Post(WM_RBUTTONDBLCLK, MK_RBUTTON, MAKELPARAM(10, 10));
  Post(WM_MBUTTONDBLCLK, MK_MBUTTON, MAKELPARAM(10, 10));
  Post(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 10));
  RunUntilIdle();
  EXPECT_EQ(seen, std::vector<UINT>{WM_LBUTTONDBLCLK});
}

TEST_F(WindowTest, PointerLeavingAndEnteringTheClientAreaIsNoticedOnTheIdlePass) {
  std::vector<std::string> seen;
  box->ConnectOnMouseLeave([&](const IMMouseEvent&) { seen.push_back("box leave"); return 0L; });
  window->ConnectOnMouseEnter([&](const IMMouseEvent& e) {
    seen.push_back("enter " + std::to_string(e.x) + "," + std::to_string(e.y));
    return 0L;
  });
  window->ConnectOnMouseLeave([&](const IMMouseEvent&) { seen.push_back("leave"); return 0L; });

  headless::SetCursorPos(10, 10);
  Post(WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  RunUntilIdle();
  ASSERT_EQ(window->GetHoveredChild(), box);

  headless::SetCursorPos(900, 10);
  RunUntilIdle();
  EXPECT_EQ(window->GetHoveredChild(), nullptr);
  headless::SetCursorPos(20, 30);
  RunUntilIdle();
  EXPECT_EQ(seen, (std::vector<std::string>{"enter 10,10", "leave", "box leave", "enter 20,30"}));
}

TEST_F(WindowTest, LoopEndsOnQuitOnlyAfterThePostedMessages) {
  std::vector<WPARAM> keys;
  window->ConnectOnKey([&](const IMKeyboardEvent& e) { keys.push_back(e.wParam); return 0L; });
  Post(WM_KEYDOWN, 'A');
  platform::PostQuitMessage(0);
  Post(WM_KEYDOWN, 'B');
  IMWindow::Run(window.get());
  EXPECT_EQ(keys, (std::vector<WPARAM>{'A', 'B'}));
}

// The idle pass fires the timers, then sleeps until the next timer or animation frame is due,
// however far off, not at all while a change waits to be drawn, and for good when nothing is due.
TEST_F(WindowTest, IdleWaitLastsUntilTheNextThingIsDue) {
  RunUntilIdle();
  EXPECT_EQ(headless::LastWaitMs(), INFINITE);

  int fired = 0;
  const std::uint32_t timer = window->AddTimer(100);
  window->ConnectTimer(timer, [&](const IMEvent&) {
    ++fired;
    box->SetChanged(true);
    return 0L;
  });
  RunUntilIdle();
  EXPECT_EQ(headless::LastWaitMs(), 100u);
  headless::AdvanceMs(95);
  RunUntilIdle();
  EXPECT_EQ(headless::LastWaitMs(), 5u);
  headless::AdvanceTicks(headless::kTicksPerSecond / 2000);
  RunUntilIdle();
  EXPECT_EQ(headless::LastWaitMs(), 5u) << "rounded up, never woken before it is due";
  headless::AdvanceTicks(headless::kTicksPerSecond / 2000 * 9);
  RunUntilIdle();
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(headless::LastWaitMs(), 0u) << "the handler's change is drawn on the next pass";
  RunUntilIdle();
  EXPECT_EQ(headless::LastWaitMs(), 100u);
  window->RemoveTimer(timer);

  // Frames of 40 ms, started by a timer after the pass's update.
  auto* animation = new IMAnimationBase<IMSequenceView>(window.get());
  animation->AddFrame(L"EditBarKaretka");
  animation->AddFrame(L"DefaultBackGround");
  animation->SetEndFrame(1);
  const std::uint32_t start = window->AddTimer(0);
  window->ConnectTimer(start, [&](const IMEvent&) {
    animation->Play();
    window->RemoveTimer(start);
    return 0L;
  });
  RunUntilIdle();  // at 100 ms
  EXPECT_EQ(headless::LastWaitMs(), 0u) << "the first frame is the next pass's";
  RunUntilIdle();
  EXPECT_EQ(headless::LastWaitMs(), 40u);
  headless::AdvanceMs(30);
  RunUntilIdle();
  EXPECT_EQ(headless::LastWaitMs(), 10u);
  headless::AdvanceMs(10);
  RunUntilIdle();
  EXPECT_EQ(animation->GetFrame(), 1);
  headless::AdvanceMs(36);
  RunUntilIdle();
  EXPECT_EQ(headless::LastWaitMs(), 4u);
  headless::AdvanceMs(4);
  RunUntilIdle();  // past its end: finished, nothing more to wake for
  headless::AdvanceMs(1);
  RunUntilIdle();
  EXPECT_EQ(headless::LastWaitMs(), INFINITE);
}

// Asleep for good, the loop hears of what happens meanwhile through posts: the pointer leaving
// and entering the window, a key, a sound worker's message as its sound ends.
TEST_F(WindowTest, NothingDueTheLoopSleepsUntilAPostWakesIt) {
  std::vector<std::string> seen;
  window->ConnectOnMouseEnter([&](const IMMouseEvent&) { seen.push_back("enter"); return 0L; });
  window->ConnectOnMouseLeave([&](const IMMouseEvent&) { seen.push_back("leave"); return 0L; });
  window->ConnectOnKey([&](const IMKeyboardEvent&) { seen.push_back("key"); return 0L; });
  IMResourceManager* rm = IMResourceManager::Instance();
  const auto click = media::FindBuiltIn(L"MOUSE_CLICK_SOUND");
  const unsigned sound = rm->AddSoundFromMemory(L"click", click.data(), static_cast<unsigned>(click.size()));
  rm->GetStream(sound)->PauseSignal.connect([&](unsigned long) { seen.push_back("sound ended"); return 0L; });
  headless::SetCursorPos(10, 10);
  ASSERT_TRUE(rm->Play(sound));

  const std::vector<std::function<void()>> meanwhile{
      [] { headless::SetCursorPos(900, 10); },
      [] { headless::SetCursorPos(20, 30); },
      [&] { Post(WM_KEYDOWN, 'A'); },
      [] {
        for (int i = 0; i < 500 && headless::LiveSoundWorkers() > 0; ++i) {
          headless::AdvanceMs(20);
          headless::StepSoundWorkers();
        }
      },
  };
  std::size_t next = 0;
  headless::SetIdleHook([&] {
    if (next == meanwhile.size()) return platform::PostQuitMessage(0);
    EXPECT_EQ(headless::LastWaitMs(), INFINITE) << "before step " << next;
    meanwhile[next++]();
    EXPECT_FALSE(platform::MessageQueue::Instance().Empty()) << "nothing woke the loop at step " << next;
  });
  IMWindow::Run(window.get());
  EXPECT_EQ(seen, (std::vector<std::string>{"enter", "leave", "enter", "key", "sound ended"}));
}

TEST_F(WindowTest, SystemCloseFiresTheCloseSignalAndEndsTheLoop) {
  int closing = 0;
  int boxClosing = 0;
  window->ConnectOnClose([&](const IMEvent&) { ++closing; return 0L; });
  box->ConnectOnClose([&](const IMEvent&) { ++boxClosing; return 0L; });
  // Alt+F4 as the desktop delivers it.
  Post(WM_SYSKEYDOWN, VK_F4, 1 << 29);
  IMWindow::Run(window.get());
  EXPECT_EQ(closing, 1);
  EXPECT_EQ(boxClosing, 0);
  EXPECT_FALSE(platform::IsWindow(IMWindow::Handle()));
  // Posts to the window that is gone are dropped.
  Post(WM_KEYDOWN, 'C');
  platform::Message m;
  EXPECT_FALSE(platform::PeekMessage(&m));
}

// Exit, then Alt+F4 before the loop has ended, then Exit again: one save, one quit.
TEST_F(WindowTest, TheWindowClosesOnce) {
  int closing = 0;
  window->ConnectOnClose([&](const IMEvent&) { ++closing; return 0L; });
  window->Close();
  Post(WM_SYSKEYDOWN, VK_F4, 1 << 29);
  IMWindow::Run(window.get());
  EXPECT_EQ(closing, 1);
  window->Close();
  EXPECT_EQ(closing, 1);
  platform::Message m;
  EXPECT_FALSE(platform::PeekMessage(&m));
}

TEST(WindowCreateTest, FailingToMakeTheWindowExitsWithAFixedNonZeroStatus) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        platform::headless::FailNextWindowCreation();
        IMWindow::Create(nullptr, L"04517", false);
      },
      ::testing::ExitedWithCode(IMWindow::kCreateFailedExitCode), "cannot create the window");
}

TEST(WindowCreateTest, CreateShowsTheWindowAndForcesTheFirstRedraw) {
  platform::headless::Reset();
  platform::headless::SetCursorPos(5, 5);
  IMWindow* window = IMWindow::Create(nullptr, L"04517 Игра «Тиморвал»", false);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(IMWindow::Instance(), window);
  EXPECT_TRUE(platform::headless::IsWindowVisible());
  EXPECT_TRUE(window->IsChanged());
  // A window that appears under the pointer hears of it before any real move.
  platform::Message m;
  ASSERT_TRUE(platform::PeekMessage(&m));
  EXPECT_EQ(m.message, WM_MOUSEMOVE);
  window->Close();
  delete window;
  EXPECT_EQ(IMWindow::Instance(), nullptr);
  EXPECT_EQ(IMResourceManager::Instance(), nullptr);
  platform::headless::Reset();
}

}  // namespace
