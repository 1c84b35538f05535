#include "framework/controls/dialog.h"

#include <gtest/gtest.h>

#include "support/tree_fixture.h"

using test::Box;
using test::CountedBox;
using test::Journal;
using test::RecordingView;

namespace {

class DialogTest : public test::TreeTest {
 protected:
  // Records enter and leave of a control under its name.
  void Watch(IMControl* control, const std::string& name) {
    control->ConnectOnMouseEnter([this, name](const IMMouseEvent& e) {
      journal.Add("enter " + name);
      EXPECT_EQ(e.message, IM_EVENT_MOUSEENTER);
      return 0L;
    });
    control->ConnectOnMouseLeave([this, name](const IMMouseEvent& e) {
      journal.Add("leave " + name);
      EXPECT_EQ(e.message, IM_EVENT_MOUSELEAVE);
      return 0L;
    });
  }

  Journal journal;
};

TEST_F(DialogTest, NullRectCoversTheBackBuffer) {
  EXPECT_TRUE(EqualRect(root->GetRect(), RECT{0, 0, 800, 600}));
  EXPECT_TRUE(root->IsFocusable());
  RECT r{10, 20, 110, 70};
  auto* sub = new IMDialog(root.get(), &r, 0);
  EXPECT_TRUE(EqualRect(sub->GetRect(), r));
}

TEST_F(DialogTest, LaterChildOfALayerIsHoveredAndDrawnOnTop) {
  std::vector<RecordingView::DrawCall> draws;
  auto* first = new Box(root.get(), RECT{0, 0, 100, 100}, 0, "first");
  auto* second = new Box(root.get(), RECT{50, 50, 150, 150}, 0, "second");
  first->log = second->log = &draws;

  MoveTo(75, 75);
  EXPECT_EQ(root->GetHoveredChild(), second);

  DrawAll();
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_EQ(draws[0].name, "first");
  EXPECT_EQ(draws[1].name, "second");
}

TEST_F(DialogTest, HigherLayerWinsWhateverTheOrderOfAdding) {
  auto* top = new Box(root.get(), RECT{0, 0, 100, 100}, 10, "top");
  new Box(root.get(), RECT{0, 0, 100, 100}, 0, "bottom");
  MoveTo(5, 5);
  EXPECT_EQ(root->GetHoveredChild(), top);
}

TEST_F(DialogTest, BringToFrontMovesIntoLayerOne) {
  auto* a = new Box(root.get(), RECT{0, 0, 100, 100});
  auto* b = new Box(root.get(), RECT{0, 0, 100, 100});
  MoveTo(5, 5);
  EXPECT_EQ(root->GetHoveredChild(), b);

  root->BringToFront(a);
  EXPECT_EQ(root->GetChildLayer(a), 1);
  MoveTo(6, 6);
  EXPECT_EQ(root->GetHoveredChild(), a);

  // Already in layer 1: not even its place within the layer changes.
  auto* c = new Box(root.get(), RECT{0, 0, 100, 100}, 1);
  root->BringToFront(a);
  MoveTo(7, 7);
  EXPECT_EQ(root->GetHoveredChild(), c);

  // A higher layer is pulled down to 1 as well.
  auto* d = new Box(root.get(), RECT{0, 0, 100, 100}, 5);
  root->BringToFront(d);
  EXPECT_EQ(root->GetChildLayer(d), 1);
}

TEST_F(DialogTest, EnterComesBeforeLeave) {
  auto* a = new Box(root.get(), RECT{0, 0, 100, 100});
  auto* b = new Box(root.get(), RECT{100, 0, 200, 100});
  Watch(a, "a");
  Watch(b, "b");

  MoveTo(50, 50);
  MoveTo(150, 50);
  MoveTo(500, 500);

  EXPECT_EQ(journal.lines, (std::vector<std::string>{"enter a", "enter b", "leave a", "leave b"}));
  EXPECT_EQ(root->GetHoveredChild(), nullptr);
  EXPECT_FALSE(b->IsHovered());
}

TEST_F(DialogTest, HidingTheHoveredChildPassesHoverBeneath) {
  auto* under = new Box(root.get(), RECT{0, 0, 100, 100});
  auto* over = new Box(root.get(), RECT{0, 0, 100, 100});
  Watch(under, "under");
  Watch(over, "over");
  MoveTo(10, 10);

  over->Hide();

  EXPECT_EQ(journal.lines, (std::vector<std::string>{"enter over", "enter under", "leave over"}));
  EXPECT_EQ(root->GetHoveredChild(), under);
}

TEST_F(DialogTest, ChildMovedUnderTheStillPointerTakesTheHover) {
  auto* box = new Box(root.get(), RECT{200, 200, 300, 300});
  Watch(box, "box");
  MoveTo(10, 10);
  box->SetRect(RECT{0, 0, 100, 100});
  EXPECT_EQ(root->GetHoveredChild(), box);
  EXPECT_EQ(journal.lines, std::vector<std::string>{"enter box"});
}

// A menu built under a pointer that does not move, the way the exit menu is: a full dialog,
// a box in it moved into place after it was made, a button in the box; then a page over
// everything that closes again. Each click lands without a move first.
TEST_F(DialogTest, DialogAppearingUnderARestingPointerTakesAClick) {
  auto* screen = new Box(root.get(), RECT{0, 0, 800, 600});
  MoveTo(150, 120);
  ASSERT_EQ(root->GetHoveredChild(), screen);

  IMDialog* menu = IMDialog::AddDialog(root.get(), 0, 0, 800, 600, 10);
  IMDialog* box = IMDialog::AddDialog(menu, 0, 0, 800, 600, 1);
  box->SetRect(RECT{100, 100, 300, 300});
  auto* button = new Box(box, RECT{40, 10, 60, 30});
  int clicks = 0;
  button->ConnectOnClick([&](const IMMouseEvent& e) {
    ++clicks;
    EXPECT_EQ(e.x, 50);
    EXPECT_EQ(e.y, 20);
    return 0L;
  });
  Button(WM_LBUTTONDOWN, MK_LBUTTON, 150, 120);
  Button(WM_LBUTTONUP, 0, 150, 120);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(button->IsHovered());

  // The box moves its button away under the pointer, then back.
  box->SetRect(RECT{0, 100, 200, 300});
  EXPECT_FALSE(button->IsHovered());
  box->SetRect(RECT{100, 100, 300, 300});
  EXPECT_TRUE(button->IsHovered());

  IMDialog* page = IMDialog::AddDialog(root.get(), 0, 0, 800, 600, 20);
  EXPECT_FALSE(button->IsHovered());
  page->Close();
  Update();
  Button(WM_LBUTTONDOWN, MK_LBUTTON, 150, 120);
  Button(WM_LBUTTONUP, 0, 150, 120);
  EXPECT_EQ(clicks, 2);
}

TEST_F(DialogTest, MouseEventsArriveInTheDialogsCoordinates) {
  RECT r{100, 50, 300, 250};
  auto* panel = new IMDialog(root.get(), &r, 0);
  auto* box = new Box(panel, RECT{10, 10, 20, 20});
  std::vector<std::pair<int, int>> points;
  box->MouseMoveSignal.connect([&](const IMMouseEvent& e) { points.emplace_back(e.x, e.y); return 0L; });
  box->ConnectOnMouse([&](const IMMouseEvent& e) { points.emplace_back(e.x, e.y); return 0L; });

  MoveTo(115, 65);
  Button(WM_LBUTTONDOWN, MK_LBUTTON, 115, 65);

  EXPECT_EQ(points, (std::vector<std::pair<int, int>>{{15, 15}, {15, 15}}));
  EXPECT_EQ(panel->GetLastMousePoint().x, 15);
  EXPECT_EQ(panel->GetLastMousePoint().y, 15);
}

TEST_F(DialogTest, ButtonsReachOnlyTheHoveredChild) {
  auto* a = new Box(root.get(), RECT{0, 0, 100, 100});
  auto* b = new Box(root.get(), RECT{100, 0, 200, 100});
  int aButtons = 0, bButtons = 0, rootButtons = 0;
  a->ConnectOnMouse([&](const IMMouseEvent&) { ++aButtons; return 0L; });
  b->ConnectOnMouse([&](const IMMouseEvent&) { ++bButtons; return 0L; });
  root->ConnectOnMouse([&](const IMMouseEvent&) { ++rootButtons; return 0L; });

  MoveTo(50, 50);
  Button(WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 50, 50);
  MoveTo(500, 500);
  Button(WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 500, 500);

  EXPECT_EQ(aButtons, 1);
  EXPECT_EQ(bButtons, 0);
  EXPECT_EQ(rootButtons, 2);
}

TEST_F(DialogTest, FocusClimbsAndMovesOnLeftPress) {
  RECT r{0, 0, 400, 400};
  auto* panel = new IMDialog(root.get(), &r, 0);
  auto* edit = new Box(panel, RECT{0, 0, 100, 100});
  auto* other = new Box(panel, RECT{100, 0, 200, 100});
  auto* plain = new Box(panel, RECT{200, 0, 300, 100});
  edit->SetFocusableForTest(true);
  other->SetFocusableForTest(true);

  MoveTo(50, 50);
  Button(WM_LBUTTONDOWN, MK_LBUTTON, 50, 50);
  EXPECT_TRUE(edit->IsFocused());
  EXPECT_EQ(panel->GetFocusedChild(), edit);
  EXPECT_TRUE(panel->IsFocused());
  EXPECT_EQ(root->GetFocusedChild(), panel);

  MoveTo(150, 50);
  Button(WM_LBUTTONDOWN, MK_LBUTTON, 150, 50);
  EXPECT_FALSE(edit->IsFocused());
  EXPECT_TRUE(other->IsFocused());
  EXPECT_EQ(panel->GetFocusedChild(), other);

  // A control that cannot take the focus leaves it where it was.
  MoveTo(250, 50);
  Button(WM_LBUTTONDOWN, MK_LBUTTON, 250, 50);
  EXPECT_TRUE(other->IsFocused());
  EXPECT_FALSE(plain->IsFocused());

  // A right press moves nothing.
  MoveTo(50, 50);
  Button(WM_RBUTTONDOWN, MK_RBUTTON, 50, 50);
  EXPECT_TRUE(other->IsFocused());
}

TEST_F(DialogTest, KeysGoToTheDialogThenItsFocusedChild) {
  RECT r{0, 0, 400, 400};
  auto* panel = new IMDialog(root.get(), &r, 0);
  auto* edit = new Box(panel, RECT{0, 0, 100, 100});
  edit->SetFocusableForTest(true);
  edit->SetFocus(true);
  root->ConnectOnKey([&](const IMKeyboardEvent&) { journal.Add("root"); return 0L; });
  panel->ConnectOnKey([&](const IMKeyboardEvent&) { journal.Add("panel"); return 0L; });
  edit->ConnectOnKey([&](const IMKeyboardEvent& e) {
    journal.Add("edit");
    EXPECT_EQ(e.sender, edit);
    return 0L;
  });

  Key(WM_CHAR, 'z');

  EXPECT_EQ(journal.lines, (std::vector<std::string>{"root", "panel", "edit"}));
}

TEST_F(DialogTest, KillFocusCascadesDownTheSubtree) {
  RECT r{0, 0, 400, 400};
  auto* panel = new IMDialog(root.get(), &r, 0);
  auto* edit = new Box(panel, RECT{0, 0, 100, 100});
  edit->SetFocusableForTest(true);
  edit->SetFocus(true);
  ASSERT_TRUE(panel->IsFocused());

  panel->SetFocus(false);

  EXPECT_FALSE(panel->IsFocused());
  EXPECT_FALSE(edit->IsFocused());
  EXPECT_EQ(panel->GetFocusedChild(), nullptr);
  EXPECT_EQ(root->GetFocusedChild(), nullptr);
}

TEST_F(DialogTest, ClosedChildIsDrawnAndHitUntilTheNextUpdate) {
  std::vector<RecordingView::DrawCall> draws;
  auto* box = new Box(root.get(), RECT{0, 0, 100, 100}, 0, "box");
  box->log = &draws;
  MoveTo(10, 10);

  box->Close();
  EXPECT_TRUE(root->IsChanged());
  DrawAll();
  EXPECT_EQ(draws.size(), 1u);
  MoveTo(11, 11);
  EXPECT_EQ(root->GetHoveredChild(), box);

  Update();
  EXPECT_FALSE(root->HasChild(box));
  EXPECT_EQ(root->GetHoveredChild(), nullptr);
}

TEST_F(DialogTest, ClosingADialogFiresOnlyItsOwnCloseSignal) {
  RECT r{0, 0, 400, 400};
  auto* panel = new IMDialog(root.get(), &r, 0);
  auto* child = new Box(panel, RECT{0, 0, 10, 10});
  RECT inner{0, 0, 50, 50};
  auto* nested = new IMDialog(panel, &inner, 0);
  int deaths = 0;
  new CountedBox(nested, RECT{0, 0, 5, 5}, &deaths);
  panel->ConnectOnClose([&](const IMEvent&) { journal.Add("panel"); return 0L; });
  child->ConnectOnClose([&](const IMEvent&) { journal.Add("child"); return 0L; });
  nested->ConnectOnClose([&](const IMEvent&) { journal.Add("nested"); return 0L; });

  panel->Close();
  EXPECT_EQ(journal.lines, std::vector<std::string>{"panel"});
  EXPECT_TRUE(panel->IsPendingDeletion(child));
  EXPECT_TRUE(root->IsPendingDeletion(panel));

  Update();
  EXPECT_FALSE(root->HasChild(panel));
  EXPECT_EQ(deaths, 1);
}

TEST_F(DialogTest, PendingChildrenAreDeletedLastQueuedFirst) {
  std::vector<std::string> order;
  struct Noted : Box {
    Noted(IMDialog* p, std::string n, std::vector<std::string>* o) : Box(p, RECT{}), label(std::move(n)), out(o) {}
    ~Noted() override { out->push_back(label); }
    std::string label;
    std::vector<std::string>* out;
  };
  auto* a = new Noted(root.get(), "a", &order);
  auto* b = new Noted(root.get(), "b", &order);
  a->Close();
  b->Close();
  Update();
  EXPECT_EQ(order, (std::vector<std::string>{"b", "a"}));
}

TEST_F(DialogTest, DrawClipsToEveryAncestorAndRestoresOriginAndViewport) {
  std::vector<RecordingView::DrawCall> draws;
  RECT outerRect{100, 100, 500, 400};
  auto* outer = new IMDialog(root.get(), &outerRect, 0);
  RECT innerRect{350, 250, 600, 500};  // sticks out of the outer dialog
  auto* inner = new IMDialog(outer, &innerRect, 0);
  auto* deep = new Box(inner, RECT{0, 0, 10, 10}, 0, "deep");
  auto* shallow = new Box(outer, RECT{0, 0, 10, 10}, 0, "shallow");
  deep->log = shallow->log = &draws;
  int drawSignals = 0;
  outer->DrawSignal.connect([&](const IMEvent& e) {
    EXPECT_EQ(e.message, IM_EVENT_DRAW);
    ++drawSignals;
    return 0L;
  });

  DrawAll();

  ASSERT_EQ(draws.size(), 2u);
  EXPECT_EQ(draws[0].name, "deep");
  EXPECT_EQ(draws[0].originX, 450);
  EXPECT_EQ(draws[0].originY, 350);
  EXPECT_TRUE(EqualRect(draws[0].clip, RECT{450, 350, 500, 400}));
  EXPECT_EQ(draws[1].name, "shallow");
  EXPECT_EQ(draws[1].originX, 100);
  EXPECT_TRUE(EqualRect(draws[1].clip, RECT{100, 100, 500, 400}));
  EXPECT_EQ(manager.drawOriginX, 0);
  EXPECT_EQ(manager.drawOriginY, 0);
  EXPECT_EQ(device.viewport.Width, 800u);
  EXPECT_EQ(device.viewport.Height, 600u);
  EXPECT_EQ(drawSignals, 1);
  EXPECT_FALSE(root->IsChanged());
}

TEST_F(DialogTest, HiddenOrClippedAwayDialogDrawsNothing) {
  std::vector<RecordingView::DrawCall> draws;
  RECT hiddenRect{0, 0, 100, 100};
  auto* hidden = new IMDialog(root.get(), &hiddenRect, 0);
  RECT offRect{900, 0, 1000, 100};
  auto* off = new IMDialog(root.get(), &offRect, 0);
  for (IMDialog* d : {hidden, off}) {
    auto* box = new Box(d, RECT{0, 0, 10, 10});
    box->log = &draws;
  }
  hidden->Hide();

  DrawAll();

  EXPECT_TRUE(draws.empty());
  EXPECT_FALSE(root->IsChanged());
}

TEST_F(DialogTest, ControlWithoutParentIsNeverDrawn) {
  std::vector<RecordingView::DrawCall> draws;
  Box orphan(nullptr, RECT{0, 0, 10, 10});
  orphan.log = &draws;
  orphan.Draw(IMEvent(nullptr, IM_EVENT_DRAW));
  EXPECT_TRUE(draws.empty());
}

TEST_F(DialogTest, UpdateOrder) {
  auto* box = new Box(root.get(), RECT{});
  root->UpdateSignal.connect([&](const IMEvent& e) {
    journal.Add("root");
    EXPECT_EQ(e.message, IM_EVENT_UPDATE);
    return 0L;
  });
  box->UpdateSignal.connect([&](const IMEvent&) { journal.Add("box"); return 0L; });
  Update();
  EXPECT_EQ(journal.lines, (std::vector<std::string>{"root", "box"}));
}

// --- Walks that handlers change under their feet -------------------------------------------

TEST_F(DialogTest, ChildAddedDuringUpdateGetsItsFirstUpdateNextPass) {
  auto* spawner = new Box(root.get(), RECT{});
  int newborns = 0;
  int newbornUpdates = 0;
  spawner->UpdateSignal.connect([&](const IMEvent&) {
    // Enough children to make the layer's storage move.
    for (int i = 0; i < 64; ++i) {
      auto* child = new Box(root.get(), RECT{});
      child->UpdateSignal.connect([&](const IMEvent&) { ++newbornUpdates; return 0L; });
      ++newborns;
    }
    spawner->UpdateSignal.disconnect_all_slots();
    return 0L;
  });

  Update();
  EXPECT_EQ(newborns, 64);
  EXPECT_EQ(newbornUpdates, 0);
  Update();
  EXPECT_EQ(newbornUpdates, 64);
}

TEST_F(DialogTest, ChildClosingSiblingsDuringUpdateIsSafe) {
  int deaths = 0;
  auto* closer = new Box(root.get(), RECT{});
  std::vector<IMControl*> siblings;
  for (int i = 0; i < 4; ++i) siblings.push_back(new CountedBox(root.get(), RECT{}, &deaths));
  closer->UpdateSignal.connect([&](const IMEvent&) {
    for (IMControl* s : siblings) s->Close();
    root->DeletePendingChildren();  // must wait until the walk is over
    return 0L;
  });

  Update();
  EXPECT_EQ(deaths, 4);
}

TEST_F(DialogTest, HandlerAddingChildrenDuringDrawIsSafe) {
  std::vector<RecordingView::DrawCall> draws;
  RECT r{0, 0, 100, 100};
  auto* panel = new IMDialog(root.get(), &r, 0);
  auto* box = new Box(panel, RECT{0, 0, 10, 10}, 0, "box");
  box->DrawSignal.connect([&](const IMEvent&) {
    for (int i = 0; i < 32; ++i) {
      auto* late = new Box(panel, RECT{0, 0, 10, 10}, 0, "late");
      late->log = &draws;
    }
    box->DrawSignal.disconnect_all_slots();
    return 0L;
  });
  DrawAll();
  EXPECT_TRUE(draws.empty());  // the newcomers wait for the next frame
  DrawAll();
  EXPECT_EQ(draws.size(), 32u);
}

// Opens more children in its dialog while the dialog is closing it.
class OpensOnClose : public Box {
 public:
  OpensOnClose(IMDialog* parent, int* deaths) : Box(parent, RECT{}), deaths_(deaths) {}
  long OnClose(const IMEvent& e) override {
    for (int i = 0; i < 32; ++i) new CountedBox(GetParent(), RECT{}, deaths_);
    return Box::OnClose(e);
  }

