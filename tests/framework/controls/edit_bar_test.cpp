#include "framework/controls/edit_bar.h"

#include <gtest/gtest.h>

#include "widget_fixture.h"

namespace {

using widgets_test::Str;

class EditBarTest : public widgets_test::WidgetTest {
 protected:
  EditBarTest() {
    bar = new IMEditBar(window.get());
    // As the save-as dialog places its field.
    bar->SetPosition(30, 28);
    bar->SetSize(300, 20);
    edit = bar->GetTextEdit();
  }

  // The caret in the bar's coordinates.
  RECT Caret() const { return edit->GetCaret()->GetRect(); }

  IMEditBar* bar;
  IMTextEdit* edit;
};

TEST_F(EditBarTest, PiecesFrameTheFieldOnItsOutermostPixels) {
  EXPECT_EQ(Str(bar->GetRect()), "{30, 28, 330, 48}");
  EXPECT_EQ(bar->GetText(), L"");
  EXPECT_EQ(edit->GetColor(), 0xFF000000u);

  for (int x = 0; x < 300; x += 299) {
    for (int y = 0; y < 20; y += 19) {
      // Each corner pixel is frame.
      EXPECT_TRUE(bar->HitTest(30 + x, 28 + y));
    }
  }
  EXPECT_EQ(Str(edit->GetRect()), "{2, 1, 299, 19}");
  EXPECT_EQ(bar->GetChildLayer(edit->GetCaret()), 1);
  EXPECT_EQ(bar->GetChildLayer(edit), 0);

  // What is drawn: white inside, black on the outermost pixels, at the bar's place.
  const platform::headless::Frame& frame = Frame();
  EXPECT_EQ(frame.At(30, 28), 0xFF000000u);
  EXPECT_EQ(frame.At(329, 47), 0xFF000000u);
  EXPECT_EQ(frame.At(180, 28), 0xFF000000u);
  EXPECT_EQ(frame.At(30, 40), 0xFF000000u);
  EXPECT_EQ(frame.At(329, 40), 0xFF000000u);
  EXPECT_EQ(frame.At(180, 47), 0xFF000000u);
  EXPECT_EQ(frame.At(31, 29), 0xFFFFFFFFu);
  EXPECT_EQ(frame.At(328, 46), 0xFFFFFFFFu);
  EXPECT_EQ(frame.At(29, 27), 0xFF000000u) << "the cleared back buffer around it";
}

TEST_F(EditBarTest, FocusGivenToTheBarPassesToItsTextEdit) {
  EXPECT_TRUE(edit->GetCaret()->IsHidden());
  Click(100, 38);
  EXPECT_TRUE(bar->IsFocused());
  EXPECT_TRUE(edit->IsFocused());
  EXPECT_EQ(window->GetFocusedChild(), bar);
  EXPECT_EQ(bar->GetFocusedChild(), edit);
  EXPECT_FALSE(edit->GetCaret()->IsHidden());

  // The keys reach the text edit through the window and the bar.
  Type(L"Маша");
  EXPECT_EQ(bar->GetText(), L"Маша");

  // Another field takes the focus: this one's caret hides and its keys stop.
  auto* other = new IMEditBar(window.get());
  other->SetPosition(30, 100);
  other->SetSize(300, 20);
  Click(100, 110);
  EXPECT_FALSE(bar->IsFocused());
  EXPECT_FALSE(edit->IsFocused());
  EXPECT_TRUE(edit->GetCaret()->IsHidden());
  EXPECT_FALSE(other->GetTextEdit()->GetCaret()->IsHidden());
  Type(L"Коля");
  EXPECT_EQ(bar->GetText(), L"Маша");
  EXPECT_EQ(other->GetText(), L"Коля");

  // Focus given from code works the same way.
  bar->SetFocus(true);
  EXPECT_TRUE(edit->IsFocused());
  EXPECT_FALSE(edit->GetCaret()->IsHidden());
}

TEST_F(EditBarTest, TypingPastTheRightEndKeepsTheCaretAtWidthMinusThree) {
  bar->SetFocus(true);
  int scrolledAt = -1;
  const std::wstring name = L"Преподаватель информатики Светлана Владимировна Кузнецова";
  for (wchar_t c : name) {
    Char(c);
    const RECT caret = Caret();
    ASSERT_LE(caret.right, 297) << "after " << edit->GetCaretPosition() << " characters";
    if (scrolledAt < 0 && edit->GetRect().left < 2) scrolledAt = edit->GetCaretPosition();
  }
  ASSERT_GT(scrolledAt, 0) << "the name is wider than the field";
  EXPECT_EQ(Caret().right, 297);
  // The text view is widened over the characters up to the caret, so they are drawn.
  const RECT r = edit->GetRect();
  EXPECT_GE(r.right, r.left + edit->GetCharRect(edit->GetCaretPosition() - 1).right);
  EXPECT_EQ(bar->GetText(), name);
  // The bar's source rectangle is the text's extent and a margin.
  RECT extent = edit->GetSourceRect();
  EXPECT_EQ(Str(bar->GetSourceRect()), Str(RECT{0, 0, extent.right + 6, extent.bottom + 2}));
}

TEST_F(EditBarTest, MovingTheCaretLeftOfTheFieldBringsItBackToXTwo) {
  bar->SetFocus(true);
  Type(L"Съешь же ещё этих мягких французских булок, да выпей чаю");
  const int scroll = edit->GetRect().left;
  ASSERT_LT(scroll, 2);
  // Left until the caret would leave the field on the left.
  bool cameBack = false;
  while (edit->GetCaretPosition() > 0) {
    KeyDown(VK_LEFT);
    const RECT caret = Caret();
    ASSERT_GE(caret.left, 0);
    if (caret.left == 2 && edit->GetRect().left != scroll) cameBack = true;
  }
  EXPECT_TRUE(cameBack);
  // At the start the text stands where it began.
  EXPECT_EQ(Caret().left, 2);
  EXPECT_EQ(edit->GetRect().left, 2);
}

TEST_F(EditBarTest, DeletingAfterScrollingLeavesTheTextScrolled) {
  bar->SetFocus(true);
  Type(L"Длинное название файла с результатами занятия");
  const int scroll = edit->GetRect().left;
  ASSERT_LT(scroll, 2);
  for (int i = 0; i < 5; ++i) Char(8);
  EXPECT_EQ(edit->GetRect().left, scroll);
  EXPECT_LT(Caret().right, 297);
  // Giving the bar a rectangle again, even the one it has, resets the scrolling.
  bar->SetSize(300, 20);
  EXPECT_EQ(Str(edit->GetRect()), "{2, 1, 299, 19}");
}

TEST_F(EditBarTest, TheBarClipsTheScrolledText) {
  window->AddPicture(0, 0, L"DefaultBackGround", -1, 0xFFFFFFFF);
  bar->SetFocus(true);
  const platform::headless::Frame before = Frame();
  Type(L"ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ");
  ASSERT_LT(edit->GetRect().left, 0);
  const platform::headless::Frame& after = Frame();
  // Nothing of the text reaches past the bar on either side. The text edit is drawn after the
  // frame, so black letters scrolled across the left edge may shade it, never lighten it much.
  for (int y = 20; y < 56; ++y) {
    for (int x : {0, 20, 29, 330, 340, 799}) {
      EXPECT_EQ(after.At(x, y), before.At(x, y)) << x << "," << y;
    }
    for (int x : {30, 329}) {
      if (y >= 28 && y < 48) {
        EXPECT_LT(after.At(x, y) & 0xFF, 0x40u) << x << "," << y;
      }
    }
  }
  int inked = 0;
  for (int x = 32; x < 327; ++x) inked += after.At(x, 38) != before.At(x, 38);
  EXPECT_GT(inked, 100) << "the letters fill the field";
}

// The information screen's name field: Cyrillic text with the caret after it, drawn through
// the software device over the default background.
TEST_F(EditBarTest, GoldenFieldWithCyrillicTextAndItsCaret) {
  window->AddPicture(0, 0, L"DefaultBackGround", -1, 0xFFFFFFFF);
  IMEditBar* name = bar;
  name->SetPosition(135, 460);
  name->SetSize(520, 20);
  Click(300, 470);
  Type(L"Иванова Алёна, 2 «Б» класс");
  KeyDown(VK_LEFT);
  KeyDown(VK_LEFT);
  KeyDown(VK_LEFT);
  KeyDown(VK_LEFT);
  KeyDown(VK_LEFT);
  KeyDown(VK_LEFT);
  ASSERT_FALSE(name->GetTextEdit()->GetCaret()->IsHidden());
  EXPECT_EQ(Golden(Frame(), "edit_bar_cyrillic_caret"), "");
}

}  // namespace
