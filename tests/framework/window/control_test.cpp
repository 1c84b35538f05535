#include "framework/window/control.h"

#include <gtest/gtest.h>

#include <boost/bind/bind.hpp>

#include "support/tree_fixture.h"

using test::Box;
using test::Journal;

namespace {

class ControlTest : public test::TreeTest {
 protected:
  Box* box = new Box(root.get(), RECT{0, 0, 100, 100});
};

IMControl::EventSignal::slot_type Logging(Journal& journal, const std::string& name,
                                          const IMControl* control, bool (IMControl::*flag)() const) {
  return [&journal, name, control, flag](const IMEvent&) {
    journal.Add(name + ((control->*flag)() ? " flag=1" : " flag=0"));
    return 0L;
  };
}

TEST_F(ControlTest, StateSignalsFireBeforeTheFlagChanges) {
  Journal journal;
  box->ConnectOnDisable(Logging(journal, "disable", box, &IMControl::IsEnabled));
  box->ConnectOnEnable(Logging(journal, "enable", box, &IMControl::IsEnabled));
  box->ConnectOnHide(Logging(journal, "hide", box, &IMControl::IsHidden));
  box->ConnectOnShow(Logging(journal, "show", box, &IMControl::IsHidden));

  box->Disable();
  box->Enable();
  box->Hide();
  box->Show();

  EXPECT_EQ(journal.lines, (std::vector<std::string>{"disable flag=1", "enable flag=0", "hide flag=0", "show flag=1"}));
  EXPECT_TRUE(box->IsEnabled());
  EXPECT_FALSE(box->IsHidden());
}

TEST_F(ControlTest, IdsComeFromOneCounterInCreationOrder) {
  Box second(nullptr, RECT{});
  Box third(nullptr, RECT{});
  EXPECT_EQ(third.GetId(), second.GetId() + 1);
  EXPECT_GT(second.GetId(), box->GetId());
}

struct MouseCase {
  const char* what;
  UINT press;
  WPARAM pressKeys;
  UINT release;
  WPARAM releaseKeys;
  bool enabled;
  UINT expectedClick;  // 0: none
  bool pressedAfter;
};

class MouseButtonMatrix : public ControlTest, public ::testing::WithParamInterface<MouseCase> {};

TEST_P(MouseButtonMatrix, ReleaseDecidesTheClick) {
  const MouseCase& c = GetParam();
  std::vector<UINT> clicks;
  std::vector<UINT> buttons;
  box->ConnectOnClick([&](const IMMouseEvent& e) {
    clicks.push_back(e.message);
    EXPECT_EQ(e.sender, box);
    return 0L;
  });
  box->ConnectOnMouse([&](const IMMouseEvent& e) {
    buttons.push_back(e.message);
    return 0L;
  });
  if (!c.enabled) box->Disable();

  MoveTo(5, 5);
  Button(c.press, c.pressKeys, 5, 5);
  EXPECT_TRUE(box->IsPressed() || c.press == WM_MOUSEWHEEL) << c.what;
  Button(c.release, c.releaseKeys, 5, 5);

  if (c.expectedClick) {
    EXPECT_EQ(clicks, std::vector<UINT>{c.expectedClick}) << c.what;
  } else {
    EXPECT_TRUE(clicks.empty()) << c.what;
  }
  EXPECT_EQ(buttons.size(), c.enabled ? 2u : 0u) << c.what;
  EXPECT_EQ(box->IsPressed(), c.pressedAfter) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Control, MouseButtonMatrix,
    ::testing::Values(
        MouseCase{"left click", WM_LBUTTONDOWN, MK_LBUTTON, WM_LBUTTONUP, 0, true, IM_EVENT_LCLICK, false},
        MouseCase{"right click", WM_RBUTTONDOWN, MK_RBUTTON, WM_RBUTTONUP, 0, true, IM_EVENT_RCLICK, false},
        MouseCase{"wheel-button click", WM_MBUTTONDOWN, MK_MBUTTON, WM_MBUTTONUP, 0, true, IM_EVENT_MCLICK, false},
        MouseCase{"right press, left release", WM_RBUTTONDOWN, MK_RBUTTON, WM_LBUTTONUP, 0, true, IM_EVENT_LCLICK,
                  false},
        MouseCase{"release with another button held", WM_LBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, WM_LBUTTONUP,
                  MK_RBUTTON, true, IM_EVENT_LCLICK, true},
        MouseCase{"disabled", WM_LBUTTONDOWN, MK_LBUTTON, WM_LBUTTONUP, 0, false, 0, false},
        MouseCase{"wheel with only the left button", WM_MOUSEWHEEL, MAKEWPARAM(MK_LBUTTON, 120), WM_LBUTTONUP, 0,
                  true, IM_EVENT_LCLICK, false},
        MouseCase{"wheel with shift and left button", WM_MOUSEWHEEL, MAKEWPARAM(MK_LBUTTON | MK_SHIFT, 120),
                  WM_LBUTTONUP, 0, true, 0, false}));

TEST_F(ControlTest, DisabledControlStillMovesEntersAndHearsKeys) {
  Journal journal;
  box->MouseMoveSignal.connect([&](const IMMouseEvent&) { journal.Add("move"); return 0L; });
  box->ConnectOnMouseEnter([&](const IMMouseEvent&) { journal.Add("enter"); return 0L; });
  box->ConnectOnMouseLeave([&](const IMMouseEvent&) { journal.Add("leave"); return 0L; });
  box->ConnectOnKey([&](const IMKeyboardEvent&) { journal.Add("key"); return 0L; });
  box->DoubleClickSignal.connect([&](const IMMouseEvent&) { journal.Add("double"); return 0L; });
  box->Disable();

  box->OnMouseEnter(IMMouseEvent(nullptr, IM_EVENT_MOUSEENTER, 0, 1, 1));
  box->OnMouseMove(IMMouseEvent(nullptr, WM_MOUSEMOVE, 0, 1, 1));
  box->OnMouseButton(IMMouseEvent(nullptr, WM_LBUTTONDBLCLK, MK_LBUTTON, 1, 1));
  box->OnKeyboard(IMKeyboardEvent(nullptr, WM_CHAR, 'a', 0));
  box->OnMouseLeave(IMMouseEvent(nullptr, IM_EVENT_MOUSELEAVE, 0, 1, 1));

  EXPECT_EQ(journal.lines, (std::vector<std::string>{"enter", "move", "key", "leave"}));
}

TEST_F(ControlTest, DoubleClickFiresAfterMouseButton) {
  Journal journal;
  box->ConnectOnMouse([&](const IMMouseEvent& e) { journal.Add("button " + std::to_string(e.message)); return 0L; });
  box->DoubleClickSignal.connect([&](const IMMouseEvent& e) { journal.Add("double " + std::to_string(e.message)); return 0L; });
  box->OnMouseButton(IMMouseEvent(nullptr, WM_LBUTTONDBLCLK, MK_LBUTTON, 1, 1));
  EXPECT_EQ(journal.lines, (std::vector<std::string>{"button 515", "double 515"}));
}

TEST_F(ControlTest, KeyboardSignalsFireDownOrUpThenKey) {
  Journal journal;
  box->KeyDownSignal.connect([&](const IMKeyboardEvent& e) { journal.Add("down " + std::to_string(e.message)); return 0L; });
  box->KeyUpSignal.connect([&](const IMKeyboardEvent& e) { journal.Add("up " + std::to_string(e.message)); return 0L; });
  box->KeySignal.connect([&](const IMKeyboardEvent& e) {
    journal.Add("key " + std::to_string(e.message));
    EXPECT_EQ(e.sender, box);
    EXPECT_EQ(e.lParam, 0x1234);
    return 0L;
  });

  for (UINT m : {WM_KEYDOWN, WM_CHAR, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP}) {
    box->OnKeyboard(IMKeyboardEvent(nullptr, m, 'A', 0x1234));
  }

  EXPECT_EQ(journal.lines, (std::vector<std::string>{"down 256", "key 256", "key 258", "up 257", "key 257",
                                                     "down 260", "key 260", "up 261", "key 261"}));
}

TEST_F(ControlTest, SignalReturnsTheLastHandlersValue) {
  box->ConnectOnClose([](const IMEvent&) { return 7L; });
  box->ConnectOnClose([](const IMEvent&) { return 9L; });
  EXPECT_EQ(box->CloseSignal(IMEvent(box, IM_EVENT_CLOSE)), 9);
}

TEST_F(ControlTest, CloseCutsEveryHandlerButTheFocusOnes) {
  Journal journal;
  box->SetFocusableForTest(true);
  box->ConnectOnClick([&](const IMMouseEvent&) { journal.Add("click"); return 0L; });
  box->ConnectOnKey([&](const IMKeyboardEvent&) { journal.Add("key"); return 0L; });
  box->ConnectOnChange([&](const IMEvent&) { journal.Add("change"); return 0L; });
  box->ConnectOnFocus([&](const IMEvent&) { journal.Add("focus"); return 0L; });
  box->ConnectOnKillFocus([&](const IMEvent&) { journal.Add("killfocus"); return 0L; });
  box->ConnectOnClose([&](const IMEvent& e) {
    journal.Add("close");
    EXPECT_EQ(e.message, IM_EVENT_CLOSE);
    return 0L;
  });

  box->Close();
  box->Click(IMMouseEvent(nullptr, IM_EVENT_LCLICK, 0, 0, 0));
  box->OnKeyboard(IMKeyboardEvent(nullptr, WM_CHAR, 'x', 0));
  box->SetChanged(true);
  box->SetFocus(true);
  box->SetFocus(false);

  EXPECT_EQ(journal.lines, (std::vector<std::string>{"close", "focus", "killfocus"}));
  EXPECT_TRUE(root->IsPendingDeletion(box));
}

TEST_F(ControlTest, HandlerClosingItsOwnControlStopsTheRestOfTheFiring) {
  Journal journal;
  box->ConnectOnClick([&](const IMMouseEvent&) {
    journal.Add("first");
    box->Close();
    return 0L;
  });
  box->ConnectOnClick([&](const IMMouseEvent&) { journal.Add("second"); return 0L; });

  box->Click(IMMouseEvent(nullptr, IM_EVENT_LCLICK, 0, 0, 0));

  EXPECT_EQ(journal.lines, std::vector<std::string>{"first"});
  EXPECT_TRUE(root->HasChild(box));
  Update();
  EXPECT_FALSE(root->HasChild(box));
}

TEST_F(ControlTest, SetFocusNeedsFocusableAndAChange) {
  int focusCount = 0;
  box->ConnectOnFocus([&](const IMEvent&) { ++focusCount; return 0L; });
  box->SetFocus(true);
  EXPECT_FALSE(box->IsFocused());
  box->SetFocusableForTest(true);
  box->SetFocus(true);
  box->SetFocus(true);
  EXPECT_TRUE(box->IsFocused());
  EXPECT_EQ(focusCount, 1);
}

// A listener that is itself a control: handlers bound to it must die with it.
class Listener : public Box {
 public:
  Listener(IMDialog* parent, int* calls) : Box(parent, RECT{}), calls_(calls) {}
  long OnClicked(const IMMouseEvent&) {
    ++*calls_;
    return 0;
  }

