#include "framework/controls/save_as_dialog.h"

#include <gtest/gtest.h>

#include <boost/bind/bind.hpp>

#include "widget_fixture.h"

namespace {

using widgets_test::Str;

// The caller's save operation: the shell binds the dialog's GetFileName as its argument.
struct Saver {
  long Save(const std::wstring& name) {
    saved.push_back(name);
    return 0;
  }
  std::vector<std::wstring> saved;
};

class SaveAsDialogTest : public widgets_test::WidgetTest {
 protected:
  SaveAsDialogTest() {
    window->AddPicture(0, 0, L"DefaultBackGround", -1, 0xFFFFFFFF);
    dialog = new IMSaveAsDialog(window.get());
    edit = dialog->GetField()->GetTextEdit();
  }

  // The standard dialogs' protocol: the first handler asks for the name at the click, the
  // second closes the dialog.
  void ConnectSaveThenClose() {
    dialog->ConnectOnConfirm(IMControl::MouseSignal::slot_type(
        boost::bind(&Saver::Save, &saver, boost::bind(&IMSaveAsDialog::GetFileName, dialog))));
    dialog->ConnectOnConfirm(IMControl::MouseSignal::slot_type(boost::bind(&IMControl::Close, dialog)));
  }

  static constexpr POINT kConfirm{220 + 30 + 74, 225 + 79 + 23};
  static constexpr POINT kClose{220 + 221 + 55, 225 + 79 + 23};
  static constexpr POINT kField{220 + 30 + 150, 225 + 28 + 10};

  IMSaveAsDialog* dialog;
  IMTextEdit* edit;
  Saver saver;
};

TEST_F(SaveAsDialogTest, PanelWithFieldAndTwoButtonsInTheMiddleOfTheScreen) {
  EXPECT_EQ(Str(dialog->GetRect()), "{220, 225, 580, 375}");
  EXPECT_EQ(Str(dialog->GetField()->GetRect()), "{30, 28, 330, 48}");
  EXPECT_EQ(Str(dialog->GetConfirmButton()->GetRect()), "{30, 79, 178, 126}");
  EXPECT_EQ(Str(dialog->GetCloseButton()->GetRect()), "{221, 79, 332, 126}");
  EXPECT_TRUE(dialog->HasChild(dialog->GetField()));
  EXPECT_EQ(dialog->GetFileName(), L"");

  // A one-pixel black frame on the panel's outermost pixels.
  const platform::headless::Frame& frame = Frame();
  for (auto [x, y] : {std::pair{220, 225}, {579, 374}, {400, 225}, {400, 374}, {220, 300}, {579, 300}}) {
    EXPECT_EQ(frame.At(x, y), 0xFF000000u) << x << "," << y;
  }
  EXPECT_NE(frame.At(221, 300), 0xFF000000u);
}

TEST_F(SaveAsDialogTest, ConfirmHandlersGetTheTypedNameAtTheClickThenCloseTheDialog) {
  ConnectSaveThenClose();
  dialog->SetFileName(L"Иванов");
  // The dialog's focus goes on to the field: the caret shows and the keys go there.
  dialog->SetFocus(true);
  EXPECT_EQ(window->GetFocusedChild(), dialog);
  EXPECT_TRUE(edit->IsFocused());
  EXPECT_FALSE(edit->GetCaret()->IsHidden());

  Type(L" Пётр");
  Char(8);
  Char(8);
  Type(L"тр");
  // Enter and Esc neither insert nor confirm nor close: the dialog reacts to no key.
  Char(13);
  Char(27);
  KeyDown(VK_RETURN);
  KeyDown(VK_ESCAPE);
  EXPECT_TRUE(saver.saved.empty());
  EXPECT_EQ(dialog->GetFileName(), L"Иванов Пётр");

  Click(kConfirm.x, kConfirm.y);
  EXPECT_EQ(saver.saved, std::vector<std::wstring>{L"Иванов Пётр"});
  // Closed by the second handler; gone after the next update pass.
  EXPECT_TRUE(window->IsPendingDeletion(dialog));
  Idle();
  EXPECT_FALSE(window->HasChild(dialog));
}

TEST_F(SaveAsDialogTest, ClickingTheFieldGivesItTheKeys) {
  dialog->SetFileName(L"отчёт");
  Click(kField.x, kField.y);
  EXPECT_TRUE(edit->IsFocused());
  Type(L"ы");
  EXPECT_EQ(dialog->GetFileName(), L"отчёты");
}

TEST_F(SaveAsDialogTest, CloseButtonOnlyCloses) {
  ConnectSaveThenClose();
  Click(kClose.x, kClose.y);
  EXPECT_TRUE(saver.saved.empty());
  EXPECT_TRUE(window->IsPendingDeletion(dialog));
  Idle();
  EXPECT_FALSE(window->HasChild(dialog));
}

TEST_F(SaveAsDialogTest, NameIsReturnedExactlyAsEdited) {
  dialog->SetFileName(L"  отчёт  ");
  EXPECT_EQ(dialog->GetFileName(), L"  отчёт  ");
  EXPECT_EQ(edit->GetCaretPosition(), 9);
}

TEST_F(SaveAsDialogTest, LongNameShowsItsEndWithTheCaretAtWidthMinusThree) {
  const std::wstring name = L"Результаты занятий ученика Иванова Петра Сергеевича за сентябрь.xls";
  dialog->SetFileName(name);
  EXPECT_EQ(edit->GetCaretPosition(), static_cast<int>(name.size()));
  EXPECT_EQ(edit->GetCaret()->GetRect().right, 297);
  EXPECT_LT(edit->GetRect().left, 0);
  // A short name afterwards: its caret would stand left of the field, so the text is shifted
  // back until the caret stands at x = 2.
  dialog->SetFileName(L"итог");
  EXPECT_EQ(edit->GetCaretPosition(), 4);
  EXPECT_EQ(edit->GetCaret()->GetRect().left, 2);
}

TEST_F(SaveAsDialogTest, LosingTheFocusHidesTheCaret) {
  dialog->SetFocus(true);
  ASSERT_FALSE(edit->GetCaret()->IsHidden());
  RECT r{0, 0, 100, 100};
  auto* other = new IMDialog(window.get(), &r, 0);
  Click(50, 50);
  EXPECT_EQ(window->GetFocusedChild(), other);
  EXPECT_FALSE(dialog->IsFocused());
  EXPECT_FALSE(edit->IsFocused());
  EXPECT_TRUE(edit->GetCaret()->IsHidden());
}

TEST_F(SaveAsDialogTest, GoldenDialogWithAFileName) {
  dialog->SetFileName(L"Игра «Тиморвал» — Смирнова Оля.xls");
  dialog->SetFocus(true);
  ASSERT_FALSE(edit->GetCaret()->IsHidden());
  EXPECT_EQ(Golden(Frame(), "save_as_dialog"), "");
  dialog->ShowFailure(L"Не удалось сохранить файл");
  EXPECT_EQ(Golden(Frame(), "save_as_dialog_failed"), "");
}

}  // namespace
