// The information screen's description window: a text taller than the window scrolls, a
// shorter one does not, and the scroll bar moves the text inside the window that clips it.

#include <gtest/gtest.h>

#include "framework/controls/scroll.h"
#include "support/course.h"

namespace {

class InfoScreenTest : public ::testing::Test {
 protected:
  struct Parts {
    IMScroll* scroll = nullptr;
    IMDialog* window = nullptr;  // the description window at (119, 187), 593 x 236
    IMDialog* panel = nullptr;   // the description panel inside it
  };
  Parts Show(const std::wstring& description) {
    app->description = description;
    app->ShowInfoScreen();
    course.Pump();
    Parts parts;
    for (IMControl* child : course.ScreenAt(400, 300)->GetChildren()) {
      if (auto* scroll = dynamic_cast<IMScroll*>(child)) parts.scroll = scroll;
      auto* dialog = dynamic_cast<IMDialog*>(child);
      if (dialog && !parts.scroll && dialog->GetRect().left == 119) parts.window = dialog;
    }
    EXPECT_NE(parts.scroll, nullptr);
    EXPECT_NE(parts.window, nullptr);
    if (parts.window) parts.panel = dynamic_cast<IMDialog*>(parts.window->GetChildren().at(0));
    return parts;
  }

  course::Driver<> course;
  App* app = course.app;
};

TEST_F(InfoScreenTest, ADescriptionThatFitsDoesNotScroll) {
  // The crane's own description fills most of the window and no more.
  const Parts parts = Show(App::kDescription);
  EXPECT_TRUE(parts.scroll->IsHidden());
  EXPECT_GT(parts.panel->GetHeight(), 150);
  EXPECT_LE(parts.panel->GetHeight(), 236);
  const Parts empty = Show(L"");
  EXPECT_TRUE(empty.scroll->IsHidden());
  EXPECT_EQ(empty.panel->GetHeight(), 235);
}

TEST_F(InfoScreenTest, ALongDescriptionScrollsInsideItsWindow) {
  std::wstring text;
  for (int i = 0; i < 4; ++i) text += std::wstring(App::kDescription) + L" ";
  const Parts parts = Show(text);
  ASSERT_FALSE(parts.scroll->IsHidden());
  const int height = parts.panel->GetHeight();
  EXPECT_GT(height, 236);
  EXPECT_EQ(parts.scroll->GetMin(), 0);
  EXPECT_EQ(parts.scroll->GetMax(), height);
  EXPECT_EQ(parts.scroll->GetPage(), 236);
  EXPECT_EQ(parts.scroll->GetScrollPosition(), 0);
  EXPECT_EQ(parts.panel->GetRect().top, 0);

  // The down arrow steps the position; the panel moves up by it, the window stays.
  const RECT down = parts.scroll->GetDownButton()->GetRect();
  const RECT bar = parts.scroll->GetRect();
  course.Click(bar.left + (down.left + down.right) / 2, bar.top + (down.top + down.bottom) / 2);
  const int position = parts.scroll->GetScrollPosition();
  EXPECT_GT(position, 0);
  EXPECT_EQ(parts.panel->GetRect().top, -position);
  EXPECT_EQ(parts.window->GetRect().top, 187);
  // At the end the last line sits at the window's bottom: the position stops at height - 236.
  parts.scroll->SetPosition(height);
  EXPECT_EQ(parts.panel->GetRect().top, -(height - 236));
}

}  // namespace