 private:
  int* calls_;
};

TEST_F(ControlTest, HandlerBoundToADeletedControlIsNeverCalled) {
  using boost::placeholders::_1;
  int calls = 0;
  auto* listener = new Listener(root.get(), &calls);
  box->ConnectOnClick(boost::bind(&Listener::OnClicked, listener, _1));
  box->ConnectOnKey([](const IMKeyboardEvent&) { return 0L; });

  box->Click(IMMouseEvent(nullptr, IM_EVENT_LCLICK, 0, 0, 0));
  EXPECT_EQ(calls, 1);

  listener->Close();
  Update();  // deletes the listener
  ASSERT_FALSE(root->HasChild(listener));

  box->Click(IMMouseEvent(nullptr, IM_EVENT_LCLICK, 0, 0, 0));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(box->ClickSignal.num_slots(), 0u);
}

TEST_F(ControlTest, APressThatLeavesClicksOnlyWhenItComesBackHeld) {
  int clicks = 0;
  box->ConnectOnClick([&](const IMMouseEvent&) { ++clicks; return 0L; });
  // Released outside: no click, not even on a later release of another button over the box.
  MoveTo(10, 10);
  Button(WM_LBUTTONDOWN, MK_LBUTTON, 10, 10);
  Post(WM_MOUSEMOVE, MK_LBUTTON, 300, 300);
  Button(WM_LBUTTONUP, 0, 300, 300);
  MoveTo(10, 10);
  Button(WM_RBUTTONUP, 0, 10, 10);
  EXPECT_EQ(clicks, 0);
  EXPECT_FALSE(box->IsPressed());

  // Dragged off and back with the button held all along: released over the box, a click.
  Button(WM_LBUTTONDOWN, MK_LBUTTON, 10, 10);
  Post(WM_MOUSEMOVE, MK_LBUTTON, 300, 300);
  EXPECT_FALSE(box->IsPressed());
  Post(WM_MOUSEMOVE, MK_LBUTTON, 20, 20);
  EXPECT_TRUE(box->IsPressed());
  Button(WM_LBUTTONUP, 0, 20, 20);
  EXPECT_EQ(clicks, 1);

  // Pressed elsewhere and dragged onto the box: its release is no click of the box.
  MoveTo(300, 300);
  Button(WM_LBUTTONDOWN, MK_LBUTTON, 300, 300);
  Post(WM_MOUSEMOVE, MK_LBUTTON, 10, 10);
  Button(WM_LBUTTONUP, 0, 10, 10);
  EXPECT_EQ(clicks, 1);

  // Dragged off and released outside ends that press: a later press outside, dragged onto the
  // box held, is still not the box's.
  Button(WM_LBUTTONDOWN, MK_LBUTTON, 10, 10);
  Post(WM_MOUSEMOVE, MK_LBUTTON, 300, 300);
  Button(WM_LBUTTONUP, 0, 300, 300);
  Button(WM_LBUTTONDOWN, MK_LBUTTON, 300, 300);
  Post(WM_MOUSEMOVE, MK_LBUTTON, 10, 10);
  EXPECT_FALSE(box->IsPressed());
  Button(WM_LBUTTONUP, 0, 10, 10);
  EXPECT_EQ(clicks, 1);
}

}  // namespace
