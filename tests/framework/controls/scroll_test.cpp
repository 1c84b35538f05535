#include "framework/controls/scroll.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "widget_fixture.h"

namespace {

using widgets_test::Str;

// A bar of 16 x 236 at (400, 100) with the defaults: range 0 to 100, page 10.
class ScrollTest : public widgets_test::WidgetTest {
 protected:
  ScrollTest() {
    const RECT r{400, 100, 416, 336};
    bar = new IMScroll(window.get(), &r);
    bar->SetRange(0, 100);
    bar->ConnectOnScroll([this](const IMEvent& e, int position) {
      EXPECT_EQ(e.sender, bar);
      EXPECT_EQ(e.message, IM_EVENT_NONE);
      EXPECT_EQ(position, bar->GetScrollPosition());
      log.push_back(std::to_string(position) + "@" + std::to_string(platform::headless::NowMs()));
      return 0L;
    });
  }

  // A point of an element, in the window's coordinates.
  static POINT At(int x, int y) { return POINT{400 + x, 100 + y}; }
  void Press(POINT p) {
    MoveTo(p.x, p.y);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
  }
  void Release(POINT p) { Send(WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y)); }
  void Drag(POINT p) { MoveTo(p.x, p.y, MK_LBUTTON); }

  IMScroll* bar;
  std::vector<std::string> log;
};

TEST_F(ScrollTest, ElementsFollowTheRangePositionAndPage) {
  EXPECT_EQ(Str(bar->GetUpButton()->GetRect()), "{0, 0, 16, 16}");
  EXPECT_EQ(Str(bar->GetDownButton()->GetRect()), "{0, 220, 16, 236}");
  EXPECT_EQ(Str(bar->GetTrack()->GetRect()), "{0, 0, 16, 236}");
  EXPECT_EQ(Str(bar->GetSlider()->GetRect()), "{0, 16, 16, 36}");
  EXPECT_EQ(Str(bar->GetPageUpArea()->GetRect()), "{0, 16, 16, 32}");
  EXPECT_EQ(Str(bar->GetPageDownArea()->GetRect()), "{0, 36, 16, 220}");

  bar->SetPosition(90);
  EXPECT_EQ(Str(bar->GetSlider()->GetRect()), "{0, 199, 16, 219}");  // 16 + 204 * 90 / 100
  EXPECT_EQ(Str(bar->GetPageUpArea()->GetRect()), "{0, 16, 16, 215}");
  EXPECT_EQ(Str(bar->GetPageDownArea()->GetRect()), "{0, 220, 16, 220}");
  EXPECT_EQ(log, std::vector<std::string>{"90@0"});
}

TEST_F(ScrollTest, WithoutARectangleItRunsDownTheParentsRightEdge) {
  auto* strip = new IMScroll(window.get(), nullptr);
  EXPECT_EQ(Str(strip->GetRect()), "{784, 0, 800, 600}");
  EXPECT_EQ(Str(strip->GetDownButton()->GetRect()), "{0, 584, 16, 600}");
}

TEST_F(ScrollTest, RangeAndPageClampThePositionWithoutASignal) {
  bar->SetPosition(90);
  log.clear();
  bar->SetPage(20);
  EXPECT_EQ(bar->GetScrollPosition(), 80);
  bar->SetRange(0, 50);
  EXPECT_EQ(bar->GetScrollPosition(), 30);
  bar->SetRange(40, 200);
  EXPECT_EQ(bar->GetScrollPosition(), 40);
  EXPECT_TRUE(log.empty());
  // The upper bound wins when max - page lies below min.
  bar->SetPosition(-5);
  EXPECT_EQ(bar->GetScrollPosition(), 40);
  bar->SetRange(0, 15);
  bar->SetPosition(3);
  EXPECT_EQ(bar->GetScrollPosition(), -5);
}

