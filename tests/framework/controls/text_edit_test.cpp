#include "framework/controls/text_edit.h"

#include <gtest/gtest.h>

#include <vector>

#include "widget_fixture.h"

namespace {

using widgets_test::Str;

class TextEditTest : public widgets_test::WidgetTest {
 protected:
  TextEditTest() {
    edit = new IMTextEdit(window.get());
    edit->SetRect(RECT{100, 100, 500, 120});
    // Focused as a click gives it: the window then hands it the keys.
    Click(300, 110);
  }

  // Where the caret belongs with the caret at p: at the right edge of character p - 1,
  // top-aligned with it and as tall as it (character 0 at position 0).
  std::string CaretPlace(int p) const {
    const RECT r = edit->GetRect();
    const RECT c = edit->GetCharRect(p - 1);
    const RECT h = edit->GetCharRect(p == 0 ? 0 : p - 1);
    return Str(RECT{r.left + c.right, r.top + c.top, r.left + c.right + 1, r.top + c.top + h.bottom - h.top});
  }

  IMTextEdit* edit;
};

TEST_F(TextEditTest, IsFocusableAndTakesTheFocusAndTheKeysWhenClicked) {
  EXPECT_TRUE(edit->IsFocusable());
  EXPECT_TRUE(edit->IsFocused());
  EXPECT_EQ(window->GetFocusedChild(), edit);
  EXPECT_FALSE(edit->GetCaret()->IsHidden());
  // The caret is the parent's child, in front of the text.
  EXPECT_EQ(window->GetChildLayer(edit->GetCaret()), 1);
}

TEST_F(TextEditTest, TypedCyrillicGoesInAtTheCaret) {
  Type(L"Пётр");
  EXPECT_EQ(edit->GetText(), L"Пётр");
  EXPECT_EQ(edit->GetCaretPosition(), 4);
  KeyDown(VK_LEFT);
  KeyDown(VK_LEFT);
  Char(0x0451);  // ё
  EXPECT_EQ(edit->GetText(), L"Пёётр");
  EXPECT_EQ(edit->GetCaretPosition(), 3);
  EXPECT_EQ(Str(edit->GetCaret()->GetRect()), CaretPlace(3));
}

TEST_F(TextEditTest, FirstCharacterOfAnEmptyTextGoesToZeroAndTheCaretToOne) {
  Char(L'Я');
  EXPECT_EQ(edit->GetText(), L"Я");
  EXPECT_EQ(edit->GetCaretPosition(), 1);
}

TEST_F(TextEditTest, OnlyTheBackspaceCharacterDeletesBackwards) {
  Type(L"Иван");
  // The key itself does nothing: the character message that follows it deletes.
  KeyDown(VK_BACK);
  EXPECT_EQ(edit->GetText(), L"Иван");
  Char(8);
  EXPECT_EQ(edit->GetText(), L"Ива");
  EXPECT_EQ(edit->GetCaretPosition(), 3);
  edit->SetCaretPosition(0);
  Char(8);
  EXPECT_EQ(edit->GetText(), L"Ива");
  EXPECT_EQ(edit->GetCaretPosition(), 0);
}

TEST_F(TextEditTest, ControlCharactersInsertNothingAndBackspaceStillErases) {
  Type(L"ab");
  KeyDown(VK_LEFT);
  // Tab, Enter, Esc, Ctrl+letter (Ctrl+I is 9, Ctrl+Enter 10) and Ctrl+Backspace (0x7F) all
  // arrive as character messages; none of them is text.
  for (WPARAM code = 0; code <= 0x7F; code = code == 0x1F ? 0x7F : code + 1) {
    if (code == 8) continue;
    Char(code);
    EXPECT_EQ(edit->GetText(), L"ab") << code;
    EXPECT_EQ(edit->GetCaretPosition(), 1) << code;
  }
  Char(8);
  EXPECT_EQ(edit->GetText(), L"b");
  EXPECT_EQ(edit->GetCaretPosition(), 0);
  EXPECT_EQ(IMTextEdit::CharToText(IMKeyboardEvent(nullptr, WM_KEYDOWN, 'A', 0)), L"");
  EXPECT_EQ(IMTextEdit::CharToText(IMKeyboardEvent(nullptr, WM_CHAR, 0x0436, 0)), L"ж");
}

TEST_F(TextEditTest, ASurrogatePairIsOneCharacterAndAHalfAloneIsDropped) {
  Type(L"я\U0001F600ю");  // four messages: the emoji comes as two halves
  EXPECT_EQ(edit->GetText(), L"я\U0001F600ю");
  EXPECT_EQ(edit->GetCaretPosition(), 3);
  EXPECT_EQ(Str(edit->GetCaret()->GetRect()), CaretPlace(3));
  KeyDown(VK_LEFT);
  EXPECT_EQ(edit->GetCaretPosition(), 2);
  Char(8);  // the whole emoji
  EXPECT_EQ(edit->GetText(), L"яю");
  EXPECT_EQ(edit->GetCaretPosition(), 1);

  Char(0xDE00);  // a second half without a first
  Char(0xD83D);  // a first half that the next character does not complete
  Char(L'ж');
  Char(0xD83D);
  Char(8);  // erases the ж; the waiting half is dropped
  Char(0xDE00);
  Char(0x1F600);  // a message carries one UTF-16 unit, never a whole character
  EXPECT_EQ(edit->GetText(), L"яю");
  EXPECT_EQ(edit->GetCaretPosition(), 1);
}

TEST_F(TextEditTest, DeleteErasesAfterTheCaretAndNothingAtTheEnd) {
  Type(L"кран");
  KeyDown(VK_DELETE);
  EXPECT_EQ(edit->GetText(), L"кран");
  edit->SetCaretPosition(1);
  KeyDown(VK_DELETE);
  EXPECT_EQ(edit->GetText(), L"кан");
  EXPECT_EQ(edit->GetCaretPosition(), 1);
  // Key-up and Alt combinations are not acted on.
  Send(WM_SYSKEYDOWN, VK_DELETE, 1 << 29);
  KeyUp(VK_DELETE);
  EXPECT_EQ(edit->GetText(), L"кан");
}

TEST_F(TextEditTest, LeftAndRightStopAtTheEnds) {
  Type(L"да");
  KeyDown(VK_RIGHT);
  EXPECT_EQ(edit->GetCaretPosition(), 2);
  KeyDown(VK_LEFT);
  KeyDown(VK_LEFT);
  KeyDown(VK_LEFT);
  EXPECT_EQ(edit->GetCaretPosition(), 0);
  EXPECT_EQ(Str(edit->GetCaret()->GetRect()), CaretPlace(0));
  EXPECT_EQ(IMTextEdit::RememberedColumn(), 0);
}

TEST_F(TextEditTest, CaretStandsAtTheRightEdgeOfTheCharacterBeforeIt) {
  Type(L"Жук");
  const RECT k = edit->GetCharRect(2);
  const RECT caret = edit->GetCaret()->GetRect();
  EXPECT_EQ(caret.left, 100 + k.right);
  EXPECT_EQ(caret.top, 100 + k.top);
  EXPECT_EQ(caret.right - caret.left, 1);
  EXPECT_EQ(caret.bottom - caret.top, 16);  // Arial 16
  // One character, caret before it: as tall as that character, at the text's left edge.
  edit->SetText(L"Ж");
  edit->SetCaretPosition(0);
  EXPECT_EQ(Str(edit->GetCaret()->GetRect()), Str(RECT{100, 100, 101, 116}));
}

TEST_F(TextEditTest, CaretOfAnEmptyTextIsAsTallAsABlankAtTheTopLeftCorner) {
  edit->SetFontSize(25);
  edit->SetCaretPosition(0);
  EXPECT_EQ(Str(edit->GetCaret()->GetRect()), Str(RECT{100, 100, 101, 125}));
  // The measuring glyph is released at once.
  EXPECT_EQ(IMResourceManager::Instance()->FindTexture(L"TempSpaceBar"), kNoTexture);
  // The caret follows the text edit when it moves.
  edit->SetPosition(10, 20);
  EXPECT_EQ(Str(edit->GetCaret()->GetRect()), Str(RECT{10, 20, 11, 45}));
}

TEST_F(TextEditTest, KeyUpChangesNothingButPlacesTheCaretAgain) {
  Type(L"лес");
  IMTextEdit::Caret* caret = edit->GetCaret();
  const std::string placed = Str(caret->GetRect());
  caret->SetPosition(0, 0);
  KeyUp('S');
  EXPECT_EQ(edit->GetText(), L"лес");
  EXPECT_EQ(Str(caret->GetRect()), placed);
}

TEST_F(TextEditTest, CaretBlinksEveryHalfSecondOnlyWhileFocused) {
  IMTextEdit::Caret* caret = edit->GetCaret();
  ASSERT_FALSE(caret->IsHidden());
  // The timer started with the text edit, at time 0.
  Wait(499);
  EXPECT_FALSE(caret->IsHidden());
  Wait(1);
  EXPECT_TRUE(caret->IsHidden());
  Wait(500);
  EXPECT_FALSE(caret->IsHidden());
  Wait(500);
  EXPECT_TRUE(caret->IsHidden());
  // An arrow shows it at once.
  KeyDown(VK_LEFT);
  EXPECT_FALSE(caret->IsHidden());

  // Without the focus the caret is hidden and stays hidden.
  edit->SetFocus(false);
  EXPECT_TRUE(caret->IsHidden());
  Wait(2000);
  EXPECT_TRUE(caret->IsHidden());
  edit->SetFocus(true);
  EXPECT_FALSE(caret->IsHidden());
}

TEST_F(TextEditTest, BlinkTimerGoesWithTheTextEdit) {
  const std::uint32_t id = edit->GetBlinkTimerId();
  EXPECT_NE(id, 0u);
  IMTextEdit::Caret* caret = edit->GetCaret();
  edit->Close();
  Idle();
  // The timer is gone: a new connection to it connects nothing.
  EXPECT_FALSE(window->ConnectTimer(id, [](const IMEvent&) { return 0L; }).connected());
  // The caret belongs to the parent and stays until the parent closes it.
  EXPECT_TRUE(window->HasChild(caret));
  Wait(1000);
}

// Lines {0, 10, 20} of 30 characters: two lines ended by a line feed and a third of ten.
class MultiLineTextEditTest : public TextEditTest {
 protected:
  MultiLineTextEditTest() {
    edit->wrap = true;
    edit->SetText(L"абвгдежзи\nклмнопрст\nуфхцчшщыэю");
    EXPECT_EQ(edit->GetLineStarts(), (std::vector<int>{0, 10, 20}));
  }
};

TEST_F(MultiLineTextEditTest, UpNeverLandsOnTheStartOfTheCaretsOwnLine) {
  edit->SetCaretPosition(29);
  KeyDown(VK_RIGHT);  // the column of position 30 is 10
  ASSERT_EQ(IMTextEdit::RememberedColumn(), 10);
  edit->SetCaretPosition(15);
  KeyDown(VK_UP);
  EXPECT_EQ(edit->GetCaretPosition(), 9);
  // On the first line Up stays, and shows the caret.
  edit->GetCaret()->Hide();
  KeyDown(VK_UP);
  EXPECT_EQ(edit->GetCaretPosition(), 9);
  EXPECT_FALSE(edit->GetCaret()->IsHidden());
}

TEST_F(MultiLineTextEditTest, DownKeepsATargetEqualToTheStartOfTheLineAfterNext) {
  edit->SetCaretPosition(29);
  KeyDown(VK_RIGHT);
  edit->SetCaretPosition(5);
  KeyDown(VK_DOWN);
  EXPECT_EQ(edit->GetCaretPosition(), 20);
  EXPECT_EQ(IMTextEdit::RememberedColumn(), 10) << "Up and Down read the column and leave it";
  // Onto the last line: never after its last character.
  edit->SetCaretPosition(12);
  KeyDown(VK_DOWN);
  EXPECT_EQ(edit->GetCaretPosition(), 29);
  // On the last line Down stays.
  KeyDown(VK_DOWN);
  EXPECT_EQ(edit->GetCaretPosition(), 29);
}

TEST_F(MultiLineTextEditTest, TheColumnIsSharedByEveryTextEdit) {
  auto* other = new IMTextEdit(window.get());
  other->SetRect(RECT{100, 300, 500, 320});
  other->SetText(L"ёжик");
  other->SetFocus(true);
  other->SetCaretPosition(3);
  KeyDown(VK_LEFT);  // column 2, in the other text edit
  ASSERT_EQ(IMTextEdit::RememberedColumn(), 2);

  edit->SetFocus(true);
  edit->SetCaretPosition(27);
  KeyDown(VK_UP);
  EXPECT_EQ(edit->GetCaretPosition(), 12);
  // The caret moved between lines stands beside its character on that line.
  EXPECT_EQ(Str(edit->GetCaret()->GetRect()), CaretPlace(12));
  EXPECT_GT(edit->GetCaret()->GetRect().top, 100);
}

TEST_F(MultiLineTextEditTest, FirstKeyboardMessageOfTheRunSetsTheColumnOnce) {
  IMTextEdit::ForgetRememberedColumn();
  edit->SetCaretPosition(14);
  KeyUp(VK_SHIFT);
  EXPECT_TRUE(IMTextEdit::IsColumnRemembered());
  EXPECT_EQ(IMTextEdit::RememberedColumn(), 4);
  // Typing leaves it.
  Char(L'ю');
  EXPECT_EQ(IMTextEdit::RememberedColumn(), 4);
  KeyDown(VK_UP);
  EXPECT_EQ(edit->GetCaretPosition(), 4);
}

}  // namespace
