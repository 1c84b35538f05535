#include "framework/controls/list.h"

#include <gtest/gtest.h>

#include "widget_fixture.h"

namespace {

using widgets_test::Str;

class ListTest : public widgets_test::WidgetTest {
 protected:
  ListTest() {
    list = new IMList(window.get());
    // As the printer dialog places its list.
    list->SetPosition(30, 58);
    list->SetSize(300, 100);
  }

  IMList* list;
};

TEST_F(ListTest, FrameOnTheOutermostPixelsAndLinesInside) {
  EXPECT_EQ(Str(list->GetRect()), "{30, 58, 330, 158}");
  EXPECT_EQ(Str(list->GetOuterDialog()->GetRect()), "{30, 58, 330, 158}");
  EXPECT_EQ(Str(list->GetItemsDialog()->GetRect()), "{1, 1, 299, 99}");
  // The pieces live in the list's parent, not in the list.
  EXPECT_TRUE(window->HasChild(list));
  EXPECT_TRUE(window->HasChild(list->GetOuterDialog()));
  EXPECT_TRUE(list->GetOuterDialog()->HasChild(list->GetItemsDialog()));
  EXPECT_TRUE(list->GetItemsDialog()->HasChild(list->GetSelection()));
  EXPECT_TRUE(list->GetSelection()->IsHidden());
  EXPECT_EQ(list->GetSelected(), nullptr);

  // An empty list shows only its background and frame.
  const platform::headless::Frame& frame = Frame();
  for (auto [x, y] : {std::pair{30, 58}, {329, 58}, {30, 157}, {329, 157}, {180, 58}, {30, 100}, {329, 100},
                      {180, 157}}) {
    EXPECT_EQ(frame.At(x, y), 0xFF000000u) << x << "," << y;
  }
  EXPECT_EQ(frame.At(31, 59), 0xFFFFFFFFu);
  EXPECT_EQ(frame.At(328, 156), 0xFFFFFFFFu);
  EXPECT_EQ(frame.At(180, 100), 0xFFFFFFFFu);
}

TEST_F(ListTest, LinesStackFromTheTopWithoutGaps) {
  IMList::Item* first = list->AddItem(L"Принтер в классе");
  IMList::Item* second = list->AddItem(L"PDF");
  IMList::Item* third = list->AddItem(L"Учительская");
  EXPECT_EQ(first->GetRect().top, 0);
  EXPECT_EQ(second->GetRect().top, first->GetHeight());
  EXPECT_EQ(third->GetRect().top, first->GetHeight() + second->GetHeight());
  EXPECT_EQ(first->GetHeight(), 16);
  EXPECT_EQ(second->GetColor(), 0xFF000000u);
  EXPECT_EQ(list->GetItems(), (std::vector<IMList::Item*>{first, second, third}));
}

TEST_F(ListTest, AClickSelectsTheLineUnderTheFullInnerWidth) {
  IMList::Item* first = list->AddItem(L"Принтер в классе");
  IMList::Item* second = list->AddItem(L"PDF");
  // A point of the second line: the list's inside starts at (31, 59).
  Click(35, 59 + 16 + 5);
  EXPECT_EQ(list->GetSelected(), second);
  EXPECT_FALSE(list->GetSelection()->IsHidden());
  EXPECT_EQ(Str(list->GetSelection()->GetRect()), "{0, 16, 298, 33}");

  // Another line, with the right button this time: every click selects.
  Click(40, 62, WM_RBUTTONDOWN, MK_RBUTTON);
  EXPECT_EQ(list->GetSelected(), first);
  EXPECT_EQ(Str(list->GetSelection()->GetRect()), "{0, 0, 298, 17}");

  // Beside the text of a short line, inside the list but outside the label: nothing changes.
  Click(300, 59 + 16 + 5);
  EXPECT_EQ(list->GetSelected(), first);

  list->Select(nullptr);
  EXPECT_EQ(list->GetSelected(), nullptr);
  EXPECT_TRUE(list->GetSelection()->IsHidden());
}

TEST_F(ListTest, SelectionIsTranslucentBlueUnderTheText) {
  list->AddItem(L"Принтер в классе");
  IMList::Item* second = list->AddItem(L"PDF");
  const platform::headless::Frame& plain = Frame();
  const std::uint32_t white = plain.At(250, 59 + 20);
  ASSERT_EQ(white, 0xFFFFFFFFu);
  list->Select(second);
  const platform::headless::Frame& selected = Frame();
  const std::uint32_t tinted = selected.At(250, 59 + 20);
  EXPECT_NE(tinted, white);
  EXPECT_GT(tinted & 0xFF, (tinted >> 16) & 0xFF) << "bluer than red";
  // The first line is not touched.
  EXPECT_EQ(selected.At(250, 62), 0xFFFFFFFFu);
}

TEST_F(ListTest, LinesBelowTheInnerHeightAreNeitherDrawnNorHit) {
  std::vector<IMList::Item*> lines;
  for (int i = 0; i < 8; ++i) lines.push_back(list->AddItem(L"Строка " + std::to_wstring(i)));
  // Line 6 lies at 96..112 of the items dialog, which is 98 high: its top two rows show.
  ASSERT_EQ(lines[6]->GetRect().top, 96);
  Click(40, 59 + 97);
  EXPECT_EQ(list->GetSelected(), lines[6]);
  Click(40, 59 + 120);  // where line 7 would be: outside the list
  EXPECT_EQ(list->GetSelected(), lines[6]);
  const platform::headless::Frame& frame = Frame();
  for (int x = 0; x < 800; ++x) EXPECT_EQ(frame.At(x, 170), 0xFF000000u) << x;
}

}  // namespace