TEST_F(ScrollTest, ARangeNotStartingAtZeroStillRunsFromTheTopOfTheTrack) {
  bar->SetRange(40, 140);
  EXPECT_EQ(bar->GetScrollPosition(), 40);
  EXPECT_EQ(Str(bar->GetSlider()->GetRect()), "{0, 16, 16, 36}");
  bar->SetPosition(130);
  EXPECT_EQ(Str(bar->GetSlider()->GetRect()), "{0, 199, 16, 219}");
  // Dragged half-way: half the range above min.
  bar->SetPosition(40);
  Press(At(8, 26));
  Drag(At(8, 26 + 102));
  EXPECT_EQ(bar->GetScrollPosition(), 90);
  Release(At(8, 128));
}

TEST_F(ScrollTest, HeldArrowStepsAtOnceThenAfterHalfASecondThenEveryFiftyMilliseconds) {
  ASSERT_TRUE(bar->GetDownButton()->HitTest(8, 228)) << "the arrow's middle is opaque";
  Press(At(8, 228));
  Wait(499);
  EXPECT_EQ(log, std::vector<std::string>{"1@0"});
  Wait(1);
  Wait(49);
  EXPECT_EQ(log, (std::vector<std::string>{"1@0", "2@500"}));
  Wait(1);
  Wait(50);
  EXPECT_EQ(log, (std::vector<std::string>{"1@0", "2@500", "3@550", "4@600"}));
  Release(At(8, 228));
  EXPECT_EQ(bar->GetRepeatTimerId(), 0u);
  EXPECT_FALSE(bar->IsBusy());
  Wait(1000);
  EXPECT_EQ(log.size(), 4u);

  // The up arrow steps back the same way.
  Press(At(8, 8));
  Release(At(8, 8));
  EXPECT_EQ(bar->GetScrollPosition(), 3);
}

TEST_F(ScrollTest, LeavingTheArrowStopsTheRepeat) {
  Press(At(8, 228));
  Wait(520);
  ASSERT_EQ(bar->GetScrollPosition(), 2);
  Drag(POINT{700, 228 + 100});  // off the bar, the button still held
  EXPECT_FALSE(bar->IsBusy());
  Wait(1000);
  EXPECT_EQ(bar->GetScrollPosition(), 2);
  Release(POINT{700, 328});
}

TEST_F(ScrollTest, ReleaseAnywhereInTheWindowStopsTheRepeat) {
  Press(At(8, 228));
  Release(POINT{700, 500});
  EXPECT_FALSE(bar->IsBusy());
  Wait(1000);
  EXPECT_EQ(bar->GetScrollPosition(), 1);
}

TEST_F(ScrollTest, PageAreasStepByAPage) {
  Press(At(8, 150));
  Release(At(8, 150));
  EXPECT_EQ(bar->GetScrollPosition(), 10);
  Press(At(8, 150));
  Release(At(8, 150));
  EXPECT_EQ(bar->GetScrollPosition(), 20);
  // Above the slider (now at 16 + 40 = 56).
  Press(At(8, 40));
  Release(At(8, 40));
  EXPECT_EQ(bar->GetScrollPosition(), 10);
  EXPECT_EQ(log, (std::vector<std::string>{"10@0", "20@0", "10@0"}));
}

TEST_F(ScrollTest, AHeldPageAreaRepeatsToTheEndAndStopsSignalling) {
  Press(At(8, 200));
  Wait(1000);
  // 0, 500, 550, ... the position stops at max - page and fires no more.
  EXPECT_EQ(bar->GetScrollPosition(), 90);
  EXPECT_EQ(log.back(), "90@850");
  const std::size_t fired = log.size();
  Wait(500);
  EXPECT_EQ(log.size(), fired);
  Release(At(8, 200));
}

TEST_F(ScrollTest, WithAPageBelowTenTheArrowsDoNotMove) {
  bar->SetPage(5);
  Press(At(8, 228));
  Release(At(8, 228));
  EXPECT_EQ(bar->GetScrollPosition(), 0);
  EXPECT_TRUE(log.empty());
}

