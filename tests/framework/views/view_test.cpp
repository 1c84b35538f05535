#include "framework/views/view.h"

#include <gtest/gtest.h>

#include "support/tree_fixture.h"

namespace {

using test::Box;

TEST(ViewTest, GeometryOperationsChainThroughSetRect) {
  IMEmptyView view;
  view.SetRect(RECT{5, 5, 10, 10});
  view.SetSize(30, 20);
  EXPECT_TRUE(EqualRect(view.GetRect(), RECT{5, 5, 35, 25}));
  view.SetPosition(0, 0);
  EXPECT_TRUE(EqualRect(view.GetRect(), RECT{0, 0, 30, 20}));
  EXPECT_EQ(view.GetWidth(), 30);
  EXPECT_EQ(view.GetHeight(), 20);
}

TEST(ViewTest, EqualRectangleLeavesTheViewClean) {
  IMEmptyView view;
  view.SetRect(RECT{1, 2, 3, 4});
  view.Draw();
  ASSERT_FALSE(view.IsChanged());
  view.SetRect(RECT{1, 2, 3, 4});
  view.SetSourceRect(RECT{});
  EXPECT_FALSE(view.IsChanged());
  view.SetSourceRect(RECT{0, 0, 1, 1});
  EXPECT_TRUE(view.IsChanged());
}

TEST(ViewTest, EmptyViewHitsByRectangleRightAndBottomExcluded) {
  IMEmptyView view;
  view.SetRect(RECT{10, 10, 20, 20});
  EXPECT_TRUE(view.HitTest(POINT{10, 10}));
  EXPECT_TRUE(view.HitTest(POINT{19, 19}));
  EXPECT_FALSE(view.HitTest(POINT{20, 15}));
  EXPECT_FALSE(view.HitTest(POINT{15, 20}));
}

class ViewControlTest : public test::TreeTest {};

TEST_F(ViewControlTest, BothSidesShareOneRectangleAndChangedFlag) {
  auto* box = new Box(root.get(), RECT{0, 0, 10, 10});
  int changes = 0;
  box->ConnectOnChange([&](const IMEvent&) { ++changes; return 0L; });
  DrawAll();
  ASSERT_FALSE(box->IsChanged());

  // Through the view side: reaches the control's SetRect and SetChanged.
  IMView& view = *box;
  view.SetPosition(20, 30);
  EXPECT_TRUE(EqualRect(box->GetRect(), RECT{20, 30, 30, 40}));
  EXPECT_TRUE(box->IsChanged());
  EXPECT_TRUE(view.IsChanged());
  EXPECT_EQ(changes, 1);

  // The same rectangle again: no signal, no redraw.
  DrawAll();
  box->SetRect(RECT{20, 30, 30, 40});
  EXPECT_FALSE(box->IsChanged());
  EXPECT_EQ(changes, 1);
}

TEST_F(ViewControlTest, StateOperationsMarkForRedrawAndHiddenIsNeverHit) {
  auto* box = new Box(root.get(), RECT{0, 0, 10, 10});
  DrawAll();
  box->Disable();
  EXPECT_TRUE(box->IsChanged());
  DrawAll();
  box->Hide();
  EXPECT_TRUE(box->IsChanged());
  EXPECT_FALSE(box->HitTest(5, 5));
  box->Show();
  EXPECT_TRUE(box->HitTest(5, 5));
}

TEST_F(ViewControlTest, DeletingThroughTheViewSideDeletesTheWholeControl) {
  int deaths = 0;
  IMView* view = new test::CountedBox(nullptr, RECT{}, &deaths);
  delete view;
  EXPECT_EQ(deaths, 1);
}

}  // namespace