 private:
  int* deaths_;
};

TEST_F(DialogTest, ChildOpeningControlsWhileItsDialogClosesIsSafe) {
  RECT r{0, 0, 100, 100};
  auto* panel = new IMDialog(root.get(), &r, 0);
  int deaths = 0;
  new OpensOnClose(panel, &deaths);
  panel->Close();
  Update();
  EXPECT_EQ(deaths, 32);
}

TEST_F(DialogTest, ChildAddedToAClosedDialogGoesWithIt) {
  RECT r{0, 0, 100, 100};
  auto* panel = new IMDialog(root.get(), &r, 0);
  panel->Close();
  int deaths = 0;
  auto* late = new CountedBox(panel, RECT{}, &deaths);
  EXPECT_TRUE(panel->IsPendingDeletion(late));
  // Also one level further down: a dialog made inside the closed one.
  RECT s{0, 0, 50, 50};
  auto* sub = new IMDialog(panel, &s, 0);
  new CountedBox(sub, RECT{}, &deaths);

  Update();
  EXPECT_EQ(deaths, 2);
}

TEST_F(DialogTest, HoverIsDecidedAgainWhenTheHoveredChildIsDeleted) {
  auto* under = new Box(root.get(), RECT{0, 0, 100, 100});
  auto* over = new Box(root.get(), RECT{0, 0, 100, 100});
  int wheel = 0;
  under->ConnectOnMouse([&](const IMMouseEvent&) { ++wheel; return 0L; });
  MoveTo(10, 10);
  ASSERT_EQ(root->GetHoveredChild(), over);

  over->Close();
  Update();

  EXPECT_EQ(root->GetHoveredChild(), under);
  EXPECT_TRUE(under->IsHovered());
  Button(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), 10, 10);
  EXPECT_EQ(wheel, 1);
}