TEST_F(ScrollTest, AtEitherEndAFurtherPressFiresNothing) {
  Press(At(8, 8));
  Release(At(8, 8));
  EXPECT_TRUE(log.empty());
  bar->SetPosition(90);
  log.clear();
  Press(At(8, 228));
  Release(At(8, 228));
  EXPECT_EQ(bar->GetScrollPosition(), 90);
  EXPECT_TRUE(log.empty());
}

TEST_F(ScrollTest, DraggedSliderFollowsThePointerAndSetsTheRoundedPosition) {
  Press(At(8, 26));
  EXPECT_TRUE(bar->IsBusy());
  // 102 of 204 pixels: half the range.
  Drag(At(8, 26 + 102));
  EXPECT_EQ(bar->GetScrollPosition(), 50);
  EXPECT_EQ(Str(bar->GetSlider()->GetRect()), "{0, 118, 16, 138}");
  // Three more pixels: 51.47 rounds to 51, and the slider stands where the pointer took it.
  Drag(At(8, 26 + 105));
  EXPECT_EQ(bar->GetScrollPosition(), 51);
  EXPECT_EQ(Str(bar->GetSlider()->GetRect()), "{0, 121, 16, 141}");
  EXPECT_EQ(log, (std::vector<std::string>{"50@0", "51@0"}));

  // Released outside the bar: the drag ends; further moves do nothing.
  Release(POINT{700, 500});
  EXPECT_FALSE(bar->IsBusy());
  MoveTo(408, 300);
  EXPECT_EQ(bar->GetScrollPosition(), 51);
  EXPECT_EQ(bar->GetSlider()->GetRect().top, 121);
  // The next layout outside a drag puts it back on the position: 16 + 204 * 51 / 100.
  bar->SetPage(10);
  EXPECT_EQ(bar->GetSlider()->GetRect().top, 120);
}

TEST_F(ScrollTest, DraggedSliderStopsAtTheArrows) {
  Press(At(8, 26));
  Drag(At(8, 500));
  EXPECT_EQ(Str(bar->GetSlider()->GetRect()), "{0, 200, 16, 220}");
  EXPECT_EQ(bar->GetScrollPosition(), 90);
  Drag(At(8, -300));
  EXPECT_EQ(Str(bar->GetSlider()->GetRect()), "{0, 16, 16, 36}");
  EXPECT_EQ(bar->GetScrollPosition(), 0);
  Release(At(8, -300));
}

TEST_F(ScrollTest, LeavingTheWindowEndsTheDrag) {
  Press(At(8, 26));
  Drag(At(8, 60));
  ASSERT_TRUE(bar->IsBusy());
  // What the main window's idle pass does when the pointer leaves the client area.
  window->OnMouseLeave(IMMouseEvent(window.get(), IM_EVENT_MOUSELEAVE, 0, 900, 60));
  EXPECT_FALSE(bar->IsBusy());
  const int position = bar->GetScrollPosition();
  Drag(At(8, 200));
  EXPECT_EQ(bar->GetScrollPosition(), position);
}

TEST_F(ScrollTest, AClosedBarLeavesNoTimerAndNoHandlerBehind) {
  const std::size_t windowHandlers = window->MouseButtonSignal.num_slots();
  Press(At(8, 228));
  const std::uint32_t repeat = bar->GetRepeatTimerId();
  ASSERT_NE(repeat, 0u);
  bar->Close();
  Idle();
  EXPECT_FALSE(window->HasChild(bar));
  EXPECT_FALSE(window->ConnectTimer(repeat, [](const IMEvent&) { return 0L; }).connected());
  EXPECT_EQ(window->MouseButtonSignal.num_slots(), windowHandlers - 1);
  Wait(1000);
  Release(At(8, 228));
}

}  // namespace