TEST_F(DialogTest, ChildDestructorThatClosesASiblingIsSafe) {
  // Closes its sibling while being deleted, so the queue grows under the deletion loop.
  struct ClosesOnDeath : Box {
    ClosesOnDeath(IMDialog* p, IMControl** s, int* d) : Box(p, RECT{}), sibling(s), deaths(d) {}
    ~ClosesOnDeath() override {
      ++*deaths;
      (*sibling)->Close();
    }
    IMControl** sibling;
    int* deaths;
  };
  int deaths = 0;
  IMControl* sibling = nullptr;
  auto* first = new ClosesOnDeath(root.get(), &sibling, &deaths);
  sibling = new CountedBox(root.get(), RECT{}, &deaths);
  first->Close();
  Update();
  EXPECT_EQ(deaths, 2);
  EXPECT_FALSE(root->HasChild(sibling));
}

TEST_F(DialogTest, SecondRegistrationAndRemovalAreIgnored) {
  auto* box = new Box(root.get(), RECT{0, 0, 10, 10});
  IMDialog::AddChild(root.get(), box, 3);
  EXPECT_EQ(root->GetChildLayer(box), 0);
  box->Close();
  IMDialog::RemoveChild(root.get(), box);
  int deaths = 0;
  auto* counted = new CountedBox(root.get(), RECT{}, &deaths);
  counted->Close();
  counted->Close();
  Update();
  EXPECT_EQ(deaths, 1);
}

}  // namespace
